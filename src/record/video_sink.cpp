// The video sink: frames drawn as a console shows them, piped as raw RGB to ffmpeg, with the music
// as the sound track from the recording's first moment. Calls popen/pclose.
//
// LIMITATIONS
// - Needs the ffmpeg program (Debian: ffmpeg); its codecs are ffmpeg's defaults for the container.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "demo/data_folder.h"
#include "demo/report.h"
#include "record/cell_picture.h"
#include "record/frame_sink.h"

namespace glimmer {
namespace {

// The text in single quotes for the shell.
std::string quoted(const std::string& text) {
  std::string result = "'";
  for (char c : text) {
    if (c == '\'') {
      result += "'\\''";
    } else {
      result += c;
    }
  }
  return result + "'";
}

bool programOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

const char* containerOf(const std::string& output) {
  auto endsWith = [&](const char* suffix) {
    std::size_t length = std::strlen(suffix);
    return output.size() >= length && output.compare(output.size() - length, length, suffix) == 0;
  };
  if (endsWith(".mp4")) return "mp4";
  if (endsWith(".webm")) return "webm";
  return "matroska";
}

class VideoSink final : public FrameSink {
 public:
  explicit VideoSink(const RecordingFormat& format)
      : format_(format), partPath_(format.output + ".part"), rgb_(new std::uint8_t[kPictureBytes]) {}
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
                          " -i " + quoted(dataFilePath(format_.musicPath)) +
                          " -map 0:v -map 1:a -shortest -pix_fmt yuv420p -fflags +bitexact -f " +
                          containerOf(format_.output) + " " + quoted(partPath_);
    std::signal(SIGPIPE, SIG_IGN);
    pipe_ = popen(command.c_str(), "w");
    if (pipe_ == nullptr) {
      std::string message = "cannot start ffmpeg: " + std::string(std::strerror(errno));
      printLine(message.c_str());
      return false;
    }
    return true;
  }

  bool frame(long, const std::uint8_t* cells, const char*, std::size_t) override {
    drawCellPicture(cells, rgb_.get());
    if (std::fwrite(rgb_.get(), 1, kPictureBytes, pipe_) != static_cast<std::size_t>(kPictureBytes)) {
      printLine("ffmpeg stopped taking frames");
      return false;
    }
    return true;
  }

  bool finish(bool complete) override {
    if (pipe_ == nullptr) return false;
    int status = pclose(pipe_);
    pipe_ = nullptr;
    bool encoded = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (complete && encoded && std::rename(partPath_.c_str(), format_.output.c_str()) == 0) return true;
    if (complete) {
      std::string message = "cannot write " + format_.output + (encoded ? ": " + std::string(std::strerror(errno)) : ": ffmpeg failed");
      printLine(message.c_str());
    }
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
  auto endsWith = [&](const char* suffix) {
    std::size_t length = std::strlen(suffix);
    return format.output.size() >= length &&
           format.output.compare(format.output.size() - length, length, suffix) == 0;
  };
  if (endsWith(".cast")) return makeCastSink(format);
  if (endsWith(".mp4") || endsWith(".webm") || endsWith(".mkv")) return makeVideoSink(format);
  return makePngFolderSink(format);
}

}  // namespace glimmer
