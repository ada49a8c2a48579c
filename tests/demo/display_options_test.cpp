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

// Runs the program with the arguments, COLORTERM set as given (empty: unset), and returns its status.
int runWith(const std::vector<std::string>& arguments, const char* colorTerm) {
  std::string command = colorTerm[0] == '\0' ? "env -u COLORTERM " : std::string("env COLORTERM=") + colorTerm + " ";
  command += GLIMMER_BINARY;
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " >/dev/null 2>&1";
  return std::system(command.c_str());
}

// A recording's first lines: the header, and the first frame's bytes.
struct CastStart {
  int width = 0;
  std::string frames;
};

CastStart recordTheStart(const std::vector<std::string>& options, const char* colorTerm = "") {
  testing::TemporaryFolder folder;
  const std::string cast = folder.file("show.cast");
  std::vector<std::string> arguments = {"--record", cast, "--from", "30000", "--to", "30100"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  EXPECT_EQ(runWith(arguments, colorTerm), 0);
  const std::string text = testing::readFile(cast);
  CastStart start;
  const std::size_t width = text.find("\"width\": ");
  if (width != std::string::npos) start.width = std::atoi(text.c_str() + width + 9);
  start.frames = text.substr(text.find('\n') + 1);
  return start;
}

bool hasTrueColour(const std::string& bytes) { return bytes.find("38;2;") != std::string::npos; }
// An ANSI foreground of the 16 colours, as a cast escapes it: ESC [ 3x or 9x m.
bool hasAnsiColour(const std::string& bytes) {
  for (const char* code : {"[30", "[31", "[32", "[33", "[34", "[35", "[36", "[37", "[9", ";3", ";9"}) {
    if (bytes.find(code) != std::string::npos) return true;
  }
  return false;
}

TEST(DisplayOptions, GridDecidesTheRecordingsCells) {
  EXPECT_EQ(recordTheStart({"--grid", "classic"}).width, 80);
  EXPECT_EQ(recordTheStart({"--grid", "wide"}).width, 160);
  EXPECT_EQ(recordTheStart({"--grid", "auto"}).width, 80) << "a recording has no display to fit";
  EXPECT_EQ(recordTheStart({}).width, 80);
}

TEST(DisplayOptions, ColorsDecideTheRecordingsColourCodes) {
  const CastStart trueColour = recordTheStart({"--colors", "truecolor"});
  EXPECT_TRUE(hasTrueColour(trueColour.frames));
  for (const char* sixteen : {"16", "terminal"}) {
    const CastStart start = recordTheStart({"--colors", sixteen}, "truecolor");
    EXPECT_FALSE(hasTrueColour(start.frames)) << sixteen;
    EXPECT_TRUE(hasAnsiColour(start.frames)) << sixteen;
  }
  // Auto follows COLORTERM.
  EXPECT_TRUE(hasTrueColour(recordTheStart({"--colors", "auto"}, "truecolor").frames));
  EXPECT_TRUE(hasTrueColour(recordTheStart({}, "24bit").frames));
  EXPECT_FALSE(hasTrueColour(recordTheStart({"--colors", "auto"}, "").frames));
}

constexpr const char* kUpperHalf = "\xe2\x96\x80";
constexpr const char* kLowerHalf = "\xe2\x96\x84";
bool hasHalfBlocks(const std::string& bytes) {
  return bytes.find(kUpperHalf) != std::string::npos || bytes.find(kLowerHalf) != std::string::npos;
}
bool hasShades(const std::string& bytes) {
  for (const char* shade : {"\xe2\x96\x91", "\xe2\x96\x92", "\xe2\x96\x93"}) {
    if (bytes.find(shade) != std::string::npos) return true;
  }
  return false;
}

TEST(DisplayOptions, LookDecidesTheRecordingsCells) {
  // The pixels look: 160x50 half blocks, in 24-bit colours or the 16 as --colors says.
  const CastStart pixels = recordTheStart({"--look", "pixels", "--colors", "truecolor"});
  EXPECT_EQ(pixels.width, 160);
  EXPECT_TRUE(hasHalfBlocks(pixels.frames));
  EXPECT_FALSE(hasShades(pixels.frames));
  EXPECT_TRUE(hasTrueColour(pixels.frames));
  const CastStart sixteen = recordTheStart({"--look=pixels", "--grid", "wide"}, "");
  EXPECT_EQ(sixteen.width, 160);
  EXPECT_TRUE(hasHalfBlocks(sixteen.frames));
  EXPECT_FALSE(hasTrueColour(sixteen.frames));
  EXPECT_TRUE(hasAnsiColour(sixteen.frames));
  // The textmode look is the default, on either grid.
  const CastStart textmode = recordTheStart({"--look", "textmode"});
  EXPECT_EQ(textmode.width, 80);
  EXPECT_TRUE(hasShades(textmode.frames));
  EXPECT_FALSE(hasHalfBlocks(textmode.frames));
  EXPECT_EQ(textmode.frames, recordTheStart({}).frames);
  EXPECT_EQ(recordTheStart({"--look", "textmode", "--grid", "wide"}).width, 160);
  // A look it does not know, and the pixels look on the classic grid, are usage errors.
  EXPECT_EQ(WEXITSTATUS(runWith({"--look", "ascii"}, "")), 2);
  EXPECT_EQ(WEXITSTATUS(runWith({"--record", "x.cast", "--look", "pixels", "--grid", "classic"}, "")), 2);
}

// The live show on a pseudo-terminal of the size given, answering the display questions as a
// terminal of cellWidth x cellHeight pixel cells would (0: it does not say), until the show has
// drawn for a while after Space. Returns the child for its output and screen.
struct LiveShow {
  std::unique_ptr<PtyChild> child;
  std::string afterSpace;  // what the show wrote from Space on
};

LiveShow playLive(int columns, int rows, std::vector<std::string> options, const char* colorTerm, int cellWidth = 0,
                  int cellHeight = 0) {
  options.insert(options.begin(), "--mute");
  LiveShow show;
  show.child = std::make_unique<PtyChild>(columns, rows, [options, colorTerm] {
    if (colorTerm[0] == '\0') {
      unsetenv("COLORTERM");
    } else {
      setenv("COLORTERM", colorTerm, 1);
    }
    std::vector<char*> argv{const_cast<char*>(GLIMMER_BINARY)};
    for (const std::string& option : options) argv.push_back(const_cast<char*>(option.c_str()));
    argv.push_back(nullptr);
    execv(GLIMMER_BINARY, argv.data());
    _exit(98);
  });
  PtyChild& child = *show.child;
  // The questions end with a device-attributes request; the answers end with its answer.
  if (child.waitForText("\x1b[c", 20000ms) && cellWidth > 0)
    child.type("\x1b[6;" + std::to_string(cellHeight) + ";" + std::to_string(cellWidth) + "t");
  child.type("\x1b[?62;22c");
  EXPECT_TRUE(child.waitForText("Press SPACE", 20000ms)) << child.output();
  const std::size_t before = child.output().size();
  child.type(" ");
  child.pump(1500ms);
  show.afterSpace = child.output().substr(before);
  child.type("\x1b");
  EXPECT_EQ(child.wait(), 0);
  return show;
}

TEST(DisplayOptions, ColorsDecideThePaletteAndTheCodesOfTheLiveShow) {
  const char* kSetPalette = "\x1b]4;";
  // 16 colours: the terminal's palette is set to the show's, and the cells name the 16 colours.
  LiveShow sixteen = playLive(80, 50, {"--colors", "16"}, "truecolor");
  EXPECT_NE(sixteen.child->output().find(kSetPalette), std::string::npos);
  EXPECT_FALSE(hasTrueColour(sixteen.afterSpace));
  // The terminal's own 16 colours: the palette is left alone.
  LiveShow own = playLive(80, 50, {"--colors", "terminal"}, "truecolor");
  EXPECT_EQ(own.child->output().find(kSetPalette), std::string::npos);
  EXPECT_FALSE(hasTrueColour(own.afterSpace));
  EXPECT_TRUE(hasAnsiColour(own.afterSpace));
  // 24-bit colours, asked for or taken from COLORTERM: no palette, the show's exact colours.
  for (const auto& [options, colorTerm] : {std::pair{std::vector<std::string>{"--colors", "truecolor"}, ""},
                                           std::pair{std::vector<std::string>{}, "truecolor"}}) {
    LiveShow trueColour = playLive(80, 50, options, colorTerm);
    EXPECT_EQ(trueColour.child->output().find(kSetPalette), std::string::npos);
    EXPECT_TRUE(hasTrueColour(trueColour.afterSpace));
  }
}

// The drawn part of a row: the first and last column that is not blank on the default background.
std::pair<int, int> drawnColumns(testing::EmulatedScreen& screen, int row) {
  int first = -1;
  int last = -1;
  for (int column = 0; column < screen.columns(); ++column) {
    const std::uint32_t glyph = screen.glyph(column, row);
    const bool blank = (glyph == 0 || glyph == ' ') && screen.background(column, row) == 0;
    if (blank) continue;
    if (first < 0) first = column;
    last = column;
  }
  return {first, last};
}

TEST(DisplayOptions, GridDecidesTheLiveShowsCells) {
  // 170 columns: the wide grid's 160 sit from column 5, the classic grid's 80 from column 45.
  struct Case {
    std::vector<std::string> options;
    int cellWidth, cellHeight;
    int firstColumn;
  };
  const Case cases[] = {
      {{"--grid", "wide"}, 0, 0, 5},    {{"--grid", "classic"}, 9, 19, 45},
      {{"--grid", "auto"}, 9, 19, 5},                    // tall cells: the true shape
      {{"--grid", "auto"}, 10, 10, 45}, {{}, 0, 0, 45},  // a terminal that does not say keeps the classic grid
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.options.empty() ? "default" : c.options[1]) << " with cells " << c.cellWidth
                                      << "x" << c.cellHeight);
    LiveShow show = playLive(170, 52, c.options, "truecolor", c.cellWidth, c.cellHeight);
    // At 1.5 s the cube cloud's violet fills the grid: its edges are the grid's.
    testing::EmulatedScreen screen(170, 52);
    screen.feed(show.afterSpace);
    const auto [first, last] = drawnColumns(screen, 26);
    EXPECT_EQ(first, c.firstColumn);
    EXPECT_EQ(last, 169 - c.firstColumn);
  }
}

// The pixels look live: 160x50 half blocks centred in a larger terminal, whatever the cells; in a
// terminal smaller than that, the message the grids give.
TEST(DisplayOptions, PixelsLookLiveTakes160x50Cells) {
  LiveShow show = playLive(170, 52, {"--look", "pixels"}, "truecolor", 10, 10);
  EXPECT_TRUE(hasHalfBlocks(show.afterSpace));
  EXPECT_TRUE(hasTrueColour(show.afterSpace));
  testing::EmulatedScreen screen(170, 52);
  screen.feed(show.afterSpace);
  const auto [first, last] = drawnColumns(screen, 26);
  EXPECT_EQ(first, 5);
  EXPECT_EQ(last, 164);

  PtyChild small(120, 50, [] {
    execl(GLIMMER_BINARY, GLIMMER_BINARY, "--mute", "--look", "pixels", static_cast<char*>(nullptr));
    _exit(98);
  });
  if (small.waitForText("\x1b[c", 20000ms)) small.type("\x1b[?62;22c");
  EXPECT_EQ(small.wait(), 1);
  EXPECT_NE(small.output().find("The terminal is 120x50 cells; the show needs 160x50"), std::string::npos)
      << small.output();
}

// Automatic colours with 16 colours (no COLORTERM) on a terminal that answers late: where it
// reports its whole palette, the show sets its own and puts back each entry exactly as reported;
// where it reports none, the intro says the show keeps the terminal's colours, and it does.
TEST(DisplayOptions, AutomaticColoursSetThePaletteOnlyWhereTheTerminalReportsIt) {
  for (const bool reports : {true, false}) {
    SCOPED_TRACE(reports ? "the whole palette reported" : "no palette reported");
    PtyChild child(80, 50, [] {
      unsetenv("COLORTERM");
      execl(GLIMMER_BINARY, GLIMMER_BINARY, "--mute", static_cast<char*>(nullptr));
      _exit(98);
    });
    ASSERT_TRUE(child.waitForText("\x1b[c", 20000ms));
    child.pump(300ms);  // a slow link
    std::string answers;
    for (int entry = 0; reports && entry < 16; ++entry) {
      answers += "\x1b]4;" + std::to_string(entry) + ";rgb:1010/2020/" + std::to_string(10 + entry) + "00\x07";
    }
    child.type(answers + "\x1b[?62;22c");
    ASSERT_TRUE(child.waitForText("Press SPACE", 20000ms));
    child.pump(200ms);
    const bool notice = child.output().find("did not report its palette") != std::string::npos;
    EXPECT_EQ(notice, !reports);
    const std::size_t space = child.output().size();
    child.type(" ");
    child.pump(1000ms);
    child.type("\x1b");
    EXPECT_EQ(child.wait(), 0);
    const std::string after = child.output().substr(space);
    EXPECT_EQ(after.find(";rgb:") != std::string::npos, reports);
    EXPECT_EQ(after.find("\x1b]104;"), std::string::npos) << "nothing reset to the terminal's configured colours";
    if (reports) {
      EXPECT_NE(after.find("\x1b]4;15;rgb:10/20/25\x07"), std::string::npos) << "put back exactly";
    }
  }
}

}  // namespace
}  // namespace glimmer
