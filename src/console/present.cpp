// Frame presentation: the cells, drawn or encoded for the display, in one write.
#include "console/present.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "console/console.h"

namespace glimmer {
namespace {

// The note's cells: black on the light grey of the console's colours.
constexpr std::uint8_t kNoteAttribute = 0x70;

}  // namespace

const char* encodeFrame(ConsoleFrame& console, CellView cells, std::size_t& size) {
  const ConsoleLayout& layout = console.layout_;
  return console.encoder_.encode(cells, layout.originColumn, layout.originRow, layout.visibleColumns,
                                 layout.visibleRows, size);
}

void drawWholeNextFrame(ConsoleFrame& console) { console.encoder_.invalidate(); }

bool refreshLayout(ConsoleFrame& console) {
  Terminal& display = *console.output_;
  if (!display.takeResize()) return false;
  updateLayout(console);
  const ConsoleLayout& layout = console.layout_;
  // A display of cells keeps what is outside the grid: it is cleared here. The encoder clears the
  // others in the whole frame it draws next.
  if (display.drawsCells() || !layout.fits) display.clearScreen();
  if (!layout.fits) {
    int columns = 0;
    int rows = 0;
    display.size(columns, rows);
    const int shown = std::clamp(columns, 0, static_cast<int>(sizeof kWindowTooSmall - 1));
    const TextLine line{(columns - shown) / 2, rows > 0 ? (rows - 1) / 2 : 0, kWindowTooSmall,
                        static_cast<std::size_t>(shown)};
    if (shown > 0 && rows > 0) display.drawLines(&line, 1);
  }
  return true;
}

void presentFrame(ConsoleFrame& console, CellView cells) {
  Terminal& display = *console.output_;
  refreshLayout(console);
  const ConsoleLayout& layout = console.layout_;
  if (!layout.fits || cells.width != columnsOf(console.display_.grid)) return;
  bool written = true;
  if (display.drawsCells()) {
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

void presentFrameWithNote(ConsoleFrame& console, CellView cells, const char* note) {
  CellBuffer& noted = console.noted_;
  const int width = cells.width < kWideCellColumns ? cells.width : kWideCellColumns;
  const int height = cells.height < kCellRows ? cells.height : kCellRows;
  for (int row = 0; row < height; ++row) {
    std::memcpy(noted.data() + row * width, &cells.at(0, row), static_cast<std::size_t>(width) * sizeof(Cell));
  }
  const std::size_t length = std::strlen(note);
  for (std::size_t column = 0; column < length && static_cast<int>(column) < width; ++column) {
    noted[column] = {static_cast<std::uint8_t>(note[column]), kNoteAttribute};
  }
  presentFrame(console, CellView{noted.data(), width, height, width});
}

}  // namespace glimmer
