// The picture a recording's PNG frames show: 8 x 8 pixels a cell in the console's 16 colours,
// foreground from the attribute's low nibble and background from its high one, the block glyphs
// with a quarter, a half, three quarters and all of their dots in the foreground.
#include "record/cell_picture.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "base/palette.h"

namespace glimmer {
namespace {

using Rgb = std::array<int, 3>;

// A console colour by number.
Rgb colour(int number) { return {kConsolePalette[number][0], kConsolePalette[number][1], kConsolePalette[number][2]}; }

Rgb pixelOf(const std::vector<std::uint8_t>& rgb, int x, int y) {
  const std::uint8_t* at = &rgb[3 * (y * kPictureWidth + x)];
  return {at[0], at[1], at[2]};
}

TEST(CellPicture, GlyphsShowTheirShareOfDotsInTheAttributesColours) {
  struct Case {
    int column, row;
    std::uint8_t code, attribute;
    int foregroundDots;  // of 64, two rows of 8 repeating
  };
  const Case cases[] = {
      {0, 0, 219, 0x4E, 64},    // full block: yellow
      {5, 3, 176, 0x1F, 16},    // light shade: white on dark blue
      {40, 25, 177, 0x78, 32},  // medium shade: grey on dark grey
      {17, 9, 178, 0x2C, 48},   // dark shade: red on dark green
      {79, 49, 178, 0xA3, 48},  // dark cyan on green, in the last cell
      {60, 1, 'A', 0x5B, 0},    // other codes show their background: dark magenta
      {61, 1, 0, 0x90, 0},      // blue
  };
  CellBuffer cells{};
  for (const Case& test : cases) cells[test.row * 80 + test.column] = {test.code, test.attribute};
  std::vector<std::uint8_t> rgb(kPictureBytes, 0x55);
  drawCellPicture(viewOf(cells, Grid::Classic), rgb.data());
  auto pixel = [&rgb](int x, int y) { return pixelOf(rgb, x, y); };

  for (const Case& test : cases) {
    SCOPED_TRACE(testing::Message() << "cell " << test.column << ", " << test.row);
    const Rgb foreground = colour(test.attribute & 15);
    const Rgb background = colour(test.attribute >> 4);
    int dots = 0;
    for (int y = 0; y < 8; ++y) {
      int dotsInRow = 0;
      for (int x = 0; x < 8; ++x) {
        const Rgb shown = pixel(8 * test.column + x, 8 * test.row + y);
        ASSERT_TRUE(shown == foreground || shown == background) << x << ", " << y;
        dotsInRow += shown == foreground ? 1 : 0;
        if (y >= 2) {
          EXPECT_EQ(shown, pixel(8 * test.column + x, 8 * test.row + y - 2)) << x << ", " << y;
        }
      }
      EXPECT_EQ(dotsInRow, test.foregroundDots / 8) << "row " << y;  // spread evenly over the rows
      dots += dotsInRow;
    }
    EXPECT_EQ(dots, test.foregroundDots);
  }
  // Every other cell is code 0 on black: the whole picture is drawn, with nothing left over.
  EXPECT_EQ(pixel(8 * 2, 8 * 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(kPictureWidth - 9, kPictureHeight - 1), (Rgb{0, 0, 0}));
}

// A wide cell is drawn 4 pixels wide and 8 tall, so the 160x50 grid fills the same 640x400. The
// pixels look's half blocks: the upper half block shows its foreground in the cell's top four pixel
// rows and its background in the bottom four, the lower one the other way round; a direct cell
// shows its own colours, a cell without them the attribute's.
TEST(CellPicture, WideCellsAreHalfAsWideAndHalfBlocksShowTheirTwoPixels) {
  CellBuffer cells{};
  cells[0] = {219, 0x0C};                            // a full block in red
  cells[kWideCellColumns * 49 + 159] = {177, 0x9F};  // medium shade, white on blue
  cells[kWideCellColumns * 10 + 20] = {kUpperHalfBlock, 0x0C, true, 0x00302010u, 0x00605040u};
  cells[kWideCellColumns * 10 + 21] = {kLowerHalfBlock, 0x0C, true, 0x00302010u, 0x00605040u};
  cells[kWideCellColumns * 10 + 22] = {kUpperHalfBlock, 0x9C};
  std::vector<std::uint8_t> rgb(kPictureBytes);
  drawCellPicture(viewOf(cells, Grid::Wide), rgb.data());
  EXPECT_EQ(pixelOf(rgb, 3, 7), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixelOf(rgb, 4, 0), (Rgb{0, 0, 0})) << "the next cell";
  // The medium shade's dots alternate, even rows starting with background.
  EXPECT_EQ(pixelOf(rgb, 636, 392), (Rgb{0, 0, 255}));
  EXPECT_EQ(pixelOf(rgb, 637, 392), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixelOf(rgb, 636, 393), (Rgb{255, 255, 255}));
  const Rgb first{0x10, 0x20, 0x30};
  const Rgb second{0x40, 0x50, 0x60};
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 8; ++y) {
      SCOPED_TRACE(testing::Message() << x << ", " << y);
      EXPECT_EQ(pixelOf(rgb, 80 + x, 80 + y), y < 4 ? first : second);
      EXPECT_EQ(pixelOf(rgb, 84 + x, 80 + y), y < 4 ? second : first);
      EXPECT_EQ(pixelOf(rgb, 88 + x, 80 + y), y < 4 ? colour(12) : colour(9));
    }
  }
}

}  // namespace
}  // namespace glimmer
