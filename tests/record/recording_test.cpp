// Short recordings of the real show, offline, checked as a viewer would see them: each cast event
// replayed through a real terminal emulator shows exactly the cells the converter produced, and the
// cast itself is read back by a real JSON parser.
#include "record/recording.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "image/png_loader.h"
#include "record/cast_writer.h"
#include "record/cell_picture.h"
#include "record/frame_sink.h"
#include "support/emulated_screen.h"
#include "support/temporary_folder.h"
#include "tfx/block_color.h"

namespace glimmer {
namespace {

using testing::readFile;
namespace fs = std::filesystem;

// A frame's cells, laid out as the recording's grid lays them.
struct Cells {
  CellBuffer buffer{};
  int width = 0;

  CellView view() const { return {buffer.data(), width, kCellRows, width}; }
  const Cell& at(int column, int row) const { return view().at(column, row); }
};

// Passes every frame on to a real sink and keeps the cells and bytes.
class KeepingSink final : public FrameSink {
 public:
  explicit KeepingSink(std::unique_ptr<FrameSink> inner) : inner_(std::move(inner)) {}
  bool begin() override { return inner_->begin(); }
  bool frame(long index, CellView cells, const char* bytes, std::size_t size) override {
    Cells& kept = frames.emplace_back();
    kept.width = cells.width;
    for (int row = 0; row < cells.height; ++row) {
      for (int column = 0; column < cells.width; ++column)
        kept.buffer[row * cells.width + column] = cells.at(column, row);
    }
    encoded.emplace_back(bytes, size);
    return inner_->frame(index, cells, bytes, size);
  }
  bool finish(bool complete) override { return inner_->finish(complete); }
  WrittenOutput written() const override { return inner_->written(); }

  std::vector<Cells> frames;
  std::vector<std::string> encoded;  // each frame's bytes as the encoder made them

 private:
  std::unique_ptr<FrameSink> inner_;
};

RecordingOptions recordCommand(const std::string& output, int fps, int from, int to) {
  return {.output = output,
          .framesPerSecond = fps,
          .fromMs = from,
          .toMs = to,
          .display = {GridChoice::Classic, ColorChoice::TrueColor}};
}

struct Recording {
  std::unique_ptr<testing::TemporaryFolder> folder;
  int status = 0;
  std::unique_ptr<KeepingSink> sink;
  std::string path;
};

Recording record(int fps, int from, int to, Grid grid = Grid::Classic, Look look = Look::TextMode,
                 ColorChoice colors = ColorChoice::TrueColor) {
  Recording result;
  result.folder = std::make_unique<testing::TemporaryFolder>();
  result.path = result.folder->file("show.cast");
  RecordingOptions command = recordCommand(result.path, fps, from, to);
  command.display.grid = grid == Grid::Wide ? GridChoice::Wide : GridChoice::Classic;
  command.display.colors = colors;
  command.display.look = look;
  result.sink = std::make_unique<KeepingSink>(
      makeCastSink({.output = result.path, .framesPerSecond = fps, .fromMs = from, .grid = grid}));
  result.status = runRecording(command, *result.sink);
  return result;
}

// Whether every cell shows black: a black foreground, on black unless the glyph is the full block.
bool allBlack(const Cells& frame) {
  for (int n = 0; n < kCellCount; ++n) {
    const Cell cell = frame.buffer[n];
    if (cell.foreground() != 0 || (cell.glyph != 219 && cell.background() != 0)) return false;
  }
  return true;
}

// The converter's cell for the greetings' backdrop colour, at the grid's scale.
Cell backdropCell(Grid grid) {
  TFX_BlockColor converter;
  converter.init();
  const std::uint32_t backdrop[4] = {0x009400D3, 0x009400D3, 0x009400D3, 0x009400D3};
  Cell cell;
  const CellGrid one{&cell, 1, 1, 1};
  if (grid == Grid::Wide) {
    const PixelRect rect{0, 0, 1, 2};
    converter.convert1x2(backdrop, &rect, 1, 0, 0, one);
  } else {
    const PixelRect rect{0, 0, 2, 2};
    converter.convert2x2(backdrop, &rect, 2, 0, 0, one);
  }
  return cell;
}

// The cast as a player reads it, through a real JSON parser: the header with the show's palette
// as its theme (the console colours in ANSI order), each event's time never before its frame's
// moment and less than a microsecond after it, and each event's text, written to CAST.events with
// a NUL after each.
constexpr const char* kReadCast = R"py(import json, sys
lines = open(sys.argv[1], encoding='utf-8').read().splitlines()
h = json.loads(lines[0])
assert (h['version'], h['width'], h['height'], h['title']) == (2, 80, 50, 'vrax - Glimmerfolding'), h
assert h['theme'] == {'fg': '#c0c0c0', 'bg': '#000000', 'palette':
    '#000000:#800000:#008000:#808000:#000080:#800080:#008080:#c0c0c0:'
    '#808080:#ff0000:#00ff00:#ffff00:#0000ff:#ff00ff:#00ffff:#ffffff'}, h['theme']
fps = int(sys.argv[2])
with open(sys.argv[1] + '.events', 'w', encoding='utf-8', newline='') as out:
  for k, line in enumerate(lines[1:]):
    t, kind, data = json.loads(line)
    assert kind == 'o' and k / fps <= t < k / fps + 1e-6, (k, t)
    out.write(data + '\0')
)py";

// Replayed in a terminal, each event of a cast shows its frame's cells as the converter made them,
// with the cursor hidden as in the live show; the last leaves the terminal as a player found it:
// the default pen, the cursor shown at the start of the last row, the last picture still there.
// The show opens from black and is black again after the closing fade.
TEST(Recording, CastReplaysToTheConvertedCellsAndEndsAsAPlayerFoundIt) {
  if (system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  for (const auto& [fps, from, to, frames] : {std::tuple{20, 0, 1500, 30u}, std::tuple{5, 147900, 154000, 31u}}) {
    SCOPED_TRACE(from);
    Recording result = record(fps, from, to);
    ASSERT_EQ(result.status, 0);
    const KeepingSink& sink = *result.sink;
    ASSERT_EQ(sink.frames.size(), frames);
    std::ofstream(result.path + ".py") << kReadCast;
    const std::string read = "python3 " + result.path + ".py " + result.path + " " + std::to_string(fps);
    ASSERT_EQ(system(read.c_str()), 0);
    std::vector<std::string> events;
    std::istringstream decoded(readFile(result.path + ".events"));
    for (std::string event; std::getline(decoded, event, '\0');) events.push_back(event);
    ASSERT_EQ(events.size(), frames);
    std::string encoded = "\x1b[?25l";  // the cast hides the cursor first
    for (const std::string& bytes : sink.encoded) encoded += bytes;
    EXPECT_EQ(std::accumulate(events.begin(), events.end(), std::string()), encoded + kEndOfRecording);

    testing::EmulatedScreen screen(80, 50);
    for (std::size_t i = 0; i < frames; ++i) {
      screen.feed(events[i]);
      EXPECT_EQ(screen.wrongCells(sink.frames[i].view(), 0, 0, 80, 50, ColorMode::TrueColor), 0) << "frame " << i;
      EXPECT_EQ(screen.cursorVisible(), i + 1 == frames) << "frame " << i;
      EXPECT_EQ(screen.penIsDefault(), i + 1 == frames) << "frame " << i;  // each frame leaves a colour set
      const long time = from + static_cast<long>(i) * 1000 / fps;
      EXPECT_TRUE((time != 0 && time < 153300) || allBlack(sink.frames[i])) << "frame at " << time;
    }
    EXPECT_EQ(screen.cursor(), (std::pair{0, 49}));
    if (system("command -v asciinema >/dev/null 2>&1") == 0 && system("command -v script >/dev/null 2>&1") == 0) {
      // The player wants a terminal of its own; script gives it one.
      const std::string cat =
          "script -qec 'asciinema cat " + result.path + " > /dev/null' /dev/null < /dev/null > /dev/null 2>&1";
      EXPECT_EQ(system(cat.c_str()), 0) << "asciinema does not accept the cast";
    }
  }
}

// The pixels look recorded across the first cross-fade, in 24-bit and in 16 colours: every cell an
// upper half block, with its pixels' own colours only in 24-bit; the 16-colour attribute is the
// same either way; and each frame's bytes, replayed through libvterm, show every cell.
TEST(Recording, PixelsLookReplaysCellForCell) {
  Recording trueColour = record(10, 54000, 56000, Grid::Wide, Look::Pixels, ColorChoice::TrueColor);
  Recording sixteen = record(10, 54000, 56000, Grid::Wide, Look::Pixels, ColorChoice::Ansi16);
  ASSERT_EQ(trueColour.status, 0);
  ASSERT_EQ(sixteen.status, 0);
  ASSERT_EQ(trueColour.sink->frames.size(), 20u);
  ASSERT_EQ(sixteen.sink->frames.size(), 20u);
  for (const Recording* result : {&trueColour, &sixteen}) {
    const ColorMode mode = result == &trueColour ? ColorMode::TrueColor : ColorMode::Ansi16;
    SCOPED_TRACE(mode == ColorMode::TrueColor ? "24-bit" : "16 colours");
    EXPECT_NE(readFile(result->path).find("\"width\": 160"), std::string::npos);
    testing::EmulatedScreen screen(kWideCellColumns, kCellRows);
    for (std::size_t i = 0; i < result->sink->frames.size(); ++i) {
      const Cells& frame = result->sink->frames[i];
      ASSERT_EQ(frame.width, kWideCellColumns);
      int colours = 0;
      for (int n = 0; n < kWideCellColumns * kCellRows; ++n) {
        const Cell& cell = frame.buffer[n];
        ASSERT_EQ(cell.glyph, kUpperHalfBlock) << "frame " << i << ", cell " << n;
        ASSERT_EQ(cell.direct, mode == ColorMode::TrueColor) << "frame " << i << ", cell " << n;
        ASSERT_EQ(cell.attribute, sixteen.sink->frames[i].buffer[n].attribute) << "frame " << i << ", cell " << n;
        colours += cell.foregroundRgb != cell.backgroundRgb;
      }
      if (mode == ColorMode::TrueColor && i > 0) {
        EXPECT_GT(colours, 100) << "frame " << i;
      }
      screen.feed(result->sink->encoded[i]);
      ASSERT_EQ(screen.wrongCells(frame.view(), 0, 0, kWideCellColumns, kCellRows, mode), 0) << "frame " << i;
    }
  }
}

// At u = 800 the greetings cover the cells left of the slide's edge (column 41 of 80; on the wide
// grid, whose cells map the greetings' pixel columns one to one, 82 of 160) and the spiky scene the
// cells right of it.
TEST(Recording, GreetingsSlideOnBothGrids) {
  for (const auto& [grid, columns, edge] :
       {std::tuple{Grid::Classic, kCellColumns, 41}, std::tuple{Grid::Wide, kWideCellColumns, 82}}) {
    SCOPED_TRACE(columns);
    Recording result = record(10, 114800, 115000, grid);
    ASSERT_EQ(result.status, 0);
    ASSERT_EQ(result.sink->frames.size(), 2u);
    const Cells& cells = result.sink->frames.front();
    const auto backdrop = backdropCell(grid);
    for (int column : {0, 1, 39}) EXPECT_EQ(cells.at(column, 0), backdrop) << column;
    int backdropRightOfTheEdge = 0;
    for (int row = 0; row < kCellRows; ++row) {
      for (int column = edge; column < columns; ++column) {
        backdropRightOfTheEdge += cells.at(column, row) == backdrop;
      }
    }
    EXPECT_EQ(backdropRightOfTheEdge, 0) << "the spiky scene stays right of the greetings";
  }
}

TEST(Recording, ShortClipIsByteForByteWhatItWas) {
  testing::TemporaryFolder folder;
  const RecordingOptions options{
      .output = folder.file("clip.cast"), .framesPerSecond = 12, .fromMs = 56000, .toMs = 58000};
  ASSERT_EQ(runRecording(options), 0);
  auto fnv1a = [](std::string_view bytes) {  // 64-bit FNV-1a
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
    return hash;
  };
  EXPECT_EQ(fnv1a(readFile(options.output)), 6456628957484576446ull) << "FNV-1a of the clip";
}

// A recording that cannot be written says why in one line and leaves nothing, not even its part
// file: a place that cannot be written, a video where ffmpeg is not installed.
TEST(Recording, FailuresSayWhyInOneLineAndLeaveNothing) {
  testing::TemporaryFolder scratch;
  const std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  const std::string cases[][3] = {
      {"/nonexistent-folder/show.cast", savedPath, "glimmerfolding: cannot write /nonexistent-folder/show.cast: "},
      {scratch.file("show.mp4"), scratch.path(), "glimmerfolding: ffmpeg is not installed"},
  };
  for (const auto& [output, searchPath, says] : cases) {
    SCOPED_TRACE(output);
    setenv("PATH", searchPath.c_str(), 1);
    ::testing::internal::CaptureStderr();
    const int status = runRecording(recordCommand(output, 10, 0, 500));
    const std::string printed = ::testing::internal::GetCapturedStderr();
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(printed.rfind(says, 0), 0u) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    EXPECT_FALSE(fs::exists(output));
    EXPECT_FALSE(fs::exists(output + ".part"));
  }
}

TEST(Recording, VideoNameStartingWithADashNeverReadsAsAnOption) {
  // A stand-in ffmpeg that notes its arguments, takes the frames and writes its last argument.
  testing::TemporaryFolder scratch;
  const std::string arguments = scratch.file("arguments");
  const std::string script = scratch.write("ffmpeg", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + arguments +
                                                         "'\ncat > /dev/null\n"
                                                         "for last; do :; done\necho video > \"$last\"\n");
  ASSERT_EQ(chmod(script.c_str(), 0755), 0);
  const std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  setenv("PATH", (scratch.path() + ":" + savedPath).c_str(), 1);
  const std::string name = "-glimmer-test-clip.mp4";  // relative: the show reads data/ from here
  const int status = runRecording(recordCommand(name, 10, 0, 300));
  setenv("PATH", savedPath.c_str(), 1);
  const bool written = fs::exists(name);
  std::remove(name.c_str());
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(written);
  EXPECT_NE(readFile(arguments).find("\n./" + name + ".part\n"), std::string::npos) << readFile(arguments);
}

// Each frame a PNG of the cells as a console shows them, here in the greetings' colours.
TEST(Recording, PngFolderHoldsOneConsolePicturePerFrame) {
  testing::TemporaryFolder scratch;
  const std::string folder = scratch.file("frames");
  KeepingSink sink(makePngFolderSink({.output = folder, .framesPerSecond = 10, .fromMs = 116000}));
  ASSERT_EQ(runRecording(recordCommand(folder, 10, 116000, 116300), sink), 0);
  ASSERT_EQ(sink.frames.size(), 3u);
  std::vector<std::uint8_t> expected(kPictureBytes);
  for (int i = 0; i < 3; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%06d.png", i);
    PngImage* image = loadPngImage((folder + name).c_str());
    ASSERT_NE(image, nullptr) << name;
    EXPECT_EQ(image->width, kPictureWidth);
    EXPECT_EQ(image->height, kPictureHeight);
    EXPECT_EQ(image->bitsPerPixel, 24);
    drawCellPicture(sink.frames[i].view(), expected.data());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), image->pixels)) << name;
    freePngImage(image);
  }
  EXPECT_FALSE(fs::exists(folder + "/frame-000003.png"));
}

}  // namespace
}  // namespace glimmer
