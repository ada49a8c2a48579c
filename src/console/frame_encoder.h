// FrameEncoder: turns a grid of cells into the bytes that make a terminal show it.
//
// A frame is wrapped in synchronized output (CSI ?2026h ... CSI ?2026l), where the display knows
// it, so it never shows half a frame. Glyphs are code page 437 written as UTF-8; colours are SGR,
// either the 16 ANSI colours (a cell's attribute) or 24-bit colours (a direct cell's own, else the
// show's palette), sent only when they change. Cells whose look is unchanged since the previous
// frame are left alone; the first frame, and the first after invalidate or a change of colour
// mode, clears the display and is drawn whole.
//
// Cells that look the same are sent alike, and a row's changes are sent in as few bytes as the
// sequences below allow, chosen cell by cell for the whole row at once:
// - a full block in colour X, a blank (code 0 or 32) on background X and any glyph whose two
//   colours are both X are one solid cell of X, drawn as a blank on background X (a full block
//   glyph leaves a seam under it in many terminals), so it needs only the background colour;
// - an upper half block (a pixel over a pixel) may be drawn as the lower half block with its two
//   colours the other way round, whichever needs fewer colour changes; its two pixels alike make a
//   solid cell;
// - a run of solid cells of one colour may be erased (ECH) instead of written;
// - unchanged cells are skipped with a cursor move (CUF) or written again, whichever is shorter;
// - a colour needed by the next glyph may be set together with a background set for a blank;
// - a row is reached with CR and LF from the row above when that is shorter than a cursor
//   position (CUP).
// Nothing else is substituted; shades are never traded for other shades with swapped colours.
//
// Every sequence is one that every terminal the show is made for (xterm, VTE terminals, kitty,
// Konsole, Alacritty, foot, urxvt, tmux, the Linux console, Windows Terminal, and the players of
// recordings) does alike: CUP, CUF, CR, LF, SGR 30-37, 90-97, 40-47, 100-107, 38;2 and 48;2, and
// ECH, which erases with the current background colour there (the background colour erase of
// xterm and of ECMA-48's erasure with the current rendition). REP (CSI b), which would repeat a
// glyph, is not among them: urxvt and the Linux console ignore it. LF moves one row down and never
// scrolls here: it is sent only to reach a row of the grid below the cursor.
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
  // both colours in 24 bits (36) and a glyph (3); the frame's prefix and suffix take 24. A run of
  // erased cells takes less than writing it.
  static constexpr std::size_t kMaxFrameBytes = 24 + 50 * (26 + 160 * (5 + 36 + 3));

  // Allocates the output buffer for the largest frame and the row planner; encode allocates nothing.
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

  struct RowPlan;  // the planner's working memory for one row (frame_encoder.cpp)

 private:
  struct Colours {
    std::uint32_t foreground;  // kUnknownColour: not known
    std::uint32_t background;
  };

  void emitRow(const std::uint64_t* seen, unsigned firstColumn, char*& at);
  void emitSelect(std::uint32_t foreground, std::uint32_t background, char*& at);
  void putColour(std::uint32_t colour, bool background, char*& at) const;

  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<std::uint64_t[]> previous_;  // what every cell was last seen as
  std::unique_ptr<RowPlan> plan_;
  ColorMode mode_ = ColorMode::Ansi16;
  bool whole_ = true;
  bool unchanged_ = false;
  bool synchronized_ = true;
  int columns_ = 80;
  Colours colours_;  // what the terminal has selected after the last frame
};

}  // namespace glimmer
