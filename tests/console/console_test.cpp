// Console set-up and the intro's keys, on a terminal kept in memory.
#include <gtest/gtest.h>

#include "base/report.h"
#include "console/console.h"
#include "support/memory_terminal.h"

namespace glimmer {
namespace {

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

}  // namespace
}  // namespace glimmer
