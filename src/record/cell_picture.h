// CellPicture: a grid of cells drawn as a console would show it, 640x400 RGB for either grid: the
// classic grid's 80x50 cells 8x8 pixels, the wide grid's 160x50 4 wide and 8 tall. The shade glyphs
// are drawn as their dot patterns, the half blocks as a cell's top or bottom four rows; the colours
// are a direct cell's own, else the show's palette's.
#pragma once

#include <cstdint>

#include "base/cell_buffer.h"

namespace glimmer {

inline constexpr int kCellPixels = 8;  // a classic cell's side; a wide cell is half as wide
inline constexpr int kPictureWidth = 80 * kCellPixels;
inline constexpr int kPictureHeight = 50 * kCellPixels;
inline constexpr int kPictureBytes = kPictureWidth * kPictureHeight * 3;

// Draws the cells (80x50 or 160x50) into rgb (kPictureBytes, rows top first, red, green, blue).
// Codes other than the four block glyphs and the two half blocks show their background.
void drawCellPicture(CellView cells, std::uint8_t* rgb);

}  // namespace glimmer
