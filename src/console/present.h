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

// Takes a change of the display's size (or the display given back after a stop): lays the grid
// out again (updateLayout: a grid that fits, the wide one again where it was chosen and fits
// again), so the next frame is drawn whole on a cleared display. While no grid fits, the display
// is cleared and shows kWindowTooSmall centred, and frames are not drawn until it fits again.
// True when the layout was made again: what the show holds must be converted again for the grid
// in use and presented. Allocates nothing.
bool refreshLayout(ConsoleFrame& console);

// Takes a change of size (refreshLayout) and shows the cells with one write: a display of cells
// takes them as they are; any other the encoder's bytes (whole after a resize or a failed write,
// else only what changed), and nothing for a frame that changes nothing. Nothing is drawn while no
// grid fits, nor for cells of another grid than the one in use (converted before the grid
// changed: the next frame is converted for the new one). A failed write marks the console's output
// as lost; the caller ends the show. Allocates nothing.
void presentFrame(ConsoleFrame& console, CellView cells);

// As presentFrame, with a note (ASCII, one line) over the top-left corner of the cells, away from
// the picture's centre, drawn as cells through the encoder, so the display's next frame puts back
// what the note covered. Allocates nothing.
void presentFrameWithNote(ConsoleFrame& console, CellView cells, const char* note);

}  // namespace glimmer
