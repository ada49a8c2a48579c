// Demo: the record that owns every long-lived object of the show.
//
// Fields are declared in the order Demo::init fills them and released in the reverse order, so
// every object goes before the objects it borrows from and the GL context is still current when
// meshes and scenes delete their GPU buffers.
#pragma once

#include <cstdint>
#include <memory>

#include "console/console.h"
#include "music/music_stream.h"

namespace glimmer {

class GLESHelper;
class TFX_TCConverter;
class TFX_HalfBlock;
class MeshManager;
class ImageStore;
class ShowScenes;

// How the show is run; the defaults are the show itself, on the real terminal.
struct DemoOptions {
  Terminal* terminal = nullptr;  // borrowed; null: the real terminal on standard output
  DisplayRequest display{};      // the grid, colours and look asked for; set-up settles them
  MusicOutput musicOutput = MusicOutput::Automatic;
  int framesPerSecond = 60;  // the live show's most frames per second of music
  std::int32_t fromMs = 0;   // the moment the live show starts at (checked against the music's length)
  bool loop = false;         // the live show starts again at its end, until the viewer quits
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
  std::unique_ptr<TFX_HalfBlock> halfBlocks;  // the pixels look's conversion
  std::unique_ptr<MeshManager> meshes;
  std::unique_ptr<ImageStore> images;
  std::unique_ptr<MusicStream> music;
  std::unique_ptr<ShowScenes> scenes;  // the shared camera and the four scenes
  std::unique_ptr<ConsoleFrame> console;
  std::unique_ptr<std::uint32_t[]> secondFrame;  // a FrameBuffer: 16000 words
  std::unique_ptr<CellBuffer> cells;             // room for either grid
};

// The program: init, intro, run, teardown. Returns the exit status (0, 1 or 2); 1 also when the
// music file is damaged, which the intro says as soon as it is known.
int runProgram(Demo& demo);

}  // namespace glimmer
