// The show's timeline; see timeline.h.
#include "demo/timeline.h"

#include <algorithm>
#include <cstring>

#include "base/frame_buffer.h"
#include "base/pixel_ops.h"
#include "base/report.h"
#include "scenes/spectrum_readings.h"

namespace glimmer {
namespace {

// Scene windows in demo milliseconds, [start, end).
constexpr std::int32_t kScene1End = 55000;
constexpr std::int32_t kScene2Start = kScene2Window.startMs;
constexpr std::int32_t kScene2End = kScene2Window.endMs;
constexpr std::int32_t kFade1End = 60000;
constexpr std::int32_t kScene3FirstStart = kScene3FirstWindow.startMs;
constexpr std::int32_t kScene3FirstEnd = kScene3FirstWindow.endMs;
constexpr std::int32_t kFade2End = 87000;
constexpr std::int32_t kGreetsStart = 114000;
constexpr std::int32_t kGreetsEnd = 139000;
constexpr std::int32_t kSlideEnd = 116000;
constexpr std::int32_t kScene3SecondStart = kScene3SecondWindow.startMs;  // to the end
constexpr std::int32_t kFade3End = 139000;
constexpr std::int32_t kClosingFadeStart = 148000;

// F(t): t times a single-precision factor, the product taken wider and truncated toward zero. For
// demo times below 8,000,000 ms this equals the integer division (t div 10 for 0.1f, and so on).
std::int32_t fadeClock(std::int32_t t, float factor) {
  return static_cast<std::int32_t>(static_cast<double>(t) * static_cast<double>(factor));
}

// The weight of a fade this pass: 255 on its first pass, falling as F(t) grows.
std::int32_t fadeWeight(Latch& latch, std::int32_t t, float factor) {
  std::int32_t now = fadeClock(t, factor);
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
  const std::int32_t ms0 = stage.clockMs();
  std::int32_t t = 0;

  for (;;) {
    stage.clearTarget();
    std::uint32_t* const target = stage.targetPixels();
    std::uint32_t* source = target;
    PixelRect rect{0, 0, kFrameWidth, kFrameHeight};

    if (t < 0) stage.readBack();  // no scene draws: the cleared frame is shown

    if (t >= 0 && t < kScene1End) stage.renderScene1(t);

    if (t >= kScene2Start && t < kScene2End) {
      if (snapshotPending_) {
        stage.renderScene1(kScene2Start);
        std::memcpy(secondFrame, target, kFrameBytes);
        snapshotPending_ = false;
      }
      stage.applySharedView();
      stage.renderScene2(t - kScene2Start);  // on top of what GL holds: no clear
      if (t < kFade1End) blendFrames(target, secondFrame, target, fadeWeight(fadeStarts_[0], t, 0.1f));
    }

    if (t >= kScene3FirstStart && t < kScene3FirstEnd) {
      if (t < kFade2End) {
        std::memcpy(secondFrame, target, kFrameBytes);
        stage.clearTarget();
      }
      stage.renderScene3(t - kScene3FirstStart, 0);
      if (t < kFade2End) blendFrames(target, secondFrame, target, fadeWeight(fadeStarts_[1], t, 0.15f));
    }

    if (t >= kGreetsStart && t < kGreetsEnd) {
      const std::int32_t u = t - kGreetsStart;
      if (t < kSlideEnd) stage.convert(target, PixelRect{0, 0, kFrameWidth, kFrameHeight});
      rect.x0 = slideLeftEdge(u);
      stage.renderGreets(u, secondFrame);
      source = secondFrame;
    }

    if (t >= kScene3SecondStart) {
      source = target;
      stage.renderScene3(t - kScene3SecondStart, 1);
      if (t < kFade3End) blendFrames(target, secondFrame, target, fadeWeight(fadeStarts_[2], t, 0.15f));
    }

    if (t >= kClosingFadeStart) {
      const std::int32_t w = fadeWeight(fadeStarts_[3], t, 0.05f);
      for (int i = 0; i < kFramePixels; ++i) source[i] = blendPixel(source[i], 0, w);
    }

    stage.convert(source, rect);
    stage.present();

    // The next pass's time. A paced show waits here until the clock reaches the next frame's
    // slot; unpaced, the first reading is taken. Escape, the music's end or a lost output end the
    // show, also during a wait.
    for (;;) {
      const std::int32_t now = stage.clockMs() - ms0;
      if (stage.escapeHeld() || stage.musicEnded() || stage.outputLost()) return true;
      const int wait = pacer_.waitMs(t, now);
      if (wait == 0) {
        t = now;
        break;
      }
      stage.waitForInput(wait);
    }
  }
}

}  // namespace glimmer
