// Frame presentation: the CellBuffer, encoded for the display, in one write.
#include "console/present.h"

#include <cstddef>

#include "console/console.h"

namespace glimmer {

const char* encodeFrame(ConsoleFrame& console, const std::uint8_t* cells, std::size_t& size) {
  return console.encoder.encode(cells, console.originColumn, console.originRow, console.visibleColumns,
                                console.visibleRows, size);
}

void presentFrame(ConsoleFrame& console, const std::uint8_t* cells) {
  if (console.output->takeResize()) updateLayout(console);
  std::size_t size = 0;
  const char* bytes = encodeFrame(console, cells, size);
  if (console.encoder.lastFrameChangedNothing()) return;  // the display shows it already
  if (!console.output->write(bytes, size)) {
    console.outputLost = true;
    console.encoder.invalidate();
  }
}

}  // namespace glimmer
