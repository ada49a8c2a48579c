// The video sink: frames drawn as a console shows them, piped as raw RGB to ffmpeg, with the music
// as the sound track from the recording's first moment, through the platform's pipe to a child
// process (child_process.h).
//
// LIMITATIONS
// - Needs the ffmpeg program (Debian: ffmpeg); its codecs are ffmpeg's defaults for the container.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/data_folder.h"
#include "base/report.h"
#include "record/cell_picture.h"
#include "record/child_process.h"
#include "record/frame_sink.h"
#include "record/part_file.h"

namespace glimmer {
namespace {

// A path for ffmpeg's command line, quoted for the platform's command interpreter. A path that
// begins with '-' gets "./" in front, so ffmpeg can never take it for an option.
std::string quotedPath(const std::string& path) {
  return quotedArgument(!path.empty() && path[0] == '-' ? "./" + path : path);
}

const char* containerOf(const std::string& output) {
  if (output.ends_with(".mp4")) return "mp4";
  if (output.ends_with(".webm")) return "webm";
  return "matroska";
}

class VideoSink final : public FrameSink {
 public:
  explicit VideoSink(const RecordingFormat& format)
      : format_(format), partPath_(partPathOf(format.output)), rgb_(new std::uint8_t[kPictureBytes]) {}
  ~VideoSink() override {
    if (pipe_ != nullptr) finish(false);
  }

  bool begin() override {
    if (!programOnPath("ffmpeg")) {
      printLine("ffmpeg is not installed: install it (Debian: apt-get install ffmpeg) to record video");
      return false;
    }
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "-framerate %d -i - -ss %.3f", format_.framesPerSecond,
                  format_.fromMs / 1000.0);
    std::string command = std::string("ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo -pix_fmt rgb24 -s ") +
                          std::to_string(kPictureWidth) + "x" + std::to_string(kPictureHeight) + " " + numbers +
                          " -i " + quotedPath(dataFilePath(format_.musicPath)) +
                          " -map 0:v -map 1:a -shortest -pix_fmt yuv420p -fflags +bitexact -f " +
                          containerOf(format_.output) + " " + quotedPath(partPath_);
    pipe_ = startWithPipe(command);
    if (pipe_ == nullptr) {
      std::string message = "cannot start ffmpeg: " + std::string(std::strerror(errno));
      printLine(message.c_str());
      return false;
    }
    return true;
  }

  bool frame(long, CellView cells, const char*, std::size_t) override {
    drawCellPicture(cells, rgb_.get());
    if (std::fwrite(rgb_.get(), 1, kPictureBytes, pipe_) != static_cast<std::size_t>(kPictureBytes)) {
      printLine("ffmpeg stopped taking frames");
      return false;
    }
    return true;
  }

  bool finish(bool complete) override {
    if (pipe_ == nullptr) return false;
    const bool encoded = finishPipe(pipe_);
    pipe_ = nullptr;
    if (complete && encoded) return putInPlace(format_.output, format_.output);
    if (complete) printLine(("cannot write " + format_.output + ": ffmpeg failed").c_str());
    std::remove(partPath_.c_str());
    return false;
  }

 private:
  RecordingFormat format_;
  std::string partPath_;
  std::unique_ptr<std::uint8_t[]> rgb_;
  std::FILE* pipe_ = nullptr;
};

}  // namespace

std::unique_ptr<FrameSink> makeVideoSink(const RecordingFormat& format) { return std::make_unique<VideoSink>(format); }

std::unique_ptr<FrameSink> makeFrameSink(const RecordingFormat& format) {
  const std::string& output = format.output;
  if (output.ends_with(".cast")) return makeCastSink(format);
  if (output.ends_with(".mp4") || output.ends_with(".webm") || output.ends_with(".mkv")) return makeVideoSink(format);
  if (output.ends_with(".html")) return makeWebPageSink(format);
  return makePngFolderSink(format);
}

}  // namespace glimmer
