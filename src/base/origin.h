// Origin: where a repeating motion started. Taken on the first step that needs it and moved to a
// later step each time the motion starts over; unlike a Latch it is meant to move.
#pragma once

#include <cstdint>

namespace glimmer {

struct Origin {
  bool set = false;
  std::int32_t value = 0;

  // The origin, taken at now when there is none yet.
  std::int32_t capture(std::int32_t now) {
    if (!set) restart(now);
    return value;
  }

  // The motion starts over at now.
  void restart(std::int32_t now) {
    set = true;
    value = now;
  }
};

}  // namespace glimmer
