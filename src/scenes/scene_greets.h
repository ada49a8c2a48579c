// SceneGreets: placeholder until the scenes land.
#pragma once

#include <cstdint>

namespace glimmer {

class SceneGreets {
 public:
  SceneGreets() = default;
  SceneGreets(const SceneGreets&) = delete;
  SceneGreets& operator=(const SceneGreets&) = delete;
  virtual ~SceneGreets() = default;

  void render(std::int32_t u, std::uint32_t* frame);
};

}  // namespace glimmer
