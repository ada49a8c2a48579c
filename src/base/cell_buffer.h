// Cells: what the converter makes of the picture and what every display and recording shows.
//
// A Cell is a code page 437 glyph in a foreground and a background colour, both console colour
// numbers (bit 0 blue, bit 1 green, bit 2 red, bit 3 intensity) packed as a console attribute:
// foreground in bits 0..3, background in bits 4..7. A cell of the pixels look may also carry its
// own 24-bit colours (direct): then a display that draws 24-bit colours shows those, and one that
// draws only the 16 console colours (a 16-colour terminal, the Windows console) shows the
// attribute's, which the converter sets to the nearest of the 16.
//
// A grid of cells is passed as a view (CellView to read, CellGrid to write): width x height cells,
// row r starting pitch cells after row r - 1. The classic grid lays the 160x100 picture into 80x50
// cells of 2x2 pixels; the wide grid into 160x50 cells of one pixel column and two pixel rows, for
// displays whose cells are about twice as tall as wide, where it keeps the picture's own shape.
// The pixels look takes the wide grid's cells, each an upper half block: the top pixel in the
// foreground, the bottom one in the background. The CellBuffer holds any of them, with the grid's
// width as pitch.
//
// PixelRect: x0, y0 inclusive, x1, y1 exclusive, in pixels.
#pragma once

#include <array>
#include <cstdint>

namespace glimmer {

inline constexpr int kCellColumns = 80;
inline constexpr int kCellRows = 50;
inline constexpr int kCellCount = kCellColumns * kCellRows;
inline constexpr int kWideCellColumns = 160;
inline constexpr int kMaxCellCount = kWideCellColumns * kCellRows;

// The code page 437 glyphs of the pixels look: the upper half block, and the lower one, which shows
// the same two pixels with its colours the other way round.
inline constexpr std::uint8_t kUpperHalfBlock = 223;
inline constexpr std::uint8_t kLowerHalfBlock = 220;

struct Cell {
  std::uint8_t glyph = 0;      // code page 437
  std::uint8_t attribute = 0;  // foreground colour in bits 0..3, background in bits 4..7
  bool direct = false;         // the colours below are the cell's own, for displays of 24-bit colour
  std::uint32_t foregroundRgb = 0;  // with direct: the colours as a FrameBuffer word, 0x00BBGGRR;
  std::uint32_t backgroundRgb = 0;  // else 0

  constexpr int foreground() const { return attribute & 15; }
  constexpr int background() const { return attribute >> 4; }
  bool operator==(const Cell&) const = default;
};
static_assert(sizeof(Cell) == 12);

// Cells to read: width x height, cell (c, r) at cells[r * pitch + c].
struct CellView {
  const Cell* cells = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;

  const Cell& at(int column, int row) const { return cells[row * pitch + column]; }
};

// Cells to write, laid out as a CellView.
struct CellGrid {
  Cell* cells = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;

  Cell& at(int column, int row) const { return cells[row * pitch + column]; }
  CellView view() const { return {cells, width, height, pitch}; }
};

// How the picture is laid into cells: the classic 80x50 of 2x2 pixels, or the wide 160x50 of 1x2.
enum class Grid { Classic, Wide };

constexpr int columnsOf(Grid grid) { return grid == Grid::Wide ? kWideCellColumns : kCellColumns; }

// What the user asks for: a grid, or the one that suits the display (Auto).
enum class GridChoice { Classic, Wide, Auto };

// Room for the cells of either grid.
using CellBuffer = std::array<Cell, kMaxCellCount>;

// The buffer's cells as the grid lays them out.
inline CellGrid gridIn(CellBuffer& buffer, Grid grid) {
  return {buffer.data(), columnsOf(grid), kCellRows, columnsOf(grid)};
}
inline CellView viewOf(const CellBuffer& buffer, Grid grid) {
  return {buffer.data(), columnsOf(grid), kCellRows, columnsOf(grid)};
}

struct PixelRect {
  std::int32_t x0;
  std::int32_t y0;
  std::int32_t x1;
  std::int32_t y1;
};
static_assert(sizeof(PixelRect) == 16);

}  // namespace glimmer
