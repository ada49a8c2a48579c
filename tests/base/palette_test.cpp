// The console palette as an attribute nibble reads it: bit 0 blue, bit 1 green, bit 2 red, bit 3
// bright, with the two greys where the pattern breaks. Every entry is checked, the first (black)
// and the last (white) included, so a shifted or swapped row shows.
#include "base/palette.h"

#include <gtest/gtest.h>

namespace glimmer {
namespace {

TEST(ConsolePalette, EveryEntryFollowsItsAttributeBits) {
  for (int colour = 0; colour < 16; ++colour) {
    const int level = colour & 8 ? 255 : 128;
    int expected[3] = {colour & 4 ? level : 0, colour & 2 ? level : 0, colour & 1 ? level : 0};
    if (colour == 7) expected[0] = expected[1] = expected[2] = 192;  // grey, not dark white
    if (colour == 8) expected[0] = expected[1] = expected[2] = 128;  // dark grey, not bright black
    for (int channel = 0; channel < 3; ++channel) {
      EXPECT_EQ(kConsolePalette[colour][channel], expected[channel]) << "colour " << colour << " channel " << channel;
    }
  }
}

}  // namespace
}  // namespace glimmer
