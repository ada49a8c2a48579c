// The image decoder behind the ImageStore: reads a PNG file into one packed pixel record.
//
// What each kind of PNG becomes (every result has 8 bits per channel):
//   RGB                                     -> 24 bits per pixel
//   RGB with a transparent colour (tRNS)    -> 32
//   RGBA                                    -> 32
//   grey (1, 2, 4, 8 or 16 bits)            -> 24, the grey level in all three channels
//   grey with a transparent level (tRNS)    -> 32
//   grey with alpha                         -> 32
//   palette                                 -> 24
//   palette with transparency (tRNS)        -> 32
// 16-bit channels are scaled to 8 bits; interlaced files are de-interlaced; gamma and colour
// profile chunks are ignored.
//
// Pixel bytes, rows top to bottom with no gap between rows:
//   24 bits: red, green, blue
//   32 bits: blue, green, red, alpha
#pragma once

#include <cstddef>
#include <cstdint>

namespace glimmer {

// Files wider or taller than this are refused before any pixel memory is allocated.
inline constexpr std::int32_t kMaxImageSide = 4096;

struct PngImage {
  std::int32_t width = 0;          // 1 .. kMaxImageSide
  std::int32_t height = 0;         // 1 .. kMaxImageSide
  std::int32_t bitsPerPixel = 0;   // 24 or 32
  std::uint8_t* pixels = nullptr;  // width * height * bitsPerPixel / 8 bytes, owned by the record
};

// Decodes the PNG file at path. Null when the file cannot be opened, is not a PNG, is truncated
// or corrupt, or is larger than kMaxImageSide in either direction. Prints nothing.
// Release the result with freePngImage.
PngImage* loadPngImage(const char* path);

// As loadPngImage, from the size bytes at bytes (not kept after the call).
PngImage* loadPngImageFromMemory(const std::uint8_t* bytes, std::size_t size);

// Releases a record from loadPngImage and its pixels. Null is accepted.
void freePngImage(PngImage* image);

}  // namespace glimmer
