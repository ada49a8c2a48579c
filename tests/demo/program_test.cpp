// The whole program on a pseudo-terminal, as a person runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/pty_child.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

using testing::PtyChild;
using namespace std::chrono_literals;

[[noreturn]] void runProgram(const char* option = nullptr) {
  setenv("COLORTERM", "truecolor", 1);
  if (option != nullptr) {
    execl(GLIMMER_BINARY, GLIMMER_BINARY, option, static_cast<char*>(nullptr));
  } else {
    execl(GLIMMER_BINARY, GLIMMER_BINARY, static_cast<char*>(nullptr));
  }
  _exit(98);
}

// Counts the cells that show some colour other than black.
int drawnCells(testing::EmulatedScreen& screen) {
  int drawn = 0;
  for (int row = 0; row < screen.rows(); ++row) {
    for (int column = 0; column < screen.columns(); ++column) {
      std::uint32_t glyph = screen.glyph(column, row);
      bool blank = glyph == 0 || glyph == ' ';
      if (screen.background(column, row) != 0 || (!blank && screen.foreground(column, row) != 0)) ++drawn;
    }
  }
  return drawn;
}

TEST(Program, EscapeOnTheIntroEndsWithStatusZeroAndRestoresTheTerminal) {
  PtyChild child(90, 52, [] { runProgram(); });
  ASSERT_TRUE(child.waitForText("Press SPACE to continue or ESC to exit", 20000ms)) << child.output();
  child.pump(50ms);
  EXPECT_TRUE(child.screen().onAlternateScreen());
  child.type("\x1b");
  EXPECT_EQ(child.wait(), 0);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
}

TEST(Program, TheShowDrawsFramesAndEscapeEndsIt) {
  PtyChild child(80, 50, [] { runProgram("--mute"); });
  ASSERT_TRUE(child.waitForText("Press SPACE", 20000ms)) << child.output();
  child.type(" ");
  // The opening fades in from black over five seconds of show time; a slow build (sanitizers) may
  // first finish decoding the music, so wait for the picture rather than for a fixed time.
  for (int waited = 0; waited < 200 && drawnCells(child.screen()) <= 3000; ++waited) child.pump(100ms);
  EXPECT_GT(drawnCells(child.screen()), 3000);
  EXPECT_EQ(child.screen().rowText(0).find("Win32"), std::string::npos);  // the intro is gone
  child.type("\x1b");
  EXPECT_EQ(child.wait(), 0);
  EXPECT_FALSE(child.screen().onAlternateScreen());
}

TEST(Program, SignalDuringTheShowRestoresAndEndsWith143) {
  PtyChild child(80, 50, [] { runProgram("--mute"); });
  ASSERT_TRUE(child.waitForText("Press SPACE", 20000ms));
  child.type(" ");
  child.pump(500ms);
  kill(child.pid(), SIGTERM);
  EXPECT_EQ(child.wait(), 143);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
}

TEST(Program, MissingAssetStopsStartUpWithOneLineOnTheMainScreen) {
  // A data folder that holds the music and nothing else: the message keeps the show's own name.
  testing::TemporaryFolder data;
  ASSERT_FALSE(data.write("music.ogg", "").empty());
  std::string where = data.path();
  PtyChild child(80, 50, [where] {
    setenv("GLIMMER_DATA", where.c_str(), 1);
    runProgram();
  });
  EXPECT_EQ(child.wait(20000ms), 1);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_NE(child.output().find("can't open data file \"data/cube.obj\"."), std::string::npos) << child.output();
}

TEST(Program, DataNotFoundIsOneLineAndStatusOne) {
  PtyChild child(80, 50, [] {
    setenv("GLIMMER_DATA", "/nonexistent-glimmer-data", 1);
    runProgram();
  });
  EXPECT_EQ(child.wait(20000ms), 1);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
  EXPECT_EQ(child.output(),
            "cannot find the show's data (music.ogg) in /nonexistent-glimmer-data, the folder GLIMMER_DATA names\r\n");
}

TEST(Program, BadOptionIsStatusTwoWithUsage) {
  PtyChild child(80, 50, [] { runProgram("--frobnicate"); });
  EXPECT_EQ(child.wait(), 2);
  EXPECT_NE(child.output().find("glimmerfolding: unknown option '--frobnicate'"), std::string::npos);
  EXPECT_NE(child.output().find("usage: glimmerfolding"), std::string::npos);
}

}  // namespace
}  // namespace glimmer
