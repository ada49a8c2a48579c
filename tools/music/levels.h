// The levels the scenes read from the music, measured offline on decoded samples: at 60 frames
// per second, the magnitude of one spectrum bin times the scene's factor, as the falling-shapes
// scene (bin 10 x 40, cluster sizes) and the spiky scene (bin 5 x 20, grey flash and push) use it.
#pragma once

#include <cstddef>
#include <vector>

#include "music/decoder.h"

namespace glimmer::soundtrack {

inline constexpr int kLevelFramesPerSecond = 60;

// One scene's reading of the spectrum over a stretch of show time [startSeconds, endSeconds).
struct LevelWindow {
  const char* name;
  double startSeconds;
  double endSeconds;  // past the end of the music means up to its end
  int bin;
  float factor;
};

inline constexpr LevelWindow kClusterWindow{"Scene2 (bin 10 x 40)", 55.0, 87.0, 10, 40.0f};
inline constexpr LevelWindow kSpikeWindowFirst{"Scene3 first (bin 5 x 20)", 84.0, 116.0, 5, 20.0f};
inline constexpr LevelWindow kSpikeWindowSecond{"Scene3 second (bin 5 x 20)", 136.0, 1.0e9, 5, 20.0f};

// Level of every 60 fps frame of the window: frame f (at time f / 60 s) reads the spectrum of the
// 2048 frames starting at sample f * 735.
std::vector<float> measureLevels(const DecodedAudio& audio, const LevelWindow& window);

struct Distribution {
  std::size_t count = 0;
  float minimum = 0, tenth = 0, median = 0, ninetieth = 0, maximum = 0;
};

// Percentiles of the values (nearest rank); all 0 for none.
Distribution describe(std::vector<float> values);

// Share of the values strictly below the limit; 0 for none.
float fractionBelow(const std::vector<float>& values, float limit);

// The largest level around each beat of the show's 120 bpm grid that lies in [fromSeconds,
// toSeconds), from a quarter beat before it to a quarter beat after; `levels` starts at
// windowStartSeconds. Beats whose span reaches outside the levels are left out.
std::vector<float> beatPeaks(const std::vector<float>& levels, double windowStartSeconds, double fromSeconds,
                             double toSeconds);

// The largest minus the smallest level in each beat, same grid as beatPeaks.
std::vector<float> beatSwings(const std::vector<float>& levels, double windowStartSeconds, double fromSeconds,
                              double toSeconds);

}  // namespace glimmer::soundtrack
