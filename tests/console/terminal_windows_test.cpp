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
#include <vector>

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

TEST(WindowsTerminal, SetupReportsTheMissingConsoleInOneLine) {
  if (_isatty(1) != 0) GTEST_SKIP() << "standard output is a console here";
  ConsoleFrame console;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(setupConsole(console, {}));
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(printed.rfind("glimmerfolding: Unable to get STD_OUTPUT_HANDLE\n", 0), 0u) << printed;
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
    const bool refused = ((value & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 && !takesSequences) ||
                         ((value & DISABLE_NEWLINE_AUTO_RETURN) != 0 && !takesNoAutoReturn);
    if (refused) return false;
    mode = value;
    modesSet.push_back(value);
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
  std::vector<DWORD> modesSet;
};

// Which path each console and setting gets, what becomes of the output's mode, and when the user
// is told about the setting.
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
    bool message;
  };
  const Case cases[] = {
      {"Windows Terminal", nullptr, [](StandInConsole&) {}, ConsolePath::VirtualTerminal, kSequences, false},
      {"an empty setting", "", [](StandInConsole&) {}, ConsolePath::VirtualTerminal, kSequences, false},
      {"no DISABLE_NEWLINE_AUTO_RETURN", nullptr, [](StandInConsole& c) { c.takesNoAutoReturn = false; },
       ConsolePath::VirtualTerminal, kSequencesAutoReturn, false},
      {"an older console", nullptr, [](StandInConsole& c) { c.takesSequences = false; }, ConsolePath::Cells, kBefore,
       false},
      {"a console that takes the mode but drops it", nullptr, [](StandInConsole& c) { c.keepsSequences = false; },
       ConsolePath::Cells, kBefore, false},
      {"no mode at all", nullptr, [](StandInConsole& c) { c.answersMode = false; }, ConsolePath::Cells, kBefore, false},
      {"Wine", nullptr, [](StandInConsole& c) { c.wine = true; }, ConsolePath::Cells, kBefore, false},
      {"Wine, vt asked for", "vt", [](StandInConsole& c) { c.wine = true; }, ConsolePath::VirtualTerminal, kSequences,
       false},
      {"cells asked for", "cells", [](StandInConsole&) {}, ConsolePath::Cells, kBefore, false},
      {"vt asked for on an older console", "vt", [](StandInConsole& c) { c.takesSequences = false; },
       ConsolePath::Cells, kBefore, true},
      {"a setting of neither", "pixels", [](StandInConsole&) {}, ConsolePath::VirtualTerminal, kSequences, true},
  };
  for (const Case& c : cases) {
    StandInConsole console;
    c.console(console);
    const ConsolePathChoice choice = chooseConsolePath(console, StandInConsole::kOutput, c.setting);
    EXPECT_EQ(choice.path, c.path) << c.name;
    EXPECT_EQ(console.mode, c.modeAfter) << c.name;
    EXPECT_EQ(choice.modeChanged, c.modeAfter != kBefore) << c.name;
    if (choice.modeChanged) {
      EXPECT_EQ(choice.originalMode, kBefore) << c.name << ": what goes back at the end";
    }
    EXPECT_EQ(choice.message != nullptr, c.message) << c.name;
    if (choice.message != nullptr) {
      EXPECT_NE(std::string(choice.message).find("GLIMMER_CONSOLE"), std::string::npos) << c.name;
    }
  }
}

// Cells asked for, or Wine: the console's mode is not even tried.
TEST(ConsolePath, TheCellPathLeavesTheModeUntouched) {
  for (const bool wine : {false, true}) {
    StandInConsole console;
    console.wine = wine;
    chooseConsolePath(console, StandInConsole::kOutput, wine ? nullptr : "cells");
    EXPECT_TRUE(console.modesSet.empty()) << wine;
  }
}

// A console that is already in the mode is left as it is, with nothing to put back.
TEST(ConsolePath, AConsoleAlreadyInTheModeHasNothingToPutBack) {
  StandInConsole console;
  console.mode |= ENABLE_VIRTUAL_TERMINAL_PROCESSING | DISABLE_NEWLINE_AUTO_RETURN;
  const ConsolePathChoice choice = chooseConsolePath(console, StandInConsole::kOutput, nullptr);
  EXPECT_EQ(choice.path, ConsolePath::VirtualTerminal);
  EXPECT_FALSE(choice.modeChanged);
}

// The real console calls know Wine when they run under it, as these tests do in this project
// (Wine names its own folders in the environment of every program it runs); on Windows they do not.
TEST(ConsolePath, TheSystemCallsRecogniseWine) {
  const bool wine = std::getenv("WINECONFIGDIR") != nullptr || std::getenv("WINELOADER") != nullptr;
  EXPECT_EQ(systemConsoleModeCalls().underWine(), wine);
}

}  // namespace
}  // namespace glimmer
