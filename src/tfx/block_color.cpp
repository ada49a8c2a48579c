// TFX_BlockColor: table building at init, then one average and one table read per cell.
#include "tfx/block_color.h"

#include <cstddef>
#include <cstring>

#include "tfx/block_table.h"
#include "tfx/target_clones.h"

namespace glimmer {
namespace {

constexpr int kErrorBytes = kCellCount * 3;

// Table index of a packed colour 0x??BBGGRR: (R >> 2) * 4096 + (G >> 2) * 64 + (B >> 2).
inline std::uint32_t tableIndex(std::uint32_t colour) {
  return ((colour & 0xFCu) << 10) | ((colour & 0xFC00u) >> 4) | ((colour >> 18) & 0x3Fu);
}

// The average of four pixels, each channel (a + b + c + d) / 4 rounded down. Red and blue are
// summed in one word, green in another, so no channel carries into the next.
inline std::uint32_t average4(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  std::uint32_t redBlue = (a & 0x00FF00FFu) + (b & 0x00FF00FFu) + (c & 0x00FF00FFu) + (d & 0x00FF00FFu);
  std::uint32_t green = (a & 0x0000FF00u) + (b & 0x0000FF00u) + (c & 0x0000FF00u) + (d & 0x0000FF00u);
  return ((redBlue >> 2) & 0x00FF00FFu) | ((green >> 2) & 0x0000FF00u);
}

// The same for two pixels: each channel (a + b) / 2 rounded down.
inline std::uint32_t average2(std::uint32_t a, std::uint32_t b) {
  const std::uint32_t redBlue = (a & 0x00FF00FFu) + (b & 0x00FF00FFu);
  const std::uint32_t green = (a & 0x0000FF00u) + (b & 0x0000FF00u);
  return ((redBlue >> 1) & 0x00FF00FFu) | ((green >> 1) & 0x0000FF00u);
}

inline void writeCell(std::uint8_t* out, int cellNumber, std::uint16_t cell) {
  out[2 * cellNumber] = static_cast<std::uint8_t>(cell);
  out[2 * cellNumber + 1] = static_cast<std::uint8_t>(cell >> 8);
}

inline int clampChannel(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

// The table indices of one row of 2x2 blocks. A loop of its own, free of table reads, so the
// compiler can average several blocks at once; built for AVX2 too and chosen at load.
GLIMMER_CLONE_FOR_AVX2 void blockIndices(const std::uint32_t* top,
                                                                    const std::uint32_t* bottom, int columns,
                                                                    std::uint32_t* indices) {
  for (int c = 0; c < columns; ++c) {
    indices[c] = tableIndex(average4(top[2 * c], top[2 * c + 1], bottom[2 * c], bottom[2 * c + 1]));
  }
}

// The table indices of one row of 1x2 blocks: each pixel of top with the one below it in bottom.
GLIMMER_CLONE_FOR_AVX2 void pairIndices(const std::uint32_t* top, const std::uint32_t* bottom, int columns,
                                        std::uint32_t* indices) {
  for (int c = 0; c < columns; ++c) indices[c] = tableIndex(average2(top[c], bottom[c]));
}

}  // namespace

void TFX_BlockColor::init() {
  if (cellTable == nullptr) cellTable = new std::uint16_t[kBlockTableEntries];
  if (colorTable == nullptr) colorTable = new std::uint8_t[static_cast<std::size_t>(kBlockTableEntries) * 3];
  if (errorBuffer == nullptr) errorBuffer = new std::int8_t[kErrorBytes];
  std::memset(errorBuffer, 0, kErrorBytes);
  buildBlockTable(cellTable, colorTable);
}

void TFX_BlockColor::convert1x1(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX,
                                int cellY, std::uint8_t* out) {
  const int columns = rect->x1 - rect->x0;
  const int rows = rect->y1 - rect->y0;
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* source = pixels + static_cast<std::ptrdiff_t>(rect->y0 + r) * stride + rect->x0;
    const int rowStart = (cellY + r) * kCellColumns + cellX;
    for (int c = 0; c < columns; ++c) writeCell(out, rowStart + c, cellTable[tableIndex(source[c])]);
  }
}

void TFX_BlockColor::convert2x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX,
                                int cellY, std::uint8_t* out) {
  const int columns = (rect->x1 - rect->x0) / 2;
  const int rows = (rect->y1 - rect->y0) / 2;
  const bool feedback = (flags & kErrorFeedback) != 0;
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* top = pixels + static_cast<std::ptrdiff_t>(rect->y0 + 2 * r) * stride + rect->x0;
    const std::uint32_t* bottom = top + stride;
    const int rowStart = (cellY + r) * kCellColumns + cellX;
    if (!feedback) {
      // A row holds at most 80 cells; wider rectangles go in pieces.
      std::uint32_t indices[kCellColumns];
      for (int start = 0; start < columns; start += kCellColumns) {
        const int count = columns - start < kCellColumns ? columns - start : kCellColumns;
        blockIndices(top + 2 * start, bottom + 2 * start, count, indices);
        for (int c = 0; c < count; ++c) writeCell(out, rowStart + start + c, cellTable[indices[c]]);
      }
      continue;
    }
    for (int c = 0; c < columns; ++c) {
      std::uint32_t colour = average4(top[2 * c], top[2 * c + 1], bottom[2 * c], bottom[2 * c + 1]);
      std::int8_t* error = errorBuffer + 3 * (rowStart + c);
      int corrected[3];
      for (int channel = 0; channel < 3; ++channel) {
        corrected[channel] = clampChannel(static_cast<int>((colour >> (8 * channel)) & 0xFFu) + error[channel]);
      }
      std::uint32_t index = tableIndex(static_cast<std::uint32_t>(corrected[0]) |
                                       static_cast<std::uint32_t>(corrected[1]) << 8 |
                                       static_cast<std::uint32_t>(corrected[2]) << 16);
      // Every shown colour lies within 82 of its grid colour, so the error fits a signed byte.
      for (int channel = 0; channel < 3; ++channel) {
        error[channel] = static_cast<std::int8_t>(corrected[channel] - colorTable[3 * index + channel]);
      }
      writeCell(out, rowStart + c, cellTable[index]);
    }
  }
}

void TFX_BlockColor::convert4x4(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX,
                                int cellY, std::uint8_t* out) {
  const int columns = (rect->x1 - rect->x0) / 4;
  const int rows = (rect->y1 - rect->y0) / 4;
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* block = pixels + static_cast<std::ptrdiff_t>(rect->y0 + 4 * r) * stride + rect->x0;
    const int rowStart = (cellY + r) * kCellColumns + cellX;
    for (int c = 0; c < columns; ++c) {
      // Sixteen values of at most 255 fit 12 bits, so red and blue share a word again.
      std::uint32_t redBlue = 0;
      std::uint32_t green = 0;
      for (int j = 0; j < 4; ++j) {
        const std::uint32_t* row = block + static_cast<std::ptrdiff_t>(j) * stride + 4 * c;
        for (int i = 0; i < 4; ++i) {
          redBlue += row[i] & 0x00FF00FFu;
          green += row[i] & 0x0000FF00u;
        }
      }
      std::uint32_t colour = ((redBlue >> 4) & 0x00FF00FFu) | ((green >> 4) & 0x0000FF00u);
      writeCell(out, rowStart + c, cellTable[tableIndex(colour)]);
    }
  }
}

void TFX_BlockColor::convert1x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX,
                                int cellY, std::uint8_t* out) {
  const int columns = rect->x1 - rect->x0;
  const int rows = (rect->y1 - rect->y0) / 2;
  std::uint32_t indices[kWideCellColumns];  // a row holds at most 160 cells; wider ones go in pieces
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* top = pixels + static_cast<std::ptrdiff_t>(rect->y0 + 2 * r) * stride + rect->x0;
    const std::uint32_t* bottom = top + stride;
    const int rowStart = (cellY + r) * kWideCellColumns + cellX;
    for (int start = 0; start < columns; start += kWideCellColumns) {
      const int count = columns - start < kWideCellColumns ? columns - start : kWideCellColumns;
      pairIndices(top + start, bottom + start, count, indices);
      for (int c = 0; c < count; ++c) writeCell(out, rowStart + start + c, cellTable[indices[c]]);
    }
  }
}

TFX_BlockColor::~TFX_BlockColor() {
  delete[] errorBuffer;
  delete[] colorTable;
  delete[] cellTable;
}

}  // namespace glimmer
