// CastWriter: the lines of an asciicast v2 recording of the show, for any place the bytes go (the
// .cast file, the web page's compressed cast): a header line with the show's title and palette as
// the theme, then one output event per frame holding exactly the bytes the show's encoder makes for
// it, at the times of cast_time.h. The first event also hides the cursor, as the live show does
// when it takes the terminal; the last also puts the terminal back as a player found it (default
// colours, the cursor shown, at the start of the grid's last row), so a cast replayed in a
// terminal ends at a normal prompt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/cell_buffer.h"

namespace glimmer {

// What the last event adds after its frame's bytes.
inline constexpr char kEndOfRecording[] = "\x1b[0m\x1b[?25h\x1b[50;1H";

class CastWriter {
 public:
  // framesPerSecond: the recording's rate (1..1000). grid: the cells' grid, the cast's width.
  // startNs: the time of frame 0, in nanoseconds (0 for a cast of its own).
  CastWriter(int framesPerSecond, Grid grid, std::int64_t startNs = 0);

  // The header line, with its line end.
  std::string header() const;

  // Takes frame index's bytes (from frame 0 on, each frame once, in order) and returns the event
  // line, with its line end, of the frame before it, which is now known not to be the last; empty
  // for frame 0. Valid until the next call. Allocates nothing.
  std::string_view frameLine(long index, const char* bytes, std::size_t size);

  // The last frame's event line, which ends the recording (see above); empty when no frame came.
  // Valid until the next call.
  std::string_view lastLine();

 private:
  std::string_view eventLine(long index, const char* bytes, std::size_t size, bool last);

  int framesPerSecond_;
  Grid grid_;
  std::int64_t startNs_;
  std::unique_ptr<char[]> line_;
  std::unique_ptr<char[]> held_;  // the frame whose line is not written yet
  std::size_t heldSize_ = 0;
  long heldIndex_ = -1;
};

}  // namespace glimmer
