// encoder_bench: the bytes the frame encoder writes for the whole show's frames (9,480 at 60 frames
// a second, made offline as a recording makes them), for each look and colour mode: mean, 90th
// percentile and largest frame, bytes a second at 60 frames a second, and the encoder's time per
// frame (this thread's CPU clock, for profiling only). Every frame is replayed through libvterm and
// checked, cell by cell as a person sees it, against the cells it was made from.
//
// Built against notcurses (scripts/build-notcurses.sh), it also hands the same frames to
// notcurses: the pixels look's pictures to its 2x1 (half-block) blitter, the textmode look's cells
// as they are, and measures and checks its bytes the same way. notcurses runs on a pseudo-terminal
// whose other side libvterm answers (its set-up asks questions), and renders each frame into memory
// (ncpile_render_to_buffer), with damage tracking as when it writes to the terminal.
//
//   encoder_bench [--only NAME] [--to MS]
// NAME: textmode, textmode-truecolor, wide, pixels, pixels-16; MS ends the show early.
#include <time.h>
#include <vterm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/cell_buffer.h"
#include "base/display_choices.h"
#include "console/cp437.h"
#include "console/frame_encoder.h"
#include "record/frame_sink.h"
#include "record/recording.h"
#include "support/seen_cells.h"

#ifdef GLIMMER_NOTCURSES
#include <notcurses/notcurses.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace glimmer {
namespace {

using testing::SeenCell;

double threadMilliseconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1.0e6;
}

// A libvterm screen that frames are fed to.
class Screen {
 public:
  Screen(int columns, int rows) : columns_(columns), rows_(rows), terminal_(vterm_new(rows, columns)) {
    vterm_set_utf8(terminal_, 1);
    screen_ = vterm_obtain_screen(terminal_);
    vterm_screen_reset(screen_, 1);
  }
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;
  ~Screen() { vterm_free(terminal_); }

  void feed(const char* bytes, std::size_t size) { vterm_input_write(terminal_, bytes, size); }
  VTerm* terminal() const { return terminal_; }
  SeenCell seen(int column, int row) const { return testing::seenOnScreen(screen_, column, row); }

  // The cells that do not show what they should.
  int wrongCells(CellView cells, ColorMode mode) const {
    int wrong = 0;
    for (int row = 0; row < cells.height && row < rows_; ++row) {
      for (int column = 0; column < cells.width && column < columns_; ++column) {
        if (!(seen(column, row) == testing::seenOfCell(cells.at(column, row), mode))) ++wrong;
      }
    }
    return wrong;
  }

 private:
  int columns_;
  int rows_;
  VTerm* terminal_;
  VTermScreen* screen_ = nullptr;
};

// Bytes per frame, and the frames that did not show what they should.
struct Figures {
  std::vector<std::size_t> sizes;
  double milliseconds = 0;
  long wrongFrames = 0;
  long firstWrongFrame = -1;

  void add(std::size_t size, double ms, int wrongCells, long frame) {
    sizes.push_back(size);
    milliseconds += ms;
    if (wrongCells > 0 && wrongFrames++ == 0) firstWrongFrame = frame;
  }
  double mean() const {
    double total = 0;
    for (std::size_t size : sizes) total += static_cast<double>(size);
    return sizes.empty() ? 0 : total / static_cast<double>(sizes.size());
  }
  std::size_t percentile(double share) const {
    if (sizes.empty()) return 0;
    std::vector<std::size_t> sorted = sizes;
    std::sort(sorted.begin(), sorted.end());
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(share * static_cast<double>(sorted.size())))];
  }
  void print(const char* who) const {
    std::printf("  %-18s mean %7.0f bytes a frame, p90 %6zu, largest %6zu; %6.0f KB/s at 60 fps; %6.1f us a frame", who,
                mean(), percentile(0.9), percentile(1.0), mean() * 60 / 1000, milliseconds * 1000 / sizes.size());
    if (wrongFrames == 0) {
      std::printf("; every frame right\n");
    } else {
      std::printf("; %ld frames WRONG, the first %ld\n", wrongFrames, firstWrongFrame);
    }
  }
};

#ifdef GLIMMER_NOTCURSES
// notcurses on a pseudo-terminal of the grid's size. A thread reads the other side into a libvterm
// screen, which also answers notcurses's questions, and counts the bytes of each frame: after each
// render a marker (an OSC that libvterm ignores) is written behind notcurses's bytes, and the frame
// is complete when the marker comes out. (notcurses 3.0.17's ncpile_render_to_buffer leaves out
// the damage computation, so it cannot stand in for rendering to the terminal.)
class Notcurses {
 public:
  Notcurses(int columns, int rows, bool trueColour) : columns_(columns), rows_(rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) return;
    screen_ = std::make_unique<Screen>(columns, rows);
    vterm_output_set_callback(
        screen_->terminal(),
        [](const char* bytes, std::size_t length, void* user) {
          if (write(*static_cast<int*>(user), bytes, length) < 0) return;
        },
        &master_);
    pump_ = std::thread([this] { pump(); });
    setenv("TERM", "xterm-256color", 1);
    if (trueColour) {
      setenv("COLORTERM", "truecolor", 1);
    } else {
      unsetenv("COLORTERM");
    }
    // notcurses writes UTF-8 only in a UTF-8 locale, and reads the answers to its questions from
    // standard input: the terminal's, here.
    std::setlocale(LC_ALL, "C.UTF-8");
    savedInput_ = dup(STDIN_FILENO);
    dup2(slave_, STDIN_FILENO);
    output_ = fdopen(slave_, "w");
    notcurses_options options{};
    options.flags = NCOPTION_SUPPRESS_BANNERS | NCOPTION_NO_QUIT_SIGHANDLERS | NCOPTION_NO_WINCH_SIGHANDLER |
                    NCOPTION_INHIBIT_SETLOCALE | NCOPTION_DRAIN_INPUT;
    options.loglevel = NCLOGLEVEL_SILENT;
    nc_ = notcurses_core_init(&options, output_);
    if (nc_ == nullptr) return;
    plane_ = notcurses_stdplane(nc_);
    unsigned planeRows = 0;
    unsigned planeColumns = 0;
    ncplane_dim_yx(plane_, &planeRows, &planeColumns);
    if (static_cast<int>(planeRows) != rows || static_cast<int>(planeColumns) != columns) {
      std::printf("notcurses sees %ux%u cells, not %dx%d\n", planeColumns, planeRows, columns, rows);
      notcurses_stop(nc_);
      nc_ = nullptr;
      return;
    }
    endFrame();  // what set-up wrote is not a frame
  }
  Notcurses(const Notcurses&) = delete;
  Notcurses& operator=(const Notcurses&) = delete;
  ~Notcurses() {
    if (nc_ != nullptr) notcurses_stop(nc_);
    if (savedInput_ >= 0) {
      dup2(savedInput_, STDIN_FILENO);
      close(savedInput_);
    }
    stop_ = true;
    if (pump_.joinable()) pump_.join();
    if (output_ != nullptr) std::fclose(output_);
    if (master_ >= 0) close(master_);
  }

  bool ready() const { return nc_ != nullptr; }

  // The picture (160x100, 0x00BBGGRR words) through the 2x1 blitter onto the whole plane; the
  // frame's bytes.
  std::size_t blit(const std::uint32_t* pixels) {
    for (int i = 0; i < 2 * rows_ * columns_; ++i) rgba_[i] = pixels[i] | 0xFF000000u;  // opaque
    ncvisual* visual = ncvisual_from_rgba(rgba_, 2 * rows_, columns_ * 4, columns_);
    ncvisual_options options{};
    options.n = plane_;
    options.scaling = NCSCALE_NONE;
    options.blitter = NCBLIT_2x1;
    options.flags = NCVISUAL_OPTION_NODEGRADE;
    ncvisual_blit(nc_, visual, &options);
    ncvisual_destroy(visual);
    notcurses_render(nc_);
    return endFrame();
  }

  // The cells as they are: each glyph in its two colours, solid cells as a blank on their colour;
  // the frame's bytes.
  std::size_t put(CellView cells, ColorMode mode) {
    for (int row = 0; row < rows_; ++row) {
      for (int column = 0; column < columns_; ++column) {
        const SeenCell seen = testing::seenOfCell(cells.at(column, row), mode);
        nccell cell = NCCELL_TRIVIAL_INITIALIZER;
        char glyph[8] = " ";
        if (seen.glyph != ' ') {
          const Utf8Glyph& utf8 =
              cp437ToUtf8(seen.glyph == testing::kUpperHalf ? kUpperHalfBlock : cells.at(column, row).glyph);
          std::memcpy(glyph, utf8.bytes, utf8.length);
          glyph[utf8.length] = '\0';
        }
        nccell_load(plane_, &cell, glyph);
        const std::uint32_t background = seen.glyph == ' ' ? seen.first : seen.second;
        if (mode == ColorMode::TrueColor) {
          nccell_set_fg_rgb(&cell, seen.first);
          nccell_set_bg_rgb(&cell, background);
        } else {
          nccell_set_fg_palindex(&cell, seen.first & 0xFFu);
          nccell_set_bg_palindex(&cell, background & 0xFFu);
        }
        ncplane_putc_yx(plane_, row, column, &cell);
        nccell_release(plane_, &cell);
      }
    }
    notcurses_render(nc_);
    return endFrame();
  }

  int wrongCells(CellView cells, ColorMode mode) {
    std::lock_guard<std::mutex> lock(mutex_);
    return screen_->wrongCells(cells, mode);
  }

 private:
  static constexpr char kMarker[] = "\x1b]5379;frame\x07";

  // Writes the marker and waits for it: the bytes since the last marker.
  std::size_t endFrame() {
    if (write(slave_, kMarker, sizeof kMarker - 1) < 0) return 0;
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait(lock, [this] { return markers_ > taken_; });
    ++taken_;
    return frameBytes_;
  }

  void pump() {
    char bytes[8192];
    std::size_t matched = 0;  // bytes of the marker seen so far
    std::size_t counted = 0;
    while (!stop_) {
      pollfd ready{master_, POLLIN, 0};
      if (poll(&ready, 1, 20) <= 0) continue;
      const ssize_t got = read(master_, bytes, sizeof bytes);
      if (got <= 0) break;
      std::lock_guard<std::mutex> lock(mutex_);
      vterm_input_write(screen_->terminal(), bytes, static_cast<std::size_t>(got));
      for (ssize_t i = 0; i < got; ++i) {
        ++counted;
        matched = bytes[i] == kMarker[matched] ? matched + 1 : (bytes[i] == kMarker[0] ? 1 : 0);
        if (matched == sizeof kMarker - 1) {
          frameBytes_ = counted - matched;
          counted = 0;
          matched = 0;
          ++markers_;
          arrived_.notify_one();
        }
      }
    }
  }

  int columns_;
  int rows_;
  int master_ = -1;
  int slave_ = -1;
  int savedInput_ = -1;
  std::unique_ptr<Screen> screen_;
  std::thread pump_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable arrived_;
  long markers_ = 0;
  long taken_ = 0;
  std::size_t frameBytes_ = 0;
  FILE* output_ = nullptr;
  notcurses* nc_ = nullptr;
  ncplane* plane_ = nullptr;
  std::uint32_t rgba_[kWideCellColumns * 2 * kCellRows];
};
#endif

struct Setup {
  const char* name;
  const char* title;
  Look look;
  GridChoice grid;
  ColorChoice colors;
};

// Takes every frame of a recording: our encoder's bytes (encoded again here, to time it, and
// checked to be the recording's), and notcurses's for the same frame.
class MeasuringSink final : public FrameSink {
 public:
  MeasuringSink(const Setup& setup, int columns)
      : setup_(setup),
        mode_(setup.colors == ColorChoice::TrueColor ? ColorMode::TrueColor : ColorMode::Ansi16),
        ours_(columns, kCellRows) {
    encoder_.setColorMode(mode_);
#ifdef GLIMMER_NOTCURSES
    // The 16-colour pixels look is the show's own choice of the nearest colours: nothing to
    // compare it with.
    if (!(setup.look == Look::Pixels && mode_ == ColorMode::Ansi16)) {
      notcurses_ = std::make_unique<Notcurses>(columns, kCellRows, mode_ == ColorMode::TrueColor);
      if (!notcurses_->ready()) notcurses_.reset();
    }
#endif
  }

  bool begin() override { return true; }

  bool frame(long index, CellView cells, const char* bytes, std::size_t size) override {
    const double start = threadMilliseconds();
    std::size_t again = 0;
    const char* encoded = encoder_.encode(cells, 0, 0, cells.width, cells.height, again);
    const double encodeMs = threadMilliseconds() - start;
    if (again != size || std::memcmp(encoded, bytes, size) != 0) ++differentFromRecording_;
    ours_.feed(bytes, size);
    ourFigures_.add(size, encodeMs, ours_.wrongCells(cells, mode_), index);
#ifdef GLIMMER_NOTCURSES
    if (notcurses_) {
      const double begun = threadMilliseconds();
      std::size_t theirs = 0;
      if (setup_.look == Look::Pixels) {
        for (int row = 0; row < cells.height; ++row) {
          for (int column = 0; column < cells.width; ++column) {
            picture_[2 * row * cells.width + column] = cells.at(column, row).foregroundRgb;
            picture_[(2 * row + 1) * cells.width + column] = cells.at(column, row).backgroundRgb;
          }
        }
        theirs = notcurses_->blit(picture_);
      } else {
        theirs = notcurses_->put(cells, mode_);
      }
      const double renderMs = threadMilliseconds() - begun;
      theirFigures_.add(theirs, renderMs, notcurses_->wrongCells(cells, mode_), index);
    }
#endif
    return true;
  }

  bool finish(bool) override { return true; }
  WrittenOutput written() const override { return {}; }

  void print() const {
    std::printf("%s: %zu frames\n", setup_.title, ourFigures_.sizes.size());
    ourFigures_.print("glimmerfolding");
    if (differentFromRecording_ > 0)
      std::printf("  (%ld frames encoded otherwise than the recording!)\n", differentFromRecording_);
    if (!theirFigures_.sizes.empty()) {
      theirFigures_.print("notcurses");
      std::printf(
          "  glimmerfolding / notcurses: %.2f of the mean, %.2f of the p90\n",
          ourFigures_.mean() / theirFigures_.mean(),
          static_cast<double>(ourFigures_.percentile(0.9)) / static_cast<double>(theirFigures_.percentile(0.9)));
    }
  }

 private:
  const Setup& setup_;
  ColorMode mode_;
  FrameEncoder encoder_;
  Screen ours_;
  Figures ourFigures_;
  long differentFromRecording_ = 0;
  Figures theirFigures_;
#ifdef GLIMMER_NOTCURSES
  std::unique_ptr<Notcurses> notcurses_;
  std::uint32_t picture_[kWideCellColumns * 2 * kCellRows];
#endif
};

constexpr Setup kSetups[] = {
    {"textmode", "textmode look, classic grid, 16 colours", Look::TextMode, GridChoice::Classic, ColorChoice::Ansi16},
    {"pixels", "pixels look, 24-bit colours", Look::Pixels, GridChoice::Auto, ColorChoice::TrueColor},
    {"pixels-16", "pixels look, 16 colours", Look::Pixels, GridChoice::Auto, ColorChoice::Ansi16},
    {"textmode-truecolor", "textmode look, classic grid, 24-bit colours", Look::TextMode, GridChoice::Classic,
     ColorChoice::TrueColor},
    {"wide", "textmode look, wide grid, 16 colours", Look::TextMode, GridChoice::Wide, ColorChoice::Ansi16},
};

int run(int argc, char** argv) {
  std::string_view only;
  int toMs = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::string_view(argv[i]) == "--only") only = argv[i + 1];
    if (std::string_view(argv[i]) == "--to") toMs = std::atoi(argv[i + 1]);
  }
#ifndef GLIMMER_NOTCURSES
  std::printf("(built without notcurses: scripts/build-notcurses.sh adds it)\n");
#endif
  for (const Setup& setup : kSetups) {
    if (!only.empty() && only != setup.name) continue;
    RecordingOptions options;
    options.output = "bench.cast";
    options.toMs = toMs;
    options.display = {setup.grid, setup.colors, setup.look};
    const int columns = setup.look == Look::Pixels || setup.grid == GridChoice::Wide ? kWideCellColumns : kCellColumns;
    auto sink = std::make_unique<MeasuringSink>(setup, columns);
    if (runRecording(options, *sink) != 0) return 1;
    sink->print();
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace
}  // namespace glimmer

int main(int argc, char** argv) { return glimmer::run(argc, argv); }
