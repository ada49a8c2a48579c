// The soundtrack generator: the same score gives the same samples, an excerpt is the start of the
// whole piece, the encoder is reproducible, and the filters the low end relies on cut what they
// must.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "music/decoder.h"
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
  float peak = 0.0f;
  for (float sample : first) peak = std::max(peak, std::fabs(sample));
  EXPECT_GT(peak, 0.05f) << "the opening is not silent";
  EXPECT_LT(peak, 1.0f);
}

TEST(Generator, NormaliseScalesToThePeakAndLeavesSilenceAlone) {
  std::vector<float> signal = {0.1f, -0.5f, 0.25f, 0.0f};
  EXPECT_FLOAT_EQ(soundtrack::normalise(signal, 0.8f), 1.6f);
  EXPECT_FLOAT_EQ(signal[1], -0.8f);
  EXPECT_FLOAT_EQ(signal[0], 0.16f);
  std::vector<float> silence(8, 0.0f);
  EXPECT_FLOAT_EQ(soundtrack::normalise(silence, 0.8f), 1.0f);
  EXPECT_EQ(silence, std::vector<float>(8, 0.0f));
}

TEST(Generator, EncoderIsReproducibleAndItsOutputDecodes) {
  std::vector<float> signal;
  soundtrack::render(1.5, signal);
  std::vector<unsigned char> first, second;
  ASSERT_TRUE(soundtrack::encodeOggVorbis(signal.data(), signal.size() / 2, 44100, 0.35f, 1234u, first));
  ASSERT_TRUE(soundtrack::encodeOggVorbis(signal.data(), signal.size() / 2, 44100, 0.35f, 1234u, second));
  EXPECT_TRUE(first == second);

  const std::string path = ::testing::TempDir() + "soundtrack_excerpt.ogg";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(first.data(), 1, first.size(), file), first.size());
  std::fclose(file);
  DecodedAudio decoded;
  ASSERT_TRUE(decodeOggFile(path.c_str(), decoded));
  std::remove(path.c_str());
  EXPECT_EQ(decoded.sampleRate, 44100);
  EXPECT_EQ(decoded.frameCount, signal.size() / 2);
  // Lossy, but the same music: correlation with the source stays high.
  double product = 0, sourceEnergy = 0, decodedEnergy = 0;
  for (std::size_t index = 0; index < std::min(signal.size(), decoded.samples.size()); ++index) {
    product += static_cast<double>(signal[index]) * decoded.samples[index];
    sourceEnergy += static_cast<double>(signal[index]) * signal[index];
    decodedEnergy += static_cast<double>(decoded.samples[index]) * decoded.samples[index];
  }
  EXPECT_GT(product / std::sqrt(sourceEnergy * decodedEnergy), 0.9);
}

TEST(Generator, EncoderRejectsImpossibleSettings) {
  const float samples[4] = {};
  std::vector<unsigned char> encoded = {1, 2, 3};
  EXPECT_FALSE(soundtrack::encodeOggVorbis(samples, 2, 2000000, 0.35f, 1u, encoded));
  EXPECT_TRUE(encoded.empty());
}

// Gain of a filter for a sine, measured on the second half of two seconds of it.
template <typename Filter>
double gainAt(double hz, Filter&& filter) {
  synth::Sine sine;
  double inputEnergy = 0, outputEnergy = 0;
  for (int frame = 0; frame < 2 * synth::kSampleRate; ++frame) {
    const float input = sine.next(hz);
    const float output = filter(input);
    if (frame >= synth::kSampleRate) {
      inputEnergy += input * input;
      outputEnergy += output * output;
    }
  }
  return 10.0 * std::log10(outputEnergy / inputEnergy);
}

TEST(Synth, FiltersPassAndCutWhereTheyShould) {
  struct Case {
    const char* filter;
    double hz;
    double minimumDb;
    double maximumDb;
  };
  // The bed's 170 Hz high-pass keeps 108 Hz (the spiky scene's bin) well down and leaves the mids.
  const Case cases[] = {
      {"high-pass 170", 108.0, -100.0, -14.0}, {"high-pass 170", 1000.0, -0.5, 0.5},
      {"high-pass 170", 55.0, -100.0, -35.0},  {"low-pass 1000", 100.0, -0.5, 0.5},
      {"low-pass 1000", 8000.0, -100.0, -30.0}, {"band-pass 1000", 1000.0, -3.5, 0.5},
  };
  for (const Case& test : cases) {
    double gain = 0.0;
    const std::string name = test.filter;
    if (name == "high-pass 170") {
      synth::HighPass4 filter(170.0);
      gain = gainAt(test.hz, [&](float x) { return filter.process(x); });
    } else {
      synth::StateVariableFilter filter;
      filter.setup(1000.0, 0.707);
      const bool low = name == "low-pass 1000";
      gain = gainAt(test.hz, [&](float x) {
        const auto out = filter.process(x);
        return low ? out.low : out.band * 1.414f;
      });
    }
    EXPECT_GE(gain, test.minimumDb) << test.filter << " at " << test.hz << " Hz";
    EXPECT_LE(gain, test.maximumDb) << test.filter << " at " << test.hz << " Hz";
  }
}

TEST(Synth, EnvelopeAndNoiseStayInRange) {
  EXPECT_EQ(synth::adsr(-0.1, 1.0, 0.1, 0.2, 0.5, 0.3), 0.0f);
  EXPECT_NEAR(synth::adsr(0.05, 1.0, 0.1, 0.2, 0.5, 0.3), 0.5f, 1e-6);
  EXPECT_NEAR(synth::adsr(0.1, 1.0, 0.1, 0.2, 0.5, 0.3), 1.0f, 1e-6);
  // No jump at the end of the gate, and the release dies away.
  EXPECT_NEAR(synth::adsr(0.9999, 1.0, 0.1, 0.2, 0.5, 0.3), synth::adsr(1.0001, 1.0, 0.1, 0.2, 0.5, 0.3), 1e-3);
  EXPECT_LT(synth::adsr(4.0, 1.0, 0.1, 0.2, 0.5, 0.3), 1e-4f);

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
