// Frame presentation: the cells, drawn or encoded for the display, in one write.
#include "console/present.h"

#include <cstddef>

#include "console/console.h"

namespace glimmer {

const char* encodeFrame(ConsoleFrame& console, CellView cells, std::size_t& size) {
  return console.encoder.encode(cells, console.originColumn, console.originRow, console.visibleColumns,
                                console.visibleRows, size);
}

void presentFrame(ConsoleFrame& console, CellView cells) {
  Terminal& display = *console.output;
  if (display.takeResize()) updateLayout(console);
  bool written = true;
  if (display.drawsCells()) {
    written = display.drawCells(cells, console.originColumn, console.originRow, console.visibleColumns,
                                console.visibleRows);
  } else {
    std::size_t size = 0;
    const char* bytes = encodeFrame(console, cells, size);
    if (console.encoder.lastFrameChangedNothing()) return;  // the display shows it already
    written = display.write(bytes, size);
  }
  if (!written) {
    console.outputLost = true;
    console.encoder.invalidate();
  }
}

}  // namespace glimmer
