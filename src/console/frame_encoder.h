// FrameEncoder: turns a CellBuffer into the bytes that make a terminal show it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace glimmer {

enum class ColorMode { Ansi16, TrueColor };

class FrameEncoder {
 public:
  FrameEncoder();
  FrameEncoder(const FrameEncoder&) = delete;
  FrameEncoder& operator=(const FrameEncoder&) = delete;
  ~FrameEncoder();

  void setColorMode(ColorMode mode);
  // The next frame is drawn whole.
  void invalidate();

  // Encodes the 80x50 cells with the grid's top-left cell at terminal cell (originColumn,
  // originRow), 0-based, drawing only the visibleColumns x visibleRows that fit. The bytes stay
  // valid until the next call.
  const char* encode(const std::uint8_t* cells, int originColumn, int originRow, int visibleColumns,
                     int visibleRows, std::size_t& size);
};

}  // namespace glimmer
