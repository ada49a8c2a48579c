// The asciicast v2 sink: the lines of cast_writer.h, written to OUT.cast.
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/identity.h"
#include "base/palette.h"
#include "console/frame_encoder.h"
#include "record/cast_time.h"
#include "record/cast_writer.h"
#include "record/frame_sink.h"
#include "record/part_file.h"

namespace glimmer {
namespace {

// Worst case of one escaped byte: \u00XX; with the cursor's and the ending's sequences.
constexpr std::size_t kMaxEscapedFrame = (FrameEncoder::kMaxFrameBytes + 64) * 6 + 64;

constexpr char kHideCursor[] = "\x1b[?25l";

// The header's theme: the console palette, foreground grey (colour 7) on black (colour 0), and the
// 16 colours in ANSI order (black, red, green, yellow, blue, magenta, cyan, white, then the bright
// ones), so a player paints the 16-colour SGR codes the encoder writes in the show's own colours.
std::string themeJson() {
  auto hex = [](const std::int32_t* colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour[0] & 255, colour[1] & 255, colour[2] & 255);
    return std::string(text);
  };
  constexpr AnsiPalette palette = ansiPaletteOf(kConsolePalette);
  std::string json =
      "{\"fg\": \"" + hex(kConsolePalette[7]) + "\", \"bg\": \"" + hex(kConsolePalette[0]) + "\", \"palette\": \"";
  for (int ansi = 0; ansi < 16; ++ansi) {
    if (ansi > 0) json += ':';
    json += hex(palette.colours[ansi]);
  }
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
  explicit CastSink(const RecordingFormat& format) : format_(format), writer_(format.framesPerSecond, format.grid) {}

  bool begin() override {
    if (!file_.open(format_.output, format_.output)) return false;
    std::setvbuf(file_.stream(), nullptr, _IOFBF, 1 << 20);
    std::fputs(writer_.header().c_str(), file_.stream());
    return file_.healthy();
  }

  bool frame(long index, CellView, const char* bytes, std::size_t size) override {
    return put(writer_.frameLine(index, bytes, size));
  }

  bool finish(bool complete) override {
    if (complete && put(writer_.lastLine())) return file_.commit();
    file_.discard();
    return false;
  }

  WrittenOutput written() const override { return {format_.output, bytesOnDisk(format_.output)}; }

 private:
  bool put(std::string_view line) {
    if (!line.empty()) std::fwrite(line.data(), 1, line.size(), file_.stream());
    return file_.healthy();
  }

  RecordingFormat format_;
  CastWriter writer_;
  PartFile file_;
};

}  // namespace

CastWriter::CastWriter(int framesPerSecond, Grid grid, std::int64_t startNs)
    : framesPerSecond_(framesPerSecond),
      grid_(grid),
      startNs_(startNs),
      line_(new char[kMaxEscapedFrame]),
      held_(new char[FrameEncoder::kMaxFrameBytes]) {}

std::string CastWriter::header() const {
  return "{\"version\": 2, \"width\": " + std::to_string(columnsOf(grid_)) + ", \"height\": 50, \"title\": \"" +
         kShowTitle + "\", \"theme\": " + themeJson() + "}\n";
}

std::string_view CastWriter::frameLine(long index, const char* bytes, std::size_t size) {
  std::string_view line;
  if (heldIndex_ >= 0) line = eventLine(heldIndex_, held_.get(), heldSize_, false);
  std::memcpy(held_.get(), bytes, size);
  heldSize_ = size;
  heldIndex_ = index;
  return line;
}

std::string_view CastWriter::lastLine() {
  if (heldIndex_ < 0) return {};
  const long index = heldIndex_;
  heldIndex_ = -1;
  return eventLine(index, held_.get(), heldSize_, true);
}

std::string_view CastWriter::eventLine(long index, const char* bytes, std::size_t size, bool last) {
  char* at = line_.get();
  *at++ = '[';
  at += writeCastTime(startNs_ + castFrameTimeNs(index, framesPerSecond_), at);
  std::memcpy(at, ", \"o\", \"", 8);
  at += 8;
  if (index == 0) at = escapeJson(at, kHideCursor, sizeof kHideCursor - 1);
  at = escapeJson(at, bytes, size);
  if (last) at = escapeJson(at, kEndOfRecording, sizeof kEndOfRecording - 1);
  std::memcpy(at, "\"]\n", 3);
  at += 3;
  return std::string_view(line_.get(), static_cast<std::size_t>(at - line_.get()));
}

std::unique_ptr<FrameSink> makeCastSink(const RecordingFormat& format) { return std::make_unique<CastSink>(format); }

}  // namespace glimmer
