// FrameClock: the time of the previous step, for motion that moves by a constant times the
// milliseconds since then (frame-rate independent). The first step starts the clock: no time has
// passed before it.
#pragma once

#include <cstdint>

namespace glimmer {

struct FrameClock {
  bool started = false;
  std::int32_t previous = 0;

  // The milliseconds from the previous step to now (0 for the first step); now becomes the
  // previous step.
  std::int32_t advance(std::int32_t now) {
    const std::int32_t elapsed = started ? now - previous : 0;
    started = true;
    previous = now;
    return elapsed;
  }
};

}  // namespace glimmer
