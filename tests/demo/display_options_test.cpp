// --grid, --colors and --look through the command line, every value, seen where a viewer would see them:
// in what a recording holds, and in what the live show writes to a terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/pty_child.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

using testing::PtyChild;
using namespace std::chrono_literals;

bool has(const std::string& bytes, std::initializer_list<const char*> texts) {
  for (const char* text : texts) {
    if (bytes.find(text) != std::string::npos) return true;
  }
  return false;
}
bool hasTrueColour(const std::string& bytes) { return has(bytes, {"38;2;"}); }
// An ANSI foreground of the 16 colours: ESC [ 3x or 9x m.
bool hasAnsiColour(const std::string& bytes) {
  return has(bytes, {"[30", "[31", "[32", "[33", "[34", "[35", "[36", "[37", "[9", ";3", ";9"});
}
bool hasHalfBlocks(const std::string& bytes) { return has(bytes, {"\xe2\x96\x80", "\xe2\x96\x84"}); }
bool hasShades(const std::string& bytes) { return has(bytes, {"\xe2\x96\x91", "\xe2\x96\x92", "\xe2\x96\x93"}); }

// A case's name: its environment and options.
std::string named(const std::string& colorTerm, const std::vector<std::string>& options) {
  std::string name = "COLORTERM=" + colorTerm;
  for (const std::string& option : options) name += " " + option;
  return name;
}

// A recording's cells: the header's width, and the frames' bytes.
struct CastStart {
  int width = 0;
  std::string frames;
};

// Records 0.1 s from 30 s with the options, COLORTERM set as given (empty: unset).
CastStart recordTheStart(const std::vector<std::string>& options, const std::string& colorTerm) {
  testing::TemporaryFolder folder;
  const std::string cast = folder.file("show.cast");
  std::string command = colorTerm.empty() ? "env -u COLORTERM " : "env COLORTERM=" + colorTerm + " ";
  command += std::string(GLIMMER_BINARY) + " --record " + cast + " --from 30000 --to 30100";
  for (const std::string& option : options) command += " '" + option + "'";
  EXPECT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
  const std::string text = testing::readFile(cast);
  CastStart start;
  const std::size_t width = text.find("\"width\": ");
  if (width != std::string::npos) start.width = std::atoi(text.c_str() + width + 9);
  start.frames = text.substr(text.find('\n') + 1);
  return start;
}

// The pixels look's cells themselves (half blocks in the pixels' own colours, or the 16) are the
// recording tests'; here each option is seen to reach the recording.
TEST(DisplayOptions, GridColorsAndLookDecideTheRecordingsCells) {
  struct Case {
    std::vector<std::string> options;
    std::string colorTerm;
    int width;
    bool trueColour, halfBlocks;
  };
  const Case cases[] = {
      {{}, "", 80, false, false},  // the defaults: the classic grid, 16 colours without COLORTERM, textmode
      {{"--grid", "classic", "--colors", "16"}, "truecolor", 80, false, false},
      {{"--grid", "wide", "--colors", "terminal", "--look", "textmode"}, "truecolor", 160, false, false},
      {{"--grid", "auto", "--colors", "truecolor"}, "", 80, true, false},  // a recording has no display to fit
      {{"--colors", "auto"}, "truecolor", 80, true, false},
      {{"--colors", "auto"}, "", 80, false, false},
      {{}, "24bit", 80, true, false},
      {{"--look=pixels", "--grid", "wide"}, "", 160, false, true},
      {{"--look", "textmode"}, "", 80, false, false},
  };
  std::string defaults;
  for (const Case& c : cases) {
    SCOPED_TRACE(named(c.colorTerm, c.options));
    const CastStart start = recordTheStart(c.options, c.colorTerm);
    EXPECT_EQ(start.width, c.width);
    EXPECT_EQ(hasTrueColour(start.frames), c.trueColour);
    if (!c.trueColour) {
      EXPECT_TRUE(hasAnsiColour(start.frames));
    }
    EXPECT_EQ(hasHalfBlocks(start.frames), c.halfBlocks);
    EXPECT_EQ(hasShades(start.frames), !c.halfBlocks);
    if (defaults.empty()) defaults = start.frames;  // the first case's
    if (c.options == std::vector<std::string>{"--look", "textmode"}) {
      EXPECT_EQ(start.frames, defaults);
    }
  }
}

// The drawn part of a row: the first and last column that is not blank on the default background.
std::pair<int, int> drawnColumns(const testing::EmulatedScreen& screen, int row) {
  int first = -1;
  int last = -1;
  for (int column = 0; column < screen.columns(); ++column) {
    const std::uint32_t glyph = screen.glyph(column, row);
    if ((glyph == 0 || glyph == ' ') && screen.background(column, row) == 0) continue;
    if (first < 0) first = column;
    last = column;
  }
  return {first, last};
}

// What the live show wrote on a pseudo-terminal of the size given, COLORTERM as given (empty:
// unset), answering the display questions, after a delay, with the answers given and the end of
// the answers: until row 26 has shown the picture for a second after Space; then Escape.
struct LiveShow {
  std::string intro;                  // what the show wrote before Space
  std::string afterSpace;             // from Space to its end
  std::pair<int, int> row26{-1, -1};  // the drawn part of row 26 before Escape
};

LiveShow playLive(int columns, int rows, std::vector<std::string> options, const std::string& colorTerm,
                  const std::string& answers = "", std::chrono::milliseconds late = 0ms) {
  options.insert(options.begin(), "--mute");
  PtyChild child(columns, rows, [options, colorTerm] {
    colorTerm.empty() ? unsetenv("COLORTERM") : setenv("COLORTERM", colorTerm.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(GLIMMER_BINARY)};
    for (const std::string& option : options) argv.push_back(const_cast<char*>(option.c_str()));
    argv.push_back(nullptr);
    execv(GLIMMER_BINARY, argv.data());
    _exit(98);
  });
  LiveShow show;
  // The questions end with a device-attributes request; the answers end with its answer.
  EXPECT_TRUE(child.waitForText("\x1b[c", 20000ms)) << child.output();
  child.pump(late);
  child.type(answers + "\x1b[?62;22c");
  EXPECT_TRUE(child.waitForText("Press SPACE", 20000ms)) << child.output();
  child.pump(200ms);
  show.intro = child.output();
  child.type(" ");
  // A slow start (sanitizers, a busy machine) finishes decoding the music first.
  for (int waited = 0; waited < 200 && drawnColumns(child.screen(), 26).first < 0; ++waited) child.pump(100ms);
  child.pump(1000ms);
  show.row26 = drawnColumns(child.screen(), 26);
  child.type("\x1b");
  EXPECT_EQ(child.wait(), 0);
  show.afterSpace = child.output().substr(show.intro.size());
  return show;
}

// On a 170-column terminal the wide grid's (and the pixels look's) 160 columns sit from column 5,
// the classic grid's 80 from column 45: at 1.5 s the cube cloud's violet fills the grid. 16
// colours set the terminal's palette to the show's, the terminal's own 16 leave it alone, and so
// do 24-bit colours, asked for or taken from COLORTERM.
TEST(DisplayOptions, GridColorsAndLookDecideTheLiveShowsCellsAndPalette) {
  struct Case {
    std::vector<std::string> options;
    std::string colorTerm;
    int cellWidth, cellHeight;
    int firstColumn;
    bool paletteSet, trueColour, halfBlocks;
  };
  const Case cases[] = {
      {{"--grid", "wide", "--colors", "16"}, "truecolor", 0, 0, 5, true, false, false},
      {{"--grid", "classic", "--colors", "terminal"}, "truecolor", 9, 19, 45, false, false, false},
      {{"--grid", "auto", "--colors", "truecolor"}, "", 9, 19, 5, false, true, false},  // tall cells: the true shape
      {{"--grid", "auto"}, "truecolor", 10, 10, 45, false, true, false},
      {{}, "truecolor", 0, 0, 45, false, true, false},  // a terminal that does not say keeps the classic grid
      {{"--look", "pixels"}, "truecolor", 10, 10, 5, false, true, true},  // 160x50 whatever the cells
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(named(c.colorTerm, c.options) + ", cells " + std::to_string(c.cellWidth) + "x" +
                 std::to_string(c.cellHeight));
    const std::string cells =
        c.cellWidth > 0 ? "\x1b[6;" + std::to_string(c.cellHeight) + ";" + std::to_string(c.cellWidth) + "t" : "";
    const LiveShow show = playLive(170, 52, c.options, c.colorTerm, cells);
    EXPECT_EQ(show.row26, std::make_pair(c.firstColumn, 169 - c.firstColumn));
    EXPECT_EQ((show.intro + show.afterSpace).find("\x1b]4;") != std::string::npos, c.paletteSet);
    EXPECT_EQ(hasTrueColour(show.afterSpace), c.trueColour);
    if (!c.trueColour) {
      EXPECT_TRUE(hasAnsiColour(show.afterSpace));
    }
    EXPECT_EQ(hasHalfBlocks(show.afterSpace), c.halfBlocks);
  }

  // The pixels look in a terminal smaller than 160x50: the message the grids give.
  PtyChild small(120, 50, [] {
    execl(GLIMMER_BINARY, GLIMMER_BINARY, "--mute", "--look", "pixels", static_cast<char*>(nullptr));
    _exit(98);
  });
  EXPECT_EQ(small.wait(20000ms), 1);
  EXPECT_NE(small.output().find("The terminal is 120x50 cells; the show needs 160x50"), std::string::npos)
      << small.output();
}

// Automatic colours with 16 colours (no COLORTERM) on a terminal that answers late: where it
// reports its whole palette, the show sets its own and puts back each entry exactly as reported;
// where it reports none, the intro says the show keeps the terminal's colours, and it does.
TEST(DisplayOptions, AutomaticColoursSetThePaletteOnlyWhereTheTerminalReportsIt) {
  for (const bool reports : {true, false}) {
    SCOPED_TRACE(reports ? "the whole palette reported" : "no palette reported");
    std::string answers;
    for (int entry = 0; reports && entry < 16; ++entry) {
      answers += "\x1b]4;" + std::to_string(entry) + ";rgb:1010/2020/" + std::to_string(10 + entry) + "00\x07";
    }
    const LiveShow show = playLive(80, 50, {}, "", answers, 300ms);  // a slow link
    EXPECT_EQ(show.intro.find("did not report its palette") != std::string::npos, !reports);
    EXPECT_EQ(show.afterSpace.find(";rgb:") != std::string::npos, reports);
    EXPECT_EQ(show.afterSpace.find("\x1b]104;"), std::string::npos)
        << "nothing reset to the terminal's configured colours";
    if (reports) {
      EXPECT_NE(show.afterSpace.find("\x1b]4;15;rgb:10/20/25\x07"), std::string::npos) << "put back exactly";
    }
  }
}

}  // namespace
}  // namespace glimmer
