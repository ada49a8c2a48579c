// SineTable: the table itself and the index rule.
#include "scenes/sine_table.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace glimmer {

namespace {

std::array<float, kSineTableSize> buildSineTable() {
  std::array<float, kSineTableSize> table{};
  for (int k = 0; k < kSineTableSize; ++k) {
    table[static_cast<std::size_t>(k)] = static_cast<float>(std::sin(2.0 * std::numbers::pi * k / kSineTableSize));
  }
  return table;
}

}  // namespace

const std::array<float, kSineTableSize>& sineTable() {
  static const std::array<float, kSineTableSize> table = buildSineTable();
  return table;
}

std::int32_t sineIndex(float x) {
  const float product = x * kSineFactor;
  // A plain cast of a product out of range would be undefined.
  if (!(product > -2147483648.0f && product < 2147483648.0f)) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(product);
}

float sineLookup(float x) { return sineTable()[static_cast<std::size_t>(sineIndex(x) & kSineTableMask)]; }

float cosineLookup(float x) {
  // 128 - n in unsigned arithmetic: wraps like two's complement without signed overflow.
  const std::uint32_t index = (128u - static_cast<std::uint32_t>(sineIndex(x))) & kSineTableMask;
  return sineTable()[index];
}

}  // namespace glimmer
