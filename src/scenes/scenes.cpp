// Placeholder until the scenes land: every window draws nothing.
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene_greets.h"

namespace glimmer {

void Scene1::render(std::int32_t, std::uint32_t*) {}
void Scene2::render(std::int32_t, std::uint32_t*) {}
void Scene3::render(std::int32_t, std::uint8_t) {}
void SceneGreets::render(std::int32_t, std::uint32_t*) {}

}  // namespace glimmer
