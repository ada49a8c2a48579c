// The console the show is drawn on: set-up, the intro screen, and the frame the presenter fills.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "base/cell_buffer.h"
#include "base/display_choices.h"
#include "console/frame_encoder.h"
#include "console/terminal.h"

namespace glimmer {

class ConsoleFrame;

// Makes the display ready for the show and settles the display choices: the colours (as asked, or
// truecolor where COLORTERM says so), the look (as asked), the grid (80x50, or 160x50 when the
// wide grid is asked for, or chosen by Auto for a display of tall cells and at least 160x50, and
// always for the pixels look), the title, a hidden cursor;
// synchronized output where the display knows it; with 16 colours in the show's palette, that
// palette in the display's 16 entries, put back on every way out. On failure prints its one-line
// message (and a line of advice where it helps) and returns false.
bool setupConsole(ConsoleFrame& console, const DisplayRequest& request);

// Shows the notice and waits: true for Space (start), false for Escape (quit). Space wins when
// both come in one poll. The grid's notice, when there is one, is shown on the grid's last row,
// and extraLine, when not null, on the row above it (on the last row when there is no grid notice).
// lateLine, when given, is asked at every poll; once it gives a line (not null, and the same from
// then on), the notice is drawn again with that line above the others.
bool showIntro(ConsoleFrame& console, const char* extraLine = nullptr,
               const std::function<const char*()>& lateLine = {});

// Re-centres the grid after the display changed size; the next frame is drawn whole.
void updateLayout(ConsoleFrame& console);

// Where the grid sits on the display: its top-left cell, and how much of it fits.
struct ConsoleLayout {
  int originColumn = 0;
  int originRow = 0;
  int visibleColumns = kCellColumns;
  int visibleRows = kCellRows;
};

// ConsoleFrame: the display, the choices set-up settled for it, where the grid sits on the display
// and how much of it fits, and the encoder that keeps the previous frame for incremental drawing.
// Set-up, the intro and the presenter (console/present.h) change it; the rest of the show reads it.
class ConsoleFrame {
 public:
  // Draws on the display given, which must outlive the frame, or, with null, on the platform's own
  // terminal (made at set-up).
  explicit ConsoleFrame(Terminal* display = nullptr) : output_(display) {}
  ConsoleFrame(const ConsoleFrame&) = delete;
  ConsoleFrame& operator=(const ConsoleFrame&) = delete;
  // Restores the display and writes the messages held back while the show owned it.
  ~ConsoleFrame();

  // The display; valid once set-up has begun.
  Terminal& terminal() const { return *output_; }
  // What set-up settled.
  const DisplayChoices& display() const { return display_; }
  // The grid's cells in buffer, as the grid in use lays them out.
  CellView cellsOf(const CellBuffer& buffer) const { return viewOf(buffer, display_.grid); }
  // Why Auto chose, or could have chosen, the wide grid; null when it did not come up.
  const char* gridNotice() const { return gridNotice_; }
  const ConsoleLayout& layout() const { return layout_; }
  // True once a write failed: the show ends at the end of the pass.
  bool outputLost() const { return outputLost_; }

 private:
  friend bool setupConsole(ConsoleFrame& console, const DisplayRequest& request);
  friend void updateLayout(ConsoleFrame& console);
  friend const char* encodeFrame(ConsoleFrame& console, CellView cells, std::size_t& size);
  friend void presentFrame(ConsoleFrame& console, CellView cells);
  friend void drawWholeNextFrame(ConsoleFrame& console);

  Terminal* output_;  // the display; owned by ownedOutput_ or borrowed
  std::unique_ptr<Terminal> ownedOutput_;
  DisplayChoices display_;
  const char* gridNotice_ = nullptr;
  ConsoleLayout layout_;
  FrameEncoder encoder_;
  bool outputLost_ = false;
};

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
