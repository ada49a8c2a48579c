// The console the show is drawn on: set-up, the intro screen, and the record the presenter fills.
#pragma once

#include <memory>

#include "console/frame_encoder.h"
#include "console/terminal.h"

namespace glimmer {

// ConsoleFrame: the display, the grid size, where the grid sits on the display and how much of it
// fits, and the encoder that keeps the previous frame for incremental drawing.
struct ConsoleFrame {
  ConsoleFrame() = default;
  ConsoleFrame(const ConsoleFrame&) = delete;
  ConsoleFrame& operator=(const ConsoleFrame&) = delete;
  // Restores the display and writes the messages held back while the show owned it.
  ~ConsoleFrame();

  Terminal* output = nullptr;           // the display; owned by ownedOutput or borrowed
  std::unique_ptr<Terminal> ownedOutput;
  int bufferColumns = 80;               // bufferSize
  int bufferRows = 50;
  int originColumn = 0;                 // writeRegion: the grid's top-left cell on the display
  int originRow = 0;
  int visibleColumns = 80;              // how much of the grid fits on the display
  int visibleRows = 50;
  ColorMode colorMode = ColorMode::Ansi16;
  bool showPalette = true;              // with 16 colours: the display's palette becomes the show's
  FrameEncoder encoder;
  bool outputLost = false;              // a write failed: the show ends at the end of the pass
};

// Makes the display ready for the show: an 80x50 grid, the title, a hidden cursor; synchronized
// output where the display knows it; with 16 colours (and showPalette) the show's palette in the
// display's 16 entries, put back on every way out. On failure prints its one-line message (and a
// line of advice where it helps) and returns false.
bool setupConsole(ConsoleFrame& console);

// Shows the notice and waits: true for Space (start), false for Escape (quit). Space wins when
// both come in one poll. extraLine, when not null, is shown on the grid's last row.
bool showIntro(ConsoleFrame& console, const char* extraLine = nullptr);

// Re-centres the grid after the display changed size; the next frame is drawn whole.
void updateLayout(ConsoleFrame& console);

// The colour mode the environment asks for: truecolor when COLORTERM says truecolor or 24bit.
ColorMode detectColorMode();

}  // namespace glimmer
