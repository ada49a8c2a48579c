// Placeholder until the scene lands: its window draws nothing.
#include "scenes/scene2.h"

namespace glimmer {

void Scene2::render(std::int32_t, std::uint32_t*) {}

}  // namespace glimmer
