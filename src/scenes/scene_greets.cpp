// Placeholder until the scene lands: its window draws nothing.
#include "scenes/scene_greets.h"

namespace glimmer {

void SceneGreets::render(std::int32_t, std::uint32_t*) {}

}  // namespace glimmer
