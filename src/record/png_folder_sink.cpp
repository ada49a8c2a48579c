// The PNG folder sink: frame-000000.png, frame-000001.png, ... drawn as a console shows the cells.
// Calls libpng.
#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "demo/report.h"
#include "record/cell_picture.h"
#include "record/frame_sink.h"

namespace glimmer {
namespace {

// Writes one RGB picture; false on any error. No object with a destructor lives across the
// library's longjmp.
bool writePng(std::FILE* file, const std::uint8_t* rgb, png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_IHDR(png, info, kPictureWidth, kPictureHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  for (int y = 0; y < kPictureHeight; ++y) rows[y] = const_cast<png_bytep>(rgb + y * kPictureWidth * 3);
  png_set_rows(png, info, rows);
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

class PngFolderSink final : public FrameSink {
 public:
  explicit PngFolderSink(const RecordingFormat& format)
      : format_(format), rgb_(new std::uint8_t[kPictureBytes]), rows_(new png_bytep[kPictureHeight]) {
    while (format_.output.size() > 1 && format_.output.back() == '/') format_.output.pop_back();
  }

  bool begin() override {
    struct stat info {};
    if (stat(format_.output.c_str(), &info) != 0) {
      if (mkdir(format_.output.c_str(), 0777) != 0) return fail();
      created_ = true;
    } else if (!S_ISDIR(info.st_mode)) {
      errno = ENOTDIR;
      return fail();
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
    bool written = writePng(file, rgb_.get(), rows_.get());
    bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(part.c_str(), path.c_str()) != 0) {
      std::remove(part.c_str());
      return fail();
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
    if (created_) rmdir(format_.output.c_str());
    return false;
  }

 private:
  bool fail() {
    std::string message = "cannot write " + format_.output + ": " + std::strerror(errno);
    printLine(message.c_str());
    return false;
  }

  RecordingFormat format_;
  std::unique_ptr<std::uint8_t[]> rgb_;
  std::unique_ptr<png_bytep[]> rows_;
  long frames_ = 0;
  bool created_ = false;
};

}  // namespace

std::unique_ptr<FrameSink> makePngFolderSink(const RecordingFormat& format) {
  return std::make_unique<PngFolderSink>(format);
}

}  // namespace glimmer
