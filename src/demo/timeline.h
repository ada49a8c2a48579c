// The show's timeline: which scene draws at which millisecond, the cross-fades, the greetings
// slide and the closing fade, pass after pass on the music clock.
//
// The loop touches the outside world only through a ShowStage, so the same loop runs the show
// (DemoStage: the real scenes, GL, converter, presenter, music and keys), a recording on an exact
// clock, and tests with stand-in scenes on a scripted clock.
#pragma once

#include <cstdint>

#include "base/cell_buffer.h"
#include "base/latch.h"
#include "demo/frame_pacer.h"
#include "scenes/show_schedule.h"

namespace glimmer {

class ShowStage {
 public:
  virtual ~ShowStage() = default;

  // Starts the music from the beginning; false when it does not start.
  virtual bool startMusic() = 0;
  // The music clock in whole milliseconds (truncated).
  virtual std::int32_t clockMs() = 0;
  // True once the music has played to its end.
  virtual bool musicEnded() = 0;
  // True when the viewer asked to end the show since the last query.
  virtual bool quitRequested() = 0;
  // True when the display is gone and the show should stop at the end of the pass.
  virtual bool outputLost() = 0;
  // Waits up to the milliseconds given, returning early when a key arrives. Paced shows only.
  virtual void waitForInput(int milliseconds) = 0;

  // The render target's FrameBuffer (160x100 words). Whatever draws with GL leaves its picture
  // here: a GL scene when its render returns, readBack() in a pass in which no scene draws.
  virtual std::uint32_t* targetPixels() = 0;
  // Clears GL's colour and depth buffers; targetPixels() keeps what it held.
  virtual void clearTarget() = 0;
  // Copies what GL holds into targetPixels().
  virtual void readBack() = 0;

  // Draws one scene at scene time t. The GL scenes (Scene1, Scene2 under the show's shared view,
  // Scene3 in the appearance variant gives) draw on top of what GL holds and leave their picture in
  // targetPixels(); Greets writes every pixel of frame.
  virtual void renderScene(ShowScene scene, std::int32_t t, std::uint8_t variant, std::uint32_t* frame) = 0;

  // The converter's conversion of pixels within rect (stride 160, cell origin 0, 0) into the
  // cells, on the grid in use.
  virtual void convert(const std::uint32_t* pixels, const PixelRect& rect) = 0;
  // Shows the cells.
  virtual void present() = 0;
};

// The moments the timeline keeps between passes: Scene1's last frame not yet kept for the first
// cross-fade, and the start of each of the four fades. The show makes one Timeline and runs it
// once; each moment is captured on the first pass that needs it and never reset.
class Timeline {
 public:
  // Paced at most framesPerSecond frames a second of music (see FramePacer), or, with 0, a pass
  // right after the other with one clock reading each (recordings, tests).
  explicit Timeline(int framesPerSecond = 0) : pacer_(framesPerSecond) {}

  // Runs the show until the music ends, the viewer quits or the display is gone (true), or returns
  // false at once when the music does not start (the caller prints nothing; the message is
  // printed here). Between paced frames it waits for the clock without spinning, and a key cuts
  // the wait short. secondFrame is the Demo's second FrameBuffer. Allocates nothing per pass.
  bool run(ShowStage& stage, std::uint32_t* secondFrame);

 private:
  FramePacer pacer_;
  bool snapshotPending_ = true;
  Latch fadeStarts_[4];
};

}  // namespace glimmer
