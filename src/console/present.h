// Frame presentation: the whole 80x50 CellBuffer becomes what the display shows, with one write.
#pragma once

#include <cstddef>
#include <cstdint>

namespace glimmer {

struct ConsoleFrame;

// The bytes that make the console's display show the cells at the console's layout: only what
// changed since the previous frame, unless the encoder was told to draw whole. Valid until the next
// encoding. Allocates nothing.
const char* encodeFrame(ConsoleFrame& console, const std::uint8_t* cells, std::size_t& size);

// Re-centres the grid when the display changed size, encodes the CellBuffer cells for the console
// (whole after a resize or a failed write, else only what changed) and writes the frame with one
// call; a frame that changes nothing on the display writes nothing. A failed write marks the
// console's output as lost; the caller ends the show. Allocates nothing.
void presentFrame(ConsoleFrame& console, const std::uint8_t* cells);

}  // namespace glimmer
