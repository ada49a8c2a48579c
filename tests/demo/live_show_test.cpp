// The live show's keys and a window that changes, as a person meets them: the program itself on a
// pseudo-terminal, the keys typed as terminals send them, the window resized as a person resizes
// it, and the screen read through a real terminal emulator (libvterm); and, on a terminal in
// memory, a terminal that stops taking output mid-show.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/cell_buffer.h"
#include "demo/demo.h"
#include "record/frame_sink.h"
#include "record/recording.h"
#include "support/memory_terminal.h"
#include "support/pty_child.h"

namespace glimmer {
namespace {

using testing::EmulatedScreen;
using testing::PtyChild;
using namespace std::chrono_literals;

constexpr const char* kPausedNote = " Paused: Space plays on ";

// The show on a pseudo-terminal of the size given, with --mute and the options given, answering
// the set-up's questions as a terminal of cellWidth x cellHeight pixel cells (0: it does not say);
// Space is typed on the intro when start is true.
std::unique_ptr<PtyChild> startShow(int columns, int rows, std::vector<std::string> options, bool start = true,
                                    int cellWidth = 0, int cellHeight = 0) {
  options.insert(options.begin(), "--mute");
  auto child = std::make_unique<PtyChild>(columns, rows, [options] {
    setenv("COLORTERM", "truecolor", 1);
    std::vector<char*> argv{const_cast<char*>(GLIMMER_BINARY)};
    for (const std::string& option : options) argv.push_back(const_cast<char*>(option.c_str()));
    argv.push_back(nullptr);
    execv(GLIMMER_BINARY, argv.data());
    _exit(98);
  });
  if (child->waitForText("\x1b[c", 20000ms) && cellWidth > 0) {
    child->type("\x1b[6;" + std::to_string(cellHeight) + ";" + std::to_string(cellWidth) + "t");
  }
  child->type("\x1b[?62;22c");
  if (start) {
    EXPECT_TRUE(child->waitForText("Press SPACE", 20000ms)) << child->output();
    child->pump(50ms);
    child->type(" ");
  }
  return child;
}

bool drawn(const EmulatedScreen& screen, int column, int row) {
  const std::uint32_t glyph = screen.glyph(column, row);
  const bool blank = glyph == 0 || glyph == ' ';
  return !blank || screen.background(column, row) != 0;
}

int drawnCells(const EmulatedScreen& screen) {
  int count = 0;
  for (int row = 0; row < screen.rows(); ++row) {
    for (int column = 0; column < screen.columns(); ++column) count += drawn(screen, column, row) ? 1 : 0;
  }
  return count;
}

// Pumps the child's output until the screen shows more than `cells` drawn cells.
bool waitForPicture(PtyChild& child, int cells = 3000, std::chrono::milliseconds limit = 20000ms) {
  for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
    if (drawnCells(child.screen()) > cells) return true;
    child.pump(20ms);
  }
  return false;
}

// The smallest rectangle that holds every drawn cell: left, top, right, bottom (inclusive); all -1
// on a blank screen.
struct Area {
  int left = -1, top = -1, right = -1, bottom = -1;
  bool operator==(const Area&) const = default;
};
void PrintTo(const Area& area, std::ostream* out) {
  *out << "columns " << area.left << ".." << area.right << ", rows " << area.top << ".." << area.bottom;
}
Area drawnArea(const EmulatedScreen& screen) {
  Area area;
  for (int row = 0; row < screen.rows(); ++row) {
    for (int column = 0; column < screen.columns(); ++column) {
      if (!drawn(screen, column, row)) continue;
      if (area.left < 0 || column < area.left) area.left = column;
      if (column > area.right) area.right = column;
      if (area.top < 0) area.top = row;
      area.bottom = row;
    }
  }
  return area;
}

// CPU time the process has used, in clock ticks (user and system: the 14th and 15th fields).
long cpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));  // from the third field on
  std::string skipped;
  for (int field = 3; field < 14; ++field) fields >> skipped;
  long user = 0, system = 0;
  fields >> user >> system;
  return user + system;
}

// Keeps a recording's first frame and writes nothing.
class FirstFrameSink final : public FrameSink {
 public:
  bool begin() override { return true; }
  bool frame(long index, CellView view, const char*, std::size_t) override {
    for (int row = 0; index == 0 && row < view.height; ++row)
      std::copy_n(&view.at(0, row), view.width, &cells[row * view.width]);
    return true;
  }
  bool finish(bool) override { return true; }
  WrittenOutput written() const override { return {"nothing", 0}; }

  CellBuffer cells{};
};

// Cells of the live screen (the grid at the top-left) that differ from the first frame of a
// recording --from ms (classic grid, 24-bit colours), leaving out row 0's paused note.
int differingCells(const EmulatedScreen& live, std::int32_t ms) {
  const RecordingOptions options{
      .output = "unused.cast", .fromMs = ms, .toMs = ms + 17, .display = {GridChoice::Classic, ColorChoice::TrueColor}};
  FirstFrameSink sink;
  ::testing::internal::CaptureStderr();  // the line saying what was written
  EXPECT_EQ(runRecording(options, sink), 0);
  ::testing::internal::GetCapturedStderr();
  const int note = static_cast<int>(std::strlen(kPausedNote));
  return live.wrongCells({&sink.cells[note], 80 - note, 1, 80}, note, 0, 80 - note, 1, ColorMode::TrueColor) +
         live.wrongCells({&sink.cells[80], 80, 49, 80}, 0, 1, 80, 49, ColorMode::TrueColor);
}

// Waits until the screen's first row starts with the note (or does not, with present false).
bool waitForNote(PtyChild& child, int row, int column, bool present = true, std::chrono::milliseconds limit = 10000ms) {
  for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
    const bool there = child.screen().rowText(row).find(kPausedNote) == static_cast<std::size_t>(column);
    if (there == present) return true;
    child.pump(20ms);
  }
  return false;
}

// Escape, q and Q end the show (the intro gone, the picture drawn) and give the terminal back.
TEST(LiveShowKeys, EscapeAndQEndTheShow) {
  for (const char* key : {"\x1b", "q", "Q"}) {
    SCOPED_TRACE(key);
    auto child = startShow(80, 50, {"--from", "20000"});
    ASSERT_TRUE(waitForPicture(*child));
    for (int row = 0; row < 50; ++row)
      EXPECT_EQ(child->screen().rowText(row).find("Terminal users"), std::string::npos);
    child->type(key);
    EXPECT_EQ(child->wait(), 0);
    EXPECT_FALSE(child->screen().onAlternateScreen());
    EXPECT_TRUE(child->screen().cursorVisible());
  }
}

// Space holds the frame shown, with the note in the grid's top-left corner; nothing is drawn and no
// CPU is spent while paused; Space again plays on and the note goes.
TEST(LiveShowKeys, SpacePausesWithoutCostAndPlaysOn) {
  auto child = startShow(90, 52, {"--from", "20000"});
  ASSERT_TRUE(waitForPicture(*child));
  child->type(" ");
  ASSERT_TRUE(waitForNote(*child, 1, 5)) << child->screen().rowText(1);
  child->pump(200ms);
  const std::size_t held = child->output().size();
  const long before = cpuTicks(child->pid());
  child->pump(2000ms);
  EXPECT_EQ(child->output().size(), held) << "nothing drawn while paused";
  EXPECT_LE(cpuTicks(child->pid()) - before, 2) << "clock ticks spent in two seconds of pause";
  child->type(" ");
  EXPECT_TRUE(waitForNote(*child, 1, 5, false)) << "the note goes when the show plays on";
  child->pump(300ms);
  EXPECT_GT(child->output().size(), held + 1000) << "frames again";
  child->type("\x1b");
  EXPECT_EQ(child->wait(), 0);
}

// --from, and Left and Right (as CSI and SS3 arrows): each moment the show is taken to shows what a
// recording from that moment shows first. At one frame a second, Space holds the first frame,
// and the seeks are made while paused, so every frame is held for the comparison.
TEST(LiveShowKeys, FromAndTheArrowsShowWhatRecordingsFromTheirMomentsShow) {
  auto child = startShow(80, 50, {"--grid", "classic", "--colors", "truecolor", "--fps", "1", "--from", "84000"});
  ASSERT_TRUE(waitForPicture(*child, 1000));
  child->type(" ");
  ASSERT_TRUE(waitForNote(*child, 0, 0));
  child->pump(100ms);
  EXPECT_EQ(differingCells(child->screen(), 84000), 0) << "--from 84000";

  struct Seek {
    const char* keys;
    int moment;
  };
  for (const Seek& seek : {Seek{"\x1b[C", 94000}, Seek{"\x1bOD", 84000}, Seek{"\x1b[1;2D", 74000}}) {
    SCOPED_TRACE(seek.moment);
    const std::size_t before = child->output().size();
    child->type(seek.keys);
    for (int waited = 0; waited < 100 && child->output().size() == before; ++waited) child->pump(50ms);
    child->pump(300ms);
    EXPECT_TRUE(child->screen().rowText(0).rfind(kPausedNote, 0) == 0) << "still paused";
    EXPECT_EQ(differingCells(child->screen(), seek.moment), 0);
  }
  child->type("q");
  EXPECT_EQ(child->wait(), 0);
}

// --fps paces the live show: over two seconds of a scene that moves all the time, a terminal that
// takes synchronized output sees about as many frames (each one bracketed) as the rate asks for.
TEST(LiveShowFrames, FpsSetsHowManyFramesTheTerminalSees) {
  for (const int fps : {4, 20}) {
    SCOPED_TRACE(::testing::Message() << "--fps " << fps);
    auto child = startShow(80, 50, {"--grid", "classic", "--fps", std::to_string(fps), "--from", "100000"}, false);
    child->type("\x1b[?2026;2$y");
    ASSERT_TRUE(child->waitForText("Press SPACE", 20000ms)) << child->output();
    child->type(" ");
    ASSERT_TRUE(waitForPicture(*child, 1000));
    child->pump(300ms);
    const std::size_t from = child->output().size();
    child->pump(2000ms);
    int frames = 0;
    for (std::size_t at = child->output().find("\x1b[?2026h", from); at != std::string::npos;
         at = child->output().find("\x1b[?2026h", at + 1)) {
      ++frames;
    }
    EXPECT_GE(frames, 2 * fps * 3 / 4);
    EXPECT_LE(frames, 2 * fps + 2);
    child->type("q");
    EXPECT_EQ(child->wait(), 0);
  }
}

// Right near the end takes the show to its end, where it ends; with --loop it plays on past the end
// into the start, until q.
TEST(LiveShowKeys, TheEndEndsTheShowUnlessItLoops) {
  auto ending = startShow(80, 50, {"--from", "140000"});
  ASSERT_TRUE(waitForPicture(*ending, 1000));
  ending->type("\x1b[C");
  ending->pump(300ms);
  ending->type("\x1b[C");
  EXPECT_EQ(ending->wait(5000ms), 0) << "Right twice from 140 s: the end";

  auto looping = startShow(80, 50, {"--loop", "--from", "157000"});
  ASSERT_TRUE(waitForPicture(*looping, 1000));
  looping->pump(2500ms);  // past the end at 158 s
  EXPECT_EQ(looping->wait(10ms), -1000) << "still playing";
  EXPECT_TRUE(looping->screen().onAlternateScreen());
  // The opening again: the cube cloud's violet fills the grid.
  EXPECT_TRUE(waitForPicture(*looping, 3000));
  looping->type("q");
  EXPECT_EQ(looping->wait(), 0);
}

TEST(LiveShowKeys, AMomentPastTheEndIsRefused) {
  auto child = startShow(80, 50, {"--from", "158000"}, false);
  EXPECT_EQ(child->wait(20000ms), 2);
  EXPECT_FALSE(child->screen().onAlternateScreen());
  EXPECT_NE(child->output().find("glimmerfolding: --from 158000 is at or past the show's end: give 0 to 157999 (the "
                                 "show lasts 158000 ms)\r\nTry 'glimmerfolding --help'."),
            std::string::npos)
      << child->output();
}

// The window shrinks and grows during the show, playing and paused: the wide grid where 160x50
// fits, the classic grid where only 80x50 does, one centred line where neither does, and never a
// stale or streaked cell outside the picture.
TEST(LiveShowWindow, TheShowFollowsTheWindow) {
  // Tall cells: --grid auto takes the wide grid at 170x55.
  auto child = startShow(170, 55, {"--from", "1500"}, true, 9, 19);
  ASSERT_TRUE(waitForPicture(*child));
  const Area wide{5, 2, 164, 51};
  const Area classic{20, 1, 99, 50};
  const auto settle = [&] { child->pump(600ms); };
  settle();
  EXPECT_EQ(drawnArea(child->screen()), wide);

  for (bool paused : {false, true}) {
    SCOPED_TRACE(paused ? "paused" : "playing");
    if (paused) {
      child->type(" ");
      ASSERT_TRUE(waitForNote(*child, 2, 5));
    }
    child->resize(120, 52);
    settle();
    EXPECT_EQ(drawnArea(child->screen()), classic);
    if (paused) {
      EXPECT_EQ(child->screen().rowText(1).find(kPausedNote), 20u);
    }

    child->resize(60, 30);
    settle();
    for (int row = 0; row < 30; ++row) {
      EXPECT_EQ(child->screen().rowText(row), row == 14 ? "      Make the window at least 80x50 to see the show." : "")
          << "row " << row;
    }

    child->resize(170, 55);
    settle();
    EXPECT_EQ(drawnArea(child->screen()), wide);
    if (paused) {
      EXPECT_EQ(child->screen().rowText(2).find(kPausedNote), 5u);
    }
  }
  child->type(" ");
  EXPECT_TRUE(waitForNote(*child, 2, 5, false));
  child->type("q");
  EXPECT_EQ(child->wait(), 0);
}

// A terminal that stops taking output during the show ends it at once, whatever the music still
// has to play, with a line that says so, and the program fails.
TEST(LiveShowEnd, AnOutputLostEndsTheShowWithItsMessage) {
  MemoryTerminal terminal(80, 50);
  Demo demo;
  demo.options.terminal = &terminal;
  demo.options.display = {GridChoice::Classic, ColorChoice::TrueColor};
  demo.options.musicOutput = MusicOutput::Mute;
  demo.options.fromMs = 60000;
  terminal.press(Key::Space);
  terminal.writesBeforeFailure = 20;
  ::testing::internal::CaptureStderr();
  const int status = runProgram(demo);
  demo.console.reset();  // gives the terminal back, and with it the messages held while it was taken
  const std::string messages = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_NE(messages.find("The terminal stopped taking output; the show ended early."), std::string::npos) << messages;
  EXPECT_TRUE(terminal.failWrites);
}

}  // namespace
}  // namespace glimmer
