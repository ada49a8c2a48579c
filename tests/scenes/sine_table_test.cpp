// SineTable: the index rule with its odd factor and wrapping.
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

}  // namespace
}  // namespace glimmer
