// Scene3: the spectrum-driven scene. A lit spiky mesh spins in front of the scene's own camera
// inside a turning wireframe lattice of 363 lines drawn additively; the clear grey and the mesh's
// distance follow bin 5 of the music's spectrum.
//
// Variant 0: "spike.obj" in orange, a blue lattice, three camera cuts (near, far, near).
// Variant 1: "spike2.obj" in blue, an orange lattice, and from 10000 ms the camera pulls back.
// Both variants share the one camera, so variant 1 starts where variant 0's cuts left it.
//
// Draws through GL only. Construction and destruction need the render target's context current.
#pragma once

#include <cstdint>
#include <memory>

#include "base/frame_clock.h"

namespace glimmer {

class Camera;
class GLESHelper;
class MeshManager;
class Model;
class MusicStream;

// One lattice vertex as uploaded: the position in the first 12 bytes, stride 32.
struct LatticeVertex {
  float position[3];
  std::uint8_t unused[20];  // read by nothing; zero
};
static_assert(sizeof(LatticeVertex) == 32);

inline constexpr int kLatticeVertexCount = 726;  // 363 segments as GL_LINES pairs
inline constexpr int kLatticeBytes = kLatticeVertexCount * static_cast<int>(sizeof(LatticeVertex));
static_assert(kLatticeBytes == 23232);

class Scene3 {
 public:
  // Makes the camera (start depth -3), looks up "spike.obj" and "spike2.obj", keeps the music for
  // its spectrum, uploads the identity index buffer and builds the lattice. Makes no rand or srand
  // call.
  Scene3(MeshManager& meshes, MusicStream& music);
  Scene3(const Scene3&) = delete;
  Scene3& operator=(const Scene3&) = delete;
  // Frees latticeData, deletes the index then the vertex buffer, then the camera.
  virtual ~Scene3();

  // Draws the frame at scene time t (ms, non-negative) with GL and reads the picture back into
  // target's pixels; variant 0 is the first appearance, any other value the second. Leaves the
  // clear colour for the next frame's clear. Allocates nothing.
  void render(std::int32_t t, std::uint8_t variant, GLESHelper& target);

  // Writes the 726 lattice vertices into latticeData and uploads them into latticeVertices: the
  // first call creates the buffer's storage, later calls rewrite it in place. Both buffers stay bound.
  void buildLattice();

  std::unique_ptr<Camera> camera;
  Model* spike = nullptr;                             // "spike.obj", owned by the MeshManager
  Model* spike2 = nullptr;                            // "spike2.obj", owned by the MeshManager
  MusicStream* music = nullptr;                       // the spectrum source, owned by the Demo
  std::uint32_t latticeVertices = 0;                  // GL buffer name
  std::uint32_t latticeIndices = 0;                   // GL buffer name
  std::unique_ptr<LatticeVertex[]> latticeData;       // 726 vertices, as uploaded
  std::unique_ptr<std::uint16_t[]> latticeIndexData;  // 0..725; null once uploaded

 private:
  bool latticeStorageMade = false;  // latticeVertices has its 23232 bytes of storage
  // Deliberate: each cut is made once, on the first frame past its moment, and never undone.
  bool nearCutDone = false;
  bool farCutDone = false;
  bool secondNearCutDone = false;
  FrameClock pullBackClock;  // runs once the pull-back has started
};

}  // namespace glimmer
