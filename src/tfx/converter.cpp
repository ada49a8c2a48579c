// TFX_TCConverter: the default 1x1 and 4x4 conversions, made from the subclass's 2x2 one.
#include "tfx/converter.h"

#include <memory>

namespace glimmer {

void TFX_TCConverter::convert1x1(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                                 CellGrid out) {
  const int width = rect->x1 - rect->x0;
  const int height = rect->y1 - rect->y0;
  // An empty or inverted rectangle writes no cells, and must not size a picture from a negative count.
  if (width <= 0 || height <= 0) return;
  // Every pixel becomes a 2x2 block of itself, so the subclass's 2x2 rules apply.
  const int doubledWidth = 2 * width;
  auto picture = std::unique_ptr<std::uint32_t[]>(new std::uint32_t[static_cast<std::size_t>(4) * width * height]);
  for (int j = 0; j < height; ++j) {
    const std::uint32_t* source = pixels + static_cast<std::ptrdiff_t>(rect->y0 + j) * stride + rect->x0;
    std::uint32_t* top = picture.get() + static_cast<std::ptrdiff_t>(2 * j) * doubledWidth;
    std::uint32_t* bottom = top + doubledWidth;
    for (int i = 0; i < width; ++i) {
      top[2 * i] = top[2 * i + 1] = bottom[2 * i] = bottom[2 * i + 1] = source[i];
    }
  }
  const PixelRect whole{0, 0, doubledWidth, 2 * height};
  convert2x2(picture.get(), &whole, doubledWidth, cellX, cellY, out);
}

void TFX_TCConverter::convert4x4(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                                 CellGrid out) {
  const int width = (rect->x1 - rect->x0) / 2;
  const int height = (rect->y1 - rect->y0) / 2;
  if (width <= 0 || height <= 0) return;
  // Halves the picture, then lets the subclass's 2x2 rules make one cell of each 2x2 of halves.
  auto picture = std::unique_ptr<std::uint32_t[]>(new std::uint32_t[static_cast<std::size_t>(width) * height]);
  for (int j = 0; j < height; ++j) {
    const std::uint32_t* top = pixels + static_cast<std::ptrdiff_t>(rect->y0 + 2 * j) * stride + rect->x0;
    const std::uint32_t* bottom = top + stride;
    std::uint32_t* row = picture.get() + static_cast<std::ptrdiff_t>(j) * width;
    for (int i = 0; i < width; ++i) {
      // Each channel rounded down to a multiple of 4 first, so the sum of four carries nothing
      // into the next channel: ((a & FC) + (b & FC) + (c & FC) + (d & FC)) >> 2 per channel.
      row[i] = ((top[2 * i] & 0x00FCFCFCu) + (top[2 * i + 1] & 0x00FCFCFCu) + (bottom[2 * i] & 0x00FCFCFCu) +
                (bottom[2 * i + 1] & 0x00FCFCFCu)) >>
               2;
    }
  }
  const PixelRect whole{0, 0, width, height};
  convert2x2(picture.get(), &whole, width, cellX, cellY, out);
}

void TFX_TCConverter::setFlags(int value) { flags = value; }

}  // namespace glimmer
