// The Windows console backend where the tests run: standard output is a pipe to the test runner,
// not a console, so the terminal must refuse to open, change nothing, and answer every later call
// at once. The choice between cells and escape sequences is tested on a stand-in console that
// takes or refuses virtual-terminal processing. The backend's drawing, keys and restore on a real
// console, on both paths, are checked by scripts/test-windows.sh, which runs the show under Wine in
// tmux.
#include <gtest/gtest.h>

#include <io.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "console/console.h"
#include "console/terminal.h"
#include "console/terminal_windows.h"

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

// The design's message for the missing console, and a second line saying what it means.
TEST(WindowsTerminal, SetupReportsTheMissingConsole) {
  if (_isatty(1) != 0) GTEST_SKIP() << "standard output is a console here";
  ConsoleFrame console;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(setupConsole(console, {}));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "glimmerfolding: Unable to get STD_OUTPUT_HANDLE\nglimmerfolding: Standard output is not a terminal: run "
            "the show in one, or render it with --record.\n");
}

// A console that keeps a mode, and takes virtual-terminal processing or not, as told.
class StandInConsole final : public ConsoleModeCalls {
 public:
  bool getMode(HANDLE output, DWORD& value) override {
    EXPECT_EQ(output, kOutput);
    if (!answersMode) return false;
    value = keepsSequences ? mode : mode & ~static_cast<DWORD>(ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    return true;
  }
  bool setMode(HANDLE output, DWORD value) override {
    EXPECT_EQ(output, kOutput);
    ++setAttempts;
    const bool refused = ((value & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 && !takesSequences) ||
                         ((value & DISABLE_NEWLINE_AUTO_RETURN) != 0 && !takesNoAutoReturn);
    if (refused) return false;
    mode = value;
    return true;
  }
  bool underWine() override { return wine; }

  static inline const HANDLE kOutput = reinterpret_cast<HANDLE>(0x1234);
  DWORD mode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  bool answersMode = true;
  bool takesSequences = true;
  bool takesNoAutoReturn = true;
  bool keepsSequences = true;
  bool wine = false;
  int setAttempts = 0;
};

// Which path each console and setting gets, what becomes of the output's mode (the cell path asked
// for, or Wine's, does not even try it), and when the user is told about the setting.
TEST(ConsolePath, ChosenOnceFromWhatTheConsoleTakesAndTheSetting) {
  constexpr DWORD kBefore = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  constexpr DWORD kSequences = kBefore | ENABLE_VIRTUAL_TERMINAL_PROCESSING | DISABLE_NEWLINE_AUTO_RETURN;
  constexpr DWORD kSequencesAutoReturn = kBefore | ENABLE_VIRTUAL_TERMINAL_PROCESSING;
  struct Case {
    const char* name;
    const char* setting;
    void (*console)(StandInConsole&);
    ConsolePath path;
    DWORD modeAfter;
    bool tries, message;
  };
  const Case cases[] = {
      {"Windows Terminal", nullptr, [](StandInConsole&) {}, ConsolePath::VirtualTerminal, kSequences, true, false},
      {"an empty setting", "", [](StandInConsole&) {}, ConsolePath::VirtualTerminal, kSequences, true, false},
      {"no DISABLE_NEWLINE_AUTO_RETURN", nullptr, [](StandInConsole& c) { c.takesNoAutoReturn = false; },
       ConsolePath::VirtualTerminal, kSequencesAutoReturn, true, false},
      {"already in the mode", nullptr, [](StandInConsole& c) { c.mode = kSequences; }, ConsolePath::VirtualTerminal,
       kSequences, true, false},
      {"an older console", nullptr, [](StandInConsole& c) { c.takesSequences = false; }, ConsolePath::Cells, kBefore,
       true, false},
      {"a console that takes the mode but drops it", nullptr, [](StandInConsole& c) { c.keepsSequences = false; },
       ConsolePath::Cells, kBefore, true, false},
      {"no mode at all", nullptr, [](StandInConsole& c) { c.answersMode = false; }, ConsolePath::Cells, kBefore, false,
       false},
      {"Wine", nullptr, [](StandInConsole& c) { c.wine = true; }, ConsolePath::Cells, kBefore, false, false},
      {"Wine, vt asked for", "vt", [](StandInConsole& c) { c.wine = true; }, ConsolePath::VirtualTerminal, kSequences,
       true, false},
      {"cells asked for", "cells", [](StandInConsole&) {}, ConsolePath::Cells, kBefore, false, false},
      {"vt asked for on an older console", "vt", [](StandInConsole& c) { c.takesSequences = false; },
       ConsolePath::Cells, kBefore, true, true},
      {"a setting of neither", "pixels", [](StandInConsole&) {}, ConsolePath::VirtualTerminal, kSequences, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandInConsole console;
    c.console(console);
    const DWORD before = console.mode;
    const ConsolePathChoice choice = chooseConsolePath(console, StandInConsole::kOutput, c.setting);
    EXPECT_EQ(choice.path, c.path);
    EXPECT_EQ(console.mode, c.modeAfter);
    EXPECT_EQ(console.setAttempts > 0, c.tries);
    EXPECT_EQ(choice.modeChanged, c.modeAfter != before);
    if (choice.modeChanged) {
      EXPECT_EQ(choice.originalMode, before) << "what goes back at the end";
    }
    EXPECT_EQ(choice.message != nullptr, c.message);
    if (choice.message != nullptr) {
      EXPECT_NE(std::string(choice.message).find("GLIMMER_CONSOLE"), std::string::npos);
    }
  }
}

// The real console calls know Wine when they run under it, as these tests do in this project
// (Wine names its own folders in the environment of every program it runs); on Windows they do not.
TEST(ConsolePath, TheSystemCallsRecogniseWine) {
  const bool wine = std::getenv("WINECONFIGDIR") != nullptr || std::getenv("WINELOADER") != nullptr;
  EXPECT_EQ(systemConsoleModeCalls().underWine(), wine);
}

}  // namespace
}  // namespace glimmer
