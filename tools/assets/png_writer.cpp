// The generators' pictures, written with the show's PNG encoder at its smallest settings.
#include "png_writer.h"

#include <cstdio>

#include "image/png_writer.h"

namespace glimmer {

RgbPicture::RgbPicture(int pictureWidth, int pictureHeight, std::uint32_t fillColour)
    : width(pictureWidth), height(pictureHeight), bytes(static_cast<std::size_t>(pictureWidth) * pictureHeight * 3) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) set(x, y, fillColour);
  }
}

void RgbPicture::set(int x, int y, std::uint32_t colour) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  bytes[at] = static_cast<std::uint8_t>(colour >> 16);
  bytes[at + 1] = static_cast<std::uint8_t>(colour >> 8);
  bytes[at + 2] = static_cast<std::uint8_t>(colour);
}

std::uint32_t RgbPicture::get(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return std::uint32_t{bytes[at]} << 16 | std::uint32_t{bytes[at + 1]} << 8 | bytes[at + 2];
}

bool writeRgbPng(const std::string& path, const RgbPicture& picture) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = encodeRgbPng(file, picture.bytes.data(), picture.width, picture.height, 9, true);
  return std::fclose(file) == 0 && written;
}

}  // namespace glimmer
