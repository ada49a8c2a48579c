// FramePacer: when the live show draws its next frame.
//
// Frames sit on a grid of 1000 / fps milliseconds of music time. After a frame drawn at music time
// t, the next one is due once the music clock reaches the first grid point after t. So at most fps
// frames are drawn in a second of music, none while the clock stands still, and a frame that
// comes late is drawn at the time it is drawn: the frames it overtook are dropped, never queued.
// With fps 0 there is no grid and every frame is due at once (recordings, on their exact clock).
#pragma once

#include <cstdint>

namespace glimmer {

class FramePacer {
 public:
  explicit FramePacer(int framesPerSecond = 0) : framesPerSecond_(framesPerSecond > 0 ? framesPerSecond : 0) {}

  // Milliseconds from now until the frame after one drawn at lastFrame is due; 0 when it is due
  // now (or there is no grid). Times are music milliseconds.
  int waitMs(std::int32_t lastFrame, std::int32_t now) const {
    if (framesPerSecond_ == 0) return 0;
    const std::int64_t fps = framesPerSecond_;
    const std::int64_t nextSlot = floorDivide(std::int64_t{lastFrame} * fps, 1000) + 1;
    // The first whole millisecond at or after the slot's start.
    const std::int64_t due = -floorDivide(-nextSlot * 1000, fps);
    return now >= due ? 0 : static_cast<int>(due - now);
  }

 private:
  static std::int64_t floorDivide(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

  int framesPerSecond_;
};

}  // namespace glimmer
