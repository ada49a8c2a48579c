// TFX_HalfBlock: the pixels look's conversion. Each cell stands for one pixel column and two pixel
// rows of the picture and is drawn as the upper half block (code page 437 223): the top pixel in the
// foreground, the bottom one in the background, so every pixel is shown.
//
// Every cell's attribute holds, for each of its two pixels, the nearest of the 16 console colours:
// the one at the smallest squared distance in red, green and blue from the show's palette, and of
// equally near ones the lowest colour number. With direct colours the cell also carries the two
// pixels' own colours (red, green, blue; the top byte cleared), for displays of 24-bit colour.
//
// init builds, for every colour quantised to 6 bits a channel, the nearest colour where all 64
// colours that share the quantised value have the same one; a conversion then reads that table
// and reckons the few others colour by colour.
#pragma once

#include <cstdint>
#include <memory>

#include "base/cell_buffer.h"

namespace glimmer {

class TFX_HalfBlock {
 public:
  TFX_HalfBlock();
  TFX_HalfBlock(const TFX_HalfBlock&) = delete;
  TFX_HalfBlock& operator=(const TFX_HalfBlock&) = delete;
  ~TFX_HalfBlock();

  // Builds the nearest-colour table; call once, before any conversion.
  void init();

  // One cell per 1x2 block: (x1 - x0) x (y1 - y0) / 2 cells from cell (cellX, cellY) of out; an
  // odd last row is not read, and every other cell keeps its content. Pixels are words 0x??BBGGRR,
  // stride pixels from one row to the next; the caller keeps the rectangle inside the picture and
  // its cells inside out. With directColours each cell is direct. Allocates nothing.
  void convert1x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY, CellGrid out,
                  bool directColours) const;

  // The console colour nearest to a pixel word 0x??BBGGRR, as above.
  int nearestColour(std::uint32_t pixel) const;

 private:
  std::unique_ptr<std::uint8_t[]> nearest_;  // by 6-bit table index: the colour, or kUnsettled
};

}  // namespace glimmer
