// CellPicture: a CellBuffer drawn as a console would show it, 8x8 pixels per cell (640x400 RGB),
// the shade glyphs as their dot patterns and the colours from the show's palette.
#pragma once

#include <cstdint>

namespace glimmer {

inline constexpr int kCellPixels = 8;
inline constexpr int kPictureWidth = 80 * kCellPixels;
inline constexpr int kPictureHeight = 50 * kCellPixels;
inline constexpr int kPictureBytes = kPictureWidth * kPictureHeight * 3;

// Draws the 4000 cells into rgb (kPictureBytes, rows top first, red, green, blue). Codes other than
// the four block glyphs show their background.
void drawCellPicture(const std::uint8_t* cells, std::uint8_t* rgb);

}  // namespace glimmer
