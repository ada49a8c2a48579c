// FrameSink: where a recording's frames go. The kind follows the output name: ".cast" an asciicast
// v2 file, ".mp4", ".webm" or ".mkv" a video made by ffmpeg, ".html" a web page with its folder
// NAME_files/ (web_page_sink.cpp), anything else a folder of PNG frames.
// Every kind writes under a temporary name and puts the result in place only when it is complete,
// so a failed recording leaves nothing behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/cell_buffer.h"

namespace glimmer {

class FrameSink {
 public:
  virtual ~FrameSink() = default;

  // Opens the output. False with a one-line message printed when it cannot be written.
  virtual bool begin() = 0;

  // Frame number index (from 0): the cells, and the bytes the live show writes for them.
  // False with a message printed when writing failed; no further frame is given then.
  virtual bool frame(long index, CellView cells, const char* bytes, std::size_t size) = 0;

  // complete: puts the finished output in place (false with a message if that fails). Otherwise
  // removes what was written and returns false.
  virtual bool finish(bool complete) = 0;
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
};

std::unique_ptr<FrameSink> makeCastSink(const RecordingFormat& format);
std::unique_ptr<FrameSink> makePngFolderSink(const RecordingFormat& format);
std::unique_ptr<FrameSink> makeVideoSink(const RecordingFormat& format);
std::unique_ptr<FrameSink> makeWebPageSink(const RecordingFormat& format);

// The sink that the output name asks for.
std::unique_ptr<FrameSink> makeFrameSink(const RecordingFormat& format);

}  // namespace glimmer
