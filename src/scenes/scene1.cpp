// Placeholder until the scene lands: its window draws nothing.
#include "scenes/scene1.h"

namespace glimmer {

void Scene1::render(std::int32_t, std::uint32_t*) {}

}  // namespace glimmer
