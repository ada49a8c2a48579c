// SineTable: 512 single-precision sines shared by the scenes, and its lookups.
//
// Entry k is sin(2 * pi * k / 512) rounded to float. An angle x in radians maps to the index
// n = trunc(x * kSineFactor) as a signed 32-bit integer, masked with 511, so negative and large
// angles wrap by two's complement. The cosine of the same angle is entry (128 - n) & 511.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace glimmer {

inline constexpr int kSineTableSize = 512;
inline constexpr int kSineTableMask = kSineTableSize - 1;

// Deliberate: the show's factor is this float (81.487236), not the float nearest 512 / (2 * pi)
// (81.48733); which entry an angle lands on depends on it.
inline constexpr float kSineFactor = std::bit_cast<float>(std::uint32_t{0x42A2F977u});

// The table, built on first use (any thread-safe first call before the show is fine).
const std::array<float, kSineTableSize>& sineTable();

// n = trunc(x * kSineFactor) in single precision, as int32, before masking. A product outside the
// int32 range (or not a number) gives INT32_MIN, whose masked index is 0.
std::int32_t sineIndex(float x);

// Entry sineIndex(x) & 511: sin(x) to table resolution.
float sineLookup(float x);

// Entry (128 - sineIndex(x)) & 511: cos(x) to table resolution.
float cosineLookup(float x);

}  // namespace glimmer
