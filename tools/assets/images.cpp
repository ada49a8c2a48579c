// The seven images of the show.
//
// Title cards and greeting columns are drawn on a grid of cells, one cell being the 2x2 block of
// pixels that the converter turns into one text cell. A cell is either letter (pure white), outline
// (pure black) or key colour; the scenes draw only the exact black and white words, so the key
// colour never shows. The grid is shifted inside each image so that its cells fall on the frame's
// even pixels at the place the scene draws the image; a letter thus never shares a text cell with
// the picture behind it and stays crisp.
//
// The key colours are the colours the images will be seen on (Scene1's clear colour, the greeting
// backdrop), so the files preview the way they show.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "generators.h"
#include "png_writer.h"
#include "text_raster.h"

namespace glimmer {
namespace {

constexpr double pi = 3.14159265358979323846;
constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t titleKey = 0x4C3399;   // Scene1's clear colour (0.3, 0.2, 0.6)
constexpr std::uint32_t greetsKey = 0xD30094;  // the greeting backdrop

// A grid of cells: 0 key, 1 outline, 2 letter.
struct CellCanvas {
  int width;
  int height;
  std::vector<std::uint8_t> cells;

  CellCanvas(int canvasWidth, int canvasHeight)
      : width(canvasWidth), height(canvasHeight), cells(static_cast<std::size_t>(canvasWidth) * canvasHeight, 0) {}
  void raise(int x, int y, std::uint8_t value) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    std::uint8_t& cell = cells[static_cast<std::size_t>(y) * width + x];
    cell = std::max(cell, value);
  }
};

// Letters with a one-cell outline all round and a drop shadow one more cell down and right;
// (left, top) is where the outlined block's top-left cell goes. The block is letters.width + 3
// cells wide and letters.height + 3 high.
void stampOutlined(CellCanvas& canvas, const CellMask& letters, int left, int top) {
  const CellMask outline = dilate(letters, 1);
  for (int y = 0; y < outline.height; ++y) {
    for (int x = 0; x < outline.width; ++x) {
      if (!outline.at(x, y)) continue;
      canvas.raise(left + x, top + y, 1);
      canvas.raise(left + x + 1, top + y + 1, 1);
    }
  }
  for (int y = 0; y < letters.height; ++y) {
    for (int x = 0; x < letters.width; ++x) {
      if (letters.at(x, y)) canvas.raise(left + 1 + x, top + 1 + y, 2);
    }
  }
}

// Cell (i, j) covers pixels (left + 2i .. left + 2i + 1, top + 2j .. top + 2j + 1).
void paintCells(RgbPicture& picture, const CellCanvas& canvas, int left, int top) {
  for (int j = 0; j < canvas.height; ++j) {
    for (int i = 0; i < canvas.width; ++i) {
      const std::uint8_t cell = canvas.cells[static_cast<std::size_t>(j) * canvas.width + i];
      if (cell == 0) continue;
      const std::uint32_t colour = cell == 2 ? white : black;
      for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) picture.set(left + 2 * i + dx, top + 2 * j + dy, colour);
      }
    }
  }
}

// Renders every line of text (lines split at '\n') at the largest size from largest down at which
// each outlined line fits maxWidth cells; lines share one line height.
bool fitLines(const std::string& font, int largest, const std::string& text, int maxWidth,
              std::vector<CellMask>& lines) {
  std::vector<std::string> words;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  words.push_back(text.substr(start));
  for (int size = largest; size >= 6; --size) {
    lines.assign(words.size(), CellMask());
    bool fits = true;
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (!renderText(font, size, 100, 0, words.size() > 1, words[i], lines[i])) return false;
      fits = fits && lines[i].width + 3 <= maxWidth;
    }
    if (fits) return true;
  }
  std::fprintf(stderr, "\"%s\" does not fit %d cells\n", text.c_str(), maxWidth);
  return false;
}

struct TitleCard {
  const char* fileName;
  int width;
  int height;
  int frameX;  // where Scene1 draws the card
  int frameY;
  const char* text;
  const char* font;
  int largestSize;
};

// The text block is centred on the frame's centre as far as the card allows; the lines of a
// two-line title are set apart by half a line and centred each.
bool writeTitle(const std::string& directory, const std::string& fontDirectory, const TitleCard& card) {
  const int left = card.frameX % 2;  // first pixel of a cell that starts on an even frame column
  const int top = card.frameY % 2;
  CellCanvas canvas((card.width - left) / 2, (card.height - top) / 2);
  std::vector<CellMask> lines;
  if (!fitLines(fontDirectory + "/" + card.font, card.largestSize, card.text, canvas.width, lines)) return false;
  const int lineHeight = lines[0].height + 3;
  const int lineGap = lines.size() > 1 ? -lineHeight / 4 : 0;
  const int blockHeight = static_cast<int>(lines.size()) * (lineHeight + lineGap) - lineGap;
  // Frame cell of canvas cell i is (frameX + left) / 2 + i; the frame's centre is cell (40, 25).
  const int centreX = 40 - (card.frameX + left) / 2;
  const int centreY = 25 - (card.frameY + top) / 2;
  int lineTop = std::clamp(centreY - blockHeight / 2, 0, std::max(0, canvas.height - blockHeight));
  if (lineTop + blockHeight > canvas.height) {
    std::fprintf(stderr, "\"%s\" does not fit its card\n", card.text);
    return false;
  }
  for (const CellMask& line : lines) {
    const int blockWidth = line.width + 3;
    stampOutlined(canvas, line, std::clamp(centreX - blockWidth / 2, 0, canvas.width - blockWidth), lineTop);
    lineTop += lineHeight + lineGap;
  }
  RgbPicture picture(card.width, card.height, titleKey);
  paintCells(picture, canvas, left, top);
  return writeRgbPng(directory + "/" + card.fileName, picture);
}

// One colour of a smooth, saturated cycle; t in [0, 1) wraps.
std::uint32_t paletteColour(double t, double brightness) {
  const auto channel = [&](double phase) {
    const double value = 0.5 + 0.5 * std::cos(2.0 * pi * (t + phase));
    return static_cast<std::uint32_t>(std::lround(std::clamp(value * brightness, 0.0, 1.0) * 255.0));
  };
  return channel(0.0) << 16 | channel(0.33) << 8 | channel(0.67);
}

// Distance on a torus of period period from (x, y) to the nearest lattice point offset by
// (centreX, centreY): the building block of patterns that tile.
double wrappedDistance(double x, double y, double centreX, double centreY, double period) {
  const auto wrap = [&](double d) {
    d = std::fmod(std::fabs(d), period);
    return std::min(d, period - d);
  };
  return std::hypot(wrap(x - centreX), wrap(y - centreY));
}

// 128x128 and every term periodic in 128 (sines of whole frequencies, ring lattices of 64), so the
// picture tiles without a seam: concentric rings in two interleaved lattices over a colour plasma.
bool writeGreetsPicture(const std::string& directory) {
  constexpr int size = 128;
  RgbPicture picture(size, size, black);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double u = 2.0 * pi * x / size;
      const double v = 2.0 * pi * y / size;
      const double plasma = (std::sin(2.0 * u) + std::sin(3.0 * v) + std::sin(u + v) + std::sin(2.0 * v - u)) / 8.0;
      const double ringsA = wrappedDistance(x, y, 16.0, 16.0, 64.0);
      const double ringsB = wrappedDistance(x, y, 48.0, 48.0, 64.0);
      const double rings = std::min(ringsA, ringsB);
      const int band = static_cast<int>(rings / 5.0);
      const bool outer = rings > 27.0;
      double brightness = band % 2 == 0 ? 1.0 : 0.55;
      if (outer) brightness = 0.35;
      const double hue = plasma + (outer ? 0.5 : band * 0.09);
      picture.set(x, y, paletteColour(hue - std::floor(hue), brightness));
    }
  }
  return writeRgbPng(directory + "/greets.png", picture);
}

struct GreetingColumn {
  const char* fileName;
  int width;
  int frameX;     // Scene column of the image's left edge
  bool readDown;  // letters turned clockwise (names read downwards) or counter-clockwise
  std::vector<const char*> names;
};

// Names turned a quarter, one after another along the column with a gap between them; a column
// read downwards starts at its top, one read upwards at its bottom, so each name enters the
// screen first letter first.
bool writeGreetingColumn(const std::string& directory, const std::string& fontDirectory, const GreetingColumn& column) {
  constexpr int textSize = 12;
  constexpr int gap = 12;  // cells between names
  const std::string font = fontDirectory + "/DejaVuSansCondensed-Bold.ttf";
  const int left = column.frameX % 2;
  const int cellsAcross = (column.width - left) / 2;
  std::vector<CellMask> turned;
  int length = gap;
  for (const char* name : column.names) {
    CellMask letters;
    if (!renderText(font, textSize, 100, 0, true, name, letters)) return false;
    turned.push_back(column.readDown ? rotateClockwise(letters) : rotateCounterClockwise(letters));
    if (turned.back().width + 3 > cellsAcross) {
      std::fprintf(stderr, "\"%s\" is too wide for %s\n", name, column.fileName);
      return false;
    }
    length += turned.back().height + 3 + gap;
  }
  CellCanvas canvas(cellsAcross, length);
  int at = gap;
  for (std::size_t i = 0; i < turned.size(); ++i) {
    const CellMask& name = column.readDown ? turned[i] : turned[turned.size() - 1 - i];
    stampOutlined(canvas, name, (cellsAcross - name.width - 3 + 1) / 2, at);
    at += name.height + 3 + gap;
  }
  RgbPicture picture(column.width, 2 * length, greetsKey);
  paintCells(picture, canvas, left, 0);
  return writeRgbPng(directory + "/" + column.fileName, picture);
}

// 80x50, drawn by Scene2 on every second pixel of every second row (so at a quarter of its
// brightness) and scrolled down with a period of 49 rows: every term is periodic in 49 rows, which
// makes row 49 equal row 0. Slow colour waves with sparse light streaks, dim enough to keep the
// falling shapes in front.
bool writeBackground(const std::string& directory) {
  constexpr int width = 80;
  constexpr int height = 50;
  constexpr int period = height - 1;
  RgbPicture picture(width, height, black);
  for (int y = 0; y < height; ++y) {
    const double v = 2.0 * pi * (y % period) / period;
    for (int x = 0; x < width; ++x) {
      const double u = 2.0 * pi * x / width;
      const double wave = 0.5 + 0.25 * std::sin(v + 2.0 * u) + 0.25 * std::sin(2.0 * v - u);
      const double hue = 0.55 + 0.2 * std::sin(v + u);
      const unsigned hash = static_cast<unsigned>(x) * 73u + static_cast<unsigned>(y % period) * 151u;
      const bool streak = x % 7 == 3 && (hash % 11u) < 2u;
      picture.set(x, y, streak ? 0xC8E0FF : paletteColour(hue, 0.35 + 0.45 * wave));
    }
  }
  return writeRgbPng(directory + "/bg.png", picture);
}

}  // namespace

bool writeImages(const std::string& directory, const std::string& fontDirectory) {
  const TitleCard titles[] = {
      {"start1.png", 155, 90, 5, 10, "vrax", "DejaVuSans-Bold.ttf", 40},
      {"start2.png", 155, 95, 5, 5, "presents", "DejaVuSans-Bold.ttf", 18},
      {"start3.png", 155, 85, 5, 15, "Glimmer\nfolding", "DejaVuSans-Bold.ttf", 24},
  };
  for (const TitleCard& card : titles) {
    if (!writeTitle(directory, fontDirectory, card)) {
      std::fprintf(stderr, "cannot write \"%s/%s\"\n", directory.c_str(), card.fileName);
      return false;
    }
  }
  const GreetingColumn columns[] = {
      {"greets_txt.png", 35, 125, true, {"Saltmoth", "Quillfire", "Vexlume", "Brassfin", "Ozmotic", "Krestel"}},
      {"greets_txt2.png", 36, 4, false, {"Dustcurl", "Hexaphon", "Moirelab", "Tinhat", "Cindrel", "Wobblix"}},
  };
  for (const GreetingColumn& column : columns) {
    if (!writeGreetingColumn(directory, fontDirectory, column)) {
      std::fprintf(stderr, "cannot write \"%s/%s\"\n", directory.c_str(), column.fileName);
      return false;
    }
  }
  if (!writeGreetsPicture(directory)) {
    std::fprintf(stderr, "cannot write \"%s/greets.png\"\n", directory.c_str());
    return false;
  }
  if (!writeBackground(directory)) {
    std::fprintf(stderr, "cannot write \"%s/bg.png\"\n", directory.c_str());
    return false;
  }
  return true;
}

}  // namespace glimmer
