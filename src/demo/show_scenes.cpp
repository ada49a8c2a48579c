// The show's scenes, made in order and drawn by name.
#include "demo/show_scenes.h"

#include "base/random.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene_greets.h"
#include "view/camera.h"

namespace glimmer {

ShowScenes::ShowScenes(MeshManager& meshes, ImageStore& images, MusicStream& music)
    : camera(std::make_unique<Camera>(-3.0f)) {
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
