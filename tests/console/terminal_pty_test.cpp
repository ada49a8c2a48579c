// The real terminal backend on a pseudo-terminal: the program's side runs in a child process whose
// controlling terminal is the pty; this side types keys and reads the screen through an emulator.
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "console/console.h"
#include "support/pty_child.h"

namespace glimmer {
namespace {

using namespace std::chrono_literals;
using testing::EmulatedScreen;
using testing::PtyChild;

constexpr int kSpaceStatus = 10;
constexpr int kEscapeStatus = 20;

// The child's side: set up the real terminal, show the intro, restore, then report whether input
// is back in cooked mode.
[[noreturn]] void runIntroChild() {
  int status;
  {
    ConsoleFrame console;
    if (!setupConsole(console, {GridChoice::Classic, ColorChoice::Ansi16})) {
      status = 1;
    } else {
      status = showIntro(console) ? kSpaceStatus : kEscapeStatus;
    }
  }
  termios mode{};
  tcgetattr(STDIN_FILENO, &mode);
  std::printf("\r\n[cooked=%d]\r\n", (mode.c_lflag & ICANON) != 0 && (mode.c_lflag & ECHO) != 0);
  std::fflush(stdout);
  _exit(status);
}

// The palette answers this side gives: two entries the user had set, the rest unreported; and
// synchronized output known.
constexpr const char kAnswers[] = "\x1b]4;1;rgb:1111/2222/3333\x07\x1b]4;9;rgb:aa/bb/cc\x1b\\\x1b[?2026;2$y\x1b[?62c";
constexpr const char kShowRed[] = "\x1b]4;1;rgb:80/00/00\x07";  // ANSI red: the console's dark red
constexpr const char kUserRed[] = "\x1b]4;1;rgb:11/22/33\x07";
constexpr const char kUserBrightRed[] = "\x1b]4;9;rgb:aa/bb/cc\x07";
constexpr const char kDefaultBlack[] = "\x1b]104;0\x07";

// Answers the set-up questions as a terminal would.
void answerQuestions(PtyChild& child) {
  ASSERT_TRUE(child.waitForText("\x1b[c"));
  child.type(kAnswers);
}

// Whether the output from `from` on puts back the user's palette: the entries answered, the
// others reset to the terminal's own.
bool paletteRestoredAfter(const std::string& output, std::size_t from) {
  const std::string after = output.substr(from);
  return after.find(kUserRed) != std::string::npos && after.find(kUserBrightRed) != std::string::npos &&
         after.find(kDefaultBlack) != std::string::npos;
}

TEST(PosixTerminal, IntroOnARealTerminalAndEscapeRestoresEverything) {
  PtyChild child(100, 56, runIntroChild);
  answerQuestions(child);
  ASSERT_TRUE(child.waitForText("Press SPACE to continue or ESC to exit"));
  const std::size_t showPalette = child.output().find(kShowRed);
  ASSERT_NE(showPalette, std::string::npos) << "the show's palette is set";
  EXPECT_FALSE(paletteRestoredAfter(child.output(), showPalette));
  child.pump(50ms);
  EmulatedScreen& screen = child.screen();
  EXPECT_TRUE(screen.onAlternateScreen());
  EXPECT_FALSE(screen.cursorVisible());
  EXPECT_EQ(screen.title(), "vrax - Glimmerfolding");
  EXPECT_EQ(screen.rowText(3), std::string(10, ' ') + "Terminal users:");
  EXPECT_EQ(screen.rowText(4), std::string(10, ' ') + "Press F11 (or your terminal's full-screen key) for fullscreen");
  EXPECT_EQ(screen.rowText(11), std::string(10, ' ') + "Press SPACE to continue or ESC to exit");

  child.type("\x1b");
  EXPECT_EQ(child.wait(), kEscapeStatus);
  EXPECT_FALSE(screen.onAlternateScreen());
  EXPECT_TRUE(screen.cursorVisible());
  EXPECT_NE(child.output().find("[cooked=1]"), std::string::npos);
  EXPECT_TRUE(paletteRestoredAfter(child.output(), showPalette));
}

TEST(PosixTerminal, ArrowKeysAndLateSequenceBytesAreNotEscape) {
  PtyChild child(80, 50, runIntroChild);
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.type("\x1b[A\x1b[B\x1bOC");
  child.pump(100ms);
  // An arrow key whose bytes come in two writes (the decoder's tests cover a rest that comes
  // later, within the wait, without depending on how busy the machine is).
  child.type("\x1b");
  child.type("[D");
  child.pump(150ms);
  child.type(" ");
  EXPECT_EQ(child.wait(), kSpaceStatus);
}

TEST(PosixTerminal, EscapeWhoseSequenceRestComesWithinTheWaitIsNotEscape) {
  PtyChild child(80, 50, runIntroChild);
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.type("\x1b");
  std::this_thread::sleep_for(3ms);  // well inside the 20 ms the terminal waits for the rest
  child.type("[A");
  child.pump(100ms);
  child.type(" ");
  EXPECT_EQ(child.wait(), kSpaceStatus);
}

TEST(PosixTerminal, StopGivesTheTerminalBackAndContinueTakesItAgain) {
  PtyChild child(80, 50, runIntroChild);
  answerQuestions(child);
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.pump(30ms);
  std::size_t before = child.output().size();
  // The child leads a session of its own, so the kernel does not actually stop it: it gives the
  // terminal back and at once takes it again, as it does on a real continue.
  kill(child.pid(), SIGTSTP);
  child.pump(200ms);
  std::string after = child.output().substr(before);
  std::size_t left = after.find("\x1b[?1049l");
  ASSERT_NE(left, std::string::npos);
  EXPECT_LT(after.find("\x1b[?25h"), left);                       // cursor shown before leaving
  EXPECT_NE(after.find("\x1b[?1049h", left), std::string::npos);  // the show's screen again
  EXPECT_TRUE(child.screen().onAlternateScreen());
  EXPECT_FALSE(child.screen().cursorVisible());
  EXPECT_EQ(child.screen().rowText(8).rfind("Press SPACE", 0), 0u) << "the notice is drawn again";
  // The user's palette while stopped, the show's again after.
  ASSERT_TRUE(paletteRestoredAfter(after, 0));
  EXPECT_LT(after.find(kUserRed), left);
  EXPECT_NE(after.find(kShowRed, left), std::string::npos);
  child.type("\x1b");
  EXPECT_EQ(child.wait(), kEscapeStatus);
  EXPECT_NE(child.output().find("[cooked=1]"), std::string::npos);
}

TEST(PosixTerminal, TooSmallTerminalFailsWithAdviceOnTheMainScreen) {
  PtyChild child(80, 24, runIntroChild);
  EXPECT_EQ(child.wait(), 1);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_EQ(child.output().find("SetConsoleScreenBufferSize"), std::string::npos) << "no Windows call named";
  EXPECT_NE(child.output().find("glimmerfolding: The terminal is 80x24 cells"), std::string::npos);
  EXPECT_NE(child.output().find("[cooked=1]"), std::string::npos);
}

TEST(PosixTerminal, OutputThatIsNotATerminalIsRefused) {
  char path[] = "/tmp/glimmer-stdout-XXXXXX";
  int file = mkstemp(path);
  ASSERT_GE(file, 0);
  PtyChild child(80, 50, [file] {
    dup2(file, STDOUT_FILENO);
    runIntroChild();
  });
  EXPECT_EQ(child.wait(), 1);
  char buffer[256] = {};
  ASSERT_GE(pread(file, buffer, sizeof buffer - 1, 0), 0);
  EXPECT_EQ(std::string(buffer).find("Unable"), std::string::npos) << "no message on standard output: " << buffer;
  EXPECT_EQ(
      child.output().rfind(
          "glimmerfolding: Standard output is not a terminal: run the show in one, or render it with --record.\r\n", 0),
      0u)
      << child.output();
  close(file);
  unlink(path);
}

TEST(PosixTerminal, TerminationSignalRestoresAndEndsWith128PlusSignal) {
  PtyChild child(80, 50, runIntroChild);
  answerQuestions(child);
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.pump(30ms);
  EXPECT_TRUE(child.screen().onAlternateScreen());
  const std::size_t before = child.output().size();
  kill(child.pid(), SIGTERM);
  EXPECT_EQ(child.wait(), 128 + SIGTERM);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
  EXPECT_TRUE(paletteRestoredAfter(child.output(), before));
}

}  // namespace
}  // namespace glimmer
