// FrameEncoder: turns a grid of cells into the bytes that make a terminal show it.
//
// A frame is wrapped in synchronized output (CSI ?2026h ... CSI ?2026l), where the display knows
// it, so it never shows half a frame. Glyphs are code page 437 written as UTF-8; colours are SGR, either the
// 16 ANSI colours or 24-bit colours of the show's own palette, sent only when they change. Cells
// whose look is unchanged since the previous frame are skipped with a cursor move where that is
// shorter. The first frame, and the first after invalidate or a change of colour mode, clears the
// display and is drawn whole.
//
// Cells that look the same are sent alike: a full block in colour X, a blank (code 0 or 32) on
// background X and any glyph whose foreground and background are both X are one solid cell of X,
// always drawn as a blank on background X (a full block glyph leaves a seam under it in many
// terminals). Nothing else is substituted; shades are never traded for other shades with swapped
// colours.
//
// The bytes depend only on the frames encoded since the last invalidate, never on time or memory
// addresses, so a recording of them replays the show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/cell_buffer.h"
#include "base/display_choices.h"

namespace glimmer {

// Default colours, then the whole display blank: how a whole frame, and the intro redrawn, begin.
inline constexpr char kClearScreen[] = "\x1b[0m\x1b[2J";

// The ANSI number (0..7) of a console colour's low three bits: ANSI counts red as bit 0 and blue
// as bit 2, the console the other way round. Intensity (bit 3) is not part of it. The swap is its
// own inverse, so it also gives the console colour of an ANSI number.
constexpr int ansiColorOf(int colour) { return (colour & 1) << 2 | (colour & 2) | (colour & 4) >> 2; }

// The show's 16 colours in ANSI order (black, red, green, yellow, blue, magenta, cyan, white, then
// the bright ones): what a display's palette must hold for the 16-colour codes the encoder writes
// to show the show's own colours.
struct AnsiPalette {
  std::int32_t colours[16][3];
};
constexpr AnsiPalette ansiPaletteOf(const std::int32_t (&console)[16][3]) {
  AnsiPalette palette{};
  for (int colour = 0; colour < 16; ++colour) {
    for (int channel = 0; channel < 3; ++channel) {
      palette.colours[(colour & 8) | ansiColorOf(colour)][channel] = console[colour][channel];
    }
  }
  return palette;
}

class FrameEncoder {
 public:
  // Cursor position (up to 26 bytes), then per cell of the widest grid at most a cursor move (5),
  // both colours in 24 bits (36) and a glyph (3); the frame's prefix and suffix take 24.
  static constexpr std::size_t kMaxFrameBytes = 24 + 50 * (26 + 160 * (5 + 36 + 3));

  // Allocates the output buffer for the largest frame; encode allocates nothing.
  FrameEncoder();
  FrameEncoder(const FrameEncoder&) = delete;
  FrameEncoder& operator=(const FrameEncoder&) = delete;
  ~FrameEncoder();

  // Chooses ANSI or 24-bit colours; a change draws the next frame whole.
  void setColorMode(ColorMode mode);
  // Whether frames are wrapped in the synchronized-output pair (on until told otherwise).
  void setSynchronizedOutput(bool on) { synchronized_ = on; }
  // The next frame is drawn whole, the display cleared first, and no colour is taken as set.
  void invalidate();

  // Encodes the grid's cells (up to 160x50) with its top-left cell at terminal cell (originColumn,
  // originRow), 0-based, drawing only the visibleColumns x visibleRows that fit. A grid of another
  // width than the previous frame's is drawn whole. The bytes stay valid until the next call.
  const char* encode(CellView cells, int originColumn, int originRow, int visibleColumns, int visibleRows,
                     std::size_t& size);

  // True when the last frame encoded changed nothing on the display: it holds only the
  // synchronized-output pair, and a display that already shows the previous frame needs none of it.
  bool lastFrameChangedNothing() const { return unchanged_; }

 private:
  struct Parameters {
    char text[16];
    std::uint8_t length;
  };
  struct Colours {
    int foreground;  // -1: not known
    int background;
  };

  void emitSelect(int foreground, int background, Colours& colours, char*& at) const;
  void emitLook(std::uint16_t look, Colours& colours, char*& at) const;
  std::size_t costOf(const std::uint16_t* looks, int begin, int end, std::size_t limit) const;

  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<std::uint16_t[]> previous_;  // the look of every cell last sent
  Parameters foregrounds_[2][16];              // SGR parameters by colour mode and console colour
  Parameters backgrounds_[2][16];
  ColorMode mode_ = ColorMode::Ansi16;
  bool whole_ = true;
  bool unchanged_ = false;
  bool synchronized_ = true;
  int columns_ = 80;
  Colours colours_{-1, -1};  // what the terminal has selected after the last frame
};

}  // namespace glimmer
