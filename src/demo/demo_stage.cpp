// The show's own stage; calls GL for the clear and otherwise the Demo's objects.
#include "demo/demo_stage.h"

#include <GLES/gl.h>

#include "base/frame_buffer.h"
#include "console/present.h"
#include "demo/demo.h"
#include "gles/gles_helper.h"
#include "music/music_stream.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene_greets.h"
#include "tfx/converter.h"
#include "view/camera.h"

namespace glimmer {

bool DemoStage::startMusic() { return demo_.music->play(); }
std::int32_t DemoStage::clockMs() { return demo_.music->clockMs(); }
bool DemoStage::musicEnded() { return !demo_.music->isActive(); }
bool DemoStage::escapeHeld() { return demo_.console->output->keyPressed(Key::Escape); }
bool DemoStage::outputLost() { return demo_.console->outputLost; }
void DemoStage::waitForInput(int milliseconds) { demo_.console->output->waitForInput(milliseconds); }
std::uint32_t* DemoStage::targetPixels() { return demo_.gles->pixels; }
void DemoStage::clearTarget() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }
void DemoStage::readBack() { demo_.gles->readBack(); }
void DemoStage::renderScene1(std::int32_t t) { demo_.scene1->render(t, *demo_.gles); }
void DemoStage::applySharedView() { demo_.camera->applyView(); }
void DemoStage::renderScene2(std::int32_t t) { demo_.scene2->render(t, *demo_.gles); }

void DemoStage::renderScene3(std::int32_t t, std::uint8_t variant) {
  demo_.scene3->render(t, variant);
  demo_.gles->readBack();
}
void DemoStage::renderGreets(std::int32_t u, std::uint32_t* frame) { demo_.sceneGreets->render(u, frame); }

void DemoStage::convert(const std::uint32_t* pixels, const PixelRect& rect) {
  if (demo_.console->grid == Grid::Wide) {
    demo_.converter->convert1x2(pixels, &rect, kFrameWidth, 0, 0, demo_.cells.get());
  } else {
    demo_.converter->convert2x2(pixels, &rect, kFrameWidth, 0, 0, demo_.cells.get());
  }
}

void DemoStage::present() { presentFrame(*demo_.console, demo_.cells.get()); }

bool Demo::run() {
  DemoStage stage(*this);
  Timeline timeline(options.framesPerSecond);
  return timeline.run(stage, secondFrame.get());
}

}  // namespace glimmer
