// PNG decoding with libpng (png_create_read_struct, png_set_read_fn, png_read_info, the expand and
// order transforms, png_read_image, png_read_end, png_destroy_read_struct) and stdio (fopen, fread).
//
// libpng reports errors by longjmp back to the setjmp in decodeImage. Only plain data lives in that
// function's frame, and everything allocated there is recorded in a Decoding the caller owns, so a
// longjmp skips no destructor and the caller frees what was allocated on every path.
//
// LIMITATIONS: gamma, colour profile and background chunks are ignored; the whole file must decode
// (a file cut short after its last pixel row but before its end marker is refused); libpng's own
// chunk size limit applies to ancillary chunks.
#include "image/png_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace glimmer {
namespace {

// What decodeImage allocates; freed by decodeFrom whatever the outcome.
struct Decoding {
  std::uint8_t* pixels = nullptr;
  png_bytep* rows = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitsPerPixel = 0;
};

struct MemoryInput {
  const std::uint8_t* bytes;
  std::size_t size;
  std::size_t offset;
};

[[noreturn]] void stopDecoding(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void ignoreWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep data, std::size_t length) {
  auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (length > input->size - input->offset) png_error(png, "unexpected end of data");
  std::memcpy(data, input->bytes + input->offset, length);
  input->offset += length;
}

void readFromFile(png_structp png, png_bytep data, std::size_t length) {
  auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
  if (std::fread(data, 1, length, file) != length) png_error(png, "unexpected end of file");
}

// Reads the whole image into decoding. False on any libpng error or an unusable layout.
bool decodeImage(png_structp png, png_infop info, Decoding* decoding) {
  if (setjmp(png_jmpbuf(png))) return false;

  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_read_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (width == 0 || height == 0 || width > static_cast<png_uint_32>(kMaxImageSide) ||
      height > static_cast<png_uint_32>(kMaxImageSide)) {
    return false;
  }

  const int colorType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  const bool transparentEntry = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  const bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || transparentEntry;

  if (bitDepth == 16) png_set_scale_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (transparentEntry) png_set_tRNS_to_alpha(png);
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  if (hasAlpha) png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int channels = png_get_channels(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  if (png_get_bit_depth(png, info) != 8 || channels != (hasAlpha ? 4 : 3) ||
      rowBytes != static_cast<std::size_t>(width) * static_cast<std::size_t>(channels)) {
    return false;
  }

  decoding->pixels = static_cast<std::uint8_t*>(std::malloc(rowBytes * height));
  decoding->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (decoding->pixels == nullptr || decoding->rows == nullptr) return false;
  for (png_uint_32 row = 0; row < height; ++row) decoding->rows[row] = decoding->pixels + row * rowBytes;

  png_read_image(png, decoding->rows);
  png_read_end(png, nullptr);

  decoding->width = static_cast<std::int32_t>(width);
  decoding->height = static_cast<std::int32_t>(height);
  decoding->bitsPerPixel = channels * 8;
  return true;
}

PngImage* decodeFrom(void* input, png_rw_ptr readFunction) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopDecoding, ignoreWarning);
  if (png == nullptr) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  png_set_read_fn(png, input, readFunction);

  Decoding decoding;
  const bool decoded = decodeImage(png, info, &decoding);
  png_destroy_read_struct(&png, &info, nullptr);
  std::free(decoding.rows);
  if (!decoded) {
    std::free(decoding.pixels);
    return nullptr;
  }

  auto* image = new (std::nothrow) PngImage;
  if (image == nullptr) {
    std::free(decoding.pixels);
    return nullptr;
  }
  image->width = decoding.width;
  image->height = decoding.height;
  image->bitsPerPixel = decoding.bitsPerPixel;
  image->pixels = decoding.pixels;
  return image;
}

}  // namespace

PngImage* loadPngImage(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return nullptr;
  PngImage* image = decodeFrom(file, readFromFile);
  std::fclose(file);
  return image;
}

PngImage* loadPngImageFromMemory(const std::uint8_t* bytes, std::size_t size) {
  MemoryInput input{bytes, size, 0};
  return decodeFrom(&input, readFromMemory);
}

void freePngImage(PngImage* image) {
  if (image == nullptr) return;
  std::free(image->pixels);
  delete image;
}

}  // namespace glimmer
