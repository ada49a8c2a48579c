// DemoStage: the timeline's stage made of the Demo's own objects: the real scenes, the render
// target, the converter, the presenter, the music clock and the keyboard (Escape and q quit, Space
// pauses, Left and Right seek).
#pragma once

#include "demo/timeline.h"

namespace glimmer {

struct Demo;

class DemoStage : public ShowStage {
 public:
  explicit DemoStage(Demo& demo) : demo_(demo) {}

  bool startMusic() override;
  std::int32_t clockMs() override;
  bool musicEnded() override;
  bool quitRequested() override;
  bool outputLost() override;
  void waitForInput(int milliseconds) override;
  ViewerRequest takeRequest() override;
  void pauseMusic(bool paused) override;
  void seekMusic(std::int32_t ms) override;
  std::int32_t lengthMs() override;
  void restartScenes() override;
  bool takeLayoutChange() override;
  void showPaused() override;
  std::uint32_t* targetPixels() override;
  void clearTarget() override;
  void readBack() override;
  void renderScene(ShowScene scene, std::int32_t t, std::uint8_t variant, std::uint32_t* frame) override;
  void convert(const std::uint32_t* pixels, const PixelRect& rect) override;
  void present() override;

  // The cells of the last conversion, on the grid in use.
  CellView cells() const;

 protected:
  Demo& demo_;
};

}  // namespace glimmer
