// What the music-driven scenes read from the spectrum, and when they are on screen: one definition
// for the scenes, the timeline that places them, and the tools and tests that measure the
// soundtrack as the scenes will see it.
#pragma once

#include <cstdint>

namespace glimmer {

// One scene's reading of the 1024 magnitudes: level = spectrum[bin] * gain, in single precision.
struct SpectrumReading {
  int bin;
  float gain;

  float levelOf(const float* spectrum) const { return spectrum[bin] * gain; }
};

// Scene2's cluster: the cube sizes turn through the sine table by this level, in radians.
inline constexpr SpectrumReading kClusterReading{10, 40.0f};
// Scene3's spike: the clear grey, and how far the mesh is pushed back beyond depth -8.
inline constexpr SpectrumReading kSpikeReading{5, 20.0f};

// Where a scene draws, in demo milliseconds: [startMs, endMs).
struct ShowWindow {
  std::int32_t startMs;
  std::int32_t endMs;
};

inline constexpr std::int32_t kShowNeverEnds = INT32_MAX;

inline constexpr ShowWindow kScene2Window{55000, 87000};
inline constexpr ShowWindow kScene3FirstWindow{84000, 116000};
inline constexpr ShowWindow kScene3SecondWindow{136000, kShowNeverEnds};

}  // namespace glimmer
