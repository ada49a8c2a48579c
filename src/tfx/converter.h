// TFX_TCConverter: turns a rectangle of FrameBuffer pixels into cells.
// Virtual operations in slot order: init, convert1x1, convert2x2, convert4x4, destructor, setFlags,
// then convert1x2 for the wide grid.
//
// Every conversion reads pixels (words 0x00BBGGRR, top byte ignored) inside rect, stride pixels
// from one row to the next, and writes the rectangle's cells into out starting at cell (cellX,
// cellY); every other cell of out keeps its content. A zero or negative count of cells writes
// nothing. The caller keeps the rectangle inside the picture and its cells inside out; nothing is
// clipped.
#pragma once

#include <cstdint>

#include "base/cell_buffer.h"

namespace glimmer {

class TFX_TCConverter {
 public:
  TFX_TCConverter() = default;
  TFX_TCConverter(const TFX_TCConverter&) = delete;
  TFX_TCConverter& operator=(const TFX_TCConverter&) = delete;

  // Builds what the conversions need; called once, before any conversion.
  virtual void init() = 0;
  // One cell per pixel: (x1 - x0) x (y1 - y0) cells. By default each pixel is made a 2x2 block of
  // itself in a temporary picture that convert2x2 converts.
  virtual void convert1x1(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                          CellGrid out);
  // One cell per 2x2 block: (x1 - x0) / 2 x (y1 - y0) / 2 cells; an odd last column or row is not read.
  virtual void convert2x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                          CellGrid out) = 0;
  // One cell per 4x4 block: (x1 - x0) / 4 x (y1 - y0) / 4 cells. By default each 2x2 block is
  // averaged (channels rounded down to multiples of 4 first) into a temporary picture that
  // convert2x2 converts.
  virtual void convert4x4(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                          CellGrid out);
  virtual ~TFX_TCConverter() = default;
  virtual void setFlags(int value);
  // The wide grid's conversion: one cell per 1x2 block (one pixel column, two rows), (x1 - x0) x
  // (y1 - y0) / 2 cells; an odd last row is not read. A block
  // may also look at its neighbours in the row, so that the picture keeps the classic grid's look.
  virtual void convert1x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                          CellGrid out) = 0;

  std::int32_t flags = 0;  // option bits, 0 when created
};

}  // namespace glimmer
