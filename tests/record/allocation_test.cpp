// The show's per-frame path, run for real (scenes, GL, converter, encoder, music clock and
// spectrum) through a recording, makes no allocation of its own once it is running. Counted are
// the program's C++ allocations (every form of operator new); the live audio outputs' threads and
// C-level malloc calls are outside what this sees.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <execinfo.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "record/frame_sink.h"
#include "record/recording.h"
#include "support/temporary_folder.h"

namespace {
std::atomic<long> allocationCount{0};
std::atomic<long> driverAllocationCount{0};

// The graphics driver (Mesa's llvmpipe and the LLVM it compiles shaders with) allocates as it
// pleases inside GL calls; those allocations are its own, not the show's.
bool calledFromTheDriver() {
  void* frames[8];
  int depth = backtrace(frames, 8);
  for (int i = 1; i < depth; ++i) {
    Dl_info info;
    if (dladdr(frames[i], &info) == 0 || info.dli_fname == nullptr) continue;
    const char* name = info.dli_fname;
    if (std::strstr(name, "/dri/") != nullptr || std::strstr(name, "libLLVM") != nullptr ||
        std::strstr(name, "libgallium") != nullptr || std::strstr(name, "libglapi") != nullptr ||
        std::strstr(name, "mesa") != nullptr) {
      return true;
    }
  }
  return false;
}
}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (calledFromTheDriver()) {
    ++driverAllocationCount;
  } else {
    ++allocationCount;
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
// The no-throw form too, so that what it hands out is freed by the delete above (and counted).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop

namespace glimmer {
namespace {

// Notes the allocation count at two frames and passes the frames on to a real sink.
class CountingSink final : public FrameSink {
 public:
  explicit CountingSink(std::unique_ptr<FrameSink> inner) : inner_(std::move(inner)) {}
  bool begin() override { return inner_->begin(); }
  bool frame(long index, CellView cells, const char* bytes, std::size_t size) override {
    if (!inner_->frame(index, cells, bytes, size)) return false;
    if (index == 2) atSecond = allocationCount.load();
    atLast = allocationCount.load();
    frames = index + 1;
    return true;
  }
  bool finish(bool complete) override { return inner_->finish(complete); }
  WrittenOutput written() const override { return inner_->written(); }

  long atSecond = 0;
  long atLast = 0;
  long frames = 0;

 private:
  std::unique_ptr<FrameSink> inner_;
};

// The whole show at a low frame rate, every window, fade and slide passed through, into the
// asciicast; and a few seconds into every other sink: the web page's compressed recording, the PNG
// pictures and the video's planes, at scales too.
TEST(PerFrame, TheRunningShowAndEverySinkAllocateNothing) {
  void* warmUp[2];
  backtrace(warmUp, 2);  // loads what backtrace needs before anything is counted
  testing::TemporaryFolder scratch;
  scratch.write("player/dist/bundle/asciinema-player.min.js", "var AsciinemaPlayer = {};\n");
  scratch.write("player/dist/bundle/asciinema-player.css", ".ap-player {}\n");
  scratch.write("player/LICENSE", "the player's licence\n");
  const RecordingFormat formats[] = {
      {.output = scratch.file("show.cast"), .framesPerSecond = 4},
      {.output = scratch.file("show.html"),
       .framesPerSecond = 20,
       .fromMs = 84000,
       .webPlayerFolder = scratch.file("player")},
      {.output = scratch.file("frames/"), .framesPerSecond = 20, .fromMs = 84000},
      {.output = scratch.file("scaled/"), .framesPerSecond = 20, .fromMs = 84000, .scale = 3},
      {.output = scratch.file("full.mkv"), .framesPerSecond = 20, .fromMs = 84000, .scale = 2},
      {.output = scratch.file("half.mkv"), .framesPerSecond = 20, .fromMs = 84000, .scale = 4},
  };
  for (const RecordingFormat& format : formats) {
    SCOPED_TRACE(format.output);
    const bool wholeShow = format.fromMs == 0;
    const RecordingOptions options{.output = format.output,
                                   .framesPerSecond = format.framesPerSecond,
                                   .fromMs = format.fromMs,
                                   .toMs = wholeShow ? -1 : 86000};
    CountingSink sink(makeFrameSink(format));
    ASSERT_EQ(runRecording(options, sink), 0);
    ASSERT_EQ(sink.frames, wholeShow ? 632 : 40);
    EXPECT_EQ(sink.atLast - sink.atSecond, 0);
  }
}

}  // namespace
}  // namespace glimmer
