// SceneGreets: the greetings screen, drawn without GL straight into a FrameBuffer.
//
// A violet backdrop; a window (80x74 at (40, 6)) in which "greets.png" turns, breathes and drifts,
// tiled endlessly, with a one-pixel black drop shadow; and two text columns, "greets_txt.png"
// rising at column 125 and "greets_txt2.png" falling at column 4, of which only the words exactly
// 0x00000000 and 0x00FFFFFF are drawn.
//
// Image limits: every image needs at least one pixel. "greets.png" may have any size; it tiles
// seamlessly only with power-of-two sides. The rising text fits in 35 columns (125..159), the
// falling text in 156 (4..159); wider texts are clipped at the frame's right edge. A falling text
// wider than 36 columns covers the window where it overlaps it.
#pragma once

#include <cstdint>

#include "base/origin.h"

namespace glimmer {

class ImageStore;
struct Image;

inline constexpr std::uint32_t kGreetsBackdrop = 0x009400D3u;  // red 0xD3, green 0, blue 0x94
inline constexpr int kGreetsWindowX = 40;
inline constexpr int kGreetsWindowY = 6;
inline constexpr int kGreetsWindowWidth = 80;
inline constexpr int kGreetsWindowHeight = 74;
inline constexpr int kRisingTextX = 125;
inline constexpr int kFallingTextX = 4;

// Fills the 80x74 window of frame with image turned by angle (radians) and scaled by zoom, its
// centre drifting 0.1 image pixel per millisecond of u along both image axes. Window pixel (i, j)
// samples the image at start + i * column step + j * row step, both steps built from the sine
// table, the row step 1.6 times longer and held in 32-bit floats, the running coordinates in
// doubles; coordinates are truncated and masked with width - 1 and height - 1.
void rotozoom(const Image& image, float angle, float zoom, std::uint32_t* frame, std::int32_t u);

class SceneGreets {
 public:
  // Looks up "greets.png", "greets_txt.png" and "greets_txt2.png".
  explicit SceneGreets(ImageStore& images);
  SceneGreets(const SceneGreets&) = delete;
  SceneGreets& operator=(const SceneGreets&) = delete;
  virtual ~SceneGreets() = default;

  // Writes every pixel of frame (16000 words) for scene time u (ms). The first call captures both
  // text origins; each is captured again once its text has scrolled through. Allocates nothing.
  void render(std::int32_t u, std::uint32_t* frame);

  const Image* picture = nullptr;      // "greets.png", owned by the image store
  const Image* risingText = nullptr;   // "greets_txt.png", owned by the image store
  const Image* fallingText = nullptr;  // "greets_txt2.png", owned by the image store

 private:
  // Scroll origins in units of 10 ms: captured on the first call, started over after each pass
  // through.
  Origin risingStart;
  Origin fallingStart;
};

}  // namespace glimmer
