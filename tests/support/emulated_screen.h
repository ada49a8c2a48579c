// EmulatedScreen: a real terminal emulator (libvterm) that tests feed the program's output to, and
// then read back as a person would see it: characters, colours, cursor visibility, which screen.
#pragma once

#include <vterm.h>

#include <cstdint>
#include <string>

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

  // The code point shown at a cell (0 for an empty cell).
  std::uint32_t glyph(int column, int row) const {
    VTermScreenCell cell;
    vterm_screen_get_cell(screen_, VTermPos{row, column}, &cell);
    return cell.chars[0];
  }

  // A row's text as UTF-8 with trailing blanks removed; empty cells read as blanks.
  std::string rowText(int row) const {
    std::string text;
    for (int column = 0; column < columns_; ++column) {
      std::uint32_t code = glyph(column, row);
      appendUtf8(text, code == 0 ? ' ' : code);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

  // Foreground and background of a cell as 0xRRGGBB, or as a palette index 0..15 (with bit 24 set)
  // when the terminal was given an indexed colour.
  std::uint32_t foreground(int column, int row) const { return colourOf(column, row, true); }
  std::uint32_t background(int column, int row) const { return colourOf(column, row, false); }

  bool cursorVisible() const { return cursorVisible_; }
  bool onAlternateScreen() const { return alternateScreen_; }
  const std::string& title() const { return title_; }
  int columns() const { return columns_; }
  int rows() const { return rows_; }

  static constexpr std::uint32_t kIndexed = 1u << 24;

 private:
  std::uint32_t colourOf(int column, int row, bool fore) const {
    VTermScreenCell cell;
    vterm_screen_get_cell(screen_, VTermPos{row, column}, &cell);
    const VTermColor& colour = fore ? cell.fg : cell.bg;
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

  static void appendUtf8(std::string& text, std::uint32_t code) {
    if (code < 0x80) {
      text += static_cast<char>(code);
    } else if (code < 0x800) {
      text += static_cast<char>(0xC0 | (code >> 6));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      text += static_cast<char>(0xE0 | (code >> 12));
      text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | (code >> 18));
      text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    }
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
