// ShowScenes: the show's four scenes and the camera Scene2 is seen through, made as the show
// starts from the assets they draw with. The one list of the scenes: adding a scene means a member
// here, its construction and its case in render, and its window in scenes/show_schedule.h.
#pragma once

#include <cstdint>
#include <memory>

#include "scenes/show_schedule.h"

namespace glimmer {

class Camera;
class GLESHelper;
class ImageStore;
class MeshManager;
class MusicStream;
class Scene1;
class Scene2;
class Scene3;
class SceneGreets;

class ShowScenes {
 public:
  // Seeds the show's generator with 666 and makes the shared camera (start depth -3) and the
  // scenes in the show's order, which draws their random layouts; puts light 0 where a new context
  // has it (Scene3 moves it), so scenes made again for a show that starts over (a seek, a loop) draw
  // as on the show's first start. The meshes and images must be loaded and the render target's
  // context current; the assets must outlive the scenes.
  ShowScenes(MeshManager& meshes, ImageStore& images, MusicStream& music);
  ShowScenes(const ShowScenes&) = delete;
  ShowScenes& operator=(const ShowScenes&) = delete;
  // The scenes go in the reverse order of their making, then the camera.
  ~ShowScenes();

  // Draws scene at scene time t: the GL scenes into target, leaving their picture in its pixels
  // (Scene2 under the shared camera's view; variant is Scene3's appearance), Greets into frame.
  void render(ShowScene scene, std::int32_t t, std::uint8_t variant, GLESHelper& target, std::uint32_t* frame);

  std::unique_ptr<Camera> camera;  // the view Scene2 is drawn in
  std::unique_ptr<Scene1> scene1;
  std::unique_ptr<Scene2> scene2;
  std::unique_ptr<Scene3> scene3;
  std::unique_ptr<SceneGreets> sceneGreets;
};

}  // namespace glimmer
