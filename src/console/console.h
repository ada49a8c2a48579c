// The console the show is drawn on: set-up, the intro screen, and the record the presenter fills.
#pragma once

#include <functional>
#include <memory>

#include "base/cell_buffer.h"
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
  GridChoice gridChoice = GridChoice::Classic;  // asked for before set-up
  Grid grid = Grid::Classic;            // chosen by set-up
  const char* gridNotice = nullptr;     // why, when Auto chose or could have chosen the wide grid
  int bufferColumns = 80;               // bufferSize: the grid's size in cells
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

// Makes the display ready for the show: the grid (80x50, or 160x50 when the wide grid is asked
// for, or chosen by Auto for a display of tall cells and at least 160x50), the title, a hidden
// cursor; synchronized output where the display knows it; with 16 colours (and showPalette) the
// show's palette in the display's 16 entries, put back on every way out. On failure prints its
// one-line message (and a line of advice where it helps) and returns false.
bool setupConsole(ConsoleFrame& console);

// Shows the notice and waits: true for Space (start), false for Escape (quit). Space wins when
// both come in one poll. The grid's notice, when there is one, is shown on the grid's last row,
// and extraLine, when not null, on the row above it (on the last row when there is no grid notice).
// lateLine, when given, is asked at every poll; once it gives a line (not null, and the same from
// then on), the notice is drawn again with that line above the others.
bool showIntro(ConsoleFrame& console, const char* extraLine = nullptr,
               const std::function<const char*()>& lateLine = {});

// Re-centres the grid after the display changed size; the next frame is drawn whole.
void updateLayout(ConsoleFrame& console);

// The colour mode the environment asks for: truecolor when COLORTERM says truecolor or 24bit.
ColorMode detectColorMode();

// What Auto chooses for a display of columns x rows cells, each cellWidth x cellHeight pixels (0
// when unknown): the wide grid where the cells are at least 1.5 times as tall as wide and 160x50
// fit, with a notice saying so; where they are tall but 160x50 does not fit, the classic grid with
// a notice saying how to get the true shape; else the classic grid and no notice.
struct GridDecision {
  Grid grid;
  const char* notice;
};
GridDecision chooseGrid(GridChoice choice, int columns, int rows, int cellWidth, int cellHeight);

}  // namespace glimmer
