// Test helpers: PNG files encoded with libpng from raw rows.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/temporary_folder.h"

namespace glimmer::testing {

struct PngDescription {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<std::uint8_t> rows;    // height rows in the file's own packed layout
  std::vector<png_color> palette{};  // palette files only
  bool transparentColor = false;     // tRNS of a grey or RGB file
  png_color_16 transparent{};        // its grey level (gray) or colour (red, green, blue)
};

namespace detail {

inline void appendBytes(png_structp png, png_bytep data, std::size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

inline void flushNothing(png_structp) {}

// Plain data only across the setjmp; the vector lives in the caller.
inline bool encode(const PngDescription* description, std::vector<std::uint8_t>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_bytep* rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * description->height));
  if (setjmp(png_jmpbuf(png))) {
    std::free(rows);
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, appendBytes, flushNothing);
  png_set_IHDR(png, info, description->width, description->height, description->bitDepth, description->colorType,
               description->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!description->palette.empty()) {
    png_set_PLTE(png, info, description->palette.data(), static_cast<int>(description->palette.size()));
  }
  if (description->transparentColor) png_set_tRNS(png, info, nullptr, 0, &description->transparent);
  png_write_info(png, info);
  const std::size_t rowBytes = description->rows.size() / description->height;
  for (std::uint32_t row = 0; row < description->height; ++row) {
    rows[row] = const_cast<png_bytep>(description->rows.data() + row * rowBytes);
  }
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  std::free(rows);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace detail

// The encoded file; empty when libpng refuses the description.
inline std::vector<std::uint8_t> encodePng(const PngDescription& description) {
  std::vector<std::uint8_t> bytes;
  if (!detail::encode(&description, &bytes)) bytes.clear();
  return bytes;
}

// An 8-bit RGB (3 bytes per pixel) or RGBA (4) file from packed pixel bytes.
inline std::vector<std::uint8_t> encodeRgb(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> pixels,
                                           bool alpha = false) {
  PngDescription description;
  description.width = width;
  description.height = height;
  description.colorType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
  description.rows = std::move(pixels);
  return encodePng(description);
}

// Sets the size in the IHDR of an encoded file and makes its checksum match again.
inline void patchSize(std::vector<std::uint8_t>& file, std::uint32_t width, std::uint32_t height) {
  // Signature (8), IHDR length (4), "IHDR" (4), width (4), height (4) ... data is 13 bytes.
  const auto put = [&file](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
  };
  put(16, width);
  put(20, height);
  put(29, static_cast<std::uint32_t>(crc32(0, file.data() + 12, 17)));  // the chunk's CRC-32, as zlib makes it
}

}  // namespace glimmer::testing
