// presentFrame on a terminal in memory: one write per frame, the grid at the centred origin,
// a whole frame after a failed write.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "base/cell_buffer.h"
#include "console/console.h"
#include "console/present.h"
#include "support/emulated_screen.h"
#include "support/memory_terminal.h"

namespace glimmer {
namespace {

using testing::EmulatedScreen;

class Present : public ::testing::Test {
 protected:
  void SetUp() override {
    // Glyphs and colours that never repeat along a row or down a column, so a picture read with
    // a wrong stride or offset anywhere shows.
    constexpr std::uint8_t kGlyphs[] = {176, 177, 178, 219};
    for (int n = 0; n < kCellCount; ++n) {
      const std::uint32_t hash = static_cast<std::uint32_t>(n + 1) * 2654435761u;
      setCell(n, kGlyphs[hash >> 30], static_cast<std::uint8_t>(hash >> 20));
    }
    updateLayout(console);
  }
  void setCell(int n, std::uint8_t glyph, std::uint8_t attribute) { buffer[n] = {glyph, attribute}; }
  CellView cells() const { return viewOf(buffer, Grid::Classic); }
  // Everything written so far, as an emulated terminal of the memory terminal's size shows it.
  std::unique_ptr<EmulatedScreen> shown() {
    int columns = 0;
    int rows = 0;
    terminal.size(columns, rows);
    auto screen = std::make_unique<EmulatedScreen>(columns, rows);
    screen->feed(terminal.written);
    return screen;
  }
  VTermScreenCell shownAt(int column, int row) { return shown()->cell(column, row); }
  std::string lastFrameWritten(std::size_t before) const { return terminal.written.substr(before); }

  MemoryTerminal terminal{100, 60};  // outlives the console, which borrows it
  ConsoleFrame console{&terminal};
  CellBuffer buffer{};
};

TEST_F(Present, OneWritePerChangedFrameAtTheCentredOrigin) {
  setCell(1, 176, 0xF0);  // black on white: the attribute's high bit is a colour, not a sign
  presentFrame(console, cells());
  EXPECT_EQ(terminal.writeCount, 1);

  VTermScreenCell shade = shownAt(11, 5);
  EXPECT_EQ(shade.chars[0], 0x2591u);
  EXPECT_EQ(shade.fg.indexed.idx, 0);
  EXPECT_EQ(shade.bg.indexed.idx, 15);

  // The same cells again change nothing on the display: not a byte, not even an empty frame.
  const std::size_t before = terminal.written.size();
  presentFrame(console, cells());
  EXPECT_EQ(terminal.writeCount, 1);
  EXPECT_EQ(terminal.written.size(), before);

  setCell(2, 178, 0x21);
  presentFrame(console, cells());
  EXPECT_EQ(terminal.writeCount, 2);
  EXPECT_EQ(shownAt(12, 5).chars[0], 0x2593u);
}

TEST_F(Present, FailedWriteMarksTheOutputLostAndTheNextFrameIsWhole) {
  presentFrame(console, cells());
  setCell(5, 178, 0x12);
  terminal.failWrites = true;
  presentFrame(console, cells());
  EXPECT_TRUE(console.outputLost());
  terminal.failWrites = false;
  std::size_t before = terminal.written.size();
  presentFrame(console, cells());
  EXPECT_NE(lastFrameWritten(before).find("\x1b[2J"), std::string::npos);
  EXPECT_EQ(shownAt(15, 5).chars[0], 0x2593u);
}

// A window too small for any grid: the display is cleared and shows one centred line saying the
// size needed, cut where the window is narrower than the line (the live show's tests see it whole
// on a real screen); no frame is drawn meanwhile, and the picture comes back whole when the window
// is large enough again.
TEST_F(Present, AWindowTooSmallShowsTheSizeNeededAndThePictureComesBack) {
  presentFrame(console, cells());
  terminal.resize(30, 20);
  std::size_t before = terminal.written.size();
  presentFrame(console, cells());
  setCell(7, 178, 0x21);
  presentFrame(console, cells());  // frames while too small draw nothing
  EXPECT_FALSE(console.layout().fits);
  EmulatedScreen small(30, 20);
  small.feed("\x1b[31;44mstale\x1b[0m");  // what the shrunk window still held
  small.feed(lastFrameWritten(before));
  for (int row = 0; row < 20; ++row) {
    EXPECT_EQ(small.rowText(row), row == 9 ? std::string(kWindowTooSmall).substr(0, 30) : "") << "row " << row;
  }

  terminal.resize(100, 60);
  before = terminal.written.size();
  presentFrame(console, cells());
  EXPECT_TRUE(console.layout().fits);
  EmulatedScreen screen(100, 60);
  screen.feed("stale text at the top");
  screen.feed(lastFrameWritten(before));
  EXPECT_EQ(screen.wrongCells(cells(), 10, 5, 80, 50, ColorMode::Ansi16), 0);
  EXPECT_EQ(screen.rowText(0), "") << "cleared around the grid";
}

// The grid switches with the window (see UpdateLayout.TheGridFollowsTheWindow): cells converted for
// the grid before the switch are not drawn; the next frame, of the new grid, is drawn whole on a
// cleared display, centred, with nothing of the old picture left around it.
TEST_F(Present, TheGridSwitchesWithTheWindowAndLeavesNothingStale) {
  MemoryTerminal wideTerminal(170, 55);
  ConsoleFrame wide(&wideTerminal);
  ASSERT_TRUE(setupConsole(wide, {GridChoice::Wide, ColorChoice::Auto}));
  CellBuffer wideCells{};
  for (int n = 0; n < kMaxCellCount; ++n) wideCells[n] = {219, static_cast<std::uint8_t>(n % 15 + 1)};
  const CellView wideView = viewOf(wideCells, Grid::Wide);
  presentFrame(wide, wideView);
  struct Switch {
    int columns, rows;
    CellView stale, fresh;
    int originColumn, originRow;
  };
  for (const Switch& step : {Switch{120, 52, wideView, cells(), 20, 1}, Switch{170, 55, cells(), wideView, 5, 2}}) {
    SCOPED_TRACE(step.columns);
    wideTerminal.resize(step.columns, step.rows);
    const std::size_t before = wideTerminal.written.size();
    presentFrame(wide, step.stale);  // converted before the switch: not drawn
    EXPECT_EQ(wideTerminal.written.size(), before);
    presentFrame(wide, step.fresh);
    EmulatedScreen screen(step.columns, step.rows);
    screen.feed(std::string(step.columns * step.rows, 'x'));  // whatever the window showed
    screen.feed(wideTerminal.written.substr(before));
    EXPECT_EQ(screen.wrongCells(step.fresh, step.originColumn, step.originRow, step.fresh.width, 50, ColorMode::Ansi16),
              0);
    for (int row = 0; row < step.rows; ++row) {
      EXPECT_EQ(screen.rowText(row).find('x'), std::string::npos) << "row " << row;
    }
  }
}

// The paused note sits over the grid's top-left corner, away from the picture's centre, drawn as
// cells through the encoder; the next frame puts back what it covered.
TEST_F(Present, TheNoteCoversTheCornerAndTheNextFrameTakesItAway) {
  presentFrame(console, cells());
  presentFrameWithNote(console, cells(), " Paused: Space plays on ");
  auto noted = shown();
  EXPECT_EQ(noted->rowText(5).rfind(std::string(10, ' ') + " Paused: Space plays on ", 0), 0u);
  EXPECT_EQ(noted->background(11, 5), EmulatedScreen::consoleColour(7, ColorMode::Ansi16));
  // Below the note and at the centre, the picture.
  CellView rest = cells();
  rest.cells += rest.pitch;
  --rest.height;
  EXPECT_EQ(noted->wrongCells(rest, 10, 6, 80, 49, ColorMode::Ansi16), 0);

  const std::size_t before = terminal.written.size();
  presentFrame(console, cells());
  EXPECT_EQ(lastFrameWritten(before).find("\x1b[2J"), std::string::npos) << "only the note's cells again";
  EXPECT_EQ(shown()->wrongCells(cells(), 10, 5, 80, 50, ColorMode::Ansi16), 0);
}

}  // namespace
}  // namespace glimmer
