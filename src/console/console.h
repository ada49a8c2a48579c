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
// truecolor where COLORTERM or the display says so), the look (as asked), the grid (80x50, or
// 160x50 when the wide grid is asked for, chosen by Auto for a display of tall cells and at least
// 160x50, and always for the pixels look, which never falls back to 80x50), the title, a
// hidden cursor; synchronized output where the display knows it; with 16 colours in the show's
// palette, that palette in the display's 16 entries, put back on every way out. On failure prints
// its one-line message (and a line of advice where it helps) and returns false.
//
// The display is asked about itself here, and its answers may come late: what they decide is
// settled as they arrive (updateLayout takes them in, the grid and the intro's notices included)
// and finally by finishSetup. A display whose backend knows all the answers without asking is
// settled before this returns.
bool setupConsole(ConsoleFrame& console, const DisplayRequest& request);

// Settles what set-up left to the display's answers, once the viewer starts the show: waits for
// answers still outstanding up to about 100 ms, then fixes the grid (the first frame needs it) and
// sets the palette where it can be put back: with 16 colours asked for explicitly, always; with
// automatic colours only where the display reported all 16 entries (or keeps the palette to a
// screen of the show's own), else the show plays in the display's own colours. Synchronized output
// may still start later, when its answer comes. Does nothing the second time.
void finishSetup(ConsoleFrame& console);

// Shows the notice and waits: true for Space (start), false for Escape or q (quit). Space wins
// when both come in one poll. The grid's notice, when there is one, is shown on the grid's last row,
// and extraLine, when not null, on the row above it (on the last row when there is no grid notice).
// lateLine, when given, is asked at every poll; once it gives a line (not null, and the same from
// then on), the notice is drawn again with that line above the others.
bool showIntro(ConsoleFrame& console, const char* extraLine = nullptr,
               const std::function<const char*()>& lateLine = {});

// Takes in the display's answers so far, lays the grid out again for the display's size, and the
// next frame is drawn whole. The grid is chosen again from what set-up kept (the grid asked for and
// the display's cell size; see chooseGrid): the one asked for, or the one Auto takes, where it
// fits; the classic grid where that one does not fit and 80x50 does; and when no grid fits, the
// layout says so (fits false) and the grid stays as it was. The grid sits centred; what does not
// fit is clipped from its top-left.
void updateLayout(ConsoleFrame& console);

// Where the grid sits on the display: its top-left cell, and how much of it fits.
struct ConsoleLayout {
  int originColumn = 0;
  int originRow = 0;
  int visibleColumns = kCellColumns;
  int visibleRows = kCellRows;
  bool fits = true;  // the whole grid is on the display; false: the display is too small for any
};

// The one line the show shows, centred on a cleared display, while no grid fits.
inline constexpr char kWindowTooSmall[] = "Make the window at least 80x50 to see the show.";

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
  // The display's cell size in pixels, as set-up learnt it (0 when unknown).
  void cellSize(int& width, int& height) const {
    width = cellWidth_;
    height = cellHeight_;
  }
  // That the show will play in the display's own colours, as it did not report them to be put
  // back; null otherwise.
  const char* paletteNotice() const { return paletteNotice_; }
  const ConsoleLayout& layout() const { return layout_; }
  // True once a write failed: the show ends at the end of the pass.
  bool outputLost() const { return outputLost_; }

 private:
  friend bool setupConsole(ConsoleFrame& console, const DisplayRequest& request);
  friend void finishSetup(ConsoleFrame& console);
  friend void updateLayout(ConsoleFrame& console);
  friend const char* encodeFrame(ConsoleFrame& console, CellView cells, std::size_t& size);
  friend void presentFrame(ConsoleFrame& console, CellView cells);
  friend void presentFrameWithNote(ConsoleFrame& console, CellView cells, const char* note);
  friend bool refreshLayout(ConsoleFrame& console);
  friend void drawWholeNextFrame(ConsoleFrame& console);

  // Takes in the display's answers so far: synchronized output always, the grid and the notices
  // until set-up is finished.
  void takeAnswers();

  Terminal* output_;  // the display; owned by ownedOutput_ or borrowed
  std::unique_ptr<Terminal> ownedOutput_;
  DisplayRequest request_;
  DisplayChoices display_;
  bool asked_ = false;    // set-up asked the display about itself
  bool settled_ = false;  // finishSetup has run: only synchronized output may still change
  const char* gridNotice_ = nullptr;
  // The cell size the grid is chosen from, again at every new size (0 when unknown).
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  CellBuffer noted_{};  // a frame with a note over it (presentFrameWithNote)
  const char* paletteNotice_ = nullptr;
  ConsoleLayout layout_;
  FrameEncoder encoder_;
  bool outputLost_ = false;
};

// The colour mode the environment asks for: truecolor when COLORTERM says truecolor or 24bit.
ColorMode detectColorMode();

// Whether the show sets the display's palette to its own: only with 16 colours and not the
// terminal's, and then where it can be put back (the display reported all 16 entries, or the
// palette goes with a screen of the show's own) or where 16 colours were asked for explicitly
// (entries not reported are reset to the display's own afterwards).
bool setsPalette(ColorChoice colors, ColorMode mode, const DisplayAnswers& answers);

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
