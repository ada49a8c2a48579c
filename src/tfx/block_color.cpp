// TFX_BlockColor: table building at init, then one average and one table read per cell.
#include "tfx/block_color.h"

#include <bit>
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

// Stores a table entry (glyph + 256 * attribute) as a cell of console colours.
inline void putCell(Cell& cell, std::uint16_t entry) {
  cell = Cell{static_cast<std::uint8_t>(entry), static_cast<std::uint8_t>(entry >> 8)};
}

inline int clampChannel(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

// The table indices of one row of 2x2 blocks. A loop of its own, free of table reads, so the
// compiler can average several blocks at once; built for AVX2 too and chosen at load.
GLIMMER_CLONE_FOR_AVX2 void blockIndices(const std::uint32_t* top, const std::uint32_t* bottom, int columns,
                                         std::uint32_t* indices) {
  for (int c = 0; c < columns; ++c) {
    indices[c] = tableIndex(average4(top[2 * c], top[2 * c + 1], bottom[2 * c], bottom[2 * c + 1]));
  }
}

// The wide grid. A column's two pixels make a cell, except where the picture alternates column by
// column (L R L R ...) in a pattern drawn for the classic grid's 2x2 cells, which the classic grid
// shows as one even shade: Scene2's backdrop fills only every second pixel of every second row,
// and plain columns turn it into hard stripes, one lit and one dark column. There both columns of
// the classic cell's window take the window's 2x2 average, exactly the classic cell.
//
// Why this way, measured on the show's frames at 8, 30, 62, 68, 75, 90, 100, 115, 125 and 140 s,
// each converted on both grids, with each cell's seen colour (glyph coverage x foreground + the
// rest x background). Plain columns: stripe distance (between the two wide cells of a classic cell
// where the classic picture is an even field) 77 at 62 to 75 s, mean difference of the two from
// the classic cell 20 there. Each cell half its column, half its window: stripes 53, mean 22. A
// [1 2 1] filter along the row before the columns: stripes under 1, but every sharp edge and
// 1-pixel line comes out three columns wide, and pictures drawn in 2x2 blocks (the titles at 8 s,
// the letters at 125 s) get fringes the classic grid does not show (mean difference up to 16,
// against 5 for plain columns). The window's own average everywhere: no stripes and no detail.
// Asking the columns around a window to repeat it (a - 1 like a + 1 and a + 2 like a): stripes 0,
// mean 1.6 to 2.4, but a window beside a shape's edge or a lone bright pixel stays striped. This
// rule: stripes 0, mean difference 1.0 to 1.7 at 62 to 75 s; at the other moments and on sharp
// edges, 1-pixel lines and ramps at every column it gives what plain columns give, but for a few
// cells.
//
// Window a (columns a and a + 1 of the rectangle, a even) alternates when its two columns are not
// near each other and the window before it or the one after it is alike it, column for column. A
// 1-pixel line, an edge or a lone pixel has no such neighbour and keeps its columns; a field's
// window beside a shape has one on its other side. The first and last windows have only one
// neighbour. Columns are compared on the table's levels (a channel >> 2), as fine as cells show.
// Alike: within kAlikeLevels either way in every channel; near: within kNearLevels, so that
// alternating takes clearly more than what counts as alike and smooth gradients keep their columns.
constexpr std::uint64_t kAlikeLevels = 2;
constexpr std::uint64_t kNearLevels = 4;

// The decisions take a window (two columns) at a time, its two columns side by side in one 64-bit
// word, the left in the low half, so that every load and store is of whole windows in order and
// the compiler takes several at once without shuffling.
static_assert(std::endian::native == std::endian::little, "a window's left column is its low half");

inline std::uint64_t loadTwo(const std::uint32_t* words) {
  std::uint64_t two;
  std::memcpy(&two, words, sizeof two);
  return two;
}
inline void storeTwo(std::uint32_t* words, std::uint64_t two) { std::memcpy(words, &two, sizeof two); }
inline std::uint64_t swapHalves(std::uint64_t two) { return two >> 32 | two << 32; }
inline std::uint64_t bothHalves(std::uint32_t one) { return static_cast<std::uint64_t>(one) * 0x100000001u; }

constexpr std::uint64_t kRedBlueTwo = 0x00FF00FF00FF00FFu;
constexpr std::uint64_t kGreenTwo = 0x0000FF000000FF00u;

// Each half: the average of a column's two pixels (top and bottom), each channel rounded down as
// the classic grid's average rounds.
inline std::uint64_t columnAverages(std::uint64_t top, std::uint64_t bottom) {
  const std::uint64_t redBlue = (top & kRedBlueTwo) + (bottom & kRedBlueTwo);
  const std::uint64_t green = (top & kGreenTwo) + (bottom & kGreenTwo);
  return ((redBlue >> 1) & kRedBlueTwo) | ((green >> 1) & kGreenTwo);
}

// The average of a window's four pixels, each channel's sum divided by 4 and rounded down: what
// convert2x2 takes for the classic cell.
inline std::uint32_t windowAverage(std::uint64_t top, std::uint64_t bottom) {
  const std::uint64_t redBlue = (top & kRedBlueTwo) + (bottom & kRedBlueTwo);  // sums of two, each half
  const std::uint64_t green = (top & kGreenTwo) + (bottom & kGreenTwo);
  const auto redBlueSum = static_cast<std::uint32_t>(redBlue + (redBlue >> 32));  // sums of four
  const auto greenSum = static_cast<std::uint32_t>(green + (green >> 32));
  return ((redBlueSum >> 2) & 0x00FF00FFu) | ((greenSum >> 2) & 0x0000FF00u);
}

// Each half: a colour's table levels, one a byte (0x00bbggrr, each 0..63), and their table index.
inline std::uint64_t levelsOf(std::uint64_t colours) { return (colours >> 2) & 0x003F3F3F003F3F3Fu; }
inline std::uint64_t indicesOf(std::uint64_t levels) {
  return (levels & 0x0000003F0000003Fu) << 12 | ((levels >> 2) & 0x00000FC000000FC0u) |
         ((levels >> 16) & 0x0000003F0000003Fu);
}

// 1 when, in both halves and every channel, a - b lies from -kBelow to kSize - 1 - kBelow levels
// (kSize a power of two), else 0. Each byte holds 0x40 + a - b + kBelow, which stays within the
// byte, so one subtraction compares all six channels.
template <std::uint64_t kBelow, std::uint64_t kSize>
inline std::uint64_t levelsWithin(std::uint64_t a, std::uint64_t b) {
  static_assert(std::has_single_bit(kSize) && kBelow < kSize && kSize <= 0x40);
  constexpr std::uint64_t kBias = (0x40u + kBelow) * 0x0001010100010101u;
  constexpr std::uint64_t kMask = (0x100u - kSize) * 0x0001010100010101u;
  return static_cast<std::uint64_t>(((a + kBias - b) & kMask) == 0x0040404000404040u);
}

// 1 when, in both halves and every channel, a and b lie within kLevels of each other: the range
// -kLevels .. kSize - 1 - kLevels one way and the other.
template <std::uint64_t kLevels>
inline std::uint64_t levelsNear(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kSize = std::bit_ceil(2 * kLevels + 1);
  return levelsWithin<kLevels, kSize>(a, b) & levelsWithin<kLevels, kSize>(b, a);
}

// The table indices of one row of the wide grid (at most 160 columns): each column's average, or
// both columns of an alternating window its 2x2 average. An odd last column, and rows under 4
// columns, are plain columns. Free of branches and table reads, so the compiler takes several
// windows at once; built for AVX2 too and chosen at load.
GLIMMER_CLONE_FOR_AVX2 void wideIndices(const std::uint32_t* top, const std::uint32_t* bottom, int columns,
                                        std::uint32_t* indices) {
  const int windows = columns / 2;
  // levels[w + 1]: window w's two columns; levels[0] and levels[windows + 1] stand in for the
  // windows before the first and after the last.
  std::uint64_t levels[kWideCellColumns / 2 + 2];
  for (int w = 0; w < windows; ++w) {
    levels[w + 1] = levelsOf(columnAverages(loadTwo(top + 2 * w), loadTwo(bottom + 2 * w)));
  }
  const std::uint64_t last = levelsOf(columnAverages(top[columns - 1], bottom[columns - 1]));
  if (columns % 2 != 0) indices[columns - 1] = static_cast<std::uint32_t>(indicesOf(last));
  if (windows < 2) {
    for (int w = 0; w < windows; ++w) storeTwo(indices + 2 * w, indicesOf(levels[w + 1]));
    return;
  }
  levels[0] = levels[2];                      // before the first window: the one after it
  levels[windows + 1] = levels[windows - 1];  // after the last: the one before it

  for (int w = 0; w < windows; ++w) {
    const std::uint64_t pair = levels[w + 1];  // left, right
    const std::uint64_t repeated =
        levelsNear<kAlikeLevels>(pair, levels[w]) | levelsNear<kAlikeLevels>(pair, levels[w + 2]);
    const std::uint64_t alternates = (levelsNear<kNearLevels>(pair, swapHalves(pair)) ^ 1u) & repeated;
    const std::uint64_t window = bothHalves(tableIndex(windowAverage(loadTwo(top + 2 * w), loadTwo(bottom + 2 * w))));
    const std::uint64_t take = 0u - alternates;  // all ones where the window alternates
    storeTwo(indices + 2 * w, (window & take) | (indicesOf(pair) & ~take));
  }
}

}  // namespace

void TFX_BlockColor::init() {
  if (cellTable == nullptr) cellTable = new std::uint16_t[kBlockTableEntries];
  if (colorTable == nullptr) colorTable = new std::uint8_t[static_cast<std::size_t>(kBlockTableEntries) * 3];
  if (errorBuffer == nullptr) errorBuffer = new std::int8_t[kErrorBytes];
  std::memset(errorBuffer, 0, kErrorBytes);
  buildBlockTable(cellTable, colorTable);
}

void TFX_BlockColor::convert1x1(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                                CellGrid out) {
  const int columns = rect->x1 - rect->x0;
  const int rows = rect->y1 - rect->y0;
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* source = pixels + static_cast<std::ptrdiff_t>(rect->y0 + r) * stride + rect->x0;
    Cell* row = &out.at(cellX, cellY + r);
    for (int c = 0; c < columns; ++c) putCell(row[c], cellTable[tableIndex(source[c])]);
  }
}

void TFX_BlockColor::convert2x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                                CellGrid out) {
  const int columns = (rect->x1 - rect->x0) / 2;
  const int rows = (rect->y1 - rect->y0) / 2;
  const bool feedback = (flags & kErrorFeedback) != 0;
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* top = pixels + static_cast<std::ptrdiff_t>(rect->y0 + 2 * r) * stride + rect->x0;
    const std::uint32_t* bottom = top + stride;
    Cell* row = &out.at(cellX, cellY + r);
    if (!feedback) {
      // A row holds at most 80 cells; wider rectangles go in pieces.
      std::uint32_t indices[kCellColumns];
      for (int start = 0; start < columns; start += kCellColumns) {
        const int count = columns - start < kCellColumns ? columns - start : kCellColumns;
        blockIndices(top + 2 * start, bottom + 2 * start, count, indices);
        for (int c = 0; c < count; ++c) putCell(row[start + c], cellTable[indices[c]]);
      }
      continue;
    }
    for (int c = 0; c < columns; ++c) {
      std::uint32_t colour = average4(top[2 * c], top[2 * c + 1], bottom[2 * c], bottom[2 * c + 1]);
      // The error store is indexed by the cell's number on the 80x50 grid.
      std::int8_t* error = errorBuffer + 3 * ((cellY + r) * kCellColumns + cellX + c);
      int corrected[3];
      for (int channel = 0; channel < 3; ++channel) {
        corrected[channel] = clampChannel(static_cast<int>((colour >> (8 * channel)) & 0xFFu) + error[channel]);
      }
      std::uint32_t index =
          tableIndex(static_cast<std::uint32_t>(corrected[0]) | static_cast<std::uint32_t>(corrected[1]) << 8 |
                     static_cast<std::uint32_t>(corrected[2]) << 16);
      // Every shown colour lies within 82 of its grid colour, so the error fits a signed byte.
      for (int channel = 0; channel < 3; ++channel) {
        error[channel] = static_cast<std::int8_t>(corrected[channel] - colorTable[3 * index + channel]);
      }
      putCell(row[c], cellTable[index]);
    }
  }
}

void TFX_BlockColor::convert4x4(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                                CellGrid out) {
  const int columns = (rect->x1 - rect->x0) / 4;
  const int rows = (rect->y1 - rect->y0) / 4;
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* block = pixels + static_cast<std::ptrdiff_t>(rect->y0 + 4 * r) * stride + rect->x0;
    Cell* row = &out.at(cellX, cellY + r);
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
      putCell(row[c], cellTable[tableIndex(colour)]);
    }
  }
}

void TFX_BlockColor::convert1x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                                CellGrid out) {
  const int columns = rect->x1 - rect->x0;
  const int rows = (rect->y1 - rect->y0) / 2;
  std::uint32_t indices[kWideCellColumns];  // a row holds at most 160 cells; wider ones go in pieces
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* top = pixels + static_cast<std::ptrdiff_t>(rect->y0 + 2 * r) * stride + rect->x0;
    const std::uint32_t* bottom = top + stride;
    Cell* row = &out.at(cellX, cellY + r);
    for (int start = 0; start < columns; start += kWideCellColumns) {
      const int count = columns - start < kWideCellColumns ? columns - start : kWideCellColumns;
      wideIndices(top + start, bottom + start, count, indices);
      for (int c = 0; c < count; ++c) putCell(row[start + c], cellTable[indices[c]]);
    }
  }
}

TFX_BlockColor::~TFX_BlockColor() {
  delete[] errorBuffer;
  delete[] colorTable;
  delete[] cellTable;
}

}  // namespace glimmer
