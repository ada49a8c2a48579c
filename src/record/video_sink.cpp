// The video sink: frames drawn as a console shows them, piped raw to ffmpeg, with the music as the
// sound track from the recording's first moment (child_process.h). ffmpeg writes NAME.part, which
// is put in place as NAME once it has finished well.
//
// At scale 1 the frames go as RGB and the codecs are ffmpeg's defaults for the container, in
// 4:2:0, which plays anywhere but is too coarse for the shade glyphs' one-pixel dots: a third of
// them come out more than 32 of 255 off their colour. A scaled capture, made to be shared, goes as
// Y'CbCr planes and is encoded so that every dot keeps its colour (scaledVideoSettings).
//
// LIMITATIONS
// - Needs the ffmpeg program (Debian: ffmpeg) with libx264 (.mp4, .mkv) and libvpx (.webm), as
//   Debian's has.
// - 4:4:4 video (at scales 2, 3 and 5) plays in ffmpeg-based players and is taken by video sites,
//   but many browsers and hardware players do not play it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/data_folder.h"
#include "base/report.h"
#include "record/cell_picture.h"
#include "record/child_process.h"
#include "record/frame_sink.h"
#include "record/part_file.h"
#include "record/scaled_picture.h"

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

// How a capture at a scale of 2 or more is encoded, chosen by measurement (a frame decoded back
// and compared dot by dot with the PNG frame of the same moment):
// - 4:2:0 keeps one colour for each 2x2 block of pixels. At scales 4 and 6 each block lies inside
//   one dot, so it keeps the dots' colours exactly where the decoder takes the block's sample, and
//   plays everywhere; the other scales are encoded in 4:4:4 (H.264's High 4:4:4, VP9's profile 1),
//   which keeps every pixel's colour.
// - The frames come as Y'CbCr planes (scaled_picture.h), BT.709 in limited range, tagged so.
// - Quality: H.264 at CRF 18, where the dots' middles are 5 of 255 off on average and hardly any
//   by more than 32 (at ffmpeg's default of 23, one dot in eleven is); VP9 at CRF 24 at its
//   realtime speed, which keeps them better still (2 of 255).
// - Speed: the "veryfast" preset of H.264 (see DEVELOPING.md for the presets' times at 3840x2400).
std::vector<std::string> scaledVideoSettings(const char* container, bool halfChroma) {
  // clang-format off
  std::vector<std::string> settings =
      std::string_view(container) == "webm"
          ? std::vector<std::string>{"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-row-mt", "1",
                                     "-crf", "24", "-b:v", "0"}
          : std::vector<std::string>{"-c:v", "libx264", "-preset", "veryfast", "-crf", "18"};
  const std::vector<std::string> picture = {
      "-pix_fmt", halfChroma ? "yuv420p" : "yuv444p", "-color_range", "tv",
      "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709"};
  // clang-format on
  settings.insert(settings.end(), picture.begin(), picture.end());
  return settings;
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
    const char* container = containerOf(format_.output);
    const bool scaled = format_.scale > 1;
    const bool halfChroma = format_.scale % 2 == 0 && format_.scale >= 4;
    if (scaled) {
      planes_ = std::make_unique<YCbCrPicture>(kPictureWidth, kPictureHeight, format_.scale,
                                               halfChroma ? Chroma::Half : Chroma::Full);
    }
    // clang-format off
    std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", !scaled ? "rgb24" : halfChroma ? "yuv420p" : "yuv444p",
        "-s", std::to_string(kPictureWidth * format_.scale) + "x" + std::to_string(kPictureHeight * format_.scale),
        "-framerate", std::to_string(format_.framesPerSecond), "-i", "-",
        "-ss", start, "-i", pathArgument(dataFilePath(format_.musicPath)),
        "-map", "0:v", "-map", "1:a", "-shortest"};
    // clang-format on
    if (scaled) {
      const std::vector<std::string> settings = scaledVideoSettings(container, halfChroma);
      arguments.insert(arguments.end(), settings.begin(), settings.end());
    } else {
      arguments.insert(arguments.end(), {"-pix_fmt", "yuv420p"});
    }
    arguments.insert(arguments.end(), {"-fflags", "+bitexact", "-f", container, pathArgument(partPath_)});
    if (!ffmpeg_.start(arguments)) {
      printLine(("cannot start ffmpeg: " + std::string(std::strerror(errno))).c_str());
      return false;
    }
    started_ = true;
    return true;
  }

  bool frame(long, CellView cells, const char*, std::size_t) override {
    drawCellPicture(cells, rgb_.get());
    bool taken = false;
    if (planes_) {
      planes_->convert(rgb_.get());
      taken = ffmpeg_.write(planes_->data(), planes_->bytes());
    } else {
      taken = ffmpeg_.write(rgb_.get(), kPictureBytes);
    }
    if (!taken) {
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
  std::unique_ptr<YCbCrPicture> planes_;  // at a scale above 1, what ffmpeg is given
  ChildProcess ffmpeg_;
  bool started_ = false;
};

}  // namespace

std::unique_ptr<FrameSink> makeVideoSink(const RecordingFormat& format) { return std::make_unique<VideoSink>(format); }

}  // namespace glimmer
