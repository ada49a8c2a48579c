// The asciicast v2 sink: a header line, then one output event per frame holding exactly the bytes
// the live show writes for it, at exactly k / fps seconds.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "console/frame_encoder.h"
#include "demo/report.h"
#include "record/frame_sink.h"

namespace glimmer {
namespace {

// Worst case of one escaped byte: \u00XX.
constexpr std::size_t kMaxEscapedFrame = FrameEncoder::kMaxFrameBytes * 6 + 64;

class CastSink final : public FrameSink {
 public:
  explicit CastSink(const RecordingFormat& format)
      : format_(format), partPath_(format.output + ".part"), line_(new char[kMaxEscapedFrame]) {}
  ~CastSink() override {
    if (file_ != nullptr) finish(false);
  }

  bool begin() override {
    file_ = std::fopen(partPath_.c_str(), "wb");
    if (file_ == nullptr) {
      std::string message = "cannot write " + format_.output + ": " + std::strerror(errno);
      printLine(message.c_str());
      return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    std::fputs("{\"version\": 2, \"width\": 80, \"height\": 50, \"title\": \"vrax - Glimmerfolding\"}\n", file_);
    return checked();
  }

  bool frame(long index, const std::uint8_t*, const char* bytes, std::size_t size) override {
    char* at = line_.get();
    double seconds = static_cast<double>(index) / format_.framesPerSecond;
    at += std::snprintf(at, 48, "[%.6f, \"o\", \"", seconds);
    static const char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < size; ++i) {
      unsigned char byte = static_cast<unsigned char>(bytes[i]);
      if (byte == '"' || byte == '\\') {
        *at++ = '\\';
        *at++ = static_cast<char>(byte);
      } else if (byte < 0x20 || byte == 0x7f) {
        std::memcpy(at, "\\u00", 4);
        at[4] = kHex[byte >> 4];
        at[5] = kHex[byte & 15];
        at += 6;
      } else {
        *at++ = static_cast<char>(byte);  // UTF-8 passes through as it is
      }
    }
    std::memcpy(at, "\"]\n", 3);
    at += 3;
    std::fwrite(line_.get(), 1, static_cast<std::size_t>(at - line_.get()), file_);
    return checked();
  }

  bool finish(bool complete) override {
    if (file_ == nullptr) return false;
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (complete) {
      const std::string failure = closed ? putInPlace(partPath_, format_.output) : std::strerror(errno);
      if (failure.empty()) return true;
      std::string message = "cannot write " + format_.output + ": " + failure;
      printLine(message.c_str());
    }
    std::remove(partPath_.c_str());
    return false;
  }

 private:
  bool checked() {
    if (std::ferror(file_) == 0) return true;
    std::string message = "cannot write " + format_.output + ": " + std::strerror(errno);
    printLine(message.c_str());
    return false;
  }

  RecordingFormat format_;
  std::string partPath_;
  std::unique_ptr<char[]> line_;
  std::FILE* file_ = nullptr;
};

}  // namespace

std::unique_ptr<FrameSink> makeCastSink(const RecordingFormat& format) { return std::make_unique<CastSink>(format); }

}  // namespace glimmer
