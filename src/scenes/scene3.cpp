// Placeholder until the scene lands: its window draws nothing.
#include "scenes/scene3.h"

namespace glimmer {

void Scene3::render(std::int32_t, std::uint8_t) {}

}  // namespace glimmer
