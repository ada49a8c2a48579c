// The soundtrack generator: the same score gives the same samples, an excerpt is the start of the
// whole piece, and the encoder is reproducible.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ogg_encoder.h"
#include "soundtrack.h"
#include "synth.h"

namespace glimmer {
namespace {

TEST(Generator, SameScoreGivesSameSamplesAndExcerptsAreTheStartOfThePiece) {
  std::vector<float> first, second, shorter;
  soundtrack::render(3.0, first);
  soundtrack::render(3.0, second);
  soundtrack::render(2.0, shorter);
  ASSERT_EQ(first.size(), 3u * 44100u * 2u);
  EXPECT_TRUE(first == second);
  ASSERT_EQ(shorter.size(), 2u * 44100u * 2u);
  EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), first.begin()));
}

TEST(Generator, EncoderIsReproducible) {
  std::vector<float> signal;
  soundtrack::render(1.5, signal);
  std::vector<unsigned char> first, second;
  ASSERT_TRUE(soundtrack::encodeOggVorbis(signal.data(), signal.size() / 2, 44100, 0.35f, 1234u, first));
  ASSERT_TRUE(soundtrack::encodeOggVorbis(signal.data(), signal.size() / 2, 44100, 0.35f, 1234u, second));
  EXPECT_TRUE(first == second);
}

TEST(Synth, NoiseStaysInRangeFromAZeroSeed) {
  synth::Noise zeroSeed(0);
  float low = 1.0f, high = -1.0f;
  for (int sample = 0; sample < 100000; ++sample) {
    const float value = zeroSeed.next();
    low = std::min(low, value);
    high = std::max(high, value);
  }
  EXPECT_GE(low, -1.0f);
  EXPECT_LT(high, 1.0f);
  EXPECT_LT(low, -0.99f) << "a zero seed must not leave the generator stuck";
  EXPECT_GT(high, 0.99f);
}

}  // namespace
}  // namespace glimmer
