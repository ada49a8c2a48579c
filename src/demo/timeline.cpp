// The show's timeline; see timeline.h.
#include "demo/timeline.h"

#include <algorithm>
#include <cstring>

#include "base/frame_buffer.h"
#include "base/pixel_ops.h"
#include "base/report.h"

namespace glimmer {
namespace {

// F(t): t times a single-precision factor, the product taken wider and truncated toward zero. For
// demo times below 8,000,000 ms this equals the integer division (t div 10 for 0.1f, and so on).
std::int32_t fadeClock(std::int32_t t, float factor) {
  return static_cast<std::int32_t>(static_cast<double>(t) * static_cast<double>(factor));
}

// The weight of a fade this pass: 255 on its first pass, falling as F(t) grows.
std::int32_t fadeWeight(Latch& latch, std::int32_t t, const ShowFade& fade) {
  std::int32_t now = fadeClock(t, fade.factor);
  return 255 + latch.capture(now) - now;
}

// Every pixel i of into becomes blendPixel(a[i], b[i], w).
void blendFrames(std::uint32_t* into, const std::uint32_t* a, const std::uint32_t* b, std::int32_t w) {
  for (int i = 0; i < kFramePixels; ++i) into[i] = blendPixel(a[i], b[i], w);
}

// The greetings slide: max(0, -1 - trunc(u * 0.1f - 160)). Deliberate: the single-precision 0.1
// lies just above a tenth, which makes this 159 at u = 0 and 158 - u div 10 from u = 1 on, reaching
// 0 at u = 1580.
std::int32_t slideLeftEdge(std::int32_t u) {
  std::int32_t edge = -1 - static_cast<std::int32_t>(static_cast<double>(u) * static_cast<double>(0.1f) - 160.0);
  return std::max(0, edge);
}

}  // namespace

bool Timeline::run(ShowStage& stage, std::uint32_t* secondFrame) {
  if (!stage.startMusic()) {
    printLine("Unable to play music");
    return false;
  }
  // The music clock's reading at the show's moment 0: its first reading for a show from the start;
  // 0 for music started at a moment of the show, whose clock is then the show's.
  ms0_ = play_.fromMs > 0 ? 0 : stage.clockMs();
  std::int32_t t = play_.fromMs;
  if (t > 0) drawPass(stage, 0, secondFrame);  // as a recording from there: the pass at 0, not shown

  for (;;) {
    drawPass(stage, t, secondFrame);
    present(stage);

    // The next pass's time. A paced show waits here until the clock reaches the next frame's
    // slot; unpaced, the first reading is taken. The viewer quitting, the music's end (unless the
    // show loops) or a lost output end the show, also during a wait; a pause holds it here, a seek
    // or a loop starts it over at its moment, shown at once.
    for (;;) {
      const std::int32_t now = stage.clockMs() - ms0_;
      const ViewerRequest request = stage.takeRequest();
      if (request == ViewerRequest::Quit) return true;
      if (request == ViewerRequest::Pause) {
        if (!holdPaused(stage, t, secondFrame)) return true;
        continue;
      }
      if (request == ViewerRequest::SeekBack || request == ViewerRequest::SeekForward) {
        t = startOver(stage, seekTarget(stage, request, t), secondFrame, true);
        continue;
      }
      if (stage.outputLost()) return true;
      if (stage.musicEnded()) {
        if (!play_.loop) return true;
        t = startOver(stage, 0, secondFrame, true);
        continue;
      }
      const int wait = pacer_.waitMs(t, now);
      if (wait == 0) {
        t = now;
        break;
      }
      stage.waitForInput(wait);
    }
  }
}

void Timeline::drawPass(ShowStage& stage, std::int32_t t, std::uint32_t* secondFrame) {
  conversionCount_ = 0;
  stage.clearTarget();
  std::uint32_t* const target = stage.targetPixels();
  std::uint32_t* source = target;
  PixelRect rect{0, 0, kFrameWidth, kFrameHeight};

  if (t < 0) stage.readBack();  // no scene draws: the cleared frame is shown

  if (kScene1Window.contains(t)) stage.renderScene(ShowScene::Scene1, t, 0, nullptr);

  if (kScene2Window.contains(t)) {
    if (snapshotPending_) {
      stage.renderScene(ShowScene::Scene1, kScene2Window.startMs, 0, nullptr);
      std::memcpy(secondFrame, target, kFrameBytes);
      snapshotPending_ = false;
    }
    stage.renderScene(ShowScene::Scene2, t - kScene2Window.startMs, 0, nullptr);  // on top: no clear
    if (kFade1.window.contains(t)) blendFrames(target, secondFrame, target, fadeWeight(fadeStarts_[0], t, kFade1));
  }

  if (kScene3FirstWindow.contains(t)) {
    const bool fading = kFade2.window.contains(t);
    if (fading) {
      std::memcpy(secondFrame, target, kFrameBytes);
      stage.clearTarget();
    }
    stage.renderScene(ShowScene::Scene3, t - kScene3FirstWindow.startMs, 0, nullptr);
    if (fading) blendFrames(target, secondFrame, target, fadeWeight(fadeStarts_[1], t, kFade2));
  }

  if (kGreetsWindow.contains(t)) {
    const std::int32_t u = t - kGreetsWindow.startMs;
    if (kGreetsSlide.contains(t)) convert(stage, target, PixelRect{0, 0, kFrameWidth, kFrameHeight});
    rect.x0 = slideLeftEdge(u);
    stage.renderScene(ShowScene::Greets, u, 0, secondFrame);
    source = secondFrame;
  }

  if (kScene3SecondWindow.contains(t)) {
    source = target;
    stage.renderScene(ShowScene::Scene3, t - kScene3SecondWindow.startMs, 1, nullptr);
    if (kFade3.window.contains(t)) blendFrames(target, secondFrame, target, fadeWeight(fadeStarts_[2], t, kFade3));
  }

  if (kClosingFade.window.contains(t)) {
    const std::int32_t w = fadeWeight(fadeStarts_[3], t, kClosingFade);
    for (int i = 0; i < kFramePixels; ++i) source[i] = blendPixel(source[i], 0, w);
  }

  convert(stage, source, rect);
}

void Timeline::convert(ShowStage& stage, const std::uint32_t* pixels, const PixelRect& rect) {
  if (conversionCount_ < 2) conversions_[conversionCount_++] = {pixels, rect};
  stage.convert(pixels, rect);
}

void Timeline::convertAgain(ShowStage& stage) {
  for (int index = 0; index < conversionCount_; ++index)
    stage.convert(conversions_[index].pixels, conversions_[index].rect);
}

void Timeline::present(ShowStage& stage) {
  if (stage.takeLayoutChange()) convertAgain(stage);
  stage.present();
}

std::int32_t Timeline::startOver(ShowStage& stage, std::int32_t target, std::uint32_t* secondFrame, bool show) {
  stage.seekMusic(target);
  ms0_ = 0;  // the music put at a moment of the show: its clock is the show's
  snapshotPending_ = true;
  for (Latch& start : fadeStarts_) start = Latch{};
  stage.restartScenes();
  if (target > 0) drawPass(stage, 0, secondFrame);  // as a recording from there: the pass at 0, not shown
  drawPass(stage, target, secondFrame);
  if (show) present(stage);
  return target;
}

std::int32_t Timeline::seekTarget(ShowStage& stage, ViewerRequest request, std::int32_t t) const {
  const std::int64_t step = request == ViewerRequest::SeekBack ? -kSeekStepMs : kSeekStepMs;
  const std::int64_t end = stage.lengthMs();
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{t} + step, 0, std::max<std::int64_t>(end, 0)));
}

bool Timeline::holdPaused(ShowStage& stage, std::int32_t& t, std::uint32_t* secondFrame) {
  constexpr int kPausedWaitMs = 1000;  // keys and resizes cut it short: nothing is drawn meanwhile
  stage.pauseMusic(true);
  stage.showPaused();
  for (;;) {
    const ViewerRequest request = stage.takeRequest();
    if (request == ViewerRequest::Quit) return false;
    if (request == ViewerRequest::Pause) {
      stage.pauseMusic(false);
      return true;
    }
    if (request == ViewerRequest::SeekBack || request == ViewerRequest::SeekForward) {
      t = startOver(stage, seekTarget(stage, request, t), secondFrame, false);
      if (stage.takeLayoutChange()) convertAgain(stage);
      stage.showPaused();
      continue;
    }
    if (stage.takeLayoutChange()) {
      convertAgain(stage);
      stage.showPaused();
    }
    if (stage.outputLost()) return false;
    stage.waitForInput(kPausedWaitMs);
  }
}

}  // namespace glimmer
