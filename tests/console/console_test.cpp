// Console set-up, the intro and the display's answers (at once, within the wait after Space, or
// once the show runs), on a terminal kept in memory.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/cell_buffer.h"
#include "base/report.h"
#include "console/console.h"
#include "console/present.h"
#include "support/memory_terminal.h"

namespace glimmer {
namespace {

// Automatic colours are 16 here, whatever terminal runs the tests.
#ifdef _WIN32
const int kNoColorTerm = _putenv_s("COLORTERM", "");
#else
const int kNoColorTerm = unsetenv("COLORTERM");
#endif

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

// Set-up centres the grid, sets the title and hides the cursor; messages printed while the show
// owns the screen wait for the restore.
TEST(SetupConsole, CentresTheGridSetsTitleAndCursorAndHoldsMessagesUntilTheRestore) {
  MemoryTerminal terminal(101, 61);
  {
    ConsoleFrame console(&terminal);
    const SetupResult result = setUp(console);
    ASSERT_TRUE(result.ready);
    EXPECT_EQ(result.printed, "");
    EXPECT_TRUE(terminal.screenBegun);
    EXPECT_TRUE(terminal.cursorHidden);
    EXPECT_EQ(terminal.title, "vrax - Glimmerfolding");
    const ConsoleLayout& layout = console.layout();
    EXPECT_EQ((std::array{layout.originColumn, layout.originRow, layout.visibleColumns, layout.visibleRows}),
              (std::array{10, 5, 80, 50}));
    ::testing::internal::CaptureStderr();
    printLine("eglInitialize() failed");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "not while the show owns the screen";
    EXPECT_EQ(terminal.restoreCount, 0);
    ::testing::internal::CaptureStderr();
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
  };
  for (const Case& c : cases) {
    const GridDecision decision = chooseGrid(GridChoice::Auto, c.columns, c.rows, c.cellWidth, c.cellHeight);
    EXPECT_EQ(decision.grid, c.grid) << c.columns << "x" << c.rows << " cells of " << c.cellWidth << "x"
                                     << c.cellHeight;
    EXPECT_EQ(decision.notice != nullptr, c.notice) << c.columns << "x" << c.rows;
  }
}

// On a terminal that reports tall cells, set-up lays out 160x50 where it fits, and the intro says
// why. The notices sit at the start of the grid's last rows: the grid's at the bottom, above it the
// palette's (automatic colours keep a palette that was not reported), above that the caller's line.
TEST(SetupConsole, AutoOnATerminalOfTallCellsTakesTheWideGridAndTheIntroSaysSo) {
  for (const auto& [columns, rows, wide] : {std::tuple{170, 52, true}, std::tuple{100, 52, false}}) {
    MemoryTerminal terminal(columns, rows);
    terminal.replies.cellWidth = 9;
    terminal.replies.cellHeight = 19;
    for (bool& known : terminal.replies.paletteKnown) known = wide;
    ConsoleFrame console(&terminal);
    ASSERT_TRUE(setUp(console, {GridChoice::Auto, ColorChoice::Auto}).ready);
    EXPECT_TRUE(terminal.asked.cellSize);
    EXPECT_EQ(console.display().grid, wide ? Grid::Wide : Grid::Classic);
    const ConsoleLayout& layout = console.layout();
    EXPECT_EQ(layout.originColumn, (columns - (wide ? 160 : 80)) / 2);
    ASSERT_NE(console.gridNotice(), nullptr);
    ASSERT_EQ(console.paletteNotice() == nullptr, wide);
    terminal.press(Key::Escape);
    EXPECT_FALSE(showIntro(console, "No sound device answered: the show plays silently."));
    int row = layout.originRow + 50;
    auto onNextRowUp = [&](const std::string& text) {
      return "\x1b[" + std::to_string(row--) + ";" + std::to_string(layout.originColumn + 1) + "H" + text;
    };
    EXPECT_NE(terminal.written.find(onNextRowUp(console.gridNotice())), std::string::npos);
    if (!wide) {
      EXPECT_LE(std::string(console.paletteNotice()).size(), 80u) << "one line of the classic grid";
      EXPECT_NE(terminal.written.find(onNextRowUp(console.paletteNotice())), std::string::npos);
    }
    EXPECT_NE(terminal.written.find(onNextRowUp("No sound")), std::string::npos);
  }
}

// Automatic colours set the palette only where it can be put back as it was: all 16 entries
// reported, or a palette of the show's own screen; 16 colours asked for set it anyway; truecolor
// and the terminal's colours neither ask nor touch it. A display of 24-bit colour (the Windows
// console on its escape-sequence path) gives automatic colours truecolor. Where automatic colours
// leave the palette, the intro says so.
TEST(SetupConsole, ThePaletteFollowsTheColoursAskedForAndWhatTheDisplayReported) {
  struct Case {
    const char* name;
    ColorChoice colors;
    int reported;  // entries 0..reported-1
    bool privatePalette, trueColor;
    bool asked, set, notice;
  };
  const Case cases[] = {
      {"auto, all 16 reported", ColorChoice::Auto, 16, false, false, true, true, false},
      {"auto, 15 reported", ColorChoice::Auto, 15, false, false, true, false, true},
      {"auto, none reported", ColorChoice::Auto, 0, false, false, true, false, true},
      {"auto, a screen of its own", ColorChoice::Auto, 0, true, false, true, true, false},
      {"auto, a screen of its own in 24-bit colour", ColorChoice::Auto, 0, true, true, false, false, false},
      {"16, two reported", ColorChoice::Ansi16, 2, false, false, true, true, false},
      {"16, none reported", ColorChoice::Ansi16, 0, false, false, true, true, false},
      {"16, a screen of its own in 24-bit colour", ColorChoice::Ansi16, 0, true, true, true, true, false},
      {"terminal", ColorChoice::Terminal, 16, false, false, false, false, false},
      {"truecolor", ColorChoice::TrueColor, 16, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryTerminal terminal;
    terminal.replies = DisplayAnswers{};
    terminal.replies.complete = true;
    terminal.replies.privatePalette = c.privatePalette;
    terminal.replies.trueColor = c.trueColor;
    for (int entry = 0; entry < c.reported; ++entry) {
      terminal.replies.paletteKnown[entry] = true;
      terminal.replies.palette[entry][2] = 200 + entry;
    }
    {
      ConsoleFrame console(&terminal);
      ASSERT_TRUE(setUp(console, {GridChoice::Classic, c.colors}).ready);
      const bool trueColor = c.colors == ColorChoice::TrueColor || (c.colors == ColorChoice::Auto && c.trueColor);
      EXPECT_EQ(console.display().colorMode, trueColor ? ColorMode::TrueColor : ColorMode::Ansi16);
      EXPECT_EQ(terminal.asked.palette, c.asked);
      EXPECT_EQ(terminal.paletteSet, c.set);
      EXPECT_EQ(console.display().showPalette, c.set || trueColor);
      EXPECT_EQ(console.paletteNotice() != nullptr, c.notice);
      if (c.set) {
        // ANSI 1 is red: the console's dark red; ANSI 12 bright blue; ANSI 7 the light grey.
        EXPECT_EQ(std::to_array(terminal.palette[1]), (std::array<std::int32_t, 3>{128, 0, 0}));
        EXPECT_EQ(std::to_array(terminal.palette[12]), (std::array<std::int32_t, 3>{0, 0, 255}));
        EXPECT_EQ(std::to_array(terminal.palette[7]), (std::array<std::int32_t, 3>{192, 192, 192}));
        for (int entry = 0; entry < c.reported; ++entry) {
          EXPECT_TRUE(terminal.paletteBefore.paletteKnown[entry]);
          EXPECT_EQ(terminal.paletteBefore.palette[entry][2], 200 + entry);
        }
      }
    }
    EXPECT_FALSE(terminal.paletteSet) << "put back at the restore";
  }
}

// Answers from a display that reports its whole palette, tall cells and synchronized output.
void answerEverything(DisplayAnswers& answers) {
  answers.synchronizedOutput = true;
  answers.cellWidth = 9;
  answers.cellHeight = 19;
  for (bool& known : answers.paletteKnown) known = true;
  answers.complete = true;
}

// Answers still outstanding at Space are waited for, about 100 ms: those that come within the wait
// are used for the first frame; those that come only once the show runs start synchronized output
// from the next frame, while the grid and the palette stay as the first frame had them.
TEST(FinishSetup, WaitsBrieflyForAnswersAndLaterOnesStartSynchronizedOutputOnly) {
  constexpr char kSynchronizedFrame[] = "\x1b[?2026h";
  for (const bool inTime : {true, false}) {
    SCOPED_TRACE(inTime ? "within the wait" : "during the show");
    MemoryTerminal terminal(170, 52);
    terminal.replies = DisplayAnswers{};
    ConsoleFrame console(&terminal);
    ASSERT_TRUE(setUp(console, {GridChoice::Auto, ColorChoice::Auto}).ready);
    if (inTime) terminal.whenAwaited = [&] { answerEverything(terminal.replies); };
    finishSetup(console);
    const int waited = terminal.awaitedMs;
    EXPECT_GT(waited, 0);
    EXPECT_LE(waited, 150) << "about 100 ms past Space at the most";
    CellBuffer cells{};
    presentFrame(console, console.cellsOf(cells));
    EXPECT_EQ(terminal.written.find(kSynchronizedFrame) != std::string::npos, inTime);
    if (!inTime) {
      answerEverything(terminal.replies);
      terminal.resizePending = true;
      const std::size_t before = terminal.written.size();
      cells[0].glyph = 0xb1;
      presentFrame(console, console.cellsOf(cells));
      EXPECT_NE(terminal.written.find(kSynchronizedFrame, before), std::string::npos);
      finishSetup(console);
      EXPECT_EQ(terminal.awaitedMs, waited) << "nothing waits a second time";
    }
    EXPECT_EQ(terminal.askCount, 1);
    EXPECT_EQ(console.display().grid, inTime ? Grid::Wide : Grid::Classic);
    EXPECT_EQ(terminal.paletteSet, inTime);
    EXPECT_EQ(console.display().showPalette, inTime);
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

// The intro's words are the platform's own: the design's on Windows; in a terminal, its two hints
// speak of the terminal (its full-screen key, and what gives the picture its true shape in its
// cells, or that the wide grid does), with the same layout and the same last line.
TEST(Intro, EachPlatformHasItsOwnWords) {
  struct Case {
    int columns, rows, cellWidth, cellHeight;
    const char* shapeHint;  // the second hint, in a terminal
  };
  const Case cases[] = {
      {100, 60, 0, 0, "Windowed mode lovers:\nA smaller font or a larger window gives the picture its true shape"},
      {100, 60, 9, 19, "Windowed mode lovers:\nA smaller font or a larger window gives the picture its true shape"},
      {170, 55, 9, 19, "Wide grid:\n160x50 cells keep the picture's true shape in these tall cells"},
      {100, 60, 8, 8, "Square cells:\nThe classic grid shows the picture in its true shape"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.columns << "x" << c.rows << ", cells " << c.cellWidth << "x"
                                      << c.cellHeight);
    MemoryTerminal terminal(c.columns, c.rows);
    terminal.replies.cellWidth = c.cellWidth;
    terminal.replies.cellHeight = c.cellHeight;
    ConsoleFrame console(&terminal);
    ASSERT_TRUE(setUp(console).ready);
    terminal.press(Key::Escape);
    EXPECT_FALSE(showIntro(console));
#ifdef _WIN32
    const std::string hints =
        "Win32 users:\nPress ALT-ENTER for fullscreen\n\nWin64 users and you windowed mode lovers:\nChange your font "
        "to 8x8 for a slightly better experience";
    EXPECT_EQ(terminal.written.find("Terminal users"), std::string::npos);
#else
    const std::string hints =
        std::string("Terminal users:\nPress F11 (or your terminal's full-screen key) for fullscreen\n\n") + c.shapeHint;
    EXPECT_EQ(terminal.written.find("Win32"), std::string::npos);
#endif
    // Each line at the grid's column 0, from its row 0; the keys three empty rows below the hints.
    const ConsoleLayout& layout = console.layout();
    std::istringstream lines(hints + "\n\n\n\nPress SPACE to continue or ESC to exit");
    int row = layout.originRow + 1;
    for (std::string line; std::getline(lines, line); ++row) {
      if (line.empty()) continue;
      const std::string at = "\x1b[" + std::to_string(row) + ";" + std::to_string(layout.originColumn + 1) + "H";
      EXPECT_NE(terminal.written.find(at + line), std::string::npos) << line;
    }
  }
}

// A window too small for the grid: on Windows the design's message (the console call) and then
// what it means; in a terminal, that line alone. (Standard output that is no terminal: see the
// program's tests and the Windows backend's.)
TEST(SetupConsole, ATooSmallWindowIsSaidInThePlatformsOwnTerms) {
  MemoryTerminal small(80, 24);
  ConsoleFrame tooSmall(&small);
  const SetupResult cramped = setUp(tooSmall, {GridChoice::Classic, ColorChoice::Auto});
  EXPECT_FALSE(cramped.ready);
  const std::string tooSmallLine =
      "glimmerfolding: The terminal is 80x24 cells; the show needs 80x50: enlarge the window or choose a smaller "
      "font.\n";
#ifdef _WIN32
  EXPECT_EQ(cramped.printed, "glimmerfolding: SetConsoleScreenBufferSize() failed\n" + tooSmallLine);
#else
  EXPECT_EQ(cramped.printed, tooSmallLine);
#endif
}

// As the window changes during the show, the grid follows: the wide grid gives way to the classic
// one where 160x50 no longer fits and 80x50 does, and comes back where it fits again, when it was
// asked for or Auto took it; Auto for square cells, and the classic grid asked for, stay classic.
// Where no grid fits, the layout says so and keeps the grid.
TEST(UpdateLayout, TheGridFollowsTheWindow) {
  struct Step {
    int columns, rows;
    Grid grid;
    bool fits;
    int originColumn, originRow;
  };
  struct Case {
    GridChoice request;
    int cellWidth, cellHeight;
    std::vector<Step> steps;
  };
  // clang-format off
  const std::vector<Step> wideThenBack = {
      {170, 55, Grid::Wide, true, 5, 2},
      {120, 52, Grid::Classic, true, 20, 1},
      {60, 30, Grid::Classic, false, 0, 0},
      {170, 55, Grid::Wide, true, 5, 2},
      {159, 50, Grid::Classic, true, 39, 0},
      {160, 50, Grid::Wide, true, 0, 0},
      {160, 49, Grid::Wide, false, 0, 0},
      {80, 50, Grid::Classic, true, 0, 0},
  };
  const std::vector<Step> classicAlways = {
      {170, 55, Grid::Classic, true, 45, 2},
      {120, 52, Grid::Classic, true, 20, 1},
      {60, 30, Grid::Classic, false, 0, 0},
      {170, 55, Grid::Classic, true, 45, 2},
  };
  const Case cases[] = {
      {GridChoice::Auto, 9, 19, wideThenBack},
      {GridChoice::Wide, 0, 0, wideThenBack},
      {GridChoice::Auto, 10, 10, classicAlways},
      {GridChoice::Classic, 9, 19, classicAlways},
  };
  // clang-format on
  for (const Case& c : cases) {
    MemoryTerminal terminal(c.steps[0].columns, c.steps[0].rows);
    terminal.replies.cellWidth = c.cellWidth;
    terminal.replies.cellHeight = c.cellHeight;
    ConsoleFrame console(&terminal);
    ASSERT_TRUE(setUp(console, {c.request, ColorChoice::Auto}).ready);
    for (const Step& step : c.steps) {
      SCOPED_TRACE(::testing::Message() << "request " << static_cast<int>(c.request) << ", cells " << c.cellWidth << "x"
                                        << c.cellHeight << ", window " << step.columns << "x" << step.rows);
      terminal.resize(step.columns, step.rows);
      updateLayout(console);
      const ConsoleLayout& layout = console.layout();
      EXPECT_EQ(console.display().grid, step.grid);
      EXPECT_EQ(layout.fits, step.fits);
      if (step.fits) {
        EXPECT_EQ((std::array{layout.originColumn, layout.originRow, layout.visibleColumns, layout.visibleRows}),
                  (std::array{step.originColumn, step.originRow, columnsOf(step.grid), 50}));
      }
    }
  }
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

  // q quits as Escape does; the arrows wait.
  terminal.press(Key::Left);
  terminal.press(Key::Q);
  EXPECT_FALSE(showIntro(console));
}

}  // namespace
}  // namespace glimmer
