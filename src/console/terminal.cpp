// What every Terminal can do through escape sequences, for the displays that take them.
#include "console/terminal.h"

#include <cstdio>
#include <string>

#include "console/frame_encoder.h"

namespace glimmer {

bool Terminal::clearScreen() { return write(kClearScreen, sizeof kClearScreen - 1); }

bool Terminal::drawLines(const TextLine* lines, int count) {
  std::string bytes;
  for (int index = 0; index < count; ++index) {
    char move[32];
    std::snprintf(move, sizeof move, "\x1b[%d;%dH", lines[index].row + 1, lines[index].column + 1);
    bytes += move;
    bytes.append(lines[index].text, lines[index].length);
  }
  return write(bytes.data(), bytes.size());
}

bool Terminal::drawCells(CellView, int, int, int, int) { return false; }

}  // namespace glimmer
