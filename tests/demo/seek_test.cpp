// The live show's seeks and its start --from, against recordings: the frame the show presents at a
// moment X it was taken to (by Left or Right, or --from X) is, cell for cell, the first frame a
// recording --from X writes. The real show (scenes, GL, converter, offline music) runs on a clock
// the test moves, with the viewer's keys typed on a terminal in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "demo/demo.h"
#include "demo/demo_stage.h"
#include "music/music_stream.h"
#include "record/frame_sink.h"
#include "record/recording.h"
#include "support/memory_terminal.h"

namespace glimmer {
namespace {

constexpr std::int32_t kPassMs = 17;

struct Frame {
  std::int32_t t = 0;
  CellBuffer cells{};
};

Frame copyOf(std::int32_t t, CellView view) {
  Frame frame;
  frame.t = t;
  for (int row = 0; row < view.height; ++row)
    std::memcpy(&frame.cells[row * view.width], &view.at(0, row), view.width * sizeof(Cell));
  return frame;
}

// Keeps a recording's first frame and writes nothing.
class FirstFrameSink final : public FrameSink {
 public:
  bool begin() override { return true; }
  bool frame(long index, CellView cells, const char*, std::size_t) override {
    if (index == 0) first = copyOf(0, cells);
    ++frames;
    return true;
  }
  bool finish(bool) override { return true; }
  WrittenOutput written() const override { return {"nothing", 0}; }

  Frame first;
  long frames = 0;
};

// The first frame of a recording --from ms, classic grid.
Frame recordedAt(std::int32_t ms) {
  RecordingOptions options;
  options.output = "unused.cast";
  options.fromMs = ms;
  options.toMs = ms + kPassMs;
  options.display = {GridChoice::Classic, ColorChoice::TrueColor};
  FirstFrameSink sink;
  ::testing::internal::CaptureStderr();  // the line saying what was written
  EXPECT_EQ(runRecording(options, sink), 0);
  ::testing::internal::GetCapturedStderr();
  EXPECT_GE(sink.frames, 1);
  return sink.first;
}

// The real show's stage on a clock that moves kPassMs from each pass to the next, from where the
// show starts or a seek takes it. After pass n it types the keys given for n.
class SteppedStage final : public DemoStage {
 public:
  SteppedStage(Demo& demo, MemoryTerminal& keyboard, std::vector<std::pair<int, Key>> presses, int passes)
      : DemoStage(demo), keyboard_(keyboard), presses_(std::move(presses)), passes_(passes) {}

  bool startMusic() override {
    if (!DemoStage::startMusic()) return false;
    setClock(demo_.options.fromMs);
    return true;
  }
  std::int32_t clockMs() override { return now_; }
  // The music ends once, after the passes given; a show that loops goes on until Escape.
  bool musicEnded() override {
    if (ended_ || static_cast<int>(shown.size()) < passes_) return false;
    ended_ = true;
    return true;
  }
  void seekMusic(std::int32_t ms) override {
    DemoStage::seekMusic(ms);
    setClock(ms);
    soughtTo.push_back(ms);
  }
  void present() override {
    DemoStage::present();
    shown.push_back(copyOf(now_, cells()));
    for (const auto& [after, key] : presses_) {
      if (after == static_cast<int>(shown.size()) - 1) keyboard_.press(key);
    }
    setClock(now_ + kPassMs);
  }

  std::vector<Frame> shown;
  std::vector<std::int32_t> soughtTo;

 private:
  void setClock(std::int32_t ms) {
    now_ = ms;
    demo_.music->setOfflinePosition(ms / 1000.0);
  }

  MemoryTerminal& keyboard_;
  std::vector<std::pair<int, Key>> presses_;
  int passes_;
  bool ended_ = false;
  std::int32_t now_ = 0;
};

int differingCells(const Frame& live, const Frame& recorded) {
  int differing = 0;
  for (int index = 0; index < kCellCount; ++index) differing += live.cells[index] == recorded.cells[index] ? 0 : 1;
  return differing;
}

struct LiveRun {
  std::vector<Frame> shown;
  std::vector<std::int32_t> soughtTo;
};

// The live show from fromMs, with the keys typed after the passes given, for the passes given.
LiveRun playLive(std::int32_t fromMs, std::vector<std::pair<int, Key>> presses, int passes, bool loop = false) {
  MemoryTerminal terminal(80, 50);
  Demo demo;
  demo.options.terminal = &terminal;
  demo.options.display = {GridChoice::Classic, ColorChoice::TrueColor};
  demo.options.musicOutput = MusicOutput::Offline;
  demo.options.fromMs = fromMs;
  LiveRun run;
  if (!demo.init()) {
    ADD_FAILURE() << "the show did not start";
    return run;
  }
  SteppedStage stage(demo, terminal, std::move(presses), passes);
  EXPECT_TRUE(Timeline(0, ShowPlay{fromMs, loop}).run(stage, demo.secondFrame.get()));
  run.shown = std::move(stage.shown);
  run.soughtTo = std::move(stage.soughtTo);
  return run;
}

// Each frame shown right after a seek, against the recording from its moment.
void expectSeeksShowWhatRecordingsShow(const LiveRun& run, const std::vector<std::int32_t>& expectedTargets) {
  ASSERT_EQ(run.soughtTo, expectedTargets);
  for (std::int32_t target : run.soughtTo) {
    SCOPED_TRACE(::testing::Message() << "after the seek to " << target);
    const Frame* live = nullptr;
    for (const Frame& frame : run.shown) {
      if (frame.t == target) live = &frame;
    }
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(differingCells(*live, recordedAt(target)), 0);
  }
}

// The live show started --from a moment shows first what a recording from there shows first.
TEST(LiveShowMoments, FromAMomentShowsWhatARecordingFromThereShows) {
  for (std::int32_t from : {30000, 86000}) {  // the cube cloud; Scene2 fading into Scene3
    SCOPED_TRACE(from);
    const LiveRun run = playLive(from, {}, 1);
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0].t, from);
    EXPECT_EQ(differingCells(run.shown[0], recordedAt(from)), 0);
  }
}

// Right and Left through the show: forward from the cube cloud into the falling shapes (a new
// snapshot of Scene1), into the cross-fade to the lattice; back out of the lattice into the
// falling shapes, and of the greetings' slide into the lattice; every time the frame at the new
// moment is the recording's.
TEST(LiveShowMoments, SeeksShowWhatRecordingsFromTheirMomentsShow) {
  const LiveRun forward = playLive(
      50000, {{1, Key::Right}, {3, Key::Right}, {5, Key::Right}, {7, Key::Right}, {9, Key::Left}, {11, Key::Left}}, 13);
  expectSeeksShowWhatRecordingsShow(forward, {60017, 70034, 80051, 90068, 80085, 70102});

  const LiveRun slide = playLive(115000, {{2, Key::Left}, {4, Key::Right}, {6, Key::Right}}, 8);
  expectSeeksShowWhatRecordingsShow(slide, {105034, 115051, 125068});
}

// --loop: at the end, the show starts again as it first started, after the lattice and the
// closing fade have left their marks on the scenes and on GL.
TEST(LiveShowMoments, ALoopStartsTheShowAgainAsItFirstStarted) {
  const LiveRun run = playLive(150000, {{3, Key::Escape}}, 2, true);
  ASSERT_EQ(run.soughtTo, std::vector<std::int32_t>{0});
  ASSERT_EQ(run.shown.size(), 4u);
  EXPECT_EQ(run.shown[2].t, 0);
  EXPECT_EQ(differingCells(run.shown[2], recordedAt(0)), 0);
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
