// Scene1: the opening scene. A cloud of 500 cubes seen through the scene's own camera, which
// slides, jumps up and tilts at 20000 ms and flies forward after 30000 ms, while three title cards
// fade in and out over the picture; the first 5000 ms fade in from black.
//
// The titles are drawn at (5, 10), (5, 5) and (5, 15) and show whole only while they fit the
// frame there: width at most 155 for all three, height at most 90, 95 and 85. Anything beyond the
// frame's edges is clipped, never written.
#pragma once

#include <cstdint>
#include <memory>

#include "base/frame_clock.h"
#include "base/latch.h"

namespace glimmer {

class Camera;
class GLESHelper;
class ImageStore;
class MeshManager;
class Model;
struct Image;

// One title's state for a call: whether its window is open, and the blend weight of its pixels.
struct TitleState {
  bool shown = false;
  std::int32_t alpha = 0;
};

class Scene1 {
 public:
  // Looks up "cube.obj" and the three titles (null when absent; start-up loads them first) and
  // draws the 500 cube positions: 1500 rand() calls continuing the show's generator. No GL calls.
  Scene1(MeshManager& meshes, ImageStore& images);
  Scene1(const Scene1&) = delete;
  Scene1& operator=(const Scene1&) = delete;
  virtual ~Scene1();

  // Draws the scene at demo time t (0 <= t <= 55000) with GL into target, reads the picture back
  // into target's pixels and does the title and fade pixel work there.
  void render(std::int32_t t, GLESHelper& target);

  // Advances the title moments for a call at t and returns the three titles' states. render calls
  // it once per call; each moment is captured once and never reset.
  void updateTitleStates(std::int32_t t, TitleState (&titles)[3]);

  std::unique_ptr<Camera> camera;      // the scene's viewer, start depth -5
  Model* cube = nullptr;               // "cube.obj", owned by the MeshManager
  Image* title1 = nullptr;             // "start1.png", owned by the ImageStore
  Image* title2 = nullptr;             // "start2.png"
  Image* title3 = nullptr;             // "start3.png"
  std::unique_ptr<float[]> positions;  // 500 triples in the order drawn; the centre is (a, c, b)

 private:
  // Deliberate: captured on the frames that first need them and never reset; the moments depend
  // on the frames seen.
  FrameClock frameClock;
  bool jumpDone = false;
  FrameClock forwardClock;
  Latch title1FadeOut;
  Latch title2Start;
  Latch title2FadeOut;
  Latch title3Start;
  Latch title3FadeOut;
};

inline constexpr int kScene1CubeCount = 500;

// Blends the black (exactly 0x00000000) and white (exactly 0x00FFFFFF) words of image onto frame
// with its top-left at (x0, y0): frame word = blendPixel(image word, frame word, alpha). Every
// other image word, and every pixel that would land outside the 160x100 frame, is skipped.
void overlayTitle(std::uint32_t* frame, const Image& image, std::int32_t x0, std::int32_t y0, std::int32_t alpha);

}  // namespace glimmer
