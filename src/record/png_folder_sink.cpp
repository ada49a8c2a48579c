// The PNG folder sink: frame-000000.png, frame-000001.png, ... drawn as a console shows the cells,
// at the recording's scale (640x400 times the scale).
//
// The frames are written into NAME.part/ and the folder is put in place as NAME/ only once the
// recording is complete. A folder already called NAME is replaced then only when it holds nothing
// but frames (an earlier recording's), so the two recordings are never mixed and nothing else is
// ever removed; a folder with anything else in it is refused before a frame is written.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "image/png_writer.h"
#include "record/cell_picture.h"
#include "record/frame_sink.h"
#include "record/part_file.h"
#include "record/scaled_picture.h"

namespace glimmer {
namespace {

namespace fs = std::filesystem;

// frame-NNNNNN.png, six digits or more.
bool isFrameName(const std::string& name) {
  constexpr std::string_view kPrefix = "frame-";
  constexpr std::string_view kSuffix = ".png";
  if (name.size() < kPrefix.size() + 6 + kSuffix.size() || !name.starts_with(kPrefix) || !name.ends_with(kSuffix)) {
    return false;
  }
  for (std::size_t at = kPrefix.size(); at < name.size() - kSuffix.size(); ++at) {
    if (name[at] < '0' || name[at] > '9') return false;
  }
  return true;
}

class PngFolderSink final : public FrameSink {
 public:
  explicit PngFolderSink(const RecordingFormat& format) : format_(format), rgb_(new std::uint8_t[kPictureBytes]) {
    if (format_.scale > 1) scaled_.reset(new std::uint8_t[std::size_t{kPictureBytes} * format_.scale * format_.scale]);
    folder_ = format_.output;
    while (folder_.size() > 1 && (folder_.back() == '/' || folder_.back() == '\\')) folder_.pop_back();
    partFolder_ = folder_ + ".part";
    asideFolder_ = folder_ + ".part.old";
    framePath_.reserve(partFolder_.size() + 32);  // a frame's path is made in place, per frame
  }
  ~PngFolderSink() override {
    if (created_) finish(false);
  }

  bool begin() override {
    std::error_code error;
    if (fs::exists(folder_, error)) {
      if (!fs::is_directory(folder_, error)) return fail("it is a file, not a folder");
      for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        if (!isFrameName(name) || !entry.is_regular_file(error)) {
          return fail("it holds " + name +
                      ", which is not a frame of an earlier recording: name a new or empty folder");
        }
      }
      if (error) return fail(error.message());
    }
    fs::remove_all(partFolder_, error);  // left by a recording that was killed
    if (!fs::create_directory(partFolder_, error)) return fail(error ? error.message() : "it is in the way");
    created_ = true;
    return true;
  }

  bool frame(long index, CellView cells, const char*, std::size_t) override {
    drawCellPicture(cells, rgb_.get());
    const std::uint8_t* picture = rgb_.get();
    if (scaled_) {
      enlargeRgb(rgb_.get(), kPictureWidth, kPictureHeight, format_.scale, scaled_.get());
      picture = scaled_.get();
    }
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", index);
    framePath_.assign(partFolder_).append(name);
    std::FILE* file = std::fopen(framePath_.c_str(), "wb");
    if (file == nullptr) return fail(std::strerror(errno));
    errno = 0;
    const bool encoded =
        encodeRgbPng(file, picture, kPictureWidth * format_.scale, kPictureHeight * format_.scale, 1, false) &&
        std::ferror(file) == 0;
    const int reason = errno != 0 ? errno : EIO;
    if (std::fclose(file) != 0 || !encoded) return fail(std::strerror(encoded ? errno : reason));
    return true;
  }

  bool finish(bool complete) override {
    if (!created_) return false;
    created_ = false;
    std::error_code error;
    if (complete) {
      // The older frames go aside, the new folder takes their place, and only then do they go.
      fs::remove_all(asideFolder_, error);
      const bool hadOlder = fs::exists(folder_, error);
      if (hadOlder) fs::rename(folder_, asideFolder_, error);
      if (!error) fs::rename(partFolder_, folder_, error);
      if (!error) {
        if (hadOlder) fs::remove_all(asideFolder_, error);
        return true;
      }
      fail(error.message());
      if (hadOlder && !fs::exists(folder_)) fs::rename(asideFolder_, folder_, error);
    }
    fs::remove_all(partFolder_, error);
    return false;
  }

  WrittenOutput written() const override { return {format_.output, bytesOnDisk(folder_)}; }

 private:
  bool fail(const std::string& reason) const { return reportCannotWrite(format_.output, reason); }

  RecordingFormat format_;
  std::string folder_;       // NAME
  std::string partFolder_;   // NAME.part, while the frames are written
  std::string asideFolder_;  // NAME.part.old, an older NAME while the new one is put in place
  std::string framePath_;
  std::unique_ptr<std::uint8_t[]> rgb_;
  std::unique_ptr<std::uint8_t[]> scaled_;  // at a scale above 1
  bool created_ = false;                    // partFolder_ was made here and is not yet in place
};

}  // namespace

std::unique_ptr<FrameSink> makePngFolderSink(const RecordingFormat& format) {
  return std::make_unique<PngFolderSink>(format);
}

}  // namespace glimmer
