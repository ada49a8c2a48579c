// Console set-up and the intro screen, on a terminal kept in memory and read back through a real
// terminal emulator.
#include <gtest/gtest.h>

#include "console/console.h"
#include "console/memory_terminal.h"
#include "demo/report.h"
#include "support/emulated_screen.h"

namespace glimmer {
namespace {

using testing::EmulatedScreen;

struct SetupResult {
  bool ready;
  std::string printed;
};

SetupResult setUp(ConsoleFrame& console) {
  ::testing::internal::CaptureStdout();
  bool ready = setupConsole(console);
  std::string printed = ::testing::internal::GetCapturedStdout();
  return {ready, printed};
}

TEST(SetupConsole, FailuresPrintTheMessageAndLeaveNothingBehind) {
  {
    MemoryTerminal terminal;
    terminal.opensOk = false;
    ConsoleFrame console;
    console.output = &terminal;
    SetupResult result = setUp(console);
    EXPECT_FALSE(result.ready);
    EXPECT_EQ(result.printed,
              "Unable to get STD_OUTPUT_HANDLE\n"
              "Standard output is not a terminal: run the show in one, or render it with --record.\n");
    EXPECT_FALSE(terminal.screenBegun);
  }
  {
    MemoryTerminal terminal(80, 24);  // too small, and ignores the request to grow
    ConsoleFrame console;
    console.output = &terminal;
    SetupResult result = setUp(console);
    EXPECT_FALSE(result.ready);
    EXPECT_EQ(terminal.sizeRequests, 1);
    EXPECT_EQ(result.printed,
              "SetConsoleScreenBufferSize() failed\n"
              "The terminal is 80x24 cells; the show needs 80x50: enlarge the window or choose a smaller font.\n");
    EXPECT_FALSE(terminal.screenBegun);
    EXPECT_GE(terminal.restoreCount, 1);  // raw input undone before the message is printed
  }
}

TEST(SetupConsole, SmallTerminalThatGrowsOnRequestIsAccepted) {
  MemoryTerminal terminal(80, 24);
  terminal.growsOnRequest = true;
  ConsoleFrame console;
  console.output = &terminal;
  EXPECT_TRUE(setUp(console).ready);
  EXPECT_EQ(terminal.sizeRequests, 1);
}

TEST(SetupConsole, CentresTheGridAndSetsTitleAndCursor) {
  MemoryTerminal terminal(101, 61);
  ConsoleFrame console;
  console.output = &terminal;
  SetupResult result = setUp(console);
  ASSERT_TRUE(result.ready);
  EXPECT_EQ(result.printed, "");
  EXPECT_TRUE(terminal.screenBegun);
  EXPECT_TRUE(terminal.cursorHidden);
  EXPECT_EQ(terminal.title, "vrax - Glimmerfolding");
  EXPECT_EQ(console.originColumn, 10);
  EXPECT_EQ(console.originRow, 5);
  EXPECT_EQ(console.visibleColumns, 80);
  EXPECT_EQ(console.visibleRows, 50);

  terminal.resize(70, 40);  // smaller than the grid: draw what fits from the top-left
  updateLayout(console);
  EXPECT_EQ(console.originColumn, 0);
  EXPECT_EQ(console.originRow, 0);
  EXPECT_EQ(console.visibleColumns, 70);
  EXPECT_EQ(console.visibleRows, 40);
}

TEST(SetupConsole, MessagesPrintedWhileTheShowOwnsTheScreenWaitForTheRestore) {
  MemoryTerminal terminal;
  ::testing::internal::CaptureStdout();
  {
    ConsoleFrame console;
    console.output = &terminal;
    ASSERT_TRUE(setupConsole(console));
    printLine("eglInitialize() failed");
    EXPECT_EQ(terminal.restoreCount, 0);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "eglInitialize() failed\n");
  EXPECT_EQ(terminal.restoreCount, 1);
}

class Intro : public ::testing::Test {
 protected:
  void SetUp() override {
    console.output = &terminal;
    ASSERT_TRUE(setupConsole(console));
  }
  MemoryTerminal terminal{100, 60};
  ConsoleFrame console;
};

TEST_F(Intro, ShowsTheNoticeLineByLineOnTheGrid) {
  terminal.press(Key::Space);
  ASSERT_TRUE(showIntro(console, "No sound device: the show plays silently."));
  EmulatedScreen screen(100, 60);
  screen.feed(terminal.written);
  const char* expected[] = {"Win32 users:",
                            "Press ALT-ENTER for fullscreen",
                            "",
                            "Win64 users and you windowed mode lovers:",
                            "Change your font to 8x8 for a slightly better experience",
                            "",
                            "",
                            "",
                            "Press SPACE to continue or ESC to exit"};
  for (int line = 0; line < 9; ++line) {
    std::string row = screen.rowText(5 + line);
    std::string want = *expected[line] == '\0' ? "" : std::string(10, ' ') + expected[line];
    EXPECT_EQ(row, want) << "line " << line;
  }
  EXPECT_EQ(screen.rowText(5 + 49), std::string(10, ' ') + "No sound device: the show plays silently.");
}

TEST_F(Intro, SpaceStartsEscapeQuitsSpaceWinsTogether) {
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

TEST_F(Intro, PollsEveryTenMillisecondsUntilAKey) {
  // Each poll asks Space and then Escape: Escape goes down on the sixth poll.
  terminal.pressAtQuery(12, Key::Escape);
  long sleptBefore = terminal.sleptMs;
  EXPECT_FALSE(showIntro(console));
  EXPECT_EQ(terminal.sleptMs - sleptBefore, 60);
}

}  // namespace
}  // namespace glimmer
