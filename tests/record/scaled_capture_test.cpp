// --scale through the program, as a user runs it: PNG frames of every scale are the 640x400 frames
// enlarged pixel for pixel, a video at a scale has that size, the colour planes that keep the
// glyphs' dot patterns and, decoded back, the dots' own colours; and the option is refused in one
// line where it has nothing to enlarge.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/png_loader.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string output;  // standard output and standard error
};

// Runs a command line through the shell (every argument quoted) and keeps what it printed.
ProgramRun run(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& argument : command) line += "'" + argument + "' ";
  line += "2>&1";
  ProgramRun result;
  std::FILE* pipe = popen(line.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer;
  for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    result.output.append(buffer.data(), got);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

ProgramRun record(const std::string& output, int from, int to, std::vector<std::string> options = {}) {
  std::vector<std::string> command = {GLIMMER_BINARY, "--record",        output, "--from", std::to_string(from),
                                      "--to",         std::to_string(to)};
  command.insert(command.end(), options.begin(), options.end());
  return run(command);
}

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

Picture loadPng(const std::string& path) {
  Picture picture;
  PngImage* image = loadPngImage(path.c_str());
  if (image == nullptr) return picture;
  picture.width = image->width;
  picture.height = image->height;
  picture.rgb.assign(image->pixels, image->pixels + static_cast<std::size_t>(image->width) * image->height * 3);
  freePngImage(image);
  return picture;
}

// How many pixels of the scaled picture differ from their pixel of the 640x400 one.
int pixelsNotEnlarged(const Picture& unscaled, const Picture& scaled, int scale) {
  int wrong = 0;
  for (int y = 0; y < scaled.height; ++y) {
    for (int x = 0; x < scaled.width; ++x) {
      const std::uint8_t* shown = &scaled.rgb[3 * (static_cast<std::size_t>(y) * scaled.width + x)];
      const std::uint8_t* original = &unscaled.rgb[3 * ((y / scale) * unscaled.width + x / scale)];
      wrong += shown[0] != original[0] || shown[1] != original[1] || shown[2] != original[2];
    }
  }
  return wrong;
}

// The greetings, 116 s in: violet cells of every shade.
constexpr int kFrom = 116000;

// Enlarging does not depend on the grid, whose picture is checked in cell_picture_test.cpp.
TEST(ScaledCapture, PngFramesAreTheUnscaledFramesEnlarged) {
  testing::TemporaryFolder scratch;
  ASSERT_EQ(record(scratch.file("1/"), kFrom, kFrom + 30).status, 0);
  const Picture unscaled[] = {loadPng(scratch.file("1/frame-000000.png")), loadPng(scratch.file("1/frame-000001.png"))};
  ASSERT_EQ(unscaled[0].width, 640);
  ASSERT_EQ(unscaled[0].height, 400);
  for (const int scale : {2, 3, 6}) {
    SCOPED_TRACE(::testing::Message() << "scale " << scale);
    const std::string folder = scratch.file(std::to_string(scale) + "/");
    const ProgramRun made = record(folder, kFrom, kFrom + 30, {"--scale", std::to_string(scale)});
    ASSERT_EQ(made.status, 0) << made.output;
    for (int frame = 0; frame < 2; ++frame) {
      const Picture scaled = loadPng(folder + "frame-00000" + std::to_string(frame) + ".png");
      ASSERT_EQ(scaled.width, 640 * scale);
      ASSERT_EQ(scaled.height, 400 * scale);
      EXPECT_EQ(pixelsNotEnlarged(unscaled[frame], scaled, scale), 0) << "frame " << frame;
    }
    EXPECT_FALSE(fs::exists(folder + "frame-000002.png"));
  }
}

// What ffprobe says of the video stream: "width,height,pix_fmt,color_space".
std::string videoStream(const std::string& video) {
  return run({"ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
              "stream=width,height,pix_fmt,color_space", "-of", "csv=p=0", video})
      .output;
}

// The video's first frame, decoded back to RGB as a player shows it.
Picture firstFrame(const std::string& video, int width, int height) {
  testing::TemporaryFolder scratch;
  const std::string raw = scratch.file("frame.rgb");
  run({"ffmpeg", "-v", "error", "-i", video, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", raw});
  const std::string bytes = testing::readFile(raw);
  Picture frame{width, height, {}};
  if (bytes.size() == static_cast<std::size_t>(width) * height * 3) frame.rgb.assign(bytes.begin(), bytes.end());
  return frame;
}

// A video at scale 2 and 4, as .mp4 and .webm: its size, colour planes that keep every dot's colour
// (full chroma at 2; half at 4, where each 2x2 block lies inside a dot), tagged as HD colours; and
// decoded back, the middle of every dot is near the dot's colour in the PNG frame of that moment
// (at 640x400 in 4:2:0 a third of the dots are off by more than 32).
TEST(ScaledCapture, VideoKeepsTheDotsColours) {
  ASSERT_EQ(run({"ffprobe", "-version"}).status, 0)
      << "ffprobe (Debian: ffmpeg) runs these tests: scripts/setup.sh --tests";
  testing::TemporaryFolder scratch;
  const std::string frames = scratch.file("frames/");
  ASSERT_EQ(record(frames, kFrom, kFrom + 20).status, 0);
  const Picture png = loadPng(frames + "frame-000000.png");
  ASSERT_EQ(png.width, 640);
  struct Case {
    const char* name;
    int scale;
    const char* stream;
  };
  for (const Case c :
       {Case{"show.mp4", 2, "1280,800,yuv444p,bt709\n"}, Case{"show.webm", 2, "1280,800,yuv444p,bt709\n"},
        Case{"show.mp4", 4, "2560,1600,yuv420p,bt709\n"}}) {
    SCOPED_TRACE(::testing::Message() << c.name << " at scale " << c.scale);
    const std::string video = scratch.file(std::to_string(c.scale) + c.name);
    const ProgramRun made = record(video, kFrom, kFrom + 500, {"--scale", std::to_string(c.scale)});
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_EQ(videoStream(video), c.stream);
    const Picture decoded = firstFrame(video, 640 * c.scale, 400 * c.scale);
    ASSERT_FALSE(decoded.rgb.empty());
    int off = 0;
    long error = 0;
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 640; ++x) {
        const std::uint8_t* dot = &png.rgb[3 * (y * 640 + x)];
        const int middle = (y * c.scale + c.scale / 2) * decoded.width + x * c.scale + c.scale / 2;
        int worst = 0;
        for (int channel = 0; channel < 3; ++channel) {
          const int difference = std::abs(decoded.rgb[3 * middle + channel] - dot[channel]);
          error += difference;
          worst = std::max(worst, difference);
        }
        off += worst > 32;
      }
    }
    EXPECT_LT(off, 640 * 400 / 200) << "dots off by more than 32 (of 256,000)";
    EXPECT_LT(error / (640 * 400 * 3), 6) << "mean error of the dots' middles";
  }
}

TEST(ScaledCapture, ScaleWithoutPicturesOrOutOfRangeIsAOneLineUsageError) {
  testing::TemporaryFolder scratch;
  const std::string kNoPictures =
      "glimmerfolding: --scale goes with --record to PNG frames (OUT/) or a video (OUT.mp4, OUT.webm, OUT.mkv)\n"
      "Try 'glimmerfolding --help'.\n";
  struct Case {
    std::vector<std::string> arguments;
    std::string printed;
  };
  const Case cases[] = {
      {{"--scale", "2"}, kNoPictures},
      {{"--scale=2", "--mute"}, kNoPictures},
      {{"--record", scratch.file("show.cast"), "--scale", "2"}, kNoPictures},
      {{"--record", scratch.file("show.html"), "--scale", "1"}, kNoPictures},
      {{"--record", scratch.file("frames/"), "--scale", "7"},
       "glimmerfolding: bad --scale value '7' (1 to 6 times the 640x400 picture)\nTry 'glimmerfolding --help'.\n"},
      {{"--record", scratch.file("show.mp4"), "--scale=0"},
       "glimmerfolding: bad --scale value '0' (1 to 6 times the 640x400 picture)\nTry 'glimmerfolding --help'.\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> command = {GLIMMER_BINARY};
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());
    const ProgramRun refused = run(command);
    EXPECT_EQ(refused.status, 2) << c.arguments[0];
    EXPECT_EQ(refused.output, c.printed);
  }
  EXPECT_TRUE(fs::is_empty(scratch.path())) << "nothing written";
}

}  // namespace
}  // namespace glimmer
