// Frame presentation: the whole 80x50 CellBuffer becomes what the display shows, with one write.
#pragma once

namespace glimmer {

struct Demo;

// Encodes demo.cells for demo.console and writes the frame. A failed write marks the console's
// output as lost.
void presentFrame(Demo& demo);

}  // namespace glimmer
