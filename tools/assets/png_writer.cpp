// writeRgbPng through libpng's write API (png_create_write_struct, png_set_IHDR, png_write_row);
// errors come back through setjmp/longjmp, the library's own error channel.
#include "png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

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

namespace {

// Everything libpng may jump out of lives here, so no C++ object is skipped by longjmp.
bool writeRows(std::FILE* file, const RgbPicture& picture) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, 9);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.height; ++y) {
    png_write_row(png, picture.bytes.data() + static_cast<std::size_t>(y) * picture.width * 3);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool writeRgbPng(const std::string& path, const RgbPicture& picture) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = writeRows(file, picture);
  return std::fclose(file) == 0 && written;
}

}  // namespace glimmer
