#include "record/cell_picture.h"

#include "base/palette.h"

namespace glimmer {
namespace {

// The rows of each glyph's 8x8 dot pattern, most significant bit leftmost; the patterns repeat
// every two rows and every four columns, as in the console's own font, so a wide cell takes the
// left four.
struct GlyphPattern {
  std::uint8_t code;
  std::uint8_t evenRow;
  std::uint8_t oddRow;
};
constexpr GlyphPattern kPatterns[] = {
    {176, 0x11, 0x44},  // light shade: a quarter of the dots
    {177, 0x55, 0xAA},  // medium shade: half
    {178, 0xDD, 0x77},  // dark shade: three quarters
    {219, 0xFF, 0xFF},  // full block
};

}  // namespace

void drawCellPicture(CellView cells, std::uint8_t* rgb) {
  const int columns = cells.width;
  const int cellWidth = kPictureWidth / columns;
  for (int row = 0; row < kCellRows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const Cell& cell = cells.at(column, row);
      const std::uint8_t code = cell.glyph;
      const std::int32_t* foreground = kConsolePalette[cell.foreground()];
      const std::int32_t* background = kConsolePalette[cell.background()];
      std::uint8_t evenRow = 0;
      std::uint8_t oddRow = 0;
      for (const GlyphPattern& pattern : kPatterns) {
        if (pattern.code == code) {
          evenRow = pattern.evenRow;
          oddRow = pattern.oddRow;
        }
      }
      for (int y = 0; y < kCellPixels; ++y) {
        const std::uint8_t bits = (y & 1) == 0 ? evenRow : oddRow;
        std::uint8_t* at = rgb + ((row * kCellPixels + y) * kPictureWidth + column * cellWidth) * 3;
        for (int x = 0; x < cellWidth; ++x) {
          const std::int32_t* colour = (bits & (0x80 >> x)) != 0 ? foreground : background;
          *at++ = static_cast<std::uint8_t>(colour[0]);
          *at++ = static_cast<std::uint8_t>(colour[1]);
          *at++ = static_cast<std::uint8_t>(colour[2]);
        }
      }
    }
  }
}

}  // namespace glimmer
