// The video sink: frames drawn as a console shows them, piped as raw RGB to ffmpeg, with the music
// as the sound track from the recording's first moment (child_process.h). ffmpeg writes NAME.part,
// which is put in place as NAME once it has finished well.
//
// LIMITATIONS
// - Needs the ffmpeg program (Debian: ffmpeg); its codecs are ffmpeg's defaults for the container.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "base/data_folder.h"
#include "base/report.h"
#include "record/cell_picture.h"
#include "record/child_process.h"
#include "record/frame_sink.h"
#include "record/part_file.h"

namespace glimmer {
namespace {

// A path as an argument of ffmpeg: one that begins with '-' gets "./" in front, so ffmpeg can never
// take it for an option.
std::string pathArgument(const std::string& path) { return !path.empty() && path[0] == '-' ? "./" + path : path; }

const char* containerOf(const std::string& output) {
  if (hasExtension(output, ".mp4")) return "mp4";
  if (hasExtension(output, ".webm")) return "webm";
  return "matroska";
}

class VideoSink final : public FrameSink {
 public:
  explicit VideoSink(const RecordingFormat& format)
      : format_(format), partPath_(partPathOf(format.output)), rgb_(new std::uint8_t[kPictureBytes]) {}
  ~VideoSink() override {
    if (started_) finish(false);
  }

  bool begin() override {
    if (!programOnPath("ffmpeg")) {
      printLine("ffmpeg is not installed: install it (Debian: apt-get install ffmpeg) to record video");
      return false;
    }
    char start[32];
    std::snprintf(start, sizeof start, "%.3f", format_.fromMs / 1000.0);
    // clang-format off
    const std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24",
        "-s", std::to_string(kPictureWidth) + "x" + std::to_string(kPictureHeight),
        "-framerate", std::to_string(format_.framesPerSecond), "-i", "-",
        "-ss", start, "-i", pathArgument(dataFilePath(format_.musicPath)),
        "-map", "0:v", "-map", "1:a", "-shortest", "-pix_fmt", "yuv420p", "-fflags", "+bitexact",
        "-f", containerOf(format_.output), pathArgument(partPath_)};
    // clang-format on
    if (!ffmpeg_.start(arguments)) {
      printLine(("cannot start ffmpeg: " + std::string(std::strerror(errno))).c_str());
      return false;
    }
    started_ = true;
    return true;
  }

  bool frame(long, CellView cells, const char*, std::size_t) override {
    drawCellPicture(cells, rgb_.get());
    if (!ffmpeg_.write(rgb_.get(), kPictureBytes)) {
      printLine("ffmpeg stopped taking frames");
      return false;
    }
    return true;
  }

  // ffmpeg always ends by the end of its input, after the last whole frame, never killed halfway.
  bool finish(bool complete) override {
    if (!started_) return false;
    started_ = false;
    const bool encoded = ffmpeg_.finish();
    if (complete && encoded) return putInPlace(format_.output, format_.output);
    if (complete) reportCannotWrite(format_.output, "ffmpeg failed");
    std::error_code ignored;
    std::filesystem::remove(partPath_, ignored);
    return false;
  }

  WrittenOutput written() const override { return {format_.output, bytesOnDisk(format_.output)}; }

 private:
  RecordingFormat format_;
  std::string partPath_;
  std::unique_ptr<std::uint8_t[]> rgb_;
  ChildProcess ffmpeg_;
  bool started_ = false;
};

}  // namespace

std::unique_ptr<FrameSink> makeVideoSink(const RecordingFormat& format) { return std::make_unique<VideoSink>(format); }

}  // namespace glimmer
