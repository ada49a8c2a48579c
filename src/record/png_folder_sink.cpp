// The PNG folder sink: frame-000000.png, frame-000001.png, ... drawn as a console shows the cells.
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "image/png_writer.h"
#include "record/cell_picture.h"
#include "record/frame_sink.h"
#include "record/part_file.h"

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

  bool frame(long index, CellView cells, const char*, std::size_t) override {
    drawCellPicture(cells, rgb_.get());
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", index);
    PartFile file;
    if (!file.open(format_.output + name, format_.output)) return false;
    if (!encodeRgbPng(file.stream(), rgb_.get(), kPictureWidth, kPictureHeight, 1, false)) {
      const int reason = errno != 0 ? errno : EIO;
      file.discard();
      errno = reason;
      return fail();
    }
    if (!file.commit()) return false;
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
  bool fail() const { return reportCannotWrite(format_.output); }
  bool fail(const std::error_code& error) const { return reportCannotWrite(format_.output, error.message()); }

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
