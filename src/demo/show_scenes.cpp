// The show's scenes, made in order and drawn by name.
#include "demo/show_scenes.h"

#include <GLES/gl.h>

#include "base/random.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene_greets.h"
#include "view/camera.h"

namespace glimmer {

namespace {

// Light 0 as a new context places it: towards the viewer, (0, 0, 1, 0) in eye coordinates. Scene3
// places it anew every frame and no other scene places it, so a show that starts over after Scene3
// (a seek back, a loop) puts it back here, and matrix mode as it was; on a new context this
// changes nothing.
void placeLightAsNew() {
  static constexpr GLfloat kNewContextPosition[4] = {0.0f, 0.0f, 1.0f, 0.0f};
  GLint mode = GL_MODELVIEW;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glLightfv(GL_LIGHT0, GL_POSITION, kNewContextPosition);
  glPopMatrix();
  glMatrixMode(static_cast<GLenum>(mode));
}

}  // namespace

ShowScenes::ShowScenes(MeshManager& meshes, ImageStore& images, MusicStream& music)
    : camera(std::make_unique<Camera>(-3.0f)) {
  placeLightAsNew();
  srand(666);
  scene1 = std::make_unique<Scene1>(meshes, images);
  scene2 = std::make_unique<Scene2>(meshes, images, music);
  scene3 = std::make_unique<Scene3>(meshes, music);
  sceneGreets = std::make_unique<SceneGreets>(images);
}

ShowScenes::~ShowScenes() = default;

void ShowScenes::render(ShowScene scene, std::int32_t t, std::uint8_t variant, GLESHelper& target,
                        std::uint32_t* frame) {
  switch (scene) {
    case ShowScene::Scene1:
      scene1->render(t, target);
      break;
    case ShowScene::Scene2:
      camera->applyView();
      scene2->render(t, target);
      break;
    case ShowScene::Scene3:
      scene3->render(t, variant, target);
      break;
    case ShowScene::Greets:
      sceneGreets->render(t, frame);
      break;
  }
}

}  // namespace glimmer
