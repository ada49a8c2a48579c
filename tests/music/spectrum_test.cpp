// The spectrum the scenes read: peak placement and scale, stereo mixing, the window and silence.
#include "music/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
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
}

TEST(Spectrum, MixesLeftAndRightByTheirMean) {
  EXPECT_NEAR(spectrumOf(sinePair(5.0, 0.6f, 0.0f, 2048))[5], 0.15f, 1e-4f) << "left only";
}

// The window weighs the middle of its frames, not the edges: a steady level over the middle eighth
// counts many times what the same level over the first and last sixteenths does.
TEST(Spectrum, TheWindowWeighsTheMiddleOfItsFrames) {
  std::vector<float> middle(2 * kSpectrumWindow, 0.0f);
  std::vector<float> edges(2 * kSpectrumWindow, 0.0f);
  for (std::size_t n = 0; n < 256; ++n) {
    middle[2 * (896 + n)] = middle[2 * (896 + n) + 1] = 0.5f;
    const std::size_t edge = n < 128 ? n : kSpectrumWindow - 256 + n;
    edges[2 * edge] = edges[2 * edge + 1] = 0.5f;
  }
  EXPECT_GT(spectrumOf(middle)[0], 10.0f * spectrumOf(edges)[0]);
}

TEST(Spectrum, SilenceAndPositionsPastTheEndGiveZeros) {
  const std::vector<float> silence(2 * 4096, 0.0f);
  const auto music = sinePair(5.0, 1.0f, 1.0f, 4096);
  const std::vector<std::vector<float>> results = {spectrumOf(silence), spectrumOf(music, 4096),
                                                   spectrumOf(music, 1000000)};
  for (const auto& magnitudes : results) {
    for (float value : magnitudes) ASSERT_EQ(value, 0.0f);
  }
  std::vector<float> magnitudes(kSpectrumBins, -1.0f);
  computeSpectrum(nullptr, 0, 0, magnitudes.data());
  for (float value : magnitudes) ASSERT_EQ(value, 0.0f);
}

}  // namespace
}  // namespace glimmer
