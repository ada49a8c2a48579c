// SineTable: the index rule with its odd factor and wrapping, and the cluster scales that follow.
#include "scenes/sine_table.h"

#include <gtest/gtest.h>

#include <numbers>

namespace glimmer {
namespace {

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;

TEST(SineTable, IndexTruncatesThroughTheFactorAndWrapsLikeTwosComplement) {
  EXPECT_EQ(sineTable()[0], 0.0f);
  EXPECT_EQ(sineTable()[128], 1.0f);
  EXPECT_EQ(sineTable()[384], -1.0f);
  EXPECT_FLOAT_EQ(sineTable()[1], 0.0122715383f);
  EXPECT_FLOAT_EQ(sineTable()[511], -0.0122715383f);
  struct Case {
    float angle;
    int sineEntry;
    int cosineEntry;
  };
  const Case cases[] = {
      {0.0f, 0, 128},
      {kHalfPi, 127, 1},  // 127.9998: the float nearest 512 / 2pi would give 128
      {-kHalfPi, 385, 255},
      {-0.001f, 0, 128},     // toward zero, not floor
      {-1000.0f, 433, 207},  // -81487
      {1.0e10f, 0, 128},     // beyond int32: INT32_MIN, as the hardware conversion gives
      // The table's ends: the last entry, the first one again a whole turn on, and -1 wrapping to
      // the last; their cosines lie one entry past a quarter turn.
      {511.5f / kSineFactor, 511, 129},
      {512.5f / kSineFactor, 0, 128},
      {-1.5f / kSineFactor, 511, 129},
      {127.5f / kSineFactor, 127, 1},
      {128.5f / kSineFactor, 128, 0},
  };
  for (const Case& item : cases) {
    EXPECT_EQ(sineLookup(item.angle), sineTable()[item.sineEntry]) << item.angle;
    EXPECT_EQ(cosineLookup(item.angle), sineTable()[item.cosineEntry]) << item.angle;
  }
}

// The cluster's ten cubes under a silent spectrum: W[i] is the entry of angle i, and the two
// passes scale by 0.3 W + 0.4 and 0.3 W + 0.45.
TEST(SineTable, SilentSpectrumGivesTheClusterItsRestingScales) {
  const int entries[10] = {0, 81, 162, 244, 325, 407, 488, 58, 139, 221};
  const float scales[10] = {0.400f, 0.651f, 0.674f, 0.444f, 0.175f, 0.112f, 0.313f, 0.596f, 0.697f, 0.525f};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(sineIndex(static_cast<float>(i)) & kSineTableMask, entries[i]) << i;
    EXPECT_NEAR(0.3f * sineLookup(static_cast<float>(i)) + 0.4f, scales[i], 0.0015f) << i;
  }
}

}  // namespace
}  // namespace glimmer
