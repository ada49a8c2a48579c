// Origin: where a repeating motion started. Captured on the first step that needs it, like a
// latch, and moved to a later step each time the motion starts over.
#pragma once

#include <cstdint>

namespace glimmer {

struct Origin {
  bool set = false;
  std::int32_t value = 0;

  // Captures now on the first call; returns the origin.
  std::int32_t capture(std::int32_t now) {
    if (!set) {
      set = true;
      value = now;
    }
    return value;
  }

  // The motion starts over at now.
  void restart(std::int32_t now) {
    set = true;
    value = now;
  }
};

}  // namespace glimmer
