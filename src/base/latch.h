// Latch: a moment of the show captured on the first pass that needs it and kept as long as its
// owner lives. Deliberate: the show never resets one; a window the clock skips leaves it unset.
#pragma once

#include <cstdint>

namespace glimmer {

struct Latch {
  bool set = false;
  std::int32_t value = 0;

  // Captures now on the first call; returns the captured value.
  std::int32_t capture(std::int32_t now) {
    if (!set) {
      set = true;
      value = now;
    }
    return value;
  }
};

}  // namespace glimmer
