// CastWriter: the lines of an asciicast v2 recording of the show, for any place the bytes go (the
// .cast file, the web page's compressed cast): a header line with the show's title and palette as
// the theme, then one output event per frame holding exactly the bytes the show's encoder makes for
// it (the first also hides the cursor, as the live show does when it takes the terminal), at the
// times of cast_time.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/cell_buffer.h"

namespace glimmer {

class CastWriter {
 public:
  // framesPerSecond: the recording's rate (1..1000). grid: the cells' grid, the cast's width.
  // startNs: the time of frame 0, in nanoseconds (0 for a cast of its own).
  CastWriter(int framesPerSecond, Grid grid, std::int64_t startNs = 0);

  // The header line, with its line end.
  std::string header() const;

  // Frame index's event line (from frame 0 on, each frame once, in order), with its line end.
  // Valid until the next call.
  std::string_view frameLine(long index, const char* bytes, std::size_t size);

 private:
  int framesPerSecond_;
  Grid grid_;
  std::int64_t startNs_;
  std::unique_ptr<char[]> line_;
  bool cursorHidden_ = false;
};

}  // namespace glimmer
