#include "base/pixel_ops.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/frame_buffer.h"

namespace glimmer {
namespace {

TEST(BlendPixel, EdgeValues) {
  struct Case {
    std::uint32_t a;
    std::uint32_t b;
    std::int32_t w;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {0x00FFFFFF, 0x00000000, 255, 0x00FEFEFE},  // full weight loses one step
      {0xFF123456, 0x00ABCDEF, 256, 0xFF123456},  // above 255: A with its top byte
      {0x00ABCDEF, 0xFF123456, -1, 0xFF123456},   // below 0: B with its top byte
      {0xFF808080, 0xFF808080, 200, 0x007F7F7F},  // top bytes ignored and cleared
      {0x00FFFFFF, 0x00FFFFFF, 128, 0x00FDFDFD},  // 127 + 126: each product shifted on its own
      {0x00FFFFFF, 0x00FFFFFF, 0, 0x00FEFEFE},    // zero weight loses B's step too
      {0x00FF0000, 0x000000FF, 128, 0x007F007E},  // blue from A, red from B
      // Every channel different, so a swapped channel or a wrong shift shows: red 12 + 47,
      // green 8 + 95, blue 4 + 143.
      {0x00102030, 0x00C08040, 64, 0x0093673B},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(blendPixel(c.a, c.b, c.w), c.expected) << std::hex << c.a << " " << c.b << " w=" << std::dec << c.w;
  }
}

TEST(ScalePixels, LevelsClampAndRoundDown) {
  struct Case {
    std::int32_t level;
    std::uint32_t in;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {255, 0x00FFFFFF, 0x00FDFDFD}, {300, 0x00FFFFFF, 0x00FDFDFD}, {-5, 0x00FFFFFF, 0x00000000},
      {128, 0x00FFFFFF, 0x007E7E7E}, {255, 0xFF804020, 0x007F3F1F},  // each channel on its own; the top byte cleared
      {100, 0x00C08040, 0x004A3118},                                 // factor 99: red 24, green 49, blue 74
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> frame(kFramePixels, c.in);
    scalePixels(frame.data(), c.level);
    EXPECT_EQ(frame.front(), c.expected) << "level " << c.level;
    EXPECT_EQ(frame.back(), c.expected) << "level " << c.level;  // the whole frame, not a part
  }
}

}  // namespace
}  // namespace glimmer
