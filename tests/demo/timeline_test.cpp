// The timeline on a scripted clock with stand-in scenes that record every call and paint their
// frames in one colour each, a stand-in GL colour buffer, and a converter that keeps one pixel per
// cell, so what the viewer would see can be read back cell by cell.
#include "demo/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/frame_buffer.h"

namespace glimmer {
namespace {

enum class Call { Scene1, Scene2, Scene3, Greets, Clear, ReadBack, Convert };

struct Record {
  int pass;
  Call call;
  std::int32_t t;  // scene time, or the rectangle's x0 for a conversion
  int variant;     // Scene3's variant; for a conversion 1 when it read the second frame
};

// A call as a pass's expected list names it: the kind, then t and variant where they are not 0.
struct Step {
  Call call;
  std::int32_t t = 0;
  int variant = 0;
  bool operator==(const Step&) const = default;
};
void PrintTo(const Step& step, std::ostream* out) {
  *out << "{" << static_cast<int>(step.call) << ", " << step.t << ", " << step.variant << "}";
}

constexpr std::uint32_t kScene1Colour = 0x00FFFFFF;
constexpr std::uint32_t kScene2Colour = 0x00102030;
constexpr std::uint32_t kScene3Colours[2] = {0x00405060, 0x00708090};
constexpr std::uint32_t kGreetsColour = 0x00A0B0C0;

using Cells = std::array<std::uint32_t, 4000>;

class ScriptedStage : public ShowStage {
 public:
  // passTimes[0] is the first pass (always 0); the music ends after the last.
  explicit ScriptedStage(std::vector<std::int32_t> passTimes, std::int32_t origin = 23)
      : passTimes_(std::move(passTimes)), origin_(origin), glBuffer_(kFramePixels), target_(kFramePixels) {
    records.reserve(4096);
  }

  bool startMusic() override { return musicStarts; }
  std::int32_t clockMs() override {
    std::size_t reading = clockReadings_++;
    if (reading == 0) return origin_;
    return origin_ + passTimes_[std::min(reading, passTimes_.size() - 1)];
  }
  bool musicEnded() override { return presents_ >= static_cast<int>(passTimes_.size()); }
  bool quitRequested() override { return presents_ == quitAfterPass; }
  bool outputLost() override { return false; }
  void waitForInput(int milliseconds) override { waits.push_back(milliseconds); }

  std::uint32_t* targetPixels() override { return target_.data(); }
  void clearTarget() override {
    record(Call::Clear, 0, 0);
    std::fill(glBuffer_.begin(), glBuffer_.end(), 0u);
  }
  void readBack() override {
    record(Call::ReadBack, 0, 0);
    target_ = glBuffer_;
  }
  void renderScene(ShowScene scene, std::int32_t t, std::uint8_t variant, std::uint32_t* frame) override {
    switch (scene) {
      case ShowScene::Scene1:
        record(Call::Scene1, t, 0);
        draw(kScene1Colour);
        break;
      case ShowScene::Scene2:
        record(Call::Scene2, t, 0);
        draw(kScene2Colour);
        break;
      case ShowScene::Scene3:
        record(Call::Scene3, t, variant);
        draw(kScene3Colours[variant != 0]);
        break;
      case ShowScene::Greets:
        record(Call::Greets, t, 0);
        secondFrame_ = frame;
        std::fill(frame, frame + kFramePixels, kGreetsColour);
        break;
    }
  }
  void convert(const std::uint32_t* pixels, const PixelRect& rect) override {
    record(Call::Convert, rect.x0, pixels == secondFrame_ ? 1 : 0);
    for (int row = 0; row < (rect.y1 - rect.y0) / 2; ++row) {
      for (int column = 0; column < (rect.x1 - rect.x0) / 2; ++column) {
        cells_[row * 80 + column] = pixels[(rect.y0 + 2 * row) * kFrameWidth + rect.x0 + 2 * column];
      }
    }
  }
  void present() override {
    shown.push_back(cells_);
    ++presents_;
  }

  // The calls of one pass, in order, without the read-backs (an implementation detail).
  std::vector<Step> pass(int index) const {
    std::vector<Step> calls;
    for (const Record& r : records) {
      if (r.pass == index && r.call != Call::ReadBack) calls.push_back({r.call, r.t, r.variant});
    }
    return calls;
  }

  bool musicStarts = true;
  int quitAfterPass = -1;
  std::vector<Record> records;
  std::vector<Cells> shown;  // what each pass presented
  std::vector<int> waits;    // every wait for input, in milliseconds

 protected:
  int presents_ = 0;

 private:
  // A GL scene whose picture is then read back into the target, as every GL scene's is.
  void draw(std::uint32_t colour) {
    std::fill(glBuffer_.begin(), glBuffer_.end(), colour);
    target_ = glBuffer_;
  }
  void record(Call call, std::int32_t t, int variant) { records.push_back({presents_, call, t, variant}); }

  std::vector<std::int32_t> passTimes_;
  std::int32_t origin_;
  std::size_t clockReadings_ = 0;
  std::vector<std::uint32_t> glBuffer_;
  std::vector<std::uint32_t> target_;
  const std::uint32_t* secondFrame_ = nullptr;
  Cells cells_{};
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
  //                 0  1    2      3      4      5      6      7       8       9       10      11
  ScriptedStage stage(
      {0, 100, 55017, 56000, 84000, 85000, 87000, 114000, 115999, 116000, 136000, 139000, 148000, 160000});
  ASSERT_TRUE(run(stage));
  using C = Call;
  using Steps = std::vector<Step>;
  EXPECT_EQ(stage.pass(0), (Steps{{C::Clear}, {C::Scene1}, {C::Convert}}));
  EXPECT_EQ(stage.pass(1), (Steps{{C::Clear}, {C::Scene1, 100}, {C::Convert}}));

  // First Scene2 pass: Scene1 once more at exactly 55000 for the snapshot, then Scene2.
  EXPECT_EQ(stage.pass(2), (Steps{{C::Clear}, {C::Scene1, 55000}, {C::Scene2, 17}, {C::Convert}}));
  // Fade 1 at full weight: the snapshot with every channel c turned into c * 255 div 256.
  EXPECT_EQ(stage.shown[2][0], 0x00FEFEFEu);
  // The snapshot is taken once in the life of the program.
  EXPECT_EQ(stage.pass(3), (Steps{{C::Clear}, {C::Scene2, 1000}, {C::Convert}}));

  // Overlap of Scene2 and Scene3: Scene2 is kept, the target cleared, Scene3 drawn, fade 2.
  EXPECT_EQ(stage.pass(4), (Steps{{C::Clear}, {C::Scene2, 29000}, {C::Clear}, {C::Scene3}, {C::Convert}}));
  EXPECT_EQ(stage.pass(6), (Steps{{C::Clear}, {C::Scene3, 3000}, {C::Convert}}));
  EXPECT_EQ(stage.shown[6][0], kScene3Colours[0]);

  // Greetings slide: the Scene3 frame converted whole, then the greetings from x0 (159 at u = 0:
  // one pixel column, no cells; 0 at u = 1999: the greetings cover everything).
  EXPECT_EQ(stage.pass(7), (Steps{{C::Clear}, {C::Scene3, 30000}, {C::Convert}, {C::Greets}, {C::Convert, 159, 1}}));
  EXPECT_EQ(stage.shown[7][0], kScene3Colours[0]);
  EXPECT_EQ(stage.pass(8),
            (Steps{{C::Clear}, {C::Scene3, 31999}, {C::Convert}, {C::Greets, 1999}, {C::Convert, 0, 1}}));
  EXPECT_EQ(stage.shown[8][79], kGreetsColour);
  EXPECT_EQ(stage.pass(9), (Steps{{C::Clear}, {C::Greets, 2000}, {C::Convert, 0, 1}}));

  // Back to Scene3, variant 1, cross-fading from the greetings of the same pass; the target is
  // converted, not the greetings frame.
  EXPECT_EQ(stage.pass(10), (Steps{{C::Clear}, {C::Greets, 22000}, {C::Scene3, 0, 1}, {C::Convert}}));
  EXPECT_EQ(stage.shown[11][0], kScene3Colours[1]);

  // After the closing fade, black until the music ends.
  EXPECT_EQ(stage.shown[13][0], 0u);
  EXPECT_EQ(stage.shown[13][3999], 0u);
}

TEST_F(TimelineRun, SlideEdgeAndCellsRightOfItKeepScene3) {
  ScriptedStage stage({0, 114001, 114009, 114010, 114011, 115579, 115580});
  ASSERT_TRUE(run(stage));
  const std::int32_t expectedEdges[] = {158, 158, 157, 157, 1, 0};
  for (int pass = 1; pass <= 6; ++pass) {
    auto calls = stage.pass(pass);
    EXPECT_EQ(calls.back().t, expectedEdges[pass - 1]) << "pass " << pass;
  }
  // At u = 1 one column of cells shows the greetings; the rest keep this pass's Scene3 frame.
  EXPECT_EQ(stage.shown[1][0], kGreetsColour);
  EXPECT_EQ(stage.shown[1][1], kScene3Colours[0]);
  EXPECT_EQ(stage.shown[1][49 * 80 + 79], kScene3Colours[0]);
}

TEST_F(TimelineRun, FadesStartAtTheirFirstPassHoweverLateAndSkippedOnesLeaveNoTrace) {
  ScriptedStage stage({0, 58000, 58010, 61000, 90000, 148500, 148520});
  ASSERT_TRUE(run(stage));
  EXPECT_EQ(stage.shown[1][0], 0x00FEFEFEu);  // a late first pass still starts from full weight
  EXPECT_EQ(stage.shown[2][0], 0x00FDFDFDu);  // w = 254: 255 * 254 div 256 + 48 * 1 div 256 = 253
  EXPECT_EQ(stage.shown[3][0], kScene2Colour);
  EXPECT_EQ(stage.shown[4][0], kScene3Colours[0]);  // 84000..87000 was skipped: no fade 2
  // The closing fade from its first pass at 148500: w = 255, then 254 (t div 20 went up by one).
  EXPECT_EQ(stage.shown[5][0], 0x006F7F8Fu);  // red, green, blue 0x90, 0x80, 0x70 times 255 div 256
  EXPECT_EQ(stage.shown[6][0], 0x006F7F8Eu);  // red 0x90 * 254 div 256 = 0x8E
}

// A pass inside each fade, with w = 255 + F(first pass) - F(t) and every channel
// a * w div 256 + b * (255 - w) div 256 worked out by hand from the scenes' colours.
TEST_F(TimelineRun, EachFadeWeighsItsPicturesByItsOwnClock) {
  struct Pass {
    std::int32_t t;
    std::uint32_t shown;
  };
  const Pass passes[] = {
      {0, kScene1Colour},     {55000, 0x00FEFEFE},  // fade 1 (t div 10) from 5500: w = 255, Scene1 kept at 55000
      {57300, 0x00263443},     // w = 255 + 5500 - 5730 = 25: red 255 * 25 div 256 + 48 * 230 div 256 = 24 + 43
      {57560, kScene2Colour},  // w = -1: Scene2 unchanged
      {84000, 0x000F1F2F},     // fade 2 ((3 t) div 20) from 12600: w = 255, Scene2 of the same pass
      {85000, 0x002B3B4B},     // w = 255 + 12600 - 12750 = 105: red 48 * 105 div 256 + 96 * 150 div 256 = 19 + 56
      {136000, 0x009FAFBF},    // fade 3 ((3 t) div 20) from 20400: w = 255, the greetings of the same pass
      {137000, 0x008293A2},    // w = 105: red 192 * 105 div 256 + 144 * 150 div 256 = 78 + 84
      {148000, 0x006F7F8F},    // fade 4 (t div 20) from 7400: w = 255, towards black
      {150000, 0x00434D57},    // w = 255 + 7400 - 7500 = 155: red 144 * 155 div 256 = 87
      {160000, 0x00000000},
  };
  std::vector<std::int32_t> times;
  for (const Pass& pass : passes) times.push_back(pass.t);
  ScriptedStage stage(times);
  ASSERT_TRUE(run(stage));
  for (std::size_t index = 0; index < times.size(); ++index) {
    EXPECT_EQ(stage.shown[index][0], passes[index].shown) << "t " << passes[index].t;
    EXPECT_EQ(stage.shown[index][3999], passes[index].shown) << "t " << passes[index].t;
  }
}

TEST_F(TimelineRun, NegativeTimeDrawsNoSceneAndShowsTheClearedFrame) {
  ScriptedStage stage({0, -40, 10});
  ASSERT_TRUE(run(stage));
  EXPECT_EQ(stage.pass(1), (std::vector<Step>{{Call::Clear}, {Call::Convert}}));
  EXPECT_EQ(stage.shown[1][0], 0u);
}

TEST_F(TimelineRun, QuittingFinishesAndPresentsThePass) {
  ScriptedStage stage({0, 10, 20, 30, 40});
  stage.quitAfterPass = 2;
  ASSERT_TRUE(run(stage));
  EXPECT_EQ(stage.pass(1).size(), 3u);
  EXPECT_TRUE(stage.pass(2).empty());  // no third pass was started
}

TEST_F(TimelineRun, MusicThatDoesNotStartEndsWithTheMessage) {
  ScriptedStage stage({0});
  stage.musicStarts = false;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(run(stage));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "glimmerfolding: Unable to play music\n");
  EXPECT_TRUE(stage.records.empty());
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

TEST_F(TimelinePacing, NoFrameWhileTheClockStandsStillAndWaitsAreWhatIsLeftOfTheSlot) {
  // The origin 0, then a clock that stalls at 5 and jumps to 20; at 60 frames a second the next
  // frame after 0 is due at 17, the one after 20 at 34. The music ends with the last reading.
  PacedStage stage({0, 5, 5, 5, 20, 30, 40});
  ASSERT_TRUE(runAt(60, stage));
  EXPECT_EQ(stage.presentedAt, (std::vector<std::int32_t>{0, 20}));
  EXPECT_EQ(stage.waits, (std::vector<int>{12, 12, 12, 4}));  // 17 - 5 three times, then 34 - 30
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

TEST_F(TimelinePacing, QuittingDuringAWaitEndsTheShowWithoutAnotherFrame) {
  PacedStage stage({0, 5, 5, 5, 20, 40});
  stage.quitDuringWait = 2;
  ASSERT_TRUE(runAt(60, stage));
  EXPECT_EQ(stage.presentedAt, (std::vector<std::int32_t>{0}));
  EXPECT_EQ(stage.waits.size(), 2u);
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

  void renderScene(ShowScene scene, std::int32_t t, std::uint8_t variant, std::uint32_t* frame) override {
    constexpr const char* kNames[] = {"Scene1", "Scene2", "Scene3", "Greets"};
    log.push_back(std::string(kNames[static_cast<int>(scene)]) + " " + std::to_string(t));
    ScriptedStage::renderScene(scene, t, variant, frame);
  }
  void convert(const std::uint32_t* pixels, const PixelRect& rect) override {
    log.push_back("convert " + std::to_string(rect.x0));
    ScriptedStage::convert(pixels, rect);
  }
  void present() override {
    log.push_back("present");
    ScriptedStage::present();
  }

  // The log from the first entry that is `from` on (the whole log when it is not there).
  std::vector<std::string> logFrom(const std::string& from) const {
    const auto at = std::find(log.begin(), log.end(), from);
    return std::vector<std::string>(at == log.end() ? log.begin() : at, log.end());
  }

  std::vector<std::string> log;
  std::vector<int> layoutChanges;  // the queries after which the layout changes

 private:
  std::int32_t start_;
  std::int32_t length_;
  std::vector<std::pair<int, ViewerRequest>> requests_;
  std::int32_t clock_ = 0;
  bool paused_ = false;
  int queries_ = 0;
};

using Log = std::vector<std::string>;
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

TEST_F(TimelineViewer, QuittingWhilePausedEndsTheShow) {
  ViewerStage stage(0, 1000, {{2, Request::Pause}, {4, Request::Quit}});
  ASSERT_TRUE(play(stage));
  EXPECT_EQ(stage.logFrom("pause"), (Log{"pause", "paused note", "wait 1000"}));
}

// A seek starts the show over at its moment as a recording from there starts: the music there,
// new scenes, new moments (the fades and the snapshot of Scene1), a pass at 0 that is not shown,
// then the pass at the moment, shown at once; the show goes on from there.
TEST_F(TimelineViewer, ASeekStartsTheShowOverAsARecordingFromThereDoes) {
  // From 55000: fade 1 starts at the first pass; Right at 55030, Left at 65030. (This stage's clock
  // reads the moment started or sought at once more: an unpaced show draws it again.)
  ViewerStage stage(55000, 160000, {{5, Request::SeekForward}, {7, Request::SeekBack}, {8, Request::Quit}});
  ASSERT_TRUE(play(stage, {55000, false}));
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

  ViewerStage on(0, 55500,
                 {{1, Request::SeekForward},
                  {2, Request::SeekForward},
                  {3, Request::SeekForward},
                  {4, Request::SeekForward},
                  {5, Request::SeekForward},
                  {6, Request::SeekForward}});
  ASSERT_TRUE(play(on));
  Log seeks;
  for (const std::string& entry : on.log) {
    if (entry.rfind("seek ", 0) == 0) seeks.push_back(entry);
  }
  EXPECT_EQ(seeks, (Log{"seek 10000", "seek 20000", "seek 30000", "seek 40000", "seek 50000", "seek 55500"}));
  EXPECT_EQ(on.log.back(), "present") << "the show ends at the end, after showing it";
}

// --from: the music starts there, and the show is the one a recording from there shows.
TEST_F(TimelineViewer, TheShowFromAMomentBeginsWithThePassAtZeroUnshown) {
  ViewerStage stage(30000, 60000, {{2, Request::Quit}});
  ASSERT_TRUE(play(stage, {30000, false}));
  EXPECT_EQ(stage.log, (Log{"Scene1 0", "convert 0", "Scene1 30000", "convert 0", "present", "Scene1 30000",
                            "convert 0", "present"}));
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
