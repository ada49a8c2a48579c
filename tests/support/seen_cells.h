// SeenCell: what a person sees in a cell, so that two ways of drawing the same thing compare equal.
// A blank, an empty cell, a full block and any glyph in two equal colours are one solid colour; an
// upper half block and a lower one with its colours the other way round are the same two pixels
// (and two equal pixels are solid); any other glyph is itself in its two colours.
//
// seenOnScreen reads it from a cell of libvterm's screen, seenOfCell from a Cell as the frame
// encoder must show it. Colours are 0xRRGGBB, or kIndexed | n for the indexed colour n, or
// kDefaultColour for the terminal's own foreground or background.
#pragma once

#include <vterm.h>

#include <cstdint>

#include "base/cell_buffer.h"
#include "base/display_choices.h"
#include "base/palette.h"
#include "console/cp437.h"
#include "console/frame_encoder.h"

namespace glimmer::testing {

inline constexpr std::uint32_t kIndexed = 1u << 24;
inline constexpr std::uint32_t kDefaultColour = 1u << 25;
inline constexpr char32_t kUpperHalf = 0x2580;
inline constexpr char32_t kLowerHalf = 0x2584;
inline constexpr char32_t kFull = 0x2588;

struct SeenCell {
  char32_t glyph = ' ';     // ' ' for a solid colour, kUpperHalf for two pixels, else the glyph
  std::uint32_t first = 0;  // the solid colour, the top pixel, or the glyph's foreground
  std::uint32_t second = 0;  // 0, the bottom pixel, or the glyph's background
  bool operator==(const SeenCell&) const = default;
};

inline SeenCell seenOf(char32_t glyph, std::uint32_t foreground, std::uint32_t background) {
  if (glyph == 0 || glyph == ' ') return {' ', background, 0};
  if (glyph == kFull || foreground == background) return {' ', foreground, 0};
  if (glyph == kLowerHalf) return {kUpperHalf, background, foreground};
  return {glyph, foreground, background};
}

inline std::uint32_t screenColour(const VTermColor& colour, bool background) {
  if (background ? VTERM_COLOR_IS_DEFAULT_BG(&colour) : VTERM_COLOR_IS_DEFAULT_FG(&colour)) return kDefaultColour;
  if (VTERM_COLOR_IS_INDEXED(&colour)) return kIndexed | colour.indexed.idx;
  return (std::uint32_t{colour.rgb.red} << 16) | (std::uint32_t{colour.rgb.green} << 8) | colour.rgb.blue;
}

// A cell holding more than one character (a combining mark) is seen as U+FFFD.
inline SeenCell seenOnScreen(const VTermScreenCell& cell) {
  const std::uint32_t foreground = screenColour(cell.fg, false);
  const std::uint32_t background = screenColour(cell.bg, true);
  const char32_t glyph = cell.chars[0] != 0 && cell.chars[1] != 0 ? 0xFFFD : cell.chars[0];
  if (cell.attrs.reverse) return seenOf(glyph, background, foreground);
  return seenOf(glyph, foreground, background);
}

inline SeenCell seenOnScreen(VTermScreen* screen, int column, int row) {
  VTermScreenCell cell;
  vterm_screen_get_cell(screen, VTermPos{row, column}, &cell);
  return seenOnScreen(cell);
}

// A console colour as a screen reports it: its RGB in 24-bit mode, else the ANSI index (which
// numbers red as bit 0 and blue as bit 2).
inline std::uint32_t consoleColourSeen(int colour, ColorMode mode) {
  if (mode == ColorMode::TrueColor) {
    const std::int32_t* rgb = kConsolePalette[colour];
    return static_cast<std::uint32_t>(rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
  }
  return kIndexed | static_cast<std::uint32_t>(ansiColorOf(colour) | (colour & 8));
}

// A direct colour (0x00BBGGRR) as a screen reports it.
inline std::uint32_t directColourSeen(std::uint32_t word) {
  return (word & 0xFFu) << 16 | (word & 0xFF00u) | (word >> 16 & 0xFFu);
}

inline SeenCell seenOfCell(const Cell& cell, ColorMode mode) {
  const bool direct = cell.direct && mode == ColorMode::TrueColor;
  const std::uint32_t foreground =
      direct ? directColourSeen(cell.foregroundRgb) : consoleColourSeen(cell.foreground(), mode);
  const std::uint32_t background =
      direct ? directColourSeen(cell.backgroundRgb) : consoleColourSeen(cell.background(), mode);
  return seenOf(cp437ToUnicode(cell.glyph), foreground, background);
}

}  // namespace glimmer::testing
