// FrameEncoder: code page 437 cells to UTF-8 text and SGR colours, whole or only what changed.
#include "console/frame_encoder.h"

#include <cstring>

#include "base/cell_buffer.h"
#include "base/palette.h"
#include "console/cp437.h"

namespace glimmer {
namespace {

// Every fixed sequence the encoder writes.
constexpr char kBeginFrame[] = "\x1b[?2026h";
constexpr char kEndFrame[] = "\x1b[?2026l";

constexpr std::uint8_t kFullBlock = 219;

// A look is what a cell shows: a solid colour X is kFullBlock | X << 8; anything else is the cell
// itself, glyph | attribute << 8.
inline std::uint16_t lookOf(Cell cell) {
  const int foreground = cell.foreground();
  const int background = cell.background();
  if (cell.glyph == kFullBlock || foreground == background) {
    return static_cast<std::uint16_t>(kFullBlock | foreground << 8);
  }
  if (cell.glyph == 0 || cell.glyph == ' ') return static_cast<std::uint16_t>(kFullBlock | background << 8);
  return static_cast<std::uint16_t>(cell.glyph | cell.attribute << 8);
}

inline bool isSolid(std::uint16_t look) { return (look & 0xF0FF) == kFullBlock; }

inline void put(char*& at, const char* text, std::size_t length) {
  std::memcpy(at, text, length);
  at += length;
}

inline std::size_t digitCount(unsigned value) {
  std::size_t count = 1;
  while (value >= 10) {
    value /= 10;
    ++count;
  }
  return count;
}

inline void putNumber(char*& at, unsigned value) {
  std::size_t count = digitCount(value);
  for (std::size_t i = count; i > 0; --i) {
    at[i - 1] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  at += count;
}

// CSI row;column H, 1-based, the column left out when it is 1.
void putCursorPosition(char*& at, unsigned row, unsigned column) {
  put(at, "\x1b[", 2);
  putNumber(at, row);
  if (column != 1) {
    *at++ = ';';
    putNumber(at, column);
  }
  *at++ = 'H';
}

// CSI n C: n cells to the right; the count is left out when it is 1.
inline std::size_t cursorForwardCost(int count) {
  return count == 1 ? 3 : 3 + digitCount(static_cast<unsigned>(count));
}

void putCursorForward(char*& at, int count) {
  put(at, "\x1b[", 2);
  if (count != 1) putNumber(at, static_cast<unsigned>(count));
  *at++ = 'C';
}

inline int clampTo(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

FrameEncoder::FrameEncoder() : buffer_(new char[kMaxFrameBytes]), previous_(new std::uint16_t[kMaxCellCount]()) {
  for (int colour = 0; colour < 16; ++colour) {
    char text[24];
    auto store = [&](Parameters& parameters) {
      parameters.length = static_cast<std::uint8_t>(std::strlen(text));
      std::memcpy(parameters.text, text, parameters.length);
    };
    const int intensity = colour & 8;
    const int ansi = ansiColorOf(colour);
    char* at = text;
    putNumber(at, static_cast<unsigned>((intensity ? 90 : 30) + ansi));
    *at = '\0';
    store(foregrounds_[0][colour]);
    at = text;
    putNumber(at, static_cast<unsigned>((intensity ? 100 : 40) + ansi));
    *at = '\0';
    store(backgrounds_[0][colour]);
    for (int plane = 0; plane < 2; ++plane) {
      at = text;
      put(at, plane == 0 ? "38;2;" : "48;2;", 5);
      for (int channel = 0; channel < 3; ++channel) {
        if (channel > 0) *at++ = ';';
        putNumber(at, static_cast<unsigned>(kConsolePalette[colour][channel]));
      }
      *at = '\0';
      store(plane == 0 ? foregrounds_[1][colour] : backgrounds_[1][colour]);
    }
  }
}

FrameEncoder::~FrameEncoder() = default;

void FrameEncoder::setColorMode(ColorMode mode) {
  if (mode != mode_) invalidate();
  mode_ = mode;
}

void FrameEncoder::invalidate() {
  whole_ = true;
  colours_ = {-1, -1};
}

// SGR for whichever of the two colours differs from what is selected; -1 asks for no change.
void FrameEncoder::emitSelect(int foreground, int background, Colours& colours, char*& at) const {
  const bool changeForeground = foreground >= 0 && foreground != colours.foreground;
  const bool changeBackground = background >= 0 && background != colours.background;
  if (!changeForeground && !changeBackground) return;
  const int mode = mode_ == ColorMode::TrueColor ? 1 : 0;
  put(at, "\x1b[", 2);
  if (changeForeground) {
    put(at, foregrounds_[mode][foreground].text, foregrounds_[mode][foreground].length);
    colours.foreground = foreground;
  }
  if (changeForeground && changeBackground) *at++ = ';';
  if (changeBackground) {
    put(at, backgrounds_[mode][background].text, backgrounds_[mode][background].length);
    colours.background = background;
  }
  *at++ = 'm';
}

void FrameEncoder::emitLook(std::uint16_t look, Colours& colours, char*& at) const {
  const int foreground = (look >> 8) & 15;
  if (isSolid(look)) {
    // Always a blank on the colour: a full block leaves a seam of background under it in
    // terminals whose glyphs do not fill the cell's height.
    emitSelect(-1, foreground, colours, at);
    *at++ = ' ';
    return;
  }
  emitSelect(foreground, look >> 12, colours, at);
  const Utf8Glyph& glyph = cp437ToUtf8(static_cast<std::uint8_t>(look));
  put(at, glyph.bytes, glyph.length);
}

// Bytes that sending looks [begin, end) would take from the current colours, counted until they
// pass limit.
std::size_t FrameEncoder::costOf(const std::uint16_t* looks, int begin, int end, std::size_t limit) const {
  char scratch[64];
  Colours colours = colours_;
  std::size_t cost = 0;
  for (int c = begin; c < end && cost <= limit; ++c) {
    char* at = scratch;
    emitLook(looks[c], colours, at);
    cost += static_cast<std::size_t>(at - scratch);
  }
  return cost;
}

const char* FrameEncoder::encode(CellView cells, int originColumn, int originRow, int visibleColumns, int visibleRows,
                                 std::size_t& size) {
  if (cells.width != columns_) {
    invalidate();  // another grid: what is remembered of the previous frame no longer lines up
    columns_ = clampTo(cells.width, 0, kWideCellColumns);
  }
  const int columns = clampTo(visibleColumns, 0, columns_);
  const int rows = clampTo(visibleRows, 0, clampTo(cells.height, 0, kCellRows));
  const unsigned firstColumn = static_cast<unsigned>(originColumn < 0 ? 0 : originColumn) + 1;
  const unsigned firstRow = static_cast<unsigned>(originRow < 0 ? 0 : originRow) + 1;
  const bool whole = whole_;

  char* at = buffer_.get();
  if (synchronized_) put(at, kBeginFrame, sizeof kBeginFrame - 1);
  if (whole) {
    put(at, kClearScreen, sizeof kClearScreen - 1);
    colours_ = {-1, -1};
  }

  std::uint16_t looks[kWideCellColumns];
  bool changed[kWideCellColumns];
  bool anyChanged = whole;
  for (int r = 0; r < rows; ++r) {
    const Cell* row = &cells.at(0, r);
    std::uint16_t* previous = previous_.get() + columns_ * r;
    int first = -1;
    for (int c = 0; c < columns; ++c) {
      looks[c] = lookOf(row[c]);
      changed[c] = whole || looks[c] != previous[c];
      if (changed[c] && first < 0) first = c;
    }
    if (first < 0) continue;
    anyChanged = true;

    putCursorPosition(at, firstRow + static_cast<unsigned>(r), firstColumn + static_cast<unsigned>(first));
    for (int c = first; c < columns;) {
      if (changed[c]) {
        emitLook(looks[c], colours_, at);
        previous[c] = looks[c];
        ++c;
        continue;
      }
      int end = c;
      while (end < columns && !changed[end]) ++end;
      if (end == columns) break;
      const std::size_t moveCost = cursorForwardCost(end - c);
      if (moveCost < costOf(looks, c, end, moveCost)) {
        putCursorForward(at, end - c);
      } else {
        for (int same = c; same < end; ++same) emitLook(looks[same], colours_, at);
      }
      c = end;
    }
  }

  if (synchronized_) put(at, kEndFrame, sizeof kEndFrame - 1);
  whole_ = false;
  unchanged_ = !anyChanged;
  size = static_cast<std::size_t>(at - buffer_.get());
  return buffer_.get();
}

}  // namespace glimmer
