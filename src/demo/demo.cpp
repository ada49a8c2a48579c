// Demo start-up and teardown.
#include "demo/demo.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/cell_buffer.h"
#include "base/frame_buffer.h"
#include "base/data_folder.h"
#include "base/random.h"
#include "base/report.h"
#include "console/console.h"
#include "gles/gles_helper.h"
#include "image/image_store.h"
#include "mesh/mesh_manager.h"
#include "music/music_stream.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene_greets.h"
#include "tfx/block_color.h"
#include "view/camera.h"

namespace glimmer {
namespace {

constexpr const char* kMeshNames[] = {"cube.obj",   "isphere.obj", "cone.obj",
                                      "torus3.obj", "spike.obj",   "spike2.obj"};
constexpr const char* kImageNames[] = {"start1.png",     "start2.png",      "start3.png", "greets.png",
                                       "greets_txt.png", "greets_txt2.png", "bg.png"};

}  // namespace

Demo::Demo() = default;

Demo::~Demo() {
  // Reverse of the field order; each object goes before the objects it borrows from.
  cells.reset();
  secondFrame.reset();
  console.reset();
  sceneGreets.reset();
  scene3.reset();
  scene2.reset();
  scene1.reset();
  camera.reset();
  music.reset();
  images.reset();
  meshes.reset();
  converter.reset();
  gles.reset();
}

bool Demo::init() {
  gles = std::make_unique<GLESHelper>();
  converter = std::make_unique<TFX_BlockColor>();
  console = std::make_unique<ConsoleFrame>();
  secondFrame = std::make_unique<std::uint32_t[]>(kFramePixels);
  cells = std::make_unique<std::uint8_t[]>(kMaxCellBufferBytes);
  meshes.reset(MeshManager::instance());
  images.reset(ImageStore::instance());
  music.reset(MusicStream::instance());
  camera = std::make_unique<Camera>(-3.0f);

  converter->init();

  // The buffers come zero-filled from make_unique; the console record starts as constructed.
  if (options.terminal != nullptr) {
    console->output = options.terminal;
  }
  console->colorMode = options.forceColorMode ? options.colorMode : detectColorMode();
  console->showPalette = !options.terminalPalette;
  console->gridChoice = options.grid;
  if (!setupConsole(*console)) return false;

  if (!gles->create()) return false;
  gles->setupProjection();

  // A missing mesh or image stops start-up here, naming the file, so no scene ever draws from an
  // asset that is not there.
  for (const char* name : kMeshNames) {
    if (!meshes->load(name)) return false;
  }
  char message[128];
  for (const char* name : kImageNames) {
    if (images->get(name) == nullptr) {
      std::snprintf(message, sizeof message, "unable to load data/%s", name);
      printLine(message);
      return false;
    }
  }

  music->setOutput(options.musicOutput);
  if (!music->open()) {
    // The show's message for its music, which here is opened from the file alone (any output will
    // do, down to silence); the second line names the file.
    printLine("Unable to init/load music.ogg");
    const std::string reason = dataFilePath("data/music.ogg") + " is missing, unreadable or not Ogg Vorbis.";
    printLine(reason.c_str());
    return false;
  }

  srand(666);

  scene1 = std::make_unique<Scene1>();
  scene2 = std::make_unique<Scene2>();
  scene3 = std::make_unique<Scene3>();
  sceneGreets = std::make_unique<SceneGreets>();
  return true;
}

int runProgram(Demo& demo) {
  int status = 0;
  if (!demo.init()) {
    status = 1;
  } else if (!showIntro(*demo.console, demo.music->notice(), [&demo] { return demo.music->damage(false, true); })) {
    status = 0;
  } else if (!demo.run()) {
    status = 2;
  } else if (demo.console->outputLost) {
    printLine("The terminal stopped taking output; the show ended early.");
    status = 1;
  }
  // Damaged music never passes for a whole show, however the show ended.
  if (demo.music && demo.music->isOpen()) {
    if (const char* damage = demo.music->damage(false)) {
      printLine(damage);
      status = 1;
    }
  }
  return status;
}

}  // namespace glimmer
