// Frame presentation: a frame of cells becomes what the display shows, with one write.
#pragma once

#include <cstddef>

#include "base/cell_buffer.h"

namespace glimmer {

class ConsoleFrame;

// The bytes that make the console's display show the cells at the console's layout: only what
// changed since the previous frame, unless the encoder was told to draw whole. Valid until the next
// encoding. Allocates nothing.
const char* encodeFrame(ConsoleFrame& console, CellView cells, std::size_t& size);

// The next frame is drawn whole, on a display taken to be blank (a recording's first frame).
void drawWholeNextFrame(ConsoleFrame& console);

// Re-centres the grid when the display changed size and shows the cells with one write: a display
// of cells takes them as they are; any other the encoder's bytes (whole after a resize or a failed
// write, else only what changed), and nothing for a frame that changes nothing. A failed write
// marks the console's output as lost; the caller ends the show. Allocates nothing.
void presentFrame(ConsoleFrame& console, CellView cells);

}  // namespace glimmer
