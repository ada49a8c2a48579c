// The PNG folder sink: frame-000000.png, frame-000001.png, ... drawn as a console shows the cells.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "demo/report.h"
#include "image/png_writer.h"
#include "record/cell_picture.h"
#include "record/frame_sink.h"

namespace glimmer {
namespace {

class PngFolderSink final : public FrameSink {
 public:
  explicit PngFolderSink(const RecordingFormat& format)
      : format_(format), rgb_(new std::uint8_t[kPictureBytes]) {
    while (format_.output.size() > 1 && format_.output.back() == '/') format_.output.pop_back();
  }

  bool begin() override {
    std::error_code error;
    const std::filesystem::path folder(format_.output);
    if (!std::filesystem::exists(folder, error)) {
      if (!std::filesystem::create_directory(folder, error)) return fail(error);
      created_ = true;
    } else if (!std::filesystem::is_directory(folder, error)) {
      return fail(std::make_error_code(std::errc::not_a_directory));
    }
    return true;
  }

  bool frame(long index, const std::uint8_t* cells, const char*, std::size_t) override {
    drawCellPicture(cells, rgb_.get());
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", index);
    std::string path = format_.output + name;
    std::string part = path + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (file == nullptr) return fail();
    bool written = encodeRgbPng(file, rgb_.get(), kPictureWidth, kPictureHeight, 1, false);
    bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
      std::remove(part.c_str());
      return fail();
    }
    if (const std::string failure = putInPlace(part, path); !failure.empty()) {
      std::remove(part.c_str());
      std::string message = "cannot write " + format_.output + ": " + failure;
      printLine(message.c_str());
      return false;
    }
    frames_ = index + 1;
    return true;
  }

  bool finish(bool complete) override {
    if (complete) return true;
    // A failed recording takes its frames with it, and the folder if it made it.
    char name[32];
    for (long index = 0; index < frames_; ++index) {
      std::snprintf(name, sizeof name, "/frame-%06ld.png", index);
      std::remove((format_.output + name).c_str());
    }
    std::error_code ignored;
    if (created_) std::filesystem::remove(std::filesystem::path(format_.output), ignored);
    return false;
  }

 private:
  bool fail() { return fail(std::error_code(errno, std::generic_category())); }
  bool fail(const std::error_code& error) {
    std::string message = "cannot write " + format_.output + ": " + error.message();
    printLine(message.c_str());
    return false;
  }

  RecordingFormat format_;
  std::unique_ptr<std::uint8_t[]> rgb_;
  long frames_ = 0;
  bool created_ = false;
};

}  // namespace

std::unique_ptr<FrameSink> makePngFolderSink(const RecordingFormat& format) {
  return std::make_unique<PngFolderSink>(format);
}

}  // namespace glimmer
