// Scene2: placeholder until the scenes land.
#pragma once

#include <cstdint>

namespace glimmer {

class Scene2 {
 public:
  Scene2() = default;
  Scene2(const Scene2&) = delete;
  Scene2& operator=(const Scene2&) = delete;
  virtual ~Scene2() = default;

  void render(std::int32_t t, std::uint32_t* frame);
};

}  // namespace glimmer
