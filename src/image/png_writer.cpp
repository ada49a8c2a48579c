// encodeRgbPng through libpng's write API; errors come back through setjmp/longjmp, the library's
// own error channel, so no object with a destructor lives in this function. libpng prints
// nothing: the caller says what failed, naming its own file.
#include "image/png_writer.h"

#include <png.h>

#include <csetjmp>

namespace glimmer {
namespace {

[[noreturn]] void stopEncoding(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void ignoreWarning(png_structp, png_const_charp) {}

}  // namespace

bool encodeRgbPng(std::FILE* file, const std::uint8_t* rgb, int width, int height, int compressionLevel,
                  bool tryAllFilters) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, stopEncoding, ignoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, compressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, tryAllFilters ? PNG_ALL_FILTERS : PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, rgb + static_cast<std::size_t>(y) * width * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace glimmer
