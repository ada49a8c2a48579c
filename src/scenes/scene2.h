// Scene2: sixty lit shapes falling through a column in front of the viewer, a cluster of ten
// nested cubes that rises, spins, bobs and pulses with one bin of the music's spectrum (drawn a
// second time, larger and additively, as a glow), and a background image scrolling downward at half
// resolution behind everything. The view is the shared camera's, loaded by the caller.
//
// The background fills every second pixel of every second row, so it shows whole only when it is
// at most 80 pixels wide and 50 high; columns and rows beyond that are clipped, never written.
#pragma once

#include <cstdint>
#include <vector>

#include "base/frame_clock.h"
#include "base/latch.h"
#include "base/origin.h"

namespace glimmer {

class GLESHelper;
class ImageStore;
class MeshManager;
class Model;
class MusicStream;
struct Image;

// One falling shape; a plain record copied by value.
struct FallingShape {
  float x = 0.0f;
  float y = 0.0f;  // decreases as the shape falls
  float z = 0.0f;
  float r = 0.0f;  // r, g, b, a: the diffuse colour
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;
  Model* model = nullptr;  // owned by the MeshManager; null when its mesh was never loaded
};

class Scene2 {
 public:
  // Looks up the meshes and the background "bg.png", keeps the music for its spectrum, and places
  // the 60 shapes, which continues the show's generator (240 rand() and 60 srand() calls) and
  // leaves it reseeded. No GL calls.
  Scene2(MeshManager& meshes, ImageStore& images, MusicStream& music);
  Scene2(const Scene2&) = delete;
  Scene2& operator=(const Scene2&) = delete;
  virtual ~Scene2() = default;

  // Draws the scene at scene time t (0 <= t < 32000) with GL into target under the view already
  // loaded, reads the picture back into target's pixels and fills the background into the words
  // the drawing left exactly 0.
  void render(std::int32_t t, GLESHelper& target);

  Model* cube = nullptr;             // "cube.obj", the cluster's mesh
  std::vector<FallingShape> shapes;  // 60 shapes: spheres, tori, cones, twenty each
  Image* background = nullptr;       // "bg.png", owned by the ImageStore
  MusicStream* music = nullptr;      // the show's music, source of the spectrum

 private:
  // Deliberate: captured on the frames that first need them; the moments depend on the frames seen.
  FrameClock fallClock;
  Latch riseStart;
  Origin scrollOrigin;  // starts over each time the background has scrolled through once
};

inline constexpr int kScene2ShapeCount = 60;

// Background pass at scroll offset k >= 0, for image rows r = height - 1 down to 0: source row
// s = r - k, or s + height - 1 when negative; the pass stops at the first s still negative. Each
// frame word at (2c, 2r) that is exactly 0 becomes image word (c, s); other words stay.
void fillScrollingBackground(std::uint32_t* frame, const Image& image, std::int32_t k);

}  // namespace glimmer
