// EmulatedScreen: a real terminal emulator (libvterm) that tests feed the program's output to, and
// then read back as a person would see it: characters, colours, cursor visibility, which screen.
#pragma once

#include <gtest/gtest.h>
#include <vterm.h>

#include <cstdint>
#include <string>
#include <utility>

#include "base/cell_buffer.h"
#include "base/palette.h"
#include "console/cp437.h"
#include "console/frame_encoder.h"
#include "support/seen_cells.h"

namespace glimmer::testing {

class EmulatedScreen {
 public:
  EmulatedScreen(int columns, int rows) : columns_(columns), rows_(rows) {
    terminal_ = vterm_new(rows, columns);
    vterm_set_utf8(terminal_, 1);
    screen_ = vterm_obtain_screen(terminal_);
    callbacks_ = {};
    callbacks_.settermprop = &EmulatedScreen::onProperty;
    vterm_screen_set_callbacks(screen_, &callbacks_, this);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
  }
  EmulatedScreen(const EmulatedScreen&) = delete;
  EmulatedScreen& operator=(const EmulatedScreen&) = delete;
  ~EmulatedScreen() { vterm_free(terminal_); }

  void feed(const std::string& bytes) { vterm_input_write(terminal_, bytes.data(), bytes.size()); }

  // The window resized, as a terminal emulator does it: what fits stays where it was.
  void resize(int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    vterm_set_size(terminal_, rows, columns);
  }

  VTermScreenCell cell(int column, int row) const {
    VTermScreenCell result;
    vterm_screen_get_cell(screen_, VTermPos{row, column}, &result);
    return result;
  }

  // The code point shown at a cell (0 for an empty cell).
  std::uint32_t glyph(int column, int row) const { return cell(column, row).chars[0]; }

  // A row's text with trailing blanks removed; empty cells read as blanks and characters beyond
  // ASCII as '?'.
  std::string rowText(int row) const {
    std::string text;
    for (int column = 0; column < columns_; ++column) {
      const std::uint32_t code = glyph(column, row);
      text += code == 0 ? ' ' : code < 0x80 ? static_cast<char>(code) : '?';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

  // Foreground and background of a cell as 0xRRGGBB, or as a palette index 0..15 (with bit 24 set)
  // when the terminal was given an indexed colour.
  std::uint32_t foreground(int column, int row) const { return colourOf(cell(column, row).fg); }
  std::uint32_t background(int column, int row) const { return colourOf(cell(column, row).bg); }

  // A console colour 0..15 as foreground() and background() report it: its RGB in 24-bit mode,
  // else the ANSI index (which numbers red as bit 0 and blue as bit 2).
  static std::uint32_t consoleColour(int colour, ColorMode mode) { return consoleColourSeen(colour, mode); }

  // What a cell of the screen is seen as (see seen_cells.h).
  SeenCell seen(int column, int row) const { return seenOnScreen(cell(column, row)); }

  // Whether a cell shows a cell buffer entry as a person would see it: a solid colour however it
  // is spelt, an upper half block also as the lower one with its colours swapped, any other glyph
  // alone in its two colours.
  bool shows(int column, int row, Cell entry, ColorMode mode) const {
    return seen(column, row) == seenOfCell(entry, mode);
  }

  // Checks the visible part of a grid of cells drawn at an origin; returns the number of wrong
  // cells, reporting the first few.
  int wrongCells(CellView cells, int originColumn, int originRow, int visibleColumns, int visibleRows,
                 ColorMode mode) const {
    int wrong = 0;
    for (int r = 0; r < visibleRows; ++r) {
      for (int c = 0; c < visibleColumns; ++c) {
        const Cell entry = cells.at(c, r);
        if (!shows(originColumn + c, originRow + r, entry, mode) && ++wrong <= 3) {
          ADD_FAILURE() << "cell (" << c << ", " << r << ") code " << int{entry.glyph} << " attribute "
                        << int{entry.attribute} << " shows U+" << std::hex << glyph(originColumn + c, originRow + r);
        }
      }
    }
    return wrong;
  }

  // Whether the pen the next character would be drawn with is the terminal's default: default
  // colours, and no bold, underline, italic, blink or reverse.
  bool penIsDefault() const {
    VTermState* state = vterm_obtain_state(terminal_);
    VTermValue value;
    vterm_state_get_penattr(state, VTERM_ATTR_FOREGROUND, &value);
    if (!VTERM_COLOR_IS_DEFAULT_FG(&value.color)) return false;
    vterm_state_get_penattr(state, VTERM_ATTR_BACKGROUND, &value);
    if (!VTERM_COLOR_IS_DEFAULT_BG(&value.color)) return false;
    for (VTermAttr attribute : {VTERM_ATTR_BOLD, VTERM_ATTR_ITALIC, VTERM_ATTR_BLINK, VTERM_ATTR_REVERSE}) {
      vterm_state_get_penattr(state, attribute, &value);
      if (value.boolean != 0) return false;
    }
    vterm_state_get_penattr(state, VTERM_ATTR_UNDERLINE, &value);
    return value.number == 0;
  }

  // The cursor's cell: column and row, from 0.
  std::pair<int, int> cursor() const {
    VTermPos position;
    vterm_state_get_cursorpos(vterm_obtain_state(terminal_), &position);
    return {position.col, position.row};
  }

  bool cursorVisible() const { return cursorVisible_; }
  bool onAlternateScreen() const { return alternateScreen_; }
  const std::string& title() const { return title_; }
  int columns() const { return columns_; }
  int rows() const { return rows_; }

  static constexpr std::uint32_t kIndexed = ::glimmer::testing::kIndexed;

 private:
  static std::uint32_t colourOf(const VTermColor& colour) {
    if (VTERM_COLOR_IS_INDEXED(&colour)) return kIndexed | colour.indexed.idx;
    return (std::uint32_t{colour.rgb.red} << 16) | (std::uint32_t{colour.rgb.green} << 8) | colour.rgb.blue;
  }

  static int onProperty(VTermProp property, VTermValue* value, void* user) {
    auto* self = static_cast<EmulatedScreen*>(user);
    if (property == VTERM_PROP_CURSORVISIBLE) self->cursorVisible_ = value->boolean != 0;
    if (property == VTERM_PROP_ALTSCREEN) self->alternateScreen_ = value->boolean != 0;
    if (property == VTERM_PROP_TITLE) self->title_ = value->string != nullptr ? value->string : "";
    return 1;
  }

  int columns_;
  int rows_;
  VTerm* terminal_;
  VTermScreen* screen_;
  VTermScreenCallbacks callbacks_;
  bool cursorVisible_ = true;
  bool alternateScreen_ = false;
  std::string title_;
};

}  // namespace glimmer::testing
