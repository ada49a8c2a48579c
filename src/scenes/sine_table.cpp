// SineTable: the table itself and the index rule.
#include "scenes/sine_table.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace glimmer {

namespace {

std::array<float, SineTableSize> buildSineTable() {
  std::array<float, SineTableSize> table{};
  for (int k = 0; k < SineTableSize; ++k) {
    table[static_cast<std::size_t>(k)] =
        static_cast<float>(std::sin(2.0 * std::numbers::pi * k / SineTableSize));
  }
  return table;
}

}  // namespace

const std::array<float, SineTableSize>& sineTable() {
  static const std::array<float, SineTableSize> table = buildSineTable();
  return table;
}

std::int32_t sineIndex(float x) {
  const float product = x * SineFactor;
  // Deliberate: out of range gives the value the x86 truncating conversion yields (INT32_MIN),
  // instead of the undefined behaviour of a plain cast.
  if (!(product > -2147483648.0f && product < 2147483648.0f)) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(product);
}

float sineLookup(float x) {
  return sineTable()[static_cast<std::size_t>(sineIndex(x) & SineTableMask)];
}

float cosineLookup(float x) {
  // 128 - n in unsigned arithmetic: wraps like two's complement without signed overflow.
  const std::uint32_t index = (128u - static_cast<std::uint32_t>(sineIndex(x))) & SineTableMask;
  return sineTable()[index];
}

}  // namespace glimmer
