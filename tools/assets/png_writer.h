// writeRgbPng: writes 8-bit RGB pixels as a PNG with fixed settings (no time, no text chunks, fixed
// compression), so the same pixels always give the same file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glimmer {

// One RGB picture, rows top first, three bytes per pixel, no padding.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;  // width * height * 3

  RgbPicture(int pictureWidth, int pictureHeight, std::uint32_t fillColour);
  // colour is 0xRRGGBB. Coordinates outside the picture are ignored.
  void set(int x, int y, std::uint32_t colour);
  std::uint32_t get(int x, int y) const;
};

// False when the file cannot be created or libpng reports an error.
bool writeRgbPng(const std::string& path, const RgbPicture& picture);

}  // namespace glimmer
