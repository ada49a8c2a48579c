// The timeline on a scripted clock with stand-in scenes that record every call and paint their
// frames in one colour each, a stand-in GL colour buffer, and a converter that keeps one pixel per
// cell, so what the viewer would see can be read back cell by cell.
#include "demo/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "base/frame_buffer.h"

namespace glimmer {
namespace {

constexpr std::uint32_t kScene1Colour = 0x00FFFFFF;
constexpr std::uint32_t kScene2Colour = 0x00102030;
constexpr std::uint32_t kScene3Colours[2] = {0x00405060, 0x00708090};
constexpr std::uint32_t kGreetsColour = 0x00A0B0C0;

using Cells = std::array<std::uint32_t, 4000>;
using Log = std::vector<std::string>;

// Logs every call as "Scene2 17" (scene time; Scene3's second appearance as "Scene3/1 0"),
// "convert 159" (the rectangle's x0), "present", and per pass also "clear".
class ScriptedStage : public ShowStage {
 public:
  // passTimes[0] is the first pass (always 0); the music ends after the last.
  explicit ScriptedStage(std::vector<std::int32_t> passTimes, std::int32_t origin = 23)
      : passTimes_(std::move(passTimes)), origin_(origin), glBuffer_(kFramePixels), target_(kFramePixels) {}

  bool startMusic() override { return musicStarts; }
  std::int32_t clockMs() override {
    std::size_t reading = clockReadings_++;
    if (reading == 0) return origin_;
    return origin_ + passTimes_[std::min(reading, passTimes_.size() - 1)];
  }
  bool musicEnded() override { return presents_ >= static_cast<int>(passTimes_.size()); }
  bool quitRequested() override { return false; }
  bool outputLost() override { return false; }
  void waitForInput(int milliseconds) override { waits.push_back(milliseconds); }

  std::uint32_t* targetPixels() override { return target_.data(); }
  void clearTarget() override {
    record("clear");
    std::fill(glBuffer_.begin(), glBuffer_.end(), 0u);
  }
  void readBack() override { target_ = glBuffer_; }
  void renderScene(ShowScene scene, std::int32_t t, std::uint8_t variant, std::uint32_t* frame) override {
    constexpr const char* kNames[] = {"Scene1", "Scene2", "Scene3", "Greets"};
    record(std::string(kNames[static_cast<int>(scene)]) + (variant != 0 ? "/1 " : " ") + std::to_string(t));
    if (scene == ShowScene::Greets) {
      std::fill(frame, frame + kFramePixels, kGreetsColour);
      return;
    }
    // A GL scene, whose picture is then read back into the target.
    const std::uint32_t colours[] = {kScene1Colour, kScene2Colour, kScene3Colours[variant != 0]};
    std::fill(glBuffer_.begin(), glBuffer_.end(), colours[static_cast<int>(scene)]);
    target_ = glBuffer_;
  }
  void convert(const std::uint32_t* pixels, const PixelRect& rect) override {
    record("convert " + std::to_string(rect.x0));
    for (int row = 0; row < (rect.y1 - rect.y0) / 2; ++row) {
      for (int column = 0; column < (rect.x1 - rect.x0) / 2; ++column) {
        cells_[row * 80 + column] = pixels[(rect.y0 + 2 * row) * kFrameWidth + rect.x0 + 2 * column];
      }
    }
  }
  void present() override {
    shown.push_back(cells_);
    log.push_back("present");
    ++presents_;
  }

  // The calls of one pass, in order, up to its present.
  Log pass(int index) const { return index < static_cast<int>(passes_.size()) ? passes_[index] : Log{}; }

  bool musicStarts = true;
  Log log;                   // every call but the clears
  std::vector<Cells> shown;  // what each pass presented
  std::vector<int> waits;    // every wait for input, in milliseconds

 private:
  void record(const std::string& call) {
    if (call != "clear") log.push_back(call);
    passes_.resize(std::max<std::size_t>(passes_.size(), presents_ + 1));
    passes_[presents_].push_back(call);
  }

  std::vector<std::int32_t> passTimes_;
  std::int32_t origin_;
  std::size_t clockReadings_ = 0;
  std::vector<std::uint32_t> glBuffer_;
  std::vector<std::uint32_t> target_;
  Cells cells_{};
  std::vector<Log> passes_;
  int presents_ = 0;
};

class TimelineRun : public ::testing::Test {
 protected:
  bool run(ScriptedStage& stage) { return timeline.run(stage, secondFrame.data()); }
  bool runAt(int framesPerSecond, ScriptedStage& stage) {
    return Timeline(framesPerSecond).run(stage, secondFrame.data());
  }

  Timeline timeline;  // fresh for every test: no fade has started
  std::vector<std::uint32_t> secondFrame = std::vector<std::uint32_t>(kFramePixels);
};

TEST_F(TimelineRun, EveryWindowReceivesItsCallsAndTimes) {
  //                 0  1    2    3      4      5      6      7       8       9       10      11
  ScriptedStage stage({0, 100, -40, 55017, 56000, 84000, 87000, 114000, 115999, 116000, 136000, 139000});
  ASSERT_TRUE(run(stage));
  EXPECT_EQ(stage.pass(0), (Log{"clear", "Scene1 0", "convert 0"}));
  EXPECT_EQ(stage.pass(1), (Log{"clear", "Scene1 100", "convert 0"}));
  // A negative time (the clock went back) draws no scene: the cleared frame is shown.
  EXPECT_EQ(stage.pass(2), (Log{"clear", "convert 0"}));
  EXPECT_EQ(stage.shown[2][0], 0u);

  // First Scene2 pass: Scene1 once more at exactly 55000 for the snapshot, then Scene2; the
  // snapshot is taken once in the life of the program.
  EXPECT_EQ(stage.pass(3), (Log{"clear", "Scene1 55000", "Scene2 17", "convert 0"}));
  EXPECT_EQ(stage.pass(4), (Log{"clear", "Scene2 1000", "convert 0"}));

  // Overlap of Scene2 and Scene3: Scene2 is kept, the target cleared, Scene3 drawn, fade 2.
  EXPECT_EQ(stage.pass(5), (Log{"clear", "Scene2 29000", "clear", "Scene3 0", "convert 0"}));
  EXPECT_EQ(stage.pass(6), (Log{"clear", "Scene3 3000", "convert 0"}));
  EXPECT_EQ(stage.shown[6][0], kScene3Colours[0]);

  // Greetings slide: the Scene3 frame converted whole, then the greetings from x0 (159 at u = 0:
  // one pixel column, no cells; 0 at u = 1999: the greetings cover everything).
  EXPECT_EQ(stage.pass(7), (Log{"clear", "Scene3 30000", "convert 0", "Greets 0", "convert 159"}));
  EXPECT_EQ(stage.shown[7][0], kScene3Colours[0]);
  EXPECT_EQ(stage.pass(8), (Log{"clear", "Scene3 31999", "convert 0", "Greets 1999", "convert 0"}));
  EXPECT_EQ(stage.shown[8][79], kGreetsColour);
  EXPECT_EQ(stage.pass(9), (Log{"clear", "Greets 2000", "convert 0"}));
  EXPECT_EQ(stage.shown[9][0], kGreetsColour);

  // Back to Scene3, variant 1, cross-fading from the greetings of the same pass; then the target
  // is converted, not the greetings frame.
  EXPECT_EQ(stage.pass(10), (Log{"clear", "Greets 22000", "Scene3/1 0", "convert 0"}));
  EXPECT_EQ(stage.shown[11][0], kScene3Colours[1]);
}

TEST_F(TimelineRun, SlideEdgeAndCellsRightOfItKeepScene3) {
  ScriptedStage stage({0, 114001, 114009, 114010, 114011, 115579, 115580});
  ASSERT_TRUE(run(stage));
  const int expectedEdges[] = {158, 158, 157, 157, 1, 0};
  for (int pass = 1; pass <= 6; ++pass) {
    EXPECT_EQ(stage.pass(pass).back(), "convert " + std::to_string(expectedEdges[pass - 1])) << "pass " << pass;
  }
  // At u = 1 one column of cells shows the greetings; the rest keep this pass's Scene3 frame.
  EXPECT_EQ(stage.shown[1][0], kGreetsColour);
  EXPECT_EQ(stage.shown[1][1], kScene3Colours[0]);
  EXPECT_EQ(stage.shown[1][49 * 80 + 79], kScene3Colours[0]);
}

// Runs of passes with what the whole frame shows, worked out by hand from the scenes' colours: a
// fade weighs w = 255 + F(its first pass) - F(t), every channel a * w div 256 + b * (255 - w) div 256.
TEST_F(TimelineRun, EachFadeWeighsItsPicturesFromItsFirstPass) {
  struct Pass {
    std::int32_t t;
    std::uint32_t shown;
  };
  const std::vector<Pass> runs[] = {
      {{0, kScene1Colour},
       {55000, 0x00FEFEFE},     // fade 1 (t div 10) from 5500: w = 255, Scene1 kept at 55000
       {57300, 0x00263443},     // w = 255 + 5500 - 5730 = 25: red 255 * 25 div 256 + 48 * 230 div 256 = 24 + 43
       {57560, kScene2Colour},  // w = -1: Scene2 unchanged
       {84000, 0x000F1F2F},     // fade 2 ((3 t) div 20) from 12600: w = 255, Scene2 of the same pass
       {85000, 0x002B3B4B},     // w = 255 + 12600 - 12750 = 105: red 48 * 105 div 256 + 96 * 150 div 256 = 19 + 56
       {136000, 0x009FAFBF},    // fade 3 ((3 t) div 20) from 20400: w = 255, the greetings of the same pass
       {137000, 0x008293A2},    // w = 105: red 192 * 105 div 256 + 144 * 150 div 256 = 78 + 84
       {148000, 0x006F7F8F},    // fade 4 (t div 20) from 7400: w = 255, towards black
       {150000, 0x00434D57},    // w = 255 + 7400 - 7500 = 155: red 144 * 155 div 256 = 87
       {160000, 0x00000000}},
      // A late first pass still starts from full weight; a skipped fade leaves no trace.
      {{0, kScene1Colour}, {58000, 0x00FEFEFE}, {61000, kScene2Colour}, {90000, kScene3Colours[0]}},
  };
  for (const std::vector<Pass>& passes : runs) {
    std::vector<std::int32_t> times;
    for (const Pass& pass : passes) times.push_back(pass.t);
    ScriptedStage stage(times);
    ASSERT_TRUE(runAt(0, stage));
    for (std::size_t index = 0; index < times.size(); ++index) {
      EXPECT_EQ(stage.shown[index][0], passes[index].shown) << "t " << passes[index].t;
      EXPECT_EQ(stage.shown[index][3999], passes[index].shown) << "t " << passes[index].t;
    }
  }
}

TEST_F(TimelineRun, MusicThatDoesNotStartEndsWithTheMessage) {
  ScriptedStage stage({0});
  stage.musicStarts = false;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(run(stage));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "glimmerfolding: Unable to play music\n");
  EXPECT_TRUE(stage.log.empty());
}

// A paced show's stage: the music clock gives the readings listed, one per query (the last one
// stays), and the music ends once they are used up.
class PacedStage final : public ScriptedStage {
 public:
  explicit PacedStage(std::vector<std::int32_t> readings) : ScriptedStage({0}, 0), readings_(std::move(readings)) {}

  std::int32_t clockMs() override {
    if (next_ < readings_.size()) last_ = readings_[next_++];
    return last_;
  }
  bool musicEnded() override { return next_ >= readings_.size(); }
  void present() override { presentedAt.push_back(last_); }
  void waitForInput(int milliseconds) override {
    waits.push_back(milliseconds);
    if (static_cast<int>(waits.size()) == quitDuringWait) quitPending_ = true;
  }
  bool quitRequested() override { return std::exchange(quitPending_, false); }

  std::vector<std::int32_t> presentedAt;  // the clock reading each frame was drawn at
  int quitDuringWait = -1;                // 1-based

 private:
  std::vector<std::int32_t> readings_;
  std::size_t next_ = 0;
  std::int32_t last_ = 0;
  bool quitPending_ = false;
};

using TimelinePacing = TimelineRun;

TEST_F(TimelinePacing, NoFrameWhileTheClockStandsStillAndAQuitCutsAWaitShort) {
  // The origin 0, then a clock that stalls at 5 and jumps to 20; at 60 frames a second the next
  // frame after 0 is due at 17, the one after 20 at 34. The music ends with the last reading.
  PacedStage stage({0, 5, 5, 5, 20, 30, 40});
  ASSERT_TRUE(runAt(60, stage));
  EXPECT_EQ(stage.presentedAt, (std::vector<std::int32_t>{0, 20}));
  EXPECT_EQ(stage.waits, (std::vector<int>{12, 12, 12, 4}));  // 17 - 5 three times, then 34 - 30

  // Quitting during a wait ends the show without another frame.
  PacedStage quitting({0, 5, 5, 5, 20, 40});
  quitting.quitDuringWait = 2;
  ASSERT_TRUE(runAt(60, quitting));
  EXPECT_EQ(quitting.presentedAt, (std::vector<std::int32_t>{0}));
  EXPECT_EQ(quitting.waits.size(), 2u);
}

TEST_F(TimelinePacing, AtMostTheFrameRateInASecondOfShowTimeHoweverFastTheMachine) {
  // A clock read every millisecond, as a machine that draws instantly would see it.
  std::vector<std::int32_t> readings;
  for (std::int32_t ms = 0; ms <= 1000; ++ms) readings.push_back(ms);
  for (int fps : {60, 25}) {
    PacedStage stage(readings);
    ASSERT_TRUE(runAt(fps, stage));
    EXPECT_EQ(static_cast<int>(stage.presentedAt.size()), fps) << fps;  // one a slot, in [0, 1000)
    for (std::size_t i = 1; i < stage.presentedAt.size(); ++i) {
      EXPECT_GE(stage.presentedAt[i] - stage.presentedAt[i - 1], 1000 / fps) << fps << " frame " << i;
    }
  }
}

// The live show's stage as the viewer uses it: a music clock that moves on 10 ms at every reading
// while it plays and holds still while paused, requests the viewer makes at given queries (one
// query a pass while playing, one a round while paused), layout changes at given queries, and a
// log of what the timeline asks of the music, the scenes and the display.
class ViewerStage final : public ScriptedStage {
 public:
  static constexpr std::int32_t kStep = 10;

  ViewerStage(std::int32_t startMs, std::int32_t lengthMs, std::vector<std::pair<int, ViewerRequest>> requests)
      : ScriptedStage({0}, 0), start_(startMs), length_(lengthMs), requests_(std::move(requests)) {}

  bool startMusic() override {
    clock_ = start_;
    return true;
  }
  std::int32_t clockMs() override {
    const std::int32_t now = clock_;
    if (!paused_) clock_ += kStep;
    return now;
  }
  bool musicEnded() override { return !paused_ && clock_ > length_; }
  bool quitRequested() override { return false; }
  void waitForInput(int milliseconds) override { log.push_back("wait " + std::to_string(milliseconds)); }

  ViewerRequest takeRequest() override {
    ++queries_;
    if (queries_ > 1000) return ViewerRequest::Quit;  // a test that went wrong still ends
    if (requests_.empty() || requests_.front().first != queries_) return ViewerRequest::None;
    const ViewerRequest request = requests_.front().second;
    requests_.erase(requests_.begin());
    return request;
  }
  void pauseMusic(bool paused) override {
    paused_ = paused;
    log.push_back(paused ? "pause" : "play on");
  }
  void seekMusic(std::int32_t ms) override {
    clock_ = ms;
    log.push_back("seek " + std::to_string(ms));
  }
  std::int32_t lengthMs() override { return length_; }
  void restartScenes() override { log.push_back("new scenes"); }
  bool takeLayoutChange() override {
    for (auto it = layoutChanges.begin(); it != layoutChanges.end(); ++it) {
      if (*it <= queries_) {
        layoutChanges.erase(it);
        return true;
      }
    }
    return false;
  }
  void showPaused() override { log.push_back("paused note"); }

  // The log from the first entry that is `from` on (the whole log when it is not there).
  std::vector<std::string> logFrom(const std::string& from) const {
    const auto at = std::find(log.begin(), log.end(), from);
    return std::vector<std::string>(at == log.end() ? log.begin() : at, log.end());
  }

  std::vector<int> layoutChanges;  // the queries after which the layout changes

 private:
  std::int32_t start_;
  std::int32_t length_;
  std::vector<std::pair<int, ViewerRequest>> requests_;
  std::int32_t clock_ = 0;
  bool paused_ = false;
  int queries_ = 0;
};

using Request = ViewerRequest;

class TimelineViewer : public TimelineRun {
 protected:
  bool play(ViewerStage& stage, ShowPlay how = {}) { return Timeline(0, how).run(stage, secondFrame.data()); }
};

// Space holds the frame shown: the music pauses, the note goes up, and nothing is drawn while the
// show waits for keys in long waits; Space again plays on from the held moment.
TEST_F(TimelineViewer, SpacePausesOnTheFrameShownAndPlaysOnFromTheSameMoment) {
  ViewerStage stage(0, 1000, {{3, Request::Pause}, {6, Request::Pause}, {8, Request::Quit}});
  ASSERT_TRUE(play(stage));
  EXPECT_EQ(stage.logFrom("pause"),
            (Log{"pause", "paused note", "wait 1000", "wait 1000", "play on",  // the clock held at 40
                 "Scene1 40", "convert 0", "present"}));
}

// --from and a seek start the show at their moment as a recording from there starts: the music
// there, new scenes, new moments (the fades and the snapshot of Scene1), a pass at 0 that is not
// shown, then the pass at the moment, shown at once; the show goes on from there.
TEST_F(TimelineViewer, FromAndSeeksStartTheShowAsARecordingFromThereDoes) {
  // From 55000: fade 1 starts at the first pass; Right at 55030, Left at 65030. (This stage's clock
  // reads the moment started or sought at once more: an unpaced show draws it again.)
  ViewerStage stage(55000, 160000, {{5, Request::SeekForward}, {7, Request::SeekBack}, {8, Request::Quit}});
  ASSERT_TRUE(play(stage, {55000, false}));
  EXPECT_EQ(Log(stage.log.begin(), stage.log.begin() + 9),
            (Log{"Scene1 0", "convert 0", "Scene1 55000", "Scene2 0", "convert 0", "present", "Scene2 0", "convert 0",
                 "present"}));
  EXPECT_EQ(
      stage.logFrom("seek 65030"),
      (Log{"seek 65030", "new scenes", "Scene1 0", "convert 0",     // the pass at 0, not shown
           "Scene1 55000", "Scene2 10030", "convert 0", "present",  // Scene1's snapshot taken again
           "Scene2 10030", "convert 0", "present",                  // on from the new moment
           "seek 55030", "new scenes", "Scene1 0", "convert 0", "Scene1 55000", "Scene2 30", "convert 0", "present"}));
  // Fade 1 weighs from its first pass again: full weight at 55030 as at 55000, where the fade's
  // first moment kept from before would have given 252.
  EXPECT_EQ(stage.shown[0][0], 0x00FEFEFEu);
  EXPECT_EQ(stage.shown.back()[0], 0x00FEFEFEu);
}

// Left and Right stay within the show: 10 s back from 30 ms is the start (no pass at 0 before it:
// it is the start), 10 s on from near the end is the end, where the show ends.
TEST_F(TimelineViewer, SeeksStayWithinTheShow) {
  ViewerStage back(0, 60000, {{4, Request::SeekBack}, {5, Request::Quit}});
  ASSERT_TRUE(play(back));
  EXPECT_EQ(back.logFrom("seek 0"), (Log{"seek 0", "new scenes", "Scene1 0", "convert 0", "present"}));

  ViewerStage on(0, 25500, {{1, Request::SeekForward}, {2, Request::SeekForward}, {3, Request::SeekForward}});
  ASSERT_TRUE(play(on));
  EXPECT_EQ(on.logFrom("seek 25500"),
            (Log{"seek 25500", "new scenes", "Scene1 0", "convert 0", "Scene1 25500", "convert 0", "present"}))
      << "10 s on three times from 0 in a show of 25.5 s: it ends at the end, after showing it";
}

// --loop: at the music's end the show starts over at 0, forever, until the viewer quits.
TEST_F(TimelineViewer, ALoopingShowStartsAgainAtTheStartAtItsEnd) {
  ViewerStage stage(150, 170, {{6, Request::Quit}});
  ASSERT_TRUE(play(stage, {150, true}));
  EXPECT_EQ(stage.logFrom("Scene1 160"),
            (Log{"Scene1 160", "convert 0", "present", "seek 0", "new scenes", "Scene1 0", "convert 0", "present",
                 "Scene1 0", "convert 0", "present", "Scene1 10", "convert 0", "present"}));
}

// A seek while paused shows the new moment's frame with the note, and stays paused.
TEST_F(TimelineViewer, APausedShowSeeksAndStaysPaused) {
  ViewerStage stage(0, 60000,
                    {{2, Request::Pause}, {3, Request::SeekForward}, {5, Request::Pause}, {7, Request::Quit}});
  ASSERT_TRUE(play(stage));
  EXPECT_EQ(stage.logFrom("pause"), (Log{"pause", "paused note", "seek 10010", "new scenes", "Scene1 0", "convert 0",
                                         "Scene1 10010", "convert 0", "paused note",  // no present: the note's
                                         "wait 1000", "play on", "Scene1 10010", "convert 0", "present"}));
}

// A new layout (the window resized, the grid switched) converts the last pass again before it is
// shown: while playing, before the next present; while paused, at once, with the note again.
TEST_F(TimelineViewer, ALayoutChangeConvertsTheLastPassAgain) {
  ViewerStage stage(0, 60000, {{3, Request::Pause}, {6, Request::Pause}, {7, Request::Quit}});
  stage.layoutChanges = {1, 5};
  ASSERT_TRUE(play(stage));
  EXPECT_EQ(stage.log, (Log{"Scene1 0", "convert 0", "present", "Scene1 10", "convert 0", "convert 0", "present",
                            "Scene1 20", "convert 0", "present", "pause", "paused note", "wait 1000", "convert 0",
                            "paused note", "wait 1000", "play on"}));

  // The greetings slide's pass converts twice (the Scene3 frame whole, then the greetings from the
  // slide's edge): both again, in order.
  ViewerStage slide(114500, 160000, {{1, Request::Pause}, {4, Request::Quit}});
  slide.layoutChanges = {3};
  ASSERT_TRUE(play(slide, {114500, false}));
  EXPECT_EQ(slide.logFrom("pause"),
            (Log{"pause", "paused note", "wait 1000", "convert 0", "convert 108", "paused note", "wait 1000"}));
}

}  // namespace
}  // namespace glimmer
