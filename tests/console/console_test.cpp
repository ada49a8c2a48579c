// Console set-up and the intro's keys, on a terminal kept in memory.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>

#include "base/cell_buffer.h"
#include "base/report.h"
#include "console/console.h"
#include "console/present.h"
#include "support/memory_terminal.h"

namespace glimmer {
namespace {

struct SetupResult {
  bool ready;
  std::string printed;
};

SetupResult setUp(ConsoleFrame& console, const DisplayRequest& request = {}) {
  ::testing::internal::CaptureStderr();
  bool ready = setupConsole(console, request);
  std::string printed = ::testing::internal::GetCapturedStderr();
  return {ready, printed};
}

TEST(SetupConsole, CentresTheGridAndSetsTitleAndCursor) {
  MemoryTerminal terminal(101, 61);
  ConsoleFrame console(&terminal);
  SetupResult result = setUp(console);
  ASSERT_TRUE(result.ready);
  EXPECT_EQ(result.printed, "");
  EXPECT_TRUE(terminal.screenBegun);
  EXPECT_TRUE(terminal.cursorHidden);
  EXPECT_EQ(terminal.title, "vrax - Glimmerfolding");
  const ConsoleLayout& layout = console.layout();
  EXPECT_EQ((std::array{layout.originColumn, layout.originRow, layout.visibleColumns, layout.visibleRows}),
            (std::array{10, 5, 80, 50}));
}

TEST(SetupConsole, MessagesPrintedWhileTheShowOwnsTheScreenWaitForTheRestore) {
  MemoryTerminal terminal;
  ::testing::internal::CaptureStderr();
  {
    ConsoleFrame console(&terminal);
    ASSERT_TRUE(setupConsole(console, {}));
    printLine("eglInitialize() failed");
    EXPECT_EQ(terminal.restoreCount, 0);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "glimmerfolding: eglInitialize() failed\n");
  EXPECT_EQ(terminal.restoreCount, 1);
}

// Auto chooses the wide grid for tall cells where 160x50 fit; the classic grid for square or
// unknown cells, and for tall cells in a smaller window (with a notice on how to get the shape).
TEST(ChooseGrid, AutoFollowsTheCellShapeAndTheRoom) {
  struct Case {
    int columns, rows, cellWidth, cellHeight;
    Grid grid;
    bool notice;
  };
  const Case cases[] = {
      {160, 50, 8, 16, Grid::Wide, true},       // tall, room for 160x50
      {200, 60, 10, 15, Grid::Wide, true},      // exactly 1.5 times as tall, larger window
      {200, 60, 10, 14, Grid::Classic, false},  // just under 1.5
      {200, 60, 8, 8, Grid::Classic, false},    // square cells
      {200, 60, 0, 0, Grid::Classic, false},    // the terminal does not say
      {159, 50, 8, 16, Grid::Classic, true},    // tall, one column short
      {160, 49, 8, 16, Grid::Classic, true},    // tall, one row short
      {80, 50, 8, 16, Grid::Classic, true},
  };
  for (const Case& c : cases) {
    const GridDecision decision = chooseGrid(GridChoice::Auto, c.columns, c.rows, c.cellWidth, c.cellHeight);
    EXPECT_EQ(decision.grid, c.grid) << c.columns << "x" << c.rows << " cells of " << c.cellWidth << "x"
                                     << c.cellHeight;
    EXPECT_EQ(decision.notice != nullptr, c.notice) << c.columns << "x" << c.rows;
  }
  EXPECT_EQ(chooseGrid(GridChoice::Classic, 300, 90, 8, 16).grid, Grid::Classic);
  EXPECT_EQ(chooseGrid(GridChoice::Wide, 80, 50, 8, 8).grid, Grid::Wide);
}

// On a terminal that reports tall cells, set-up lays out 160x50 and the intro says why.
TEST(SetupConsole, AutoOnATerminalOfTallCellsTakesTheWideGrid) {
  for (const auto& [columns, rows, wide] : {std::tuple{170, 52, true}, std::tuple{100, 52, false}}) {
    MemoryTerminal terminal(columns, rows);
    terminal.replies.cellWidth = 9;
    terminal.replies.cellHeight = 19;
    ConsoleFrame console(&terminal);
    ASSERT_TRUE(setUp(console, {GridChoice::Auto, ColorChoice::Auto}).ready);
    EXPECT_TRUE(terminal.asked.cellSize);
    EXPECT_EQ(console.display().grid, wide ? Grid::Wide : Grid::Classic);
    const ConsoleLayout& layout = console.layout();
    EXPECT_EQ(layout.originColumn, (columns - (wide ? 160 : 80)) / 2);
    ASSERT_NE(console.gridNotice(), nullptr);
    terminal.press(Key::Escape);
    EXPECT_FALSE(showIntro(console, "No sound device answered: the show plays silently."));
    // The grid's notice at the start of the grid's last row, the sound notice on the row above.
    auto startOfRow = [&](int row) {
      return "\x1b[" + std::to_string(layout.originRow + row) + ";" + std::to_string(layout.originColumn + 1) + "H";
    };
    EXPECT_NE(terminal.written.find(startOfRow(50) + std::string(console.gridNotice()).substr(0, 10)),
              std::string::npos);
    EXPECT_NE(terminal.written.find(startOfRow(49) + "No sound"), std::string::npos);
  }
}

// A line that comes while the intro waits (the music found damaged) is drawn over the notices once
// it comes, and the intro keeps waiting for a key.
TEST(Intro, ALateLineJoinsTheNotices) {
  MemoryTerminal terminal(80, 50);
  ConsoleFrame console(&terminal);
  ASSERT_TRUE(setUp(console).ready);
  const char* kLate = "music.ogg holds 7.2 s of the show's 158 s: the file is damaged or cut short";
  int asked = 0;
  EXPECT_FALSE(showIntro(console, "No sound device answered: the show plays silently.", [&]() -> const char* {
    if (++asked < 4) return nullptr;
    if (asked == 4) terminal.press(Key::Escape);  // the viewer quits after reading it
    return kLate;
  }));
  EXPECT_EQ(asked, 4) << "asked until it came, and not again";
  const std::size_t redrawn = terminal.written.rfind(kClearScreen);
  ASSERT_NE(redrawn, std::string::npos) << "the notice drawn again";
  EXPECT_EQ(terminal.written.find(kLate), terminal.written.find(kLate, redrawn)) << "not before it came";
  EXPECT_NE(terminal.written.find(std::string("\x1b[49;1H") + kLate, redrawn), std::string::npos)
      << "the late line above the sound notice";
  EXPECT_NE(terminal.written.find("\x1b[50;1HNo sound", redrawn), std::string::npos);
  EXPECT_NE(terminal.written.find("Press SPACE to continue", redrawn), std::string::npos);
}

TEST(Intro, SpaceStartsEscapeQuitsSpaceWinsTogether) {
  MemoryTerminal terminal(100, 60);
  ConsoleFrame console(&terminal);
  ASSERT_TRUE(setupConsole(console, {}));
  terminal.press(Key::Escape);
  EXPECT_FALSE(showIntro(console));

  terminal.press(Key::Escape);
  terminal.press(Key::Space);
  EXPECT_TRUE(showIntro(console));
  terminal.pendingKeys.clear();

  terminal.press(Key::Space);
  int queriesBefore = terminal.keyQueries;
  EXPECT_TRUE(showIntro(console));
  EXPECT_EQ(terminal.keyQueries - queriesBefore, 1);  // Escape is not asked in a poll that saw Space
}

}  // namespace
}  // namespace glimmer
