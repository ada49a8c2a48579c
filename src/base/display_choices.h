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

struct DisplayRequest {
  GridChoice grid = GridChoice::Auto;
  ColorChoice colors = ColorChoice::Auto;
};

struct DisplayChoices {
  Grid grid = Grid::Classic;
  ColorMode colorMode = ColorMode::Ansi16;
  bool showPalette = true;  // with 16 colours: the display's palette is set to the show's
};

}  // namespace glimmer
