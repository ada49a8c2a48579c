// The levels the scenes read from the music, measured offline on decoded samples: at 60 frames
// per second, each scene's own reading of the spectrum (scenes/show_schedule.h) over the
// window in which the show draws it.
#pragma once

#include <cstddef>
#include <vector>

#include "music/decoder.h"
#include "scenes/show_schedule.h"

namespace glimmer::soundtrack {

inline constexpr int kLevelFramesPerSecond = 60;

// One scene's reading of the spectrum over a stretch of show time [startSeconds, endSeconds).
struct LevelWindow {
  const char* name;
  double startSeconds;
  double endSeconds;  // past the end of the music means up to its end
  SpectrumReading reading;
  // The beats that are judged: those of [beatsFrom, beatsTo), where the kick plays four to the
  // floor under the scene.
  double beatsFrom = 0.0;
  double beatsTo = 0.0;
};

// A scene's window of the show in seconds, with its reading and the beats judged in it.
constexpr LevelWindow levelWindow(const char* name, ShowWindow window, SpectrumReading reading, double beatsFrom,
                                  double beatsTo) {
  return {name, window.startMs / 1000.0, window.endMs / 1000.0, reading, beatsFrom, beatsTo};
}

inline constexpr LevelWindow kClusterWindow = levelWindow("Scene2", kScene2Window, kClusterReading, 60.0, 83.0);
inline constexpr LevelWindow kSpikeWindowFirst =
    levelWindow("Scene3 first", kScene3FirstWindow, kSpikeReading, 84.0, 114.0);
inline constexpr LevelWindow kSpikeWindowSecond =
    levelWindow("Scene3 second", kScene3SecondWindow, kSpikeReading, 136.0, 148.0);

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

// The spiky scene's flash on one beat. A beat pumps when its peak lies in [kPumpPeakLow,
// kPumpPeakHigh] and the level stays at kPumpLevel or above for at least kPumpFrames frames in a
// row (67 ms at 60 fps): long enough to be seen on a terminal that skips frames, bright but not
// blinding.
struct BeatPump {
  double seconds;  // the beat's time in the show
  float peak;      // largest level the beat owns
  int run;         // longest run of consecutive frames the beat owns at kPumpLevel or above
};

inline constexpr float kPumpLevel = 0.5f;
inline constexpr int kPumpFrames = 4;
inline constexpr float kPumpPeakLow = 0.7f;
inline constexpr float kPumpPeakHigh = 1.5f;

bool pumps(const BeatPump& beat);

// Every beat of the 120 bpm grid in [fromSeconds, toSeconds) with the frames it owns: from a
// quarter beat before it up to the next beat's share, so each frame belongs to one beat and a
// flash that lasts is measured whole. `levels` starts at windowStartSeconds; a beat's frames are
// clipped to the levels, and beats that own none are left out.
std::vector<BeatPump> beatPumps(const std::vector<float>& levels, double windowStartSeconds, double fromSeconds,
                                double toSeconds);

// Share of the beats that pump; 0 for none.
float pumpShare(const std::vector<BeatPump>& beats);

}  // namespace glimmer::soundtrack
