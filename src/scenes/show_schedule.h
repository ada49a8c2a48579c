// The show's schedule: the scenes, the demo milliseconds in which each draws, the cross-fades and
// the closing fade, the greetings slide, and what the music-driven scenes read from the spectrum.
// One definition for the scenes, the timeline that places them, and the tools and tests that
// measure the soundtrack as the scenes will see it.
#pragma once

#include <cstdint>

namespace glimmer {

// The show's scenes. Scene3 appears twice; its variant says which appearance.
enum class ShowScene : std::uint8_t { Scene1, Scene2, Scene3, Greets };

inline constexpr std::int32_t kShowNeverEnds = INT32_MAX;

// Where something happens, in demo milliseconds: [startMs, endMs).
struct ShowWindow {
  std::int32_t startMs;
  std::int32_t endMs;

  constexpr bool contains(std::int32_t t) const { return t >= startMs && t < endMs; }
};

// Each scene's window, in the order the timeline tests them within a pass.
inline constexpr ShowWindow kScene1Window{0, 55000};
inline constexpr ShowWindow kScene2Window{55000, 87000};
inline constexpr ShowWindow kScene3FirstWindow{84000, 116000};
inline constexpr ShowWindow kGreetsWindow{114000, 139000};
inline constexpr ShowWindow kScene3SecondWindow{136000, kShowNeverEnds};

// A fade's weight on a pass at t is 255 + S - F(t), where S is F at the fade's first pass and
// F(t) = trunc(t * factor): 255 on the first pass, falling as time goes on.
struct ShowFade {
  ShowWindow window;
  float factor;
};

// Scene1's frame at the start of Scene2's window into Scene2.
inline constexpr ShowFade kFade1{{kScene2Window.startMs, 60000}, 0.1f};
// Scene2 into Scene3's first appearance.
inline constexpr ShowFade kFade2{{kScene3FirstWindow.startMs, kScene2Window.endMs}, 0.15f};
// The greetings into Scene3's second appearance.
inline constexpr ShowFade kFade3{{kScene3SecondWindow.startMs, kGreetsWindow.endMs}, 0.15f};
// The picture to black, until the music ends.
inline constexpr ShowFade kClosingFade{{148000, kShowNeverEnds}, 0.05f};

// The greetings slide in from the left over Scene3's first appearance.
inline constexpr ShowWindow kGreetsSlide{kGreetsWindow.startMs, 116000};

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

}  // namespace glimmer
