// The real terminal backend on a pseudo-terminal: the program's side runs in a child process whose
// controlling terminal is the pty; this side plays the terminal, typing keys and answers (when it
// likes: at once, late, or not at all) and reading the screen through an emulator.
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "base/cell_buffer.h"
#include "console/console.h"
#include "console/present.h"
#include "support/pty_child.h"

namespace glimmer {
namespace {

using namespace std::chrono_literals;
using testing::EmulatedScreen;
using testing::PtyChild;

constexpr int kSpaceStatus = 10;
constexpr int kEscapeStatus = 20;
constexpr int kShowEndedStatus = 30;    // the show child played its time out
constexpr int kSpaceInShowStatus = 40;  // the show child saw Space, which nobody typed

// The child's side: set up the real terminal, show the intro, restore, then (after lingerMs, for
// what the terminal sends afterwards to show) report whether input is back in cooked mode.
[[noreturn]] void runIntroChild(DisplayRequest request = {GridChoice::Classic, ColorChoice::Ansi16}, int lingerMs = 0) {
  int status;
  {
    ConsoleFrame console;
    if (!setupConsole(console, request)) {
      status = 1;
    } else {
      status = showIntro(console) ? kSpaceStatus : kEscapeStatus;
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(lingerMs));
  termios mode{};
  tcgetattr(STDIN_FILENO, &mode);
  std::printf("\r\n[cooked=%d]\r\n", (mode.c_lflag & ICANON) != 0 && (mode.c_lflag & ECHO) != 0);
  std::fflush(stdout);
  _exit(status);
}

// The child's side of a show: set-up and the intro as the program does them, then, after Space,
// frames that change every time for the given milliseconds, until Escape. Afterwards it reports
// the grid's width and whether the palette was set.
[[noreturn]] void runShowChild(DisplayRequest request, int showMs = 5000) {
  unsetenv("COLORTERM");  // automatic colours are 16, whatever terminal runs the tests
  int status = 1;
  int gridColumns = 0;
  bool palette = false;
  {
    ConsoleFrame console;
    if (!setupConsole(console, request)) {
      status = 1;
    } else if (!showIntro(console)) {
      status = kEscapeStatus;
    } else {
      finishSetup(console);
      status = kShowEndedStatus;
      CellBuffer buffer{};
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(showMs);
      for (int frame = 0; std::chrono::steady_clock::now() < end; ++frame) {
        const CellGrid grid = gridIn(buffer, console.display().grid);
        for (int row = 0; row < grid.height; ++row) {
          for (int column = 0; column < grid.width; ++column) {
            grid.at(column, row) = {static_cast<std::uint8_t>(0xb0 + (frame + column) % 3),
                                    static_cast<std::uint8_t>((frame + row) & 0x7f)};
          }
        }
        presentFrame(console, console.cellsOf(buffer));
        Terminal& terminal = console.terminal();
        if (terminal.keyPressed(Key::Escape)) {
          status = kEscapeStatus;
          break;
        }
        if (terminal.keyPressed(Key::Space)) {
          status = kSpaceInShowStatus;
          break;
        }
        terminal.waitForInput(30);
      }
      gridColumns = columnsOf(console.display().grid);
      palette = console.display().showPalette;
    }
  }
  std::printf("\r\n[grid=%d palette=%d]\r\n", gridColumns, palette);
  std::fflush(stdout);
  _exit(status);
}

// The user's palette as this side reports it: entry n is rgb:RR/GG/BB with distinct values per
// entry, sent in 16-bit channels (each byte twice) so that they are put back exactly in 8 bits.
std::string userChannel(int entry, int channel) {
  char text[8];
  const int value = (entry * 16 + channel * 5 + 3) & 0xff;
  std::snprintf(text, sizeof text, "%02x", value);
  return text;
}
std::string userEntryAnswer(int entry, bool stringTerminator) {
  std::string colour = "\x1b]4;" + std::to_string(entry) + ";rgb:";
  for (int channel = 0; channel < 3; ++channel) {
    colour += userChannel(entry, channel) + userChannel(entry, channel) + (channel < 2 ? "/" : "");
  }
  return colour + (stringTerminator ? "\x1b\\" : "\x07");
}
// How the show puts the entry back.
std::string userEntryRestored(int entry) {
  return "\x1b]4;" + std::to_string(entry) + ";rgb:" + userChannel(entry, 0) + "/" + userChannel(entry, 1) + "/" +
         userChannel(entry, 2) + "\x07";
}
std::string wholePaletteAnswers() {
  std::string answers;
  for (int entry = 0; entry < 16; ++entry) answers += userEntryAnswer(entry, entry % 2 == 1);
  return answers;
}

constexpr const char kSynchronizedKnown[] = "\x1b[?2026;2$y";
constexpr const char kEndOfAnswers[] = "\x1b[?62;22c";
constexpr const char kSynchronizedFrame[] = "\x1b[?2026h";
constexpr const char kShowRed[] = "\x1b]4;1;rgb:80/00/00\x07";  // ANSI red: the console's dark red
constexpr const char kResetEntry[] = "\x1b]104;";
constexpr const char kQuestionsEnd[] = "\x1b[c";

// Two entries the user had set, the rest unreported; and synchronized output known.
const std::string kTwoEntries =
    userEntryAnswer(1, false) + userEntryAnswer(9, true) + kSynchronizedKnown + kEndOfAnswers;

// Answers the set-up questions as a terminal would.
void answerQuestions(PtyChild& child, const std::string& answers = kTwoEntries) {
  ASSERT_TRUE(child.waitForText(kQuestionsEnd));
  child.type(answers);
}

// Starts a show child's show: answers the questions, presses Space at the intro, and waits for the
// show's palette.
void startShow(PtyChild& child, const std::string& answers = kTwoEntries) {
  answerQuestions(child, answers);
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.type(" ");
  ASSERT_TRUE(child.waitForText(kShowRed));
}

// Whether the output from `from` on puts back the user's two entries and resets the others to the
// terminal's own.
bool twoEntriesRestoredAfter(const std::string& output, std::size_t from) {
  const std::string after = output.substr(from);
  return after.find(userEntryRestored(1)) != std::string::npos &&
         after.find(userEntryRestored(9)) != std::string::npos && after.find("\x1b]104;0\x07") != std::string::npos;
}

// Whether the output from `from` on sets or resets any palette entry (the questions ask with '?').
bool setsPaletteAfter(const std::string& output, std::size_t from) {
  for (std::size_t at = output.find("\x1b]4;", from); at != std::string::npos; at = output.find("\x1b]4;", at + 1)) {
    const std::size_t colour = output.find(';', at + 4);
    if (colour != std::string::npos && output.compare(colour + 1, 4, "rgb:") == 0) return true;
  }
  return output.find(kResetEntry, from) != std::string::npos;
}

TEST(PosixTerminal, IntroOnARealTerminalAndEscapeRestoresEverything) {
  PtyChild child(100, 56, [] { runIntroChild(); });
  answerQuestions(child);
  ASSERT_TRUE(child.waitForText("Press SPACE to continue or ESC to exit"));
  child.pump(50ms);
  EmulatedScreen& screen = child.screen();
  EXPECT_TRUE(screen.onAlternateScreen());
  EXPECT_FALSE(screen.cursorVisible());
  EXPECT_EQ(screen.title(), "vrax - Glimmerfolding");
  EXPECT_EQ(screen.rowText(3), std::string(10, ' ') + "Terminal users:");
  EXPECT_EQ(screen.rowText(4), std::string(10, ' ') + "Press F11 (or your terminal's full-screen key) for fullscreen");
  EXPECT_EQ(screen.rowText(11), std::string(10, ' ') + "Press SPACE to continue or ESC to exit");
  EXPECT_FALSE(setsPaletteAfter(child.output(), 0)) << "the palette waits for Space";

  child.type("\x1b");
  EXPECT_EQ(child.wait(), kEscapeStatus);
  EXPECT_FALSE(screen.onAlternateScreen());
  EXPECT_TRUE(screen.cursorVisible());
  EXPECT_NE(child.output().find("[cooked=1]"), std::string::npos);
  EXPECT_FALSE(setsPaletteAfter(child.output(), 0)) << "nothing to put back";
}

// Arrow keys in their CSI and SS3 forms, and one whose rest comes a moment after its ESC (well
// inside the 20 ms the terminal waits for it), are not Escape.
TEST(PosixTerminal, ArrowKeysAndLateSequenceBytesAreNotEscape) {
  PtyChild child(80, 50, [] { runIntroChild(); });
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.type("\x1b[A\x1b[B\x1bOC");
  child.pump(100ms);
  child.type("\x1b");
  std::this_thread::sleep_for(3ms);
  child.type("[D");
  child.pump(150ms);
  child.type(" ");
  EXPECT_EQ(child.wait(), kSpaceStatus);
}

// With 16 colours asked for, the palette is set once the show starts (not at the intro, see above);
// every way out puts back the entries the terminal reported and resets the others with OSC 104: a
// stop, which gives the terminal back until the continue takes it again, and a termination signal,
// which ends the show with 128 plus the signal (Escape: see the tests below).
TEST(PosixTerminal, StopAndTerminationSignalGiveTheTerminalBack) {
  PtyChild child(80, 50, [] { runShowChild({GridChoice::Classic, ColorChoice::Ansi16}); });
  startShow(child);
  child.pump(50ms);
  EXPECT_FALSE(twoEntriesRestoredAfter(child.output(), 0)) << "not while the show runs";
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
  // The user's palette while stopped, the show's again after.
  ASSERT_TRUE(twoEntriesRestoredAfter(after, 0));
  EXPECT_LT(after.find(userEntryRestored(1)), left);
  EXPECT_NE(after.find(kShowRed, left), std::string::npos);
  before += after.size();
  kill(child.pid(), SIGTERM);
  EXPECT_EQ(child.wait(), 128 + SIGTERM);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
  EXPECT_TRUE(twoEntriesRestoredAfter(child.output(), before));
}

TEST(PosixTerminal, TooSmallTerminalFailsWithAdviceOnTheMainScreen) {
  PtyChild child(80, 24, [] { runIntroChild(); });
  EXPECT_EQ(child.wait(), 1);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_EQ(child.output().find("SetConsoleScreenBufferSize"), std::string::npos) << "no Windows call named";
  EXPECT_NE(child.output().find("glimmerfolding: The terminal is 80x24 cells"), std::string::npos);
  EXPECT_NE(child.output().find("[cooked=1]"), std::string::npos);
  EXPECT_EQ(child.output().find(kQuestionsEnd), std::string::npos) << "nothing asked that would answer into the shell";
}

// A terminal that answers late, as across a slow link: the answers are read during the intro and
// never taken as keys; the intro is laid out again for the grid its cells call for; the show uses
// synchronized output and puts back exactly the palette entries the terminal reported. The cell
// size comes only as the text area in pixels (CSI 14 t), as VTE gives it: 9x18 cells.
TEST(PosixTerminal, AnswersThatComeLateDuringTheIntro) {
  for (const auto delay : {300ms, 1000ms}) {
    SCOPED_TRACE(delay.count());
    PtyChild child(170, 54, [] { runShowChild({GridChoice::Auto, ColorChoice::Auto}); });
    ASSERT_TRUE(child.waitForText(kQuestionsEnd));
    ASSERT_TRUE(child.waitForText("\x1b[?25l"));  // set-up is over: the intro is drawn next
    child.pump(delay);
    const int lastRow = 2 + 49;  // the grid's last row: (54 - 50) / 2 + 49
    EXPECT_EQ(child.screen().rowText(lastRow), "") << "no grid notice while the cell size is unknown";
    // The answers in pieces with pauses longer than the Escape wait, each cut inside a sequence.
    const std::string answers =
        std::string(kSynchronizedKnown) + wholePaletteAnswers() + "\x1b[4;972;1530t" + kEndOfAnswers;
    std::size_t from = 0;
    for (const std::size_t cut : {std::size_t{5}, std::size_t{14}, answers.size() - 30, answers.size() - 4}) {
      child.type(answers.substr(from, cut - from));
      child.pump(40ms);
      from = cut;
    }
    child.type(answers.substr(from));
    child.pump(200ms);
    // The wide grid's notice at the start of the wide grid's last row: 160 columns from column 5.
    EXPECT_EQ(child.screen().rowText(lastRow).rfind(std::string(5, ' ') + "wide grid: 160x50", 0), 0u)
        << child.screen().rowText(lastRow);
    EXPECT_FALSE(setsPaletteAfter(child.output(), 0));

    const std::size_t space = child.output().size();
    child.type(" ");
    child.pump(300ms);
    const std::size_t showPalette = child.output().find(kShowRed, space);
    EXPECT_NE(showPalette, std::string::npos) << "the palette is set: every entry was reported";
    EXPECT_NE(child.output().find(kSynchronizedFrame, space), std::string::npos);
    child.type("\x1b");
    ASSERT_EQ(child.wait(), kEscapeStatus) << "no answer was taken for Escape or Space";
    EXPECT_NE(child.output().find("[grid=160 palette=1]"), std::string::npos);
    // Every entry put back exactly as reported, none reset to the terminal's configured colours.
    for (int entry = 0; entry < 16; ++entry) {
      EXPECT_NE(child.output().find(userEntryRestored(entry), showPalette), std::string::npos) << entry;
    }
    EXPECT_EQ(child.output().find(kResetEntry), std::string::npos);
  }
}

// Answers that come only after the viewer pressed Space: the show starts on the classic grid in the
// terminal's own colours (nothing reported to put back), starts synchronized output once the
// answer comes, and takes none of the answers' bytes for keys.
TEST(PosixTerminal, AnswersThatComeAfterTheShowStarted) {
  PtyChild child(170, 54, [] { runShowChild({GridChoice::Auto, ColorChoice::Auto}, 1800); });
  ASSERT_TRUE(child.waitForText(kQuestionsEnd));
  ASSERT_TRUE(child.waitForText("\x1b[?25l"));
  child.pump(200ms);
  child.type(" ");
  child.pump(800ms);
  const std::size_t beforeAnswers = child.output().size();
  EXPECT_GT(beforeAnswers, 0u);
  EXPECT_EQ(child.output().find(kSynchronizedFrame), std::string::npos);
  child.type(std::string(kSynchronizedKnown) + wholePaletteAnswers() + "\x1b[6;18;9t" + kEndOfAnswers);
  EXPECT_EQ(child.wait(), kShowEndedStatus) << "the show played on: no answer was taken for a key";
  EXPECT_NE(child.output().find(kSynchronizedFrame, beforeAnswers), std::string::npos);
  EXPECT_NE(child.output().find("[grid=80 palette=0]"), std::string::npos);
  EXPECT_FALSE(setsPaletteAfter(child.output(), 0));
}

// A terminal that reports nothing but the end of its answers, once the intro is drawn, with
// automatic colours: the intro is drawn again to say the show keeps the terminal's colours, and it
// does.
TEST(PosixTerminal, PaletteNotReportedIsLeftAloneWithAutomaticColours) {
  PtyChild child(80, 50, [] { runShowChild({GridChoice::Classic, ColorChoice::Auto}); });
  ASSERT_TRUE(child.waitForText("Press SPACE"));
  child.pump(50ms);
  EXPECT_EQ(child.screen().rowText(49), "");
  child.type(kEndOfAnswers);
  child.pump(100ms);
  EXPECT_NE(child.screen().rowText(49).find("did not report its palette"), std::string::npos)
      << child.screen().rowText(49);
  child.type(" ");
  child.pump(200ms);
  child.type("\x1b");
  EXPECT_EQ(child.wait(), kEscapeStatus);
  EXPECT_NE(child.output().find("[grid=80 palette=0]"), std::string::npos);
  EXPECT_FALSE(setsPaletteAfter(child.output(), 0));
}

// The same terminal with 16 colours asked for: the palette is set all the same, and at the end
// every entry is reset with OSC 104 but those reported after the show set its palette (a terminal
// slower than the wait at Space), which are put back as reported.
TEST(PosixTerminal, PaletteNotReportedIsResetAndEntriesReportedLateArePutBackExactly) {
  PtyChild child(80, 50, [] { runShowChild({GridChoice::Classic, ColorChoice::Ansi16}); });
  startShow(child, std::string(kSynchronizedKnown) + kEndOfAnswers);
  child.pump(100ms);
  child.type(userEntryAnswer(0, false) + userEntryAnswer(15, true));
  child.pump(200ms);
  const std::size_t escape = child.output().size();
  child.type("\x1b");
  EXPECT_EQ(child.wait(), kEscapeStatus);
  EXPECT_NE(child.output().find("[grid=80 palette=1]"), std::string::npos);
  for (int entry = 0; entry < 16; ++entry) {
    const bool late = entry == 0 || entry == 15;
    EXPECT_EQ(child.output().find(userEntryRestored(entry), escape) != std::string::npos, late) << entry;
    EXPECT_EQ(child.output().find("\x1b]104;" + std::to_string(entry) + "\x07", escape) != std::string::npos, !late)
        << entry;
  }
}

// The cell size from the window size's pixel fields, where the terminal does not answer CSI 16 t:
// tall cells (9x18) give the wide grid, square ones (10x10) the classic grid.
TEST(PosixTerminal, TheWindowsPixelFieldsGiveTheCellShape) {
  struct Case {
    int cellWidth, cellHeight;
    const char* grid;
  };
  for (const Case& c : {Case{9, 18, "[grid=160 "}, Case{10, 10, "[grid=80 "}}) {
    SCOPED_TRACE(::testing::Message() << c.cellWidth << "x" << c.cellHeight);
    PtyChild child(
        170, 54,
        [] {
          runShowChild({GridChoice::Auto, ColorChoice::Auto}, 300);
        },
        c.cellWidth, c.cellHeight);
    answerQuestions(child, std::string(kSynchronizedKnown) + kEndOfAnswers);
    ASSERT_TRUE(child.waitForText("Press SPACE"));
    child.type(" ");
    EXPECT_EQ(child.wait(), kShowEndedStatus);
    EXPECT_NE(child.output().find(c.grid), std::string::npos);
  }
}

// Quitting before a slow terminal has answered: the answers are waited for and read, so they do
// not end up on the shell's command line.
TEST(PosixTerminal, AnswersOutstandingAtTheEndAreReadBeforeTheTerminalIsGivenBack) {
  PtyChild child(80, 50, [] { runIntroChild({GridChoice::Auto, ColorChoice::Auto}, 400); });
  ASSERT_TRUE(child.waitForText("\x1b[?25l"));
  child.type("\x1b");
  child.pump(300ms);
  child.type(std::string(kSynchronizedKnown) + wholePaletteAnswers() + kEndOfAnswers);
  EXPECT_EQ(child.wait(), kEscapeStatus);
  const std::string output = child.output();
  EXPECT_EQ(output.find("rgb:", output.find("[cooked=")), std::string::npos) << "no answer echoed afterwards";
  EXPECT_EQ(output.find("^["), std::string::npos);
}

}  // namespace
}  // namespace glimmer
