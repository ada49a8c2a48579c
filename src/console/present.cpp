// Frame presentation: the cells, drawn or encoded for the display, in one write.
#include "console/present.h"

#include <cstddef>

#include "console/console.h"

namespace glimmer {

const char* encodeFrame(ConsoleFrame& console, CellView cells, std::size_t& size) {
  const ConsoleLayout& layout = console.layout_;
  return console.encoder_.encode(cells, layout.originColumn, layout.originRow, layout.visibleColumns,
                                 layout.visibleRows, size);
}

void drawWholeNextFrame(ConsoleFrame& console) { console.encoder_.invalidate(); }

void presentFrame(ConsoleFrame& console, CellView cells) {
  Terminal& display = *console.output_;
  if (display.takeResize()) updateLayout(console);
  bool written = true;
  if (display.drawsCells()) {
    const ConsoleLayout& layout = console.layout_;
    written =
        display.drawCells(cells, layout.originColumn, layout.originRow, layout.visibleColumns, layout.visibleRows);
  } else {
    std::size_t size = 0;
    const char* bytes = encodeFrame(console, cells, size);
    if (console.encoder_.lastFrameChangedNothing()) return;  // the display shows it already
    written = display.write(bytes, size);
  }
  if (!written) {
    console.outputLost_ = true;
    console.encoder_.invalidate();
  }
}

}  // namespace glimmer
