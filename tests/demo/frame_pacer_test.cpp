// The live show's pacing grid where its products outgrow 32 bits: a time in milliseconds times
// the frame rate, and a slot number times 1000, past 2^31 (from about 35 minutes at 1000 frames
// per second, or 10 hours at 60).
#include "demo/frame_pacer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace glimmer {
namespace {

TEST(FramePacer, GridHoldsForTimesWhoseProductsPassThirtyTwoBits) {
  struct Case {
    int fps;
    std::int32_t lastFrame;
    std::int32_t now;
    int wait;
  };
  const Case cases[] = {
      {1000, 2500000, 2500000, 1},        // slot 2500001 starts at 2500001 ms
      {60, 40000000, 40000000, 17},       // slot 2400001 starts at 40000016.7 ms: due at ...017
      {60, 40000010, 40000016, 1},        // the same slot, asked from inside the last one
      {60, 40000017, 40000017, 17},       // drawn on its slot's first millisecond: the next is due at ...034
      {25, 2147483000, 2147483000, 40},   // near the end of int32: slot 53687076 at 2147483040
      {1000, 2147483000, 2147483001, 0},  // due now
  };
  for (const Case& item : cases) {
    EXPECT_EQ(FramePacer(item.fps).waitMs(item.lastFrame, item.now), item.wait)
        << item.fps << " fps, last frame " << item.lastFrame << ", now " << item.now;
  }
}

}  // namespace
}  // namespace glimmer
