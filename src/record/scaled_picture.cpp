#include "record/scaled_picture.h"

#include <cmath>
#include <cstring>

namespace glimmer {
namespace {

// Enlarges a plane of width x height samples of `size` bytes each: every row is drawn once with
// each sample repeated scale times, and copied into the scale - 1 rows below it.
void enlargePlane(const std::uint8_t* in, int width, int height, int size, int scale, std::uint8_t* out) {
  const std::size_t inRow = static_cast<std::size_t>(width) * size;
  const std::size_t outRow = inRow * scale;
  if (scale == 1) {
    std::memcpy(out, in, inRow * height);
    return;
  }
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = in + y * inRow;
    std::uint8_t* const first = out + static_cast<std::size_t>(y) * scale * outRow;
    std::uint8_t* to = first;
    for (int x = 0; x < width; ++x, from += size) {
      for (int repeat = 0; repeat < scale; ++repeat) {
        for (int byte = 0; byte < size; ++byte) *to++ = from[byte];
      }
    }
    for (int repeat = 1; repeat < scale; ++repeat) std::memcpy(first + repeat * outRow, first, outRow);
  }
}

constexpr double kRed = 0.2126;  // BT.709's weights of red and blue in Y'; green has the rest
constexpr double kBlue = 0.0722;

std::uint8_t rounded(double value) { return static_cast<std::uint8_t>(std::lround(value)); }

}  // namespace

void enlargeRgb(const std::uint8_t* rgb, int width, int height, int scale, std::uint8_t* out) {
  enlargePlane(rgb, width, height, 3, scale, out);
}

YCbCr yCbCrOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const double luma = kRed * red + (1.0 - kRed - kBlue) * green + kBlue * blue;  // 0 to 255
  return {rounded(16.0 + luma * (219.0 / 255.0)),
          rounded(128.0 + (blue - luma) / (2.0 * (1.0 - kBlue)) * (224.0 / 255.0)),
          rounded(128.0 + (red - luma) / (2.0 * (1.0 - kRed)) * (224.0 / 255.0))};
}

YCbCrPicture::YCbCrPicture(int width, int height, int scale, Chroma chroma)
    : width_(width),
      height_(height),
      scale_(scale),
      chromaScale_(chroma == Chroma::Half ? scale / 2 : scale),
      lumaBytes_(static_cast<std::size_t>(width) * height * scale * scale),
      chromaBytes_(static_cast<std::size_t>(width) * height * chromaScale_ * chromaScale_),
      small_(new std::uint8_t[static_cast<std::size_t>(width) * height * 3]),
      planes_(new std::uint8_t[lumaBytes_ + 2 * chromaBytes_]) {}

void YCbCrPicture::convert(const std::uint8_t* rgb) {
  const std::size_t pixels = static_cast<std::size_t>(width_) * height_;
  std::uint8_t* const y = small_.get();
  std::uint8_t* const cb = y + pixels;
  std::uint8_t* const cr = cb + pixels;
  // A picture of cells has few colours, and a glyph's dots alternate between two of them: a pixel
  // of one of the last two colours met takes its result.
  std::uint32_t keys[2] = {0, 0};
  YCbCr known[2] = {yCbCrOf(0, 0, 0), yCbCrOf(0, 0, 0)};
  int older = 0;
  for (std::size_t n = 0; n < pixels; ++n, rgb += 3) {
    const std::uint32_t key = rgb[0] | rgb[1] << 8 | rgb[2] << 16;
    YCbCr colour;
    if (key == keys[0]) {
      colour = known[0];
    } else if (key == keys[1]) {
      colour = known[1];
    } else {
      colour = yCbCrOf(rgb[0], rgb[1], rgb[2]);
      keys[older] = key;
      known[older] = colour;
      older ^= 1;
    }
    y[n] = colour.y;
    cb[n] = colour.cb;
    cr[n] = colour.cr;
  }
  std::uint8_t* const out = planes_.get();
  enlargePlane(y, width_, height_, 1, scale_, out);
  enlargePlane(cb, width_, height_, 1, chromaScale_, out + lumaBytes_);
  enlargePlane(cr, width_, height_, 1, chromaScale_, out + lumaBytes_ + chromaBytes_);
}

}  // namespace glimmer
