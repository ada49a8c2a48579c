// Spectrum of decoded music: 1024 magnitudes from a 2048-sample real FFT, the layout the scenes
// read (bin k at k * sampleRate / 2048 Hz, bin 0 the DC term).
//
// This is a pure computation on samples already in memory; it knows nothing about playback.
// Decoding a file into those samples is decoder.h.
#pragma once

#include <cstddef>

namespace glimmer {

inline constexpr std::size_t kSpectrumWindow = 2048;  // samples per transform
inline constexpr std::size_t kSpectrumBins = 1024;    // magnitudes written

// Scale of a magnitude: 2 * |X[k]| / N. With the Hann window a full-scale sine centred on a bin
// reads 0.5 there (the window's mean gain is one half).
inline constexpr float kSpectrumScale = 2.0f / static_cast<float>(kSpectrumWindow);

// Writes kSpectrumBins magnitudes of the 2048 frames that begin at startFrame: the mean of left
// and right, Hann window, real FFT, scaled by kSpectrumScale. interleavedStereo holds frameCount
// frames of two floats (left, right); frames at or past frameCount count as silence, so a start
// near or past the end pads with zeros. Allocates nothing after the first call on a thread.
void computeSpectrum(const float* interleavedStereo, std::size_t frameCount, std::size_t startFrame,
                     float* magnitudes1024);

}  // namespace glimmer
