// How the show is drawn. The command line asks for it (DisplayRequest); set-up settles it once
// against the environment and the display's answers (DisplayChoices), and whatever draws is handed
// the settled choices.
#pragma once

#include "base/cell_buffer.h"

namespace glimmer {

// How cell colours reach the display. Ansi16 names the 16 console colours and leaves their look to
// the display's palette; TrueColor sends the show's palette as 24-bit colours, so every display
// shows the same picture.
enum class ColorMode { Ansi16, TrueColor };

// What the user asks for: 16 colours in the show's palette (which the display's palette is set
// to), 24-bit colours, 16 colours in the display's own palette, or what the environment says.
enum class ColorChoice { Auto, Ansi16, TrueColor, Terminal };

// How the picture looks in cells. TextMode: the show's own look, each cell a block or shade glyph
// in two of the 16 colours standing for a patch of pixels, on either grid. Pixels: every pixel of
// the 160x100 picture, as 160x50 upper half blocks (the top pixel in the foreground, the bottom
// one in the background), in 24-bit colours or, with 16 colours, each pixel in the nearest of the
// 16; it always takes the wide grid's 160x50 cells.
enum class Look { TextMode, Pixels };

struct DisplayRequest {
  GridChoice grid = GridChoice::Auto;
  ColorChoice colors = ColorChoice::Auto;
  Look look = Look::TextMode;
};

struct DisplayChoices {
  Grid grid = Grid::Classic;  // Wide for the pixels look
  ColorMode colorMode = ColorMode::Ansi16;
  bool showPalette = true;  // with 16 colours: the display's palette is set to the show's
  Look look = Look::TextMode;

  // The cells the display must hold for these choices: the grid's (160x50 for the pixels look).
  constexpr int columns() const { return columnsOf(grid); }
  constexpr int rows() const { return kCellRows; }
};

}  // namespace glimmer
