#include "record/cell_picture.h"

#include "base/palette.h"

namespace glimmer {
namespace {

// The rows of each glyph's 8x8 dot pattern, most significant bit leftmost; the shades repeat every
// two rows and every four columns, as in the console's own font, so a wide cell takes the left
// four.
struct GlyphPattern {
  std::uint8_t code;
  std::uint8_t rows[8];
};
constexpr GlyphPattern kPatterns[] = {
    {176, {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44}},  // light shade: a quarter of the dots
    {177, {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}},  // medium shade: half
    {178, {0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77}},  // dark shade: three quarters
    {219, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},  // full block
    {kUpperHalfBlock, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
    {kLowerHalfBlock, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
};

struct Rgb {
  std::uint8_t channel[3];
};

Rgb paletteColour(int colour) {
  const std::int32_t* rgb = kConsolePalette[colour];
  return {{static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]), static_cast<std::uint8_t>(rgb[2])}};
}

// A direct colour, a FrameBuffer word 0x00BBGGRR.
Rgb wordColour(std::uint32_t word) {
  return {{static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word >> 16)}};
}

}  // namespace

void drawCellPicture(CellView cells, std::uint8_t* rgb) {
  const int columns = cells.width;
  const int cellWidth = kPictureWidth / columns;
  for (int row = 0; row < kCellRows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const Cell& cell = cells.at(column, row);
      const Rgb foreground = cell.direct ? wordColour(cell.foregroundRgb) : paletteColour(cell.foreground());
      const Rgb background = cell.direct ? wordColour(cell.backgroundRgb) : paletteColour(cell.background());
      static constexpr std::uint8_t kNoDots[8] = {};
      const std::uint8_t* dots = kNoDots;
      for (const GlyphPattern& pattern : kPatterns) {
        if (pattern.code == cell.glyph) dots = pattern.rows;
      }
      for (int y = 0; y < kCellPixels; ++y) {
        std::uint8_t* at = rgb + ((row * kCellPixels + y) * kPictureWidth + column * cellWidth) * 3;
        for (int x = 0; x < cellWidth; ++x) {
          const Rgb& colour = (dots[y] & (0x80 >> x)) != 0 ? foreground : background;
          *at++ = colour.channel[0];
          *at++ = colour.channel[1];
          *at++ = colour.channel[2];
        }
      }
    }
  }
}

}  // namespace glimmer
