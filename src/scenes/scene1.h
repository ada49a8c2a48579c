// Scene1: placeholder until the scenes land.
#pragma once

#include <cstdint>

namespace glimmer {

class Scene1 {
 public:
  Scene1() = default;
  Scene1(const Scene1&) = delete;
  Scene1& operator=(const Scene1&) = delete;
  virtual ~Scene1() = default;

  void render(std::int32_t t, std::uint32_t* frame);
};

}  // namespace glimmer
