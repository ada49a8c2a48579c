// Scene3: placeholder until the scenes land.
#pragma once

#include <cstdint>

namespace glimmer {

class Scene3 {
 public:
  Scene3() = default;
  Scene3(const Scene3&) = delete;
  Scene3& operator=(const Scene3&) = delete;
  virtual ~Scene3() = default;

  void render(std::int32_t t, std::uint8_t variant);
};

}  // namespace glimmer
