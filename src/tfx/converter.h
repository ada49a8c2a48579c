// TFX_TCConverter: turns a rectangle of FrameBuffer pixels into CellBuffer cells.
// Virtual operations in slot order: init, convert1x1, convert2x2, convert4x4, destructor, setFlags.
#pragma once

#include <cstdint>

#include "tfx/cell_buffer.h"

namespace glimmer {

class TFX_TCConverter {
 public:
  TFX_TCConverter() = default;
  TFX_TCConverter(const TFX_TCConverter&) = delete;
  TFX_TCConverter& operator=(const TFX_TCConverter&) = delete;

  virtual void init() = 0;
  virtual void convert1x1(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX,
                          int cellY, std::uint8_t* out);
  virtual void convert2x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX,
                          int cellY, std::uint8_t* out) = 0;
  virtual void convert4x4(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX,
                          int cellY, std::uint8_t* out);
  virtual ~TFX_TCConverter() = default;
  virtual void setFlags(int value);

  std::int32_t flags = 0;
};

}  // namespace glimmer
