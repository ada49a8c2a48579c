// The show's own stage: the Demo's objects.
#include "demo/demo_stage.h"

#include <memory>

#include "base/frame_buffer.h"
#include "console/console.h"
#include "console/present.h"
#include "demo/demo.h"
#include "demo/show_scenes.h"
#include "gles/gles_helper.h"
#include "music/music_stream.h"
#include "tfx/converter.h"
#include "tfx/half_block.h"

namespace glimmer {

namespace {

// The note over the held frame's top-left corner while the show is paused.
constexpr const char* kPausedNote = " Paused: Space plays on ";

}  // namespace

bool DemoStage::startMusic() { return demo_.music->play(demo_.options.fromMs / 1000.0); }
std::int32_t DemoStage::clockMs() { return demo_.music->clockMs(); }
bool DemoStage::musicEnded() { return !demo_.music->isActive(); }
bool DemoStage::quitRequested() {
  Terminal& keys = demo_.console->terminal();
  return keys.keyPressed(Key::Escape) || keys.keyPressed(Key::Q);
}

ViewerRequest DemoStage::takeRequest() {
  Terminal& keys = demo_.console->terminal();
  if (keys.keyPressed(Key::Escape) || keys.keyPressed(Key::Q)) return ViewerRequest::Quit;
  if (keys.keyPressed(Key::Space)) return ViewerRequest::Pause;
  if (keys.keyPressed(Key::Left)) return ViewerRequest::SeekBack;
  if (keys.keyPressed(Key::Right)) return ViewerRequest::SeekForward;
  return ViewerRequest::None;
}

void DemoStage::pauseMusic(bool paused) {
  if (paused) {
    demo_.music->pause();
  } else {
    demo_.music->resume();
  }
}

void DemoStage::seekMusic(std::int32_t ms) { demo_.music->seek(ms / 1000.0); }
std::int32_t DemoStage::lengthMs() { return static_cast<std::int32_t>(demo_.music->lengthSeconds() * 1000.0); }

void DemoStage::restartScenes() {
  demo_.scenes.reset();  // the old scenes' GL buffers go first
  demo_.scenes = std::make_unique<ShowScenes>(*demo_.meshes, *demo_.images, *demo_.music);
}

bool DemoStage::takeLayoutChange() { return refreshLayout(*demo_.console); }
void DemoStage::showPaused() { presentFrameWithNote(*demo_.console, cells(), kPausedNote); }
bool DemoStage::outputLost() { return demo_.console->outputLost(); }
void DemoStage::waitForInput(int milliseconds) { demo_.console->terminal().waitForInput(milliseconds); }
std::uint32_t* DemoStage::targetPixels() { return demo_.gles->pixels; }
void DemoStage::clearTarget() { demo_.gles->clear(); }
void DemoStage::readBack() { demo_.gles->readBack(); }
void DemoStage::renderScene(ShowScene scene, std::int32_t t, std::uint8_t variant, std::uint32_t* frame) {
  demo_.scenes->render(scene, t, variant, *demo_.gles, frame);
}

void DemoStage::convert(const std::uint32_t* pixels, const PixelRect& rect) {
  const DisplayChoices& display = demo_.console->display();
  const Grid grid = display.grid;
  if (display.look == Look::Pixels) {
    // Direct colours only where the encoder draws 24-bit colours; the attribute serves the rest.
    demo_.halfBlocks->convert1x2(pixels, &rect, kFrameWidth, 0, 0, gridIn(*demo_.cells, grid),
                                 display.colorMode == ColorMode::TrueColor);
  } else if (grid == Grid::Wide) {
    demo_.converter->convert1x2(pixels, &rect, kFrameWidth, 0, 0, gridIn(*demo_.cells, grid));
  } else {
    demo_.converter->convert2x2(pixels, &rect, kFrameWidth, 0, 0, gridIn(*demo_.cells, grid));
  }
}

CellView DemoStage::cells() const { return demo_.console->cellsOf(*demo_.cells); }

void DemoStage::present() { presentFrame(*demo_.console, cells()); }

bool Demo::run() {
  finishSetup(*console);  // the viewer has started the show: what the first frame needs is settled
  // Keys typed on the intro screen that it does not take (an arrow, a second Space) are not
  // carried into the show.
  Terminal& keys = console->terminal();
  for (Key key : {Key::Space, Key::Q, Key::Left, Key::Right}) keys.keyPressed(key);
  DemoStage stage(*this);
  Timeline timeline(options.framesPerSecond, ShowPlay{options.fromMs, options.loop});
  return timeline.run(stage, secondFrame.get());
}

}  // namespace glimmer
