// The Windows console backend where the tests run: standard output is a pipe to the test runner,
// not a console, so the terminal must refuse to open, change nothing, and answer every later call
// at once. The backend's drawing, keys and restore on a real console are checked by
// scripts/test-windows.sh, which runs the show under Wine in tmux.
#include <gtest/gtest.h>

#include <io.h>

#include <chrono>
#include <memory>

#include "console/console.h"
#include "console/terminal.h"

namespace glimmer {
namespace {

TEST(WindowsTerminal, RefusesAnOutputThatIsNotAConsoleAndStaysHarmless) {
  if (_isatty(1) != 0) GTEST_SKIP() << "standard output is a console here";
  std::unique_ptr<Terminal> terminal = makeSystemTerminal();
  EXPECT_FALSE(terminal->open());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(terminal->write("x", 1));
  EXPECT_FALSE(terminal->keyPressed(Key::Space));
  EXPECT_FALSE(terminal->keyPressed(Key::Escape));
  EXPECT_FALSE(terminal->takeResize());
  EXPECT_FALSE(terminal->beginScreen());
  terminal->restore();
  terminal->restore();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(WindowsTerminal, SetupReportsTheMissingConsoleInOneLine) {
  if (_isatty(1) != 0) GTEST_SKIP() << "standard output is a console here";
  ConsoleFrame console;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(setupConsole(console, {}));
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(printed.rfind("glimmerfolding: Unable to get STD_OUTPUT_HANDLE\n", 0), 0u) << printed;
}

}  // namespace
}  // namespace glimmer
