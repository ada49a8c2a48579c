// The spectrum the scenes read: peak placement and scale, stereo mixing, padding, and the fast
// transform against a plain DFT.
#include "music/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace glimmer {
namespace {

constexpr double kRate = 44100.0;

// Frames of a stereo signal with the given left and right sines at the frequency of `bin`.
std::vector<float> sinePair(double bin, float leftAmplitude, float rightAmplitude, std::size_t frames) {
  std::vector<float> samples(frames * 2);
  const double hertz = bin * kRate / kSpectrumWindow;
  for (std::size_t n = 0; n < frames; ++n) {
    const double value = std::sin(2.0 * std::numbers::pi * hertz * n / kRate);
    samples[2 * n] = static_cast<float>(leftAmplitude * value);
    samples[2 * n + 1] = static_cast<float>(rightAmplitude * value);
  }
  return samples;
}

std::vector<float> spectrumOf(const std::vector<float>& samples, std::size_t startFrame = 0) {
  std::vector<float> magnitudes(kSpectrumBins, -1.0f);
  computeSpectrum(samples.data(), samples.size() / 2, startFrame, magnitudes.data());
  return magnitudes;
}

TEST(Spectrum, SineCentredOnBinFivePeaksThereAtHalfItsAmplitude) {
  const auto magnitudes = spectrumOf(sinePair(5.0, 0.8f, 0.8f, 4096));
  EXPECT_NEAR(magnitudes[5], 0.4f, 1e-4f);
  // Hann leaks a quarter of the amplitude into each neighbour and nothing further out.
  EXPECT_NEAR(magnitudes[4], 0.2f, 1e-4f);
  EXPECT_NEAR(magnitudes[6], 0.2f, 1e-4f);
  for (std::size_t k = 0; k < kSpectrumBins; ++k) {
    if (k < 4 || k > 6) {
      EXPECT_LT(magnitudes[k], 1e-4f) << "bin " << k;
    }
  }
}

TEST(Spectrum, FullScaleSineReadsOneHalfAtAnyBin) {
  for (double bin : {1.0, 10.0, 100.0, 1000.0}) {
    const auto magnitudes = spectrumOf(sinePair(bin, 1.0f, 1.0f, 2048));
    EXPECT_NEAR(magnitudes[static_cast<std::size_t>(bin)], 0.5f, 1e-4f) << "bin " << bin;
  }
}

struct MixCase {
  const char* name;
  float left;
  float right;
  float expectedBinFive;
};

TEST(Spectrum, MixesLeftAndRightByTheirMean) {
  const MixCase cases[] = {
      {"same on both sides", 0.6f, 0.6f, 0.3f},
      {"left only", 0.6f, 0.0f, 0.15f},
      {"right only", 0.0f, 0.6f, 0.15f},
      {"opposite phase cancels", 0.6f, -0.6f, 0.0f},
  };
  for (const MixCase& mix : cases) {
    const auto magnitudes = spectrumOf(sinePair(5.0, mix.left, mix.right, 2048));
    EXPECT_NEAR(magnitudes[5], mix.expectedBinFive, 1e-4f) << mix.name;
  }
}

TEST(Spectrum, SilenceAndPositionsPastTheEndGiveZeros) {
  const std::vector<float> silence(2 * 4096, 0.0f);
  const auto music = sinePair(5.0, 1.0f, 1.0f, 4096);
  const std::vector<std::vector<float>> results = {
      spectrumOf(silence), spectrumOf(music, 4096), spectrumOf(music, 1000000)};
  for (const auto& magnitudes : results) {
    for (float value : magnitudes) ASSERT_EQ(value, 0.0f);
  }
  std::vector<float> magnitudes(kSpectrumBins, -1.0f);
  computeSpectrum(nullptr, 0, 0, magnitudes.data());
  for (float value : magnitudes) ASSERT_EQ(value, 0.0f);
}

TEST(Spectrum, StartNearTheEndPadsWithSilence) {
  // 2048 frames of music of which only the first 1024 remain after the start: the same as those
  // 1024 frames followed by 1024 zero frames.
  const auto music = sinePair(7.0, 0.9f, 0.5f, 2048);
  std::vector<float> padded(music.begin() + 2048, music.end());
  padded.resize(4096, 0.0f);
  const auto nearEnd = spectrumOf(music, 1024);
  const auto reference = spectrumOf(padded);
  for (std::size_t k = 0; k < kSpectrumBins; ++k) ASSERT_FLOAT_EQ(nearEnd[k], reference[k]) << "bin " << k;
}

TEST(Spectrum, MatchesAPlainWindowedDft) {
  std::mt19937 generator(7);
  std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
  std::vector<float> samples(2 * 3000);
  for (float& sample : samples) sample = noise(generator);
  const std::size_t start = 500;
  const auto magnitudes = spectrumOf(samples, start);

  const double n = static_cast<double>(kSpectrumWindow);
  std::vector<double> mixed(kSpectrumWindow);
  for (std::size_t i = 0; i < kSpectrumWindow; ++i) {
    const double window = 0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * i / n));
    mixed[i] = window * 0.5 * (samples[2 * (start + i)] + samples[2 * (start + i) + 1]);
  }
  for (std::size_t k = 0; k < kSpectrumBins; k += 37) {
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = 0; i < kSpectrumWindow; ++i) {
      const double angle = -2.0 * std::numbers::pi * static_cast<double>(k * i % kSpectrumWindow) / n;
      re += mixed[i] * std::cos(angle);
      im += mixed[i] * std::sin(angle);
    }
    EXPECT_NEAR(magnitudes[k], 2.0 * std::hypot(re, im) / n, 1e-4) << "bin " << k;
  }
}

}  // namespace
}  // namespace glimmer
