// Recording the show offline; see recording.h.
#include "record/recording.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "console/present.h"
#include "console/terminal.h"
#include "demo/demo.h"
#include "demo/demo_stage.h"
#include "music/audio.h"
#include "music/music_stream.h"
#include "record/frame_sink.h"

namespace glimmer {
namespace {

// A display of exactly 80x50 cells that keeps the last frame written, for the sink to take.
class RecordingTerminal final : public Terminal {
 public:
  bool open() override { return true; }
  void size(int& columns, int& rows) override {
    columns = 80;
    rows = 50;
  }
  void requestSize(int, int) override {}
  bool beginScreen() override { return true; }
  bool setTitle(const char*) override { return true; }
  bool hideCursor() override { return true; }
  bool write(const char* bytes, std::size_t size) override {
    lastBytes = bytes;
    lastSize = size;
    return true;
  }
  bool keyPressed(Key) override { return false; }
  void sleepMs(int) override {}
  bool takeResize() override { return false; }
  void restore() override {}

  const char* lastBytes = nullptr;
  std::size_t lastSize = 0;
};

// The show's stage with the recording clock and the sink in place of the display.
class RecordingStage final : public DemoStage {
 public:
  RecordingStage(Demo& demo, RecordingTerminal& terminal, FrameSink& sink, const CommandLine& command)
      : DemoStage(demo), terminal_(terminal), sink_(sink), command_(command) {}

  bool startMusic() override {
    if (!DemoStage::startMusic()) return false;
    double lengthMs = audioChannelGetLengthSeconds(demo_.music->stream) * 1000.0;
    endMs_ = static_cast<std::int64_t>(lengthMs);
    if (command_.toMs >= 0 && command_.toMs < endMs_) endMs_ = command_.toMs;
    totalFrames_ = endMs_ > command_.fromMs ? ((endMs_ - command_.fromMs) * command_.framesPerSecond + 999) / 1000 : 0;
    started_ = std::chrono::steady_clock::now();
    return true;
  }

  // The first reading is the origin; each later one is the time of the next pass.
  std::int32_t clockMs() override {
    std::int32_t time = 0;
    if (readings_ > 0) time = passTime(readings_);
    ++readings_;
    audioSetOfflinePosition(time / 1000.0);
    nextTime_ = time;
    return time;
  }

  bool musicEnded() override { return nextTime_ >= endMs_ || !demo_.music->isActive(); }
  bool escapeHeld() override { return false; }
  bool outputLost() override { return failed_; }

  void present() override {
    const long pass = presents_++;
    const long frame = command_.fromMs == 0 ? pass : pass - 1;  // with --from, pass 0 (t = 0) only warms up
    if (frame < 0 || failed_) return;
    if (frame == 0) demo_.console->encoder.invalidate();  // a recording starts on an empty screen
    DemoStage::present();
    if (!sink_.frame(frame, demo_.cells.get(), terminal_.lastBytes, terminal_.lastSize)) {
      failed_ = true;
      return;
    }
    written_ = frame + 1;
    showProgress(false);
  }

  bool failed() const { return failed_; }
  long framesWritten() const { return written_; }
  void showProgress(bool last) {
    if (!progress_) return;
    auto now = std::chrono::steady_clock::now();
    if (!last && now - shown_ < std::chrono::milliseconds(250)) return;
    shown_ = now;
    double seconds = std::chrono::duration<double>(now - started_).count();
    double rate = seconds > 0 ? written_ / seconds : 0.0;
    long left = totalFrames_ > written_ ? totalFrames_ - written_ : 0;
    std::fprintf(stderr, "\rrecording: frame %ld of %lld (%3lld%%), %.0f frames/s, %.0f s left   ", written_,
                 static_cast<long long>(totalFrames_),
                 totalFrames_ > 0 ? static_cast<long long>(100 * written_ / totalFrames_) : 100LL, rate,
                 rate > 0 ? left / rate : 0.0);
    if (last) std::fputc('\n', stderr);
    std::fflush(stderr);
  }

 private:
  // Pass p's time: frame f at from + floor(f * 1000 / fps).
  std::int32_t passTime(long pass) const {
    const long frame = command_.fromMs == 0 ? pass : pass - 1;
    return static_cast<std::int32_t>(command_.fromMs + frame * 1000L / command_.framesPerSecond);
  }

  RecordingTerminal& terminal_;
  FrameSink& sink_;
  const CommandLine& command_;
  long readings_ = 0;
  long presents_ = 0;
  long written_ = 0;
  std::int32_t nextTime_ = 0;
  std::int64_t endMs_ = 0;
  std::int64_t totalFrames_ = 0;
  bool failed_ = false;
  bool progress_ = isatty(STDERR_FILENO) != 0;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point shown_;
};

}  // namespace

int runRecording(const CommandLine& command) {
  RecordingFormat format;
  format.output = command.output;
  format.framesPerSecond = command.framesPerSecond;
  format.fromMs = command.fromMs;
  std::unique_ptr<FrameSink> sink = makeFrameSink(format);
  return runRecording(command, *sink);
}

int runRecording(const CommandLine& command, FrameSink& sink) {
  setAudioMode(AudioMode::Offline);
  if (!sink.begin()) return 1;

  RecordingTerminal terminal;
  int status = 0;
  {
    Demo demo;
    demo.options.terminal = &terminal;
    demo.options.forceColorMode = command.forceColorMode;
    demo.options.colorMode = command.colorMode;
    if (!demo.init()) {
      sink.finish(false);
      return 1;
    }
    RecordingStage stage(demo, terminal, sink, command);
    if (!demo.music || !runTimeline(stage, demo.secondFrame.get())) {
      status = 2;
    } else if (stage.failed()) {
      status = 1;
    }
    stage.showProgress(true);
    if (!sink.finish(status == 0) && status == 0) status = 1;
  }
  return status;
}

}  // namespace glimmer
