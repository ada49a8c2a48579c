// CellMask and renderText: text set with FreeType as a one-bit mask, and the few mask operations the
// title and greeting images are built from. One mask element becomes one 2x2 block of pixels, so
// every stroke the converter sees covers whole cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glimmer {

struct CellMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bits;  // width * height, rows top first, 0 or 1

  CellMask() = default;
  CellMask(int maskWidth, int maskHeight);
  // False outside the mask.
  bool at(int x, int y) const;
  // Ignored outside the mask.
  void set(int x, int y);
  int count() const;
};

// Sets text in the font file at fontPath, pixelSize elements high and widthPercent of that wide,
// in hinted one-bit rendering, with letterSpacing extra elements between letters. The mask is
// cropped to the set elements, except that with keepLineHeight its rows span the whole line
// (capitals to descenders) whatever the letters, so texts of one size share their baseline.
// False, with the reason on standard error, when FreeType fails.
bool renderText(const std::string& fontPath, int pixelSize, int widthPercent, int letterSpacing, bool keepLineHeight,
                const std::string& text, CellMask& out);

// The smallest mask holding every set element of mask.
CellMask cropToContent(const CellMask& mask);
// Quarter turns: clockwise makes the text read downwards, counter-clockwise upwards.
CellMask rotateClockwise(const CellMask& mask);
CellMask rotateCounterClockwise(const CellMask& mask);
// Every element within Chebyshev distance radius of a set element; the mask grows by radius on
// every side, so element (x, y) of mask is element (x + radius, y + radius) of the result.
CellMask dilate(const CellMask& mask, int radius);

}  // namespace glimmer
