// CellBuffer: 80x50 cells, row-major, 2 bytes a cell: byte 0 the code page 437 character, byte 1
// the attribute (foreground colour in bits 0..3, background in bits 4..7; in a colour index bit 0
// is blue, bit 1 green, bit 2 red, bit 3 intensity). Cell (c, r) is cell number r * 80 + c.
//
// The wide grid lays the same 160x100 picture into 160x50 cells of one pixel column and two pixel
// rows each, for displays whose cells are about twice as tall as wide, where it keeps the picture's
// own shape: the same cell format, cell (c, r) at r * 160 + c. A buffer for either grid holds
// kMaxCellBufferBytes.
//
// PixelRect: x0, y0 inclusive, x1, y1 exclusive, in pixels.
#pragma once

#include <cstdint>

namespace glimmer {

inline constexpr int kCellColumns = 80;
inline constexpr int kCellRows = 50;
inline constexpr int kCellCount = kCellColumns * kCellRows;
inline constexpr int kCellBufferBytes = kCellCount * 2;
static_assert(kCellBufferBytes == 8000);

inline constexpr int kWideCellColumns = 160;
inline constexpr int kMaxCellCount = kWideCellColumns * kCellRows;
inline constexpr int kMaxCellBufferBytes = kMaxCellCount * 2;

// How the picture is laid into cells: the classic 80x50 of 2x2 pixels, or the wide 160x50 of 1x2.
enum class Grid { Classic, Wide };

constexpr int columnsOf(Grid grid) { return grid == Grid::Wide ? kWideCellColumns : kCellColumns; }

// What the user asks for: a grid, or the one that suits the display (Auto).
enum class GridChoice { Classic, Wide, Auto };

struct PixelRect {
  std::int32_t x0;
  std::int32_t y0;
  std::int32_t x1;
  std::int32_t y1;
};
static_assert(sizeof(PixelRect) == 16);

}  // namespace glimmer
