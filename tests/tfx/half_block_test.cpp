// The pixels look's conversion against a direct reading of the picture: every cell the upper half
// block, its top pixel in the foreground and its bottom pixel in the background, each as its own
// colour and as the nearest of the 16 by a plain search of the palette.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/palette.h"
#include "tfx/half_block.h"

namespace glimmer {
namespace {

// The nearest console colour by squared distance, the lowest number among equally near ones.
int nearestByHand(std::uint32_t pixel) {
  const int channel[3] = {static_cast<int>(pixel & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                          static_cast<int>((pixel >> 16) & 0xFF)};
  int best = -1;
  long bestDistance = 0;
  for (int colour = 0; colour < 16; ++colour) {
    long distance = 0;
    for (int i = 0; i < 3; ++i) {
      const long d = channel[i] - kConsolePalette[colour][i];
      distance += d * d;
    }
    if (best < 0 || distance < bestDistance) {
      best = colour;
      bestDistance = distance;
    }
  }
  return best;
}

std::uint32_t word(int red, int green, int blue) {
  return static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8 |
         static_cast<std::uint32_t>(blue) << 16;
}

class HalfBlock : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    converter = new TFX_HalfBlock;
    converter->init();
  }
  static void TearDownTestSuite() { delete converter; }
  static TFX_HalfBlock* converter;
};
TFX_HalfBlock* HalfBlock::converter = nullptr;

// The table settles most colours by their 6-bit box and leaves the boxes that straddle a boundary
// to a search: both must agree with the plain search, at the boundaries above all. The colours: the
// palette itself, every grey (where dark grey and grey tie at 160), every colour on the lines
// between palette colours, every colour of a coarse lattice, and random ones; the top byte is
// anything.
TEST_F(HalfBlock, NearestColourIsThePlainSearchsChoiceEverywhere) {
  std::vector<std::uint32_t> colours;
  for (const auto& rgb : kConsolePalette) colours.push_back(word(rgb[0], rgb[1], rgb[2]));
  for (int v = 0; v < 256; ++v) colours.push_back(word(v, v, v));
  for (int a = 0; a < 16; ++a) {
    for (int b = a + 1; b < 16; ++b) {
      for (int step = 0; step <= 64; ++step) {
        int rgb[3];
        for (int i = 0; i < 3; ++i)
          rgb[i] = kConsolePalette[a][i] + (kConsolePalette[b][i] - kConsolePalette[a][i]) * step / 64;
        colours.push_back(word(rgb[0], rgb[1], rgb[2]));
      }
    }
  }
  for (int r = 0; r < 256; r += 5) {
    for (int g = 0; g < 256; g += 5) {
      for (int b = 0; b < 256; b += 5) colours.push_back(word(r, g, b));
    }
  }
  std::mt19937 random(29);
  for (int i = 0; i < 200000; ++i) colours.push_back(random());
  int wrong = 0;
  for (std::uint32_t colour : colours) {
    if (converter->nearestColour(colour) != nearestByHand(colour) && ++wrong <= 5) {
      ADD_FAILURE() << std::hex << "colour 0x" << colour << ": " << converter->nearestColour(colour) << " instead of "
                    << nearestByHand(colour);
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(converter->nearestColour(word(160, 160, 160)), 7) << "a tie goes to the lower number";
  EXPECT_EQ(converter->nearestColour(0xFF000000u | word(250, 5, 250)), 13) << "the top byte does not count";
}

// Every cell read back pixel by pixel, with and without its own colours: a part of a random
// picture, from another row stride, into cells at an offset. The rectangle's pixels make the cells
// from the offset, its odd last row is not read, and no other cell is touched.
TEST_F(HalfBlock, EveryCellOfARectangleHoldsItsTwoPixels) {
  constexpr int kStride = 200;
  std::mt19937 random(7);
  std::vector<std::uint32_t> picture(kStride * 120);
  for (std::uint32_t& pixel : picture) pixel = random();
  const Cell untouched{0xEE, 0xEE, true, 1, 2};
  const PixelRect rect{30, 11, 180, 102};  // 150 columns, 91 rows: 45 cell rows, the last pixel row unread
  for (bool direct : {true, false}) {
    SCOPED_TRACE(direct ? "direct colours" : "16 colours");
    CellBuffer cells;
    for (Cell& cell : cells) cell = untouched;
    converter->convert1x2(picture.data(), &rect, kStride, 8, 4, gridIn(cells, Grid::Wide), direct);
    int wrong = 0;
    for (int row = 0; row < kCellRows; ++row) {
      for (int column = 0; column < kWideCellColumns; ++column) {
        const Cell& cell = cells[row * kWideCellColumns + column];
        Cell expected = untouched;
        if (column >= 8 && column < 158 && row >= 4 && row < 49) {
          const std::uint32_t top = picture[(11 + 2 * (row - 4)) * kStride + 30 + column - 8];
          const std::uint32_t bottom = picture[(12 + 2 * (row - 4)) * kStride + 30 + column - 8];
          expected = {kUpperHalfBlock, static_cast<std::uint8_t>(nearestByHand(top) | nearestByHand(bottom) << 4),
                      direct, direct ? top & 0xFFFFFFu : 0u, direct ? bottom & 0xFFFFFFu : 0u};
        }
        if (!(cell == expected) && ++wrong <= 3) {
          ADD_FAILURE() << "cell " << column << ", " << row << ": glyph " << int{cell.glyph} << " attribute "
                        << int{cell.attribute} << std::hex << " colours " << cell.foregroundRgb << "/"
                        << cell.backgroundRgb;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

}  // namespace
}  // namespace glimmer
