// FrameSink: where a recording's frames go. The kind follows the output name (outputKindOf): an
// asciicast v2 file, a video made by ffmpeg, a web page with its folder NAME_files/
// (web_page_sink.cpp), or a folder of PNG frames.
// Every kind writes under temporary names and puts the result in place only when it is complete,
// replacing an older output of the same name only then, so a failed or interrupted recording
// leaves nothing behind and an older output as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/cell_buffer.h"

namespace glimmer {

enum class OutputKind { Cast, Video, WebPage, PngFolder, Unknown };

// The kind an output name asks for: NAME.cast, NAME.mp4, NAME.webm or NAME.mkv, NAME.html (the
// extension in any case), or NAME/ (also NAME\) for a folder of PNG frames; Unknown for anything
// else, so a mistyped extension never becomes a folder.
OutputKind outputKindOf(const std::string& name);

// True when name ends in extension (given in lower case, with its dot), in any case, after at
// least one other character.
bool hasExtension(const std::string& name, std::string_view extension);

// The names outputKindOf knows, for a message.
inline constexpr const char* kOutputKinds =
    "NAME.cast (an asciicast), NAME.html (a web page), NAME.mp4, NAME.webm or NAME.mkv (a video) or NAME/ "
    "(a folder of PNG frames)";

// What a finished recording wrote: its name as messages give it ("show.html and show_files/") and
// the bytes it takes.
struct WrittenOutput {
  std::string name;
  std::uintmax_t bytes = 0;
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;

  // Opens the output. False with a one-line message printed when it cannot be written.
  virtual bool begin() = 0;

  // Frame number index (from 0): the cells, and the bytes the live show writes for them.
  // False with a message printed when writing failed; no further frame is given then.
  virtual bool frame(long index, CellView cells, const char* bytes, std::size_t size) = 0;

  // complete: puts the finished output in place (false with a message if that fails). Otherwise
  // removes what was written, puts back an older output it was replacing, and returns false.
  virtual bool finish(bool complete) = 0;

  // What was written; valid once finish(true) returned true.
  virtual WrittenOutput written() const = 0;
};

struct RecordingFormat {
  std::string output;
  int framesPerSecond = 60;
  int fromMs = 0;
  Grid grid = Grid::Classic;                 // the cells' grid: a cast's width, a picture's cells
  const char* musicPath = "data/music.ogg";  // the sound track of a video or a web page
  // The web page's player: a folder laid out as the npm package asciinema-player. Empty: where this
  // program finds it (installed beside it, or in the build tree by scripts/setup-web-player.sh).
  std::string webPlayerFolder = "";
  // PNG frames and video: each pixel of the 640x400 picture drawn as a scale x scale block, 1 to
  // kMaxPictureScale (cell_picture.h). The other kinds have no pixels and ignore it.
  int scale = 1;
};

std::unique_ptr<FrameSink> makeCastSink(const RecordingFormat& format);
std::unique_ptr<FrameSink> makePngFolderSink(const RecordingFormat& format);
std::unique_ptr<FrameSink> makeVideoSink(const RecordingFormat& format);
std::unique_ptr<FrameSink> makeWebPageSink(const RecordingFormat& format);

// The sink that the output name asks for; null for OutputKind::Unknown.
std::unique_ptr<FrameSink> makeFrameSink(const RecordingFormat& format);

// The bytes a file takes, or all the files in a folder and its folders; 0 for what cannot be read.
std::uintmax_t bytesOnDisk(const std::string& path);

}  // namespace glimmer
