// Recording the show offline; see recording.h.
#include "record/recording.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "base/report.h"
#include "console/present.h"
#include "console/terminal.h"
#include "demo/demo.h"
#include "demo/demo_stage.h"
#include "music/music_stream.h"
#include "record/frame_sink.h"
#include "record/stop_request.h"

namespace glimmer {
namespace {

// A display of exactly the grid's size that takes everything and shows nothing: the recording
// takes each frame's bytes from the encoder itself.
class RecordingTerminal final : public Terminal {
 public:
  explicit RecordingTerminal(Grid grid) : columns_(columnsOf(grid)) {}
  bool open() override { return true; }
  void size(int& columns, int& rows) override {
    columns = columns_;
    rows = kCellRows;
  }
  void requestSize(int, int) override {}
  bool beginScreen() override { return true; }
  bool setTitle(const char*) override { return true; }
  bool hideCursor() override { return true; }
  // A recording keeps the synchronized-output pair: players ignore it or honour it.
  void ask(const DisplayQuestions&) override {}
  const DisplayAnswers& answers() override {
    static const DisplayAnswers kAnswers = [] {
      DisplayAnswers answers;
      answers.synchronizedOutput = true;
      answers.complete = true;
      return answers;
    }();
    return kAnswers;
  }
  void awaitAnswers(int) override {}
  bool setPalette(const std::int32_t (*)[3], const DisplayAnswers&) override { return true; }
  bool write(const char*, std::size_t) override { return true; }
  bool keyPressed(Key) override { return false; }
  void sleepMs(int) override {}
  void waitForInput(int) override {}
  bool takeResize() override { return false; }
  void restore() override {}

 private:
  int columns_;
};

// The show's stage with the recording clock and the sink in place of the display. The clock
// stands at pass 0's time (0) when the music starts and moves to the next pass's time once a pass
// has been presented; reading it changes nothing.
class RecordingStage final : public DemoStage {
 public:
  RecordingStage(Demo& demo, FrameSink& sink, const RecordingOptions& options)
      : DemoStage(demo), sink_(sink), options_(options) {}

  bool startMusic() override {
    if (!DemoStage::startMusic()) return false;
    const double lengthMs = demo_.music->lengthSeconds() * 1000.0;
    endMs_ = static_cast<std::int64_t>(lengthMs);
    if (options_.toMs >= 0 && options_.toMs < endMs_) endMs_ = options_.toMs;
    totalFrames_ = endMs_ > options_.fromMs ? ((endMs_ - options_.fromMs) * options_.framesPerSecond + 999) / 1000 : 0;
    started_ = std::chrono::steady_clock::now();
    setClock(0);
    return true;
  }

  std::int32_t clockMs() override { return now_; }

  bool musicEnded() override { return now_ >= endMs_ || !demo_.music->isActive(); }
  bool quitRequested() override { return false; }
  // A failed frame or a stop request ends the recording at the end of the pass.
  bool outputLost() override { return failed_; }

  void present() override {
    const long pass = presents_++;
    setClock(passTime(presents_));
    const long frame = options_.fromMs == 0 ? pass : pass - 1;  // with --from, pass 0 (t = 0) only warms up
    if (StopWatch::requestedStatus() != 0) failed_ = true;      // between two frames, never within one
    if (frame < 0 || failed_) return;
    ConsoleFrame& console = *demo_.console;
    if (frame == 0) drawWholeNextFrame(console);  // a recording starts on an empty screen
    // Every frame's bytes, also those of a frame that changes nothing (the live show writes
    // nothing then), so the recording keeps one event per frame.
    std::size_t size = 0;
    const char* bytes = encodeFrame(console, cells(), size);
    if (!sink_.frame(frame, cells(), bytes, size)) {
      failed_ = true;
      return;
    }
    written_ = frame + 1;
    showProgress(false);
  }

  bool failed() const { return failed_; }
  long framesWritten() const { return written_; }

  // The progress line on a terminal: at most four times a second, and once more at the end.
  void showProgress(bool last) {
    if (!progress_) return;
    auto now = std::chrono::steady_clock::now();
    if (!last && now - shown_ < std::chrono::milliseconds(250)) return;
    shown_ = now;
    double seconds = std::chrono::duration<double>(now - started_).count();
    double rate = seconds > 0 ? written_ / seconds : 0.0;
    long left = totalFrames_ > written_ ? totalFrames_ - written_ : 0;
    char line[160];
    std::snprintf(line, sizeof line, "recording: frame %ld of %lld (%3lld%%), %.0f frames/s, %.0f s left   ", written_,
                  static_cast<long long>(totalFrames_),
                  totalFrames_ > 0 ? static_cast<long long>(100 * written_ / totalFrames_) : 100LL, rate,
                  rate > 0 ? left / rate : 0.0);
    showProgressLine(line);
    if (last) endProgressLine();
  }

 private:
  // Pass p's time: pass 0 at 0, then frame f at from + floor(f * 1000 / fps).
  std::int32_t passTime(long pass) const {
    if (pass == 0) return 0;
    const long frame = options_.fromMs == 0 ? pass : pass - 1;
    return static_cast<std::int32_t>(options_.fromMs +
                                     static_cast<std::int64_t>(frame) * 1000 / options_.framesPerSecond);
  }

  void setClock(std::int32_t time) {
    now_ = time;
    demo_.music->setOfflinePosition(time / 1000.0);
  }

  FrameSink& sink_;
  const RecordingOptions& options_;
  long presents_ = 0;
  long written_ = 0;
  std::int32_t now_ = 0;
  std::int64_t endMs_ = 0;
  std::int64_t totalFrames_ = 0;
  bool failed_ = false;
  bool progress_ = isatty(STDERR_FILENO) != 0;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point shown_;
};

// Recordings are classic unless the wide grid or the pixels look is asked for: there is no display
// to fit.
Grid gridOf(const RecordingOptions& options) {
  return options.display.grid == GridChoice::Wide || options.display.look == Look::Pixels ? Grid::Wide : Grid::Classic;
}

// "1.2 MB": bytes in the units people read sizes in (1 KB = 1000 bytes).
std::string sizeText(std::uintmax_t bytes) {
  char text[32];
  if (bytes < 1000) {
    std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
  } else if (bytes < 1000000) {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  }
  return text;
}

// The one line that says what a recording wrote.
void reportWritten(const WrittenOutput& written, long frames, const RecordingOptions& options) {
  char from[48] = "";
  if (options.fromMs > 0) std::snprintf(from, sizeof from, " from %.1f s", options.fromMs / 1000.0);
  char line[96];
  std::snprintf(line, sizeof line, ": %ld frame%s, %.1f s of the show%s, ", frames, frames == 1 ? "" : "s",
                static_cast<double>(frames) / options.framesPerSecond, from);
  printLine(("wrote " + written.name + line + sizeText(written.bytes)).c_str());
}

// Whether --from and --to lie within the show, which lasts showEndMs; says which does not if not.
bool withinTheShow(const RecordingOptions& options, std::int64_t showEndMs) {
  char message[160];
  if (options.fromMs >= showEndMs) {
    std::snprintf(message, sizeof message,
                  "--from %d is at or past the show's end: give 0 to %lld (the show lasts %lld ms)", options.fromMs,
                  static_cast<long long>(showEndMs - 1), static_cast<long long>(showEndMs));
  } else if (options.toMs > showEndMs) {
    std::snprintf(message, sizeof message, "--to %d is past the show's end: give %d to %lld (the show lasts %lld ms)",
                  options.toMs, options.fromMs + 1, static_cast<long long>(showEndMs),
                  static_cast<long long>(showEndMs));
  } else {
    return true;
  }
  printLine(message);
  printUsageHint();
  return false;
}

}  // namespace

int runRecording(const RecordingOptions& options) {
  RecordingFormat format;
  format.output = options.output;
  format.framesPerSecond = options.framesPerSecond;
  format.fromMs = options.fromMs;
  format.grid = gridOf(options);
  format.scale = options.scale;
  std::unique_ptr<FrameSink> sink = makeFrameSink(format);
  if (!sink) {
    printLine(("--record " + options.output + ": unknown kind of output; name it " + kOutputKinds).c_str());
    printUsageHint();
    return 2;
  }
  // A web page shows the 16 colours through its cast's theme, the show's palette, whatever the
  // recording machine's terminal: 24-bit colours only when asked for (they make the page larger).
  RecordingOptions chosen = options;
  if (options.display.colors == ColorChoice::Auto && outputKindOf(options.output) == OutputKind::WebPage) {
    chosen.display.colors = ColorChoice::Ansi16;
  }
  // Pictures (PNG frames, a video) have no terminal whose colours count: the pixels look keeps its
  // 24-bit colours there unless 16 are asked for. (The textmode look draws the same either way.)
  const OutputKind kind = outputKindOf(options.output);
  if (options.display.colors == ColorChoice::Auto && (kind == OutputKind::PngFolder || kind == OutputKind::Video)) {
    chosen.display.colors = ColorChoice::TrueColor;
  }
  return runRecording(chosen, *sink);
}

int runRecording(const RecordingOptions& options, FrameSink& sink) {
  RecordingTerminal terminal(gridOf(options));
  Demo demo;
  demo.options.terminal = &terminal;
  demo.options.display = {gridOf(options) == Grid::Wide ? GridChoice::Wide : GridChoice::Classic,
                          options.display.colors, options.display.look};
  demo.options.musicOutput = MusicOutput::Offline;
  if (!demo.init()) return 1;
  // Nothing is written for music that does not hold the whole show, or for moments outside it.
  if (const char* damage = demo.music->damage(true)) {
    printLine(damage);
    return 1;
  }
  if (!withinTheShow(options, static_cast<std::int64_t>(demo.music->lengthSeconds() * 1000.0))) return 2;

  // From here a stop request (Ctrl-C, SIGTERM, SIGHUP) ends the recording between two frames and
  // takes what was written with it.
  StopWatch stopWatch;
  if (!sink.begin()) return StopWatch::requestedStatus() != 0 ? StopWatch::requestedStatus() : 1;
  RecordingStage stage(demo, sink, options);
  Timeline timeline;
  int status = 0;
  if (!demo.music || !timeline.run(stage, demo.secondFrame.get())) {
    status = 2;
  } else if (stage.failed()) {
    status = 1;
  }
  stage.showProgress(true);
  if (const int stopped = StopWatch::requestedStatus(); stopped != 0) {
    sink.finish(false);
    printLine(("stopped before the end: " + options.output + " was not written").c_str());
    return stopped;
  }
  if (!sink.finish(status == 0)) return status == 0 ? 1 : status;
  reportWritten(sink.written(), stage.framesWritten(), options);
  return 0;
}

}  // namespace glimmer
