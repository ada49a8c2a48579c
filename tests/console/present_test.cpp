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
    for (int n = 0; n < kCellCount; ++n) setCell(n, n % 3 == 0 ? 219 : 177, static_cast<std::uint8_t>(n * 7));
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

TEST_F(Present, ATerminalShrunkDuringTheShowGetsTheGridClippedFromItsTopLeft) {
  presentFrame(console, cells());
  terminal.resize(70, 40);
  const std::size_t before = terminal.written.size();
  presentFrame(console, cells());
  const ConsoleLayout& layout = console.layout();
  EXPECT_EQ((std::array{layout.originColumn, layout.visibleColumns, layout.visibleRows}), (std::array{0, 70, 40}));

  // The frame after the shrink alone, on a screen of the new size: drawn whole, every cell in
  // place, nothing wrapped or scrolled off.
  const std::string frame = lastFrameWritten(before);
  EXPECT_NE(frame.find("\x1b[2J"), std::string::npos);
  EmulatedScreen screen(70, 40);
  screen.feed(frame);
  // Medium shades near the four corners of what still fits.
  for (const auto& [column, row] : {std::pair{1, 0}, std::pair{68, 0}, std::pair{1, 39}, std::pair{68, 39}}) {
    EXPECT_EQ(screen.glyph(column, row), 0x2592u) << column << "," << row;
  }
}

}  // namespace
}  // namespace glimmer
