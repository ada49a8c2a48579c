// Demo: the record that owns every long-lived object of the show.
//
// Fields are declared in the order Demo::init fills them; the destructor releases them in the
// reverse order, so every object goes before the objects it borrows from and the GL context is
// still current when meshes and scenes delete their GPU buffers.
#pragma once

#include <cstdint>
#include <memory>

#include "console/console.h"
#include "music/music_stream.h"

namespace glimmer {

class GLESHelper;
class TFX_TCConverter;
class MeshManager;
class ImageStore;
class Camera;
class Scene1;
class Scene2;
class Scene3;
class SceneGreets;

// How the show is run; the defaults are the show itself, on the real terminal.
struct DemoOptions {
  Terminal* terminal = nullptr;  // borrowed; null: the real terminal on standard output
  bool forceColorMode = false;   // use colorMode instead of what the environment says
  ColorMode colorMode = ColorMode::Ansi16;
  bool terminalPalette = false;  // 16 colours in the display's own palette, left as it is
  GridChoice grid = GridChoice::Auto;  // the live show fits the grid to the display
  MusicOutput musicOutput = MusicOutput::Automatic;
  int framesPerSecond = 60;      // the live show's most frames per second of music
};

struct Demo {
  Demo();
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;
  ~Demo();

  // Creates everything the show needs, in start-up order. False (with its message printed)
  // when the console, the render target, an asset or the music cannot be had.
  bool init();

  // The show. False only when the music does not start ("Unable to play music").
  bool run();

  DemoOptions options;

  std::unique_ptr<GLESHelper> gles;
  std::unique_ptr<TFX_TCConverter> converter;
  std::unique_ptr<MeshManager> meshes;
  std::unique_ptr<ImageStore> images;
  std::unique_ptr<MusicStream> music;
  std::unique_ptr<Camera> camera;
  std::unique_ptr<Scene1> scene1;
  std::unique_ptr<Scene2> scene2;
  std::unique_ptr<Scene3> scene3;
  std::unique_ptr<SceneGreets> sceneGreets;
  std::unique_ptr<ConsoleFrame> console;
  std::unique_ptr<std::uint32_t[]> secondFrame;  // a FrameBuffer: 16000 words
  std::unique_ptr<std::uint8_t[]> cells;         // the CellBuffer, room for either grid: 16000 bytes
};

// The program: init, intro, run, teardown. Returns the exit status (0, 1 or 2); 1 also when the
// music file is damaged, which the intro says as soon as it is known.
int runProgram(Demo& demo);

}  // namespace glimmer
