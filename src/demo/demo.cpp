// Demo start-up and teardown.
#include "demo/demo.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/cell_buffer.h"
#include "base/data_folder.h"
#include "base/frame_buffer.h"
#include "base/report.h"
#include "console/console.h"
#include "demo/show_scenes.h"
#include "gles/gles_helper.h"
#include "image/image_store.h"
#include "mesh/mesh_manager.h"
#include "music/music_stream.h"
#include "tfx/block_color.h"
#include "tfx/half_block.h"

namespace glimmer {
namespace {

constexpr const char* kMeshNames[] = {"cube.obj", "isphere.obj", "cone.obj", "torus3.obj", "spike.obj", "spike2.obj"};
constexpr const char* kImageNames[] = {"start1.png",     "start2.png",      "start3.png", "greets.png",
                                       "greets_txt.png", "greets_txt2.png", "bg.png"};

}  // namespace

Demo::Demo() = default;

Demo::~Demo() = default;  // the fields go in reverse order

bool Demo::init() {
  gles = std::make_unique<GLESHelper>();
  converter = std::make_unique<TFX_BlockColor>();
  halfBlocks = std::make_unique<TFX_HalfBlock>();
  console = std::make_unique<ConsoleFrame>(options.terminal);
  secondFrame = std::make_unique<std::uint32_t[]>(kFramePixels);
  cells = std::make_unique<CellBuffer>();
  meshes = std::make_unique<MeshManager>();
  images = std::make_unique<ImageStore>();
  music = std::make_unique<MusicStream>();

  converter->init();
  halfBlocks->init();

  // The buffers come zero-filled from make_unique; the console record starts as constructed.
  if (!setupConsole(*console, options.display)) return false;

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

  scenes = std::make_unique<ShowScenes>(*meshes, *images, *music);
  return true;
}

namespace {

// Whether the moment the live show is to start at lies within the show; says which moments do if
// not. Waits for the music's length (only when a moment was given).
bool startsWithinTheShow(Demo& demo) {
  if (demo.options.fromMs <= 0) return true;
  const auto showEndMs = static_cast<long long>(demo.music->lengthSeconds() * 1000.0);
  if (demo.options.fromMs < showEndMs) return true;
  char message[160];
  std::snprintf(message, sizeof message,
                "--from %d is at or past the show's end: give 0 to %lld (the show lasts %lld ms)",
                static_cast<int>(demo.options.fromMs), showEndMs - 1, showEndMs);
  printLine(message);
  printUsageHint();
  return false;
}

}  // namespace

int runProgram(Demo& demo) {
  int status = 0;
  if (!demo.init()) {
    status = 1;
  } else if (!startsWithinTheShow(demo)) {
    status = 2;
  } else if (!showIntro(*demo.console, demo.music->notice(), [&demo] { return demo.music->damage(false, true); })) {
    status = 0;
  } else if (!demo.run()) {
    status = 2;
  } else if (demo.console->outputLost()) {
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
