// The show's timeline: which scene draws at which millisecond, the cross-fades, the greetings
// slide and the closing fade, pass after pass on the music clock; and what the viewer asks of the
// live show: quitting, pausing, seeking, and the show again from the start when it loops.
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

// What the viewer asks of the live show, one request at a time.
enum class ViewerRequest {
  None,
  Quit,         // Escape or q: the show ends
  Pause,        // Space: the show pauses, or plays on when paused
  SeekBack,     // Left: 10 s back
  SeekForward,  // Right: 10 s on
};

// How far Left and Right move the show.
inline constexpr std::int32_t kSeekStepMs = 10000;

class ShowStage {
 public:
  virtual ~ShowStage() = default;

  // Starts the music at the moment the show starts from (the beginning, unless the live show was
  // asked to start later: the timeline is told the same moment); false when it does not start.
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

  // What the viewer asked for since the last query; a query takes one request, the others wait.
  // By default, Quit when quitRequested() says so (stages without the other keys).
  virtual ViewerRequest takeRequest() { return quitRequested() ? ViewerRequest::Quit : ViewerRequest::None; }
  // Pauses the music at once, its clock holding still, or plays on from where it holds.
  virtual void pauseMusic(bool) {}
  // Moves the music to the show's moment ms (clamped to the music); from there the music clock
  // reads the show's moments, and a paused music stays paused there.
  virtual void seekMusic(std::int32_t) {}
  // The show's length in milliseconds: seeks go no further.
  virtual std::int32_t lengthMs() { return kShowNeverEnds; }
  // Makes the scenes anew, as the show's start made them, for a show that starts over at a moment.
  virtual void restartScenes() {}
  // True once after the display's layout changed (a new size, a new grid): what the last pass
  // converted is converted again before it is presented.
  virtual bool takeLayoutChange() { return false; }
  // Shows the cells of the last conversion again with a note that the show is paused; the next
  // present() shows them without it.
  virtual void showPaused() {}

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

// Where and how the live show plays: from a moment of the show, and again from the start at its end.
struct ShowPlay {
  std::int32_t fromMs = 0;  // the first moment shown (the stage's music starts there too)
  bool loop = false;        // at the music's end the show starts again from 0, until the viewer quits
};

// The moments the timeline keeps between passes: Scene1's last frame not yet kept for the first
// cross-fade, and the start of each of the four fades. Each moment is captured on the first pass
// that needs it and reset only when the show starts over at a moment (a seek, a loop).
//
// A show that starts at a moment X other than 0 (--from, a seek) is the show a recording --from X
// is: new scenes (ShowStage::restartScenes) and new moments, a first pass at 0 that is not shown,
// then the pass at X, with the music at X.
class Timeline {
 public:
  // Paced at most framesPerSecond frames a second of music (see FramePacer), or, with 0, a pass
  // right after the other with one clock reading each (recordings, tests).
  explicit Timeline(int framesPerSecond = 0, ShowPlay play = {}) : pacer_(framesPerSecond), play_(play) {}

  // Runs the show until the music ends (unless it loops), the viewer quits or the display is gone
  // (true), or returns false at once when the music does not start (the caller prints nothing; the
  // message is printed here). Between paced frames it waits for the clock without spinning, and a
  // key cuts the wait short. Paused, it shows the held frame with a note and waits for keys
  // without drawing. secondFrame is the Demo's second FrameBuffer. Allocates nothing per pass.
  bool run(ShowStage& stage, std::uint32_t* secondFrame);

 private:
  // A conversion of the last pass: what the stage converted, so it can convert it again.
  struct Conversion {
    const std::uint32_t* pixels;
    PixelRect rect;
  };

  // Draws the pass at show time t and converts its picture; presents nothing.
  void drawPass(ShowStage& stage, std::int32_t t, std::uint32_t* secondFrame);
  void convert(ShowStage& stage, const std::uint32_t* pixels, const PixelRect& rect);
  // Converts the last pass's picture again (the pixels it converted are untouched until the next
  // pass), for a grid that changed.
  void convertAgain(ShowStage& stage);
  // Presents the last pass, converted again first where the layout changed.
  void present(ShowStage& stage);
  // Starts the show over at moment target with the music there, as a recording from there
  // starts; presents the pass at target when show is true. Returns target.
  std::int32_t startOver(ShowStage& stage, std::int32_t target, std::uint32_t* secondFrame, bool show);
  // Where a seek request takes the show from moment t: 10 s back or on, within the show.
  std::int32_t seekTarget(ShowStage& stage, ViewerRequest request, std::int32_t t) const;
  // Holds the show paused at moment t (which seeks move) until the viewer plays on (true) or
  // quits, or the display is gone (false).
  bool holdPaused(ShowStage& stage, std::int32_t& t, std::uint32_t* secondFrame);

  FramePacer pacer_;
  ShowPlay play_;
  std::int32_t ms0_ = 0;  // the music clock's reading at the show's moment 0
  bool snapshotPending_ = true;
  Latch fadeStarts_[4];
  Conversion conversions_[2] = {};
  int conversionCount_ = 0;
};

}  // namespace glimmer
