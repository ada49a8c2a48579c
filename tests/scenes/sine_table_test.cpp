// SineTable: the table's shape, the index rule with its odd factor and wrapping, and the cluster's
// pulse scales that follow from it.
#include "scenes/sine_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace glimmer {
namespace {

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;

TEST(SineTable, HoldsOneFullPeriod) {
  const auto& table = sineTable();
  EXPECT_EQ(table[0], 0.0f);
  EXPECT_EQ(table[128], 1.0f);
  EXPECT_EQ(table[384], -1.0f);
  EXPECT_NEAR(table[256], 0.0f, 1e-7f);
  for (int k = 0; k < 256; ++k) {
    EXPECT_NEAR(table[k], -table[k + 256], 1e-7f) << k;
    EXPECT_NEAR(table[k], std::sin(2.0 * std::numbers::pi * k / 512.0), 6e-8) << k;
  }
}

TEST(SineTable, IndexTruncatesThroughTheFactorAndWrapsLikeTwosComplement) {
  struct Case {
    float angle;
    int index;  // after masking
  };
  const Case cases[] = {
      {0.0f, 0},
      {kHalfPi, 127},  // 127.9998: the float nearest 512 / 2pi would give 128
      {-kHalfPi, 385},  // -127 & 511
      {1.0f, 81},
      {-0.001f, 0},  // truncation toward zero, not floor
      {-0.02f, 511},  // -1
      {1000.0f, 79},  // 81487
      {-1000.0f, 433},  // -81487
      {1.0e10f, 0},  // beyond int32: the hardware's INT32_MIN
      {-1.0e10f, 0},
      {std::numeric_limits<float>::quiet_NaN(), 0},
      {std::numeric_limits<float>::infinity(), 0},
  };
  for (const Case& item : cases) {
    EXPECT_EQ(sineIndex(item.angle) & SineTableMask, item.index) << item.angle;
    EXPECT_EQ(sineLookup(item.angle), sineTable()[item.index]) << item.angle;
  }
  EXPECT_EQ(sineIndex(1.0e10f), std::numeric_limits<std::int32_t>::min());
  EXPECT_NE(SineFactor, static_cast<float>(512.0 / (2.0 * std::numbers::pi)));
}

TEST(SineTable, CosineReadsAQuarterTurnBack) {
  EXPECT_EQ(cosineLookup(0.0f), 1.0f);
  EXPECT_EQ(cosineLookup(kHalfPi), sineTable()[1]);    // 128 - 127
  EXPECT_EQ(cosineLookup(-kHalfPi), sineTable()[255]);  // 128 + 127
  EXPECT_EQ(cosineLookup(1.0e10f), sineTable()[128]);   // 128 - INT32_MIN wraps
  EXPECT_NEAR(cosineLookup(std::numbers::pi_v<float>), -1.0f, 1e-3f);
}

// The cluster's ten cubes under a silent spectrum: W[i] is the entry of angle i, and the two
// passes scale by 0.3 W + 0.4 and 0.3 W + 0.45.
TEST(SineTable, SilentSpectrumGivesTheClusterItsRestingScales) {
  const int entries[10] = {0, 81, 162, 244, 325, 407, 488, 58, 139, 221};
  const float scales[10] = {0.400f, 0.651f, 0.674f, 0.444f, 0.175f,
                            0.112f, 0.313f, 0.596f, 0.697f, 0.525f};
  for (int i = 0; i < 10; ++i) {
    const float pulse = sineLookup(static_cast<float>(i) + 0.0f);
    EXPECT_EQ(sineIndex(static_cast<float>(i)) & SineTableMask, entries[i]) << i;
    EXPECT_NEAR(0.3f * pulse + 0.4f, scales[i], 0.0015f) << i;
    EXPECT_NEAR(0.3f * pulse + 0.45f, scales[i] + 0.05f, 0.0015f) << i;
  }
}

}  // namespace
}  // namespace glimmer
