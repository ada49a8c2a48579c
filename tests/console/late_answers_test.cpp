// Set-up and the display's answers, on a terminal in memory: what the answers decide (the palette,
// the grid, synchronized output, the intro's notices), whether they come at once, late during the
// intro, within the wait after Space, or only once the show runs.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include "base/cell_buffer.h"
#include "console/console.h"
#include "console/present.h"
#include "support/memory_terminal.h"

namespace glimmer {
namespace {

constexpr char kSynchronizedFrame[] = "\x1b[?2026h";

// Sets an environment variable, or with null removes it.
void setVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

// Automatic colours are 16 here whatever terminal runs the tests.
class LateAnswers : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* value = std::getenv("COLORTERM");
    hadColorTerm_ = value != nullptr;
    if (hadColorTerm_) saved_ = value;
    setVariable("COLORTERM", nullptr);
  }
  void TearDown() override { setVariable("COLORTERM", hadColorTerm_ ? saved_.c_str() : nullptr); }

  static bool setUp(ConsoleFrame& console, const DisplayRequest& request) {
    ::testing::internal::CaptureStderr();
    const bool ready = setupConsole(console, request);
    ::testing::internal::GetCapturedStderr();
    return ready;
  }

  // The bytes of a frame of blank cells as the console would write it now.
  static std::string frameBytes(ConsoleFrame& console) {
    static const CellBuffer cells{};
    drawWholeNextFrame(console);
    std::size_t size = 0;
    const char* bytes = encodeFrame(console, console.cellsOf(cells), size);
    return std::string(bytes, size);
  }

  // Answers from a display that reports its whole palette, tall cells and synchronized output.
  static void answerEverything(DisplayAnswers& answers) {
    answers.synchronizedOutput = true;
    answers.cellWidth = 9;
    answers.cellHeight = 19;
    for (int entry = 0; entry < 16; ++entry) answers.paletteKnown[entry] = true;
    answers.complete = true;
  }

 private:
  bool hadColorTerm_ = false;
  std::string saved_;
};

// Automatic colours set the palette only where it can be put back as it was: all 16 entries
// reported, or a palette of the show's own screen; 16 colours asked for set it anyway; truecolor
// and the terminal's colours neither ask nor touch it. Where automatic colours leave the palette,
// the intro says so.
TEST_F(LateAnswers, PaletteFollowsTheColoursAskedForAndWhatTheDisplayReported) {
  struct Case {
    const char* name;
    ColorChoice colors;
    int reported;  // entries 0..reported-1
    bool privatePalette;
    bool asked, set, notice;
  };
  const Case cases[] = {
      {"auto, all 16 reported", ColorChoice::Auto, 16, false, true, true, false},
      {"auto, 15 reported", ColorChoice::Auto, 15, false, true, false, true},
      {"auto, none reported", ColorChoice::Auto, 0, false, true, false, true},
      {"auto, a screen of its own", ColorChoice::Auto, 0, true, true, true, false},
      {"16, two reported", ColorChoice::Ansi16, 2, false, true, true, false},
      {"16, none reported", ColorChoice::Ansi16, 0, false, true, true, false},
      {"terminal", ColorChoice::Terminal, 16, false, false, false, false},
      {"truecolor", ColorChoice::TrueColor, 16, false, false, false, false},
  };
  for (const Case& c : cases) {
    MemoryTerminal terminal;
    terminal.replies = DisplayAnswers{};
    terminal.replies.complete = true;
    terminal.replies.privatePalette = c.privatePalette;
    for (int entry = 0; entry < c.reported; ++entry) {
      terminal.replies.paletteKnown[entry] = true;
      terminal.replies.palette[entry][2] = 200 + entry;
    }
    {
      ConsoleFrame console(&terminal);
      ASSERT_TRUE(setUp(console, {GridChoice::Classic, c.colors})) << c.name;
      EXPECT_EQ(terminal.asked.palette, c.asked) << c.name;
      EXPECT_EQ(terminal.paletteSet, c.set) << c.name;
      EXPECT_EQ(console.display().showPalette, c.set || c.colors == ColorChoice::TrueColor) << c.name;
      EXPECT_EQ(console.paletteNotice() != nullptr, c.notice) << c.name;
      if (c.set) {
        // ANSI 1 is red: the console's dark red; ANSI 12 bright blue; ANSI 7 the light grey.
        EXPECT_EQ(std::to_array(terminal.palette[1]), (std::array<std::int32_t, 3>{128, 0, 0})) << c.name;
        EXPECT_EQ(std::to_array(terminal.palette[12]), (std::array<std::int32_t, 3>{0, 0, 255})) << c.name;
        EXPECT_EQ(std::to_array(terminal.palette[7]), (std::array<std::int32_t, 3>{192, 192, 192})) << c.name;
        for (int entry = 0; entry < c.reported; ++entry) {
          EXPECT_TRUE(terminal.paletteBefore.paletteKnown[entry]) << c.name;
          EXPECT_EQ(terminal.paletteBefore.palette[entry][2], 200 + entry) << c.name;
        }
      }
    }
    EXPECT_FALSE(terminal.paletteSet) << c.name << ": put back at the restore";
  }
}

// The palette's notice sits above the grid's, and above it the caller's lines.
TEST_F(LateAnswers, ThePaletteNoticeJoinsTheIntroAboveTheGridNotice) {
  MemoryTerminal terminal(100, 52);
  terminal.replies = DisplayAnswers{};
  terminal.replies.cellWidth = 8;
  terminal.replies.cellHeight = 16;
  terminal.replies.complete = true;
  ConsoleFrame console(&terminal);
  ASSERT_TRUE(setUp(console, {GridChoice::Auto, ColorChoice::Auto}));
  ASSERT_NE(console.gridNotice(), nullptr);
  ASSERT_NE(console.paletteNotice(), nullptr);
  EXPECT_LE(std::string(console.paletteNotice()).size(), 80u) << "one line of the classic grid";
  terminal.press(Key::Escape);
  EXPECT_FALSE(showIntro(console, "No sound device answered: the show plays silently."));
  // The grid from row 2 and column 11 (1-based): its last row is 51.
  EXPECT_NE(terminal.written.find(std::string("\x1b[51;11H") + console.gridNotice()), std::string::npos);
  EXPECT_NE(terminal.written.find(std::string("\x1b[50;11H") + console.paletteNotice()), std::string::npos);
  EXPECT_NE(terminal.written.find("\x1b[49;11HNo sound"), std::string::npos);
}

// A display of 24-bit colour whose palette belongs to the show's own screen (the Windows console
// on its escape-sequence path): automatic colours take truecolor and ask nothing of the palette;
// 16 colours still set it.
TEST_F(LateAnswers, ADisplayOfTrueColourTakesItForAutomaticColours) {
  for (const ColorChoice colors : {ColorChoice::Auto, ColorChoice::Ansi16}) {
    MemoryTerminal terminal;
    terminal.replies = DisplayAnswers{};
    terminal.replies.complete = true;
    terminal.replies.trueColor = true;
    terminal.replies.privatePalette = true;
    ConsoleFrame console(&terminal);
    ASSERT_TRUE(setUp(console, {GridChoice::Classic, colors}));
    const bool automatic = colors == ColorChoice::Auto;
    EXPECT_EQ(console.display().colorMode, automatic ? ColorMode::TrueColor : ColorMode::Ansi16);
    EXPECT_EQ(terminal.asked.palette, !automatic);
    EXPECT_EQ(terminal.paletteSet, !automatic);
    EXPECT_EQ(console.paletteNotice(), nullptr);
  }
}

// Answers that come while the intro waits: the intro is laid out again for the grid the cells call
// for, with its notice, and the rest is settled when the viewer presses Space, without a wait.
TEST_F(LateAnswers, AnswersDuringTheIntroLayItOutAgainAndSettleAtSpace) {
  MemoryTerminal terminal(170, 52);
  terminal.replies = DisplayAnswers{};
  ConsoleFrame console(&terminal);
  ASSERT_TRUE(setUp(console, {GridChoice::Auto, ColorChoice::Auto}));
  EXPECT_EQ(terminal.askCount, 1);
  EXPECT_TRUE(terminal.asked.palette);
  EXPECT_TRUE(terminal.asked.cellSize);
  EXPECT_EQ(console.display().grid, Grid::Classic);
  EXPECT_EQ(console.gridNotice(), nullptr);
  EXPECT_EQ(console.paletteNotice(), nullptr) << "not before the answers are in";
  EXPECT_FALSE(terminal.paletteSet);
  EXPECT_EQ(frameBytes(console).find(kSynchronizedFrame), std::string::npos);

  int waits = 0;
  std::size_t beforeAnswers = 0;
  terminal.whenWaiting = [&] {
    if (++waits == 3) {
      beforeAnswers = terminal.written.size();
      answerEverything(terminal.replies);
      terminal.resizePending = true;
    }
    if (waits == 6) terminal.press(Key::Space);
  };
  EXPECT_TRUE(showIntro(console));
  EXPECT_EQ(console.display().grid, Grid::Wide);
  EXPECT_EQ(console.layout().originColumn, 5);
  ASSERT_NE(console.gridNotice(), nullptr);
  EXPECT_NE(terminal.written.find(std::string("\x1b[51;6H") + console.gridNotice(), beforeAnswers), std::string::npos)
      << "the intro drawn again with the wide grid's notice";
  EXPECT_FALSE(terminal.paletteSet) << "the palette waits for Space";

  finishSetup(console);
  EXPECT_EQ(terminal.awaitedMs, 0) << "nothing outstanding";
  EXPECT_TRUE(terminal.paletteSet);
  EXPECT_EQ(console.display().grid, Grid::Wide);
  EXPECT_NE(frameBytes(console).find(kSynchronizedFrame), std::string::npos);
}

// Answers that come within the short wait after Space are used for the first frame.
TEST_F(LateAnswers, AnswersWithinTheWaitAfterSpaceAreUsed) {
  MemoryTerminal terminal(170, 52);
  terminal.replies = DisplayAnswers{};
  ConsoleFrame console(&terminal);
  ASSERT_TRUE(setUp(console, {GridChoice::Auto, ColorChoice::Auto}));
  terminal.whenAwaited = [&] { answerEverything(terminal.replies); };
  finishSetup(console);
  EXPECT_GT(terminal.awaitedMs, 0);
  EXPECT_LE(terminal.awaitedMs, 150) << "about 100 ms past Space at the most";
  EXPECT_EQ(console.display().grid, Grid::Wide);
  EXPECT_EQ(console.layout().originColumn, 5);
  EXPECT_TRUE(terminal.paletteSet);
  EXPECT_TRUE(console.display().showPalette);
}

// Answers that come only once the show runs: it starts on what was known (the classic grid, the
// terminal's own colours), and of the late answers takes only synchronized output, from the next
// frame; the grid and the palette stay as the first frame had them. Nothing waits a second time.
TEST_F(LateAnswers, AnswersDuringTheShowStartSynchronizedOutputOnly) {
  MemoryTerminal terminal(170, 52);
  terminal.replies = DisplayAnswers{};
  ConsoleFrame console(&terminal);
  ASSERT_TRUE(setUp(console, {GridChoice::Auto, ColorChoice::Auto}));
  finishSetup(console);
  const int waited = terminal.awaitedMs;
  EXPECT_GT(waited, 0);
  EXPECT_EQ(console.display().grid, Grid::Classic);
  EXPECT_FALSE(terminal.paletteSet);
  EXPECT_FALSE(console.display().showPalette);

  CellBuffer cells{};
  presentFrame(console, console.cellsOf(cells));
  EXPECT_EQ(terminal.written.find(kSynchronizedFrame), std::string::npos);
  answerEverything(terminal.replies);
  terminal.resizePending = true;
  const std::size_t before = terminal.written.size();
  cells[0].glyph = 0xb1;
  presentFrame(console, console.cellsOf(cells));
  EXPECT_NE(terminal.written.find(kSynchronizedFrame, before), std::string::npos);
  EXPECT_EQ(console.display().grid, Grid::Classic);
  EXPECT_FALSE(terminal.paletteSet);
  finishSetup(console);
  EXPECT_EQ(terminal.awaitedMs, waited);
}

}  // namespace
}  // namespace glimmer
