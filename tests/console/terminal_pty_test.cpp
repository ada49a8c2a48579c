// The real terminal backend on a pseudo-terminal: the program's side runs in a child process whose
// controlling terminal is the pty; this side types keys and reads the screen through an emulator.
#include <gtest/gtest.h>
#include <pty.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "console/console.h"
#include "support/emulated_screen.h"

namespace glimmer {
namespace {

using namespace std::chrono_literals;
using testing::EmulatedScreen;

constexpr int kSpaceStatus = 10;
constexpr int kEscapeStatus = 20;

// The child's side: set up the real terminal, show the intro, restore, then report whether input
// is back in cooked mode.
[[noreturn]] void runIntroChild() {
  int status;
  {
    ConsoleFrame console;
    if (!setupConsole(console)) {
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

class PtyChild {
 public:
  PtyChild(int columns, int rows, const std::function<void()>& child) : screen_(columns, rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
      child();
      _exit(99);
    }
  }
  ~PtyChild() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  void type(const std::string& keys) { ASSERT_EQ(write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }

  // Reads output for the given time, feeding the emulator.
  void pump(std::chrono::milliseconds duration) {
    auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) readSome(10);
  }

  // Waits for the child to end (reading its output meanwhile); returns its exit status or -signal.
  int wait(std::chrono::milliseconds limit = 5000ms) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      readSome(10);
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        for (int i = 0; i < 20; ++i) readSome(5);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
      }
    }
    return -1000;
  }

  // Waits until the screen shows the text somewhere (or the time runs out).
  bool waitForText(const std::string& text, std::chrono::milliseconds limit = 3000ms) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (output_.find(text) != std::string::npos) return true;
      readSome(10);
    }
    return false;
  }

  pid_t pid() const { return pid_; }
  const std::string& output() const { return output_; }
  EmulatedScreen& screen() { return screen_; }

 private:
  void readSome(int timeoutMs) {
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, timeoutMs) <= 0) return;
    char buffer[4096];
    ssize_t got = read(master_, buffer, sizeof buffer);
    if (got <= 0) return;
    std::string chunk(buffer, static_cast<std::size_t>(got));
    output_ += chunk;
    screen_.feed(chunk);
  }

  EmulatedScreen screen_;
  int master_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
  std::string output_;
};

TEST(PosixTerminal, IntroOnARealTerminalAndEscapeRestoresEverything) {
  PtyChild child(100, 56, runIntroChild);
  ASSERT_TRUE(child.waitForText("Press SPACE to continue or ESC to exit"));
  child.pump(50ms);
  EmulatedScreen& screen = child.screen();
  EXPECT_TRUE(screen.onAlternateScreen());
  EXPECT_FALSE(screen.cursorVisible());
  EXPECT_EQ(screen.title(), "vrax - Glimmerfolding");
  EXPECT_EQ(screen.rowText(3), std::string(10, ' ') + "Win32 users:");
  EXPECT_EQ(screen.rowText(4), std::string(10, ' ') + "Press ALT-ENTER for fullscreen");
  EXPECT_EQ(screen.rowText(11), std::string(10, ' ') + "Press SPACE to continue or ESC to exit");

  child.type("\x1b");
  EXPECT_EQ(child.wait(), kEscapeStatus);
  EXPECT_FALSE(screen.onAlternateScreen());
  EXPECT_TRUE(screen.cursorVisible());
  EXPECT_NE(child.output().find("[cooked=1]"), std::string::npos);
}

TEST(PosixTerminal, ArrowKeysAndLateSequenceBytesAreNotEscape) {
  PtyChild child(80, 50, runIntroChild);
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.type("\x1b[A\x1b[B\x1bOC");
  child.pump(100ms);
  child.type("\x1b");  // the start of an arrow key ...
  std::this_thread::sleep_for(5ms);
  child.type("[D");  // ... whose rest comes late
  child.pump(150ms);
  child.type(" ");
  EXPECT_EQ(child.wait(), kSpaceStatus);
}

TEST(PosixTerminal, TooSmallTerminalFailsWithAdviceOnTheMainScreen) {
  PtyChild child(80, 24, runIntroChild);
  EXPECT_EQ(child.wait(), 1);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_NE(child.output().find("SetConsoleScreenBufferSize() failed"), std::string::npos);
  EXPECT_NE(child.output().find("The terminal is 80x24 cells"), std::string::npos);
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
  EXPECT_EQ(std::string(buffer).rfind("Unable to get STD_OUTPUT_HANDLE\n", 0), 0u) << buffer;
  close(file);
  unlink(path);
}

TEST(PosixTerminal, TerminationSignalRestoresAndEndsWith128PlusSignal) {
  PtyChild child(80, 50, runIntroChild);
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.pump(30ms);
  EXPECT_TRUE(child.screen().onAlternateScreen());
  kill(child.pid(), SIGTERM);
  EXPECT_EQ(child.wait(), 128 + SIGTERM);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
}

}  // namespace
}  // namespace glimmer
