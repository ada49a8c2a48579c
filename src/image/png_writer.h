// encodeRgbPng: 8-bit RGB pixels written to an open file as a PNG, with no time or text chunks, so
// the same pixels and settings always give the same bytes.
#pragma once

#include <cstdint>
#include <cstdio>

namespace glimmer {

// rgb: height rows of width pixels, top first, three bytes a pixel (red, green, blue), no padding.
// compressionLevel 0..9; tryAllFilters picks each row's filter for size, else every row is
// filtered by its left neighbour (quicker). False when libpng reports an error.
bool encodeRgbPng(std::FILE* file, const std::uint8_t* rgb, int width, int height, int compressionLevel,
                  bool tryAllFilters);

}  // namespace glimmer
