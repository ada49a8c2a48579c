// CellBuffer: 80x50 cells, row-major, 2 bytes a cell: byte 0 the code page 437 character, byte 1
// the attribute (foreground colour in bits 0..3, background in bits 4..7; in a colour index bit 0
// is blue, bit 1 green, bit 2 red, bit 3 intensity). Cell (c, r) is cell number r * 80 + c.
// PixelRect: x0, y0 inclusive, x1, y1 exclusive, in pixels.
#pragma once

#include <cstdint>

namespace glimmer {

inline constexpr int kCellColumns = 80;
inline constexpr int kCellRows = 50;
inline constexpr int kCellCount = kCellColumns * kCellRows;
inline constexpr int kCellBufferBytes = kCellCount * 2;
static_assert(kCellBufferBytes == 8000);

struct PixelRect {
  std::int32_t x0;
  std::int32_t y0;
  std::int32_t x1;
  std::int32_t y1;
};
static_assert(sizeof(PixelRect) == 16);

}  // namespace glimmer
