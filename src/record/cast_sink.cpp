// The asciicast v2 sink: a header line with the show's palette as the theme, then one output event
// per frame holding exactly the bytes the live show writes for it (the first also hides the cursor,
// as the live show does when it takes the terminal), at the times of cast_time.h.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "console/frame_encoder.h"
#include "demo/report.h"
#include "record/cast_time.h"
#include "record/frame_sink.h"
#include "tfx/palette.h"

namespace glimmer {
namespace {

// Worst case of one escaped byte: \u00XX.
constexpr std::size_t kMaxEscapedFrame = FrameEncoder::kMaxFrameBytes * 6 + 64;

constexpr char kHideCursor[] = "\x1b[?25l";

// The header's theme: the console palette, foreground grey (colour 7) on black (colour 0), and the
// 16 colours in ANSI order (black, red, green, yellow, blue, magenta, cyan, white, then the bright
// ones), so a player paints the 16-colour SGR codes the encoder writes in the show's own colours.
std::string themeJson() {
  auto hex = [](int colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", kConsolePalette[colour][0] & 255, kConsolePalette[colour][1] & 255,
                  kConsolePalette[colour][2] & 255);
    return std::string(text);
  };
  std::string palette[16];
  for (int colour = 0; colour < 16; ++colour) palette[(colour & 8) | ansiColorOf(colour)] = hex(colour);
  std::string json = "{\"fg\": \"" + hex(7) + "\", \"bg\": \"" + hex(0) + "\", \"palette\": \"";
  for (int ansi = 0; ansi < 16; ++ansi) json += (ansi > 0 ? ":" : "") + palette[ansi];
  return json + "\"}";
}

// Writes bytes as the inside of a JSON string; returns the end. Takes at most 6 bytes per byte.
char* escapeJson(char* at, const char* bytes, std::size_t size) {
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
  return at;
}

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
    std::string header = "{\"version\": 2, \"width\": 80, \"height\": 50, \"title\": \"vrax - Glimmerfolding\", \"theme\": " +
                         themeJson() + "}\n";
    std::fputs(header.c_str(), file_);
    return checked();
  }

  bool frame(long index, const std::uint8_t*, const char* bytes, std::size_t size) override {
    char* at = line_.get();
    *at++ = '[';
    at += writeCastTime(castFrameTimeNs(index, format_.framesPerSecond), at);
    std::memcpy(at, ", \"o\", \"", 8);
    at += 8;
    if (!cursorHidden_) {
      at = escapeJson(at, kHideCursor, sizeof kHideCursor - 1);
      cursorHidden_ = true;
    }
    at = escapeJson(at, bytes, size);
    std::memcpy(at, "\"]\n", 3);
    at += 3;
    std::fwrite(line_.get(), 1, static_cast<std::size_t>(at - line_.get()), file_);
    return checked();
  }

  bool finish(bool complete) override {
    if (file_ == nullptr) return false;
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (complete && closed && std::rename(partPath_.c_str(), format_.output.c_str()) == 0) return true;
    if (complete) {
      std::string message = "cannot write " + format_.output + ": " + std::strerror(errno);
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
  bool cursorHidden_ = false;
};

}  // namespace

std::unique_ptr<FrameSink> makeCastSink(const RecordingFormat& format) { return std::make_unique<CastSink>(format); }

}  // namespace glimmer
