// The show's own stage: the Demo's objects.
#include "demo/demo_stage.h"

#include "base/frame_buffer.h"
#include "console/present.h"
#include "demo/demo.h"
#include "demo/show_scenes.h"
#include "gles/gles_helper.h"
#include "music/music_stream.h"
#include "tfx/converter.h"
#include "tfx/half_block.h"

namespace glimmer {

bool DemoStage::startMusic() { return demo_.music->play(); }
std::int32_t DemoStage::clockMs() { return demo_.music->clockMs(); }
bool DemoStage::musicEnded() { return !demo_.music->isActive(); }
bool DemoStage::quitRequested() { return demo_.console->terminal().keyPressed(Key::Escape); }
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
  DemoStage stage(*this);
  Timeline timeline(options.framesPerSecond);
  return timeline.run(stage, secondFrame.get());
}

}  // namespace glimmer
