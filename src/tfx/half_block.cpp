// TFX_HalfBlock: a nearest-colour table at init, then two table reads per cell.
#include "tfx/half_block.h"

#include <cstddef>

#include "base/palette.h"

namespace glimmer {
namespace {

constexpr int kLevels = 64;  // a channel quantised to 6 bits
constexpr int kTableEntries = kLevels * kLevels * kLevels;
constexpr std::uint8_t kUnsettled = 0xFF;  // the 64 colours of the entry do not share one nearest colour

// The console colour nearest to (red, green, blue): the smallest squared distance to a palette
// colour; a later colour replaces the choice only when strictly nearer, so ties go to the lowest
// number.
int nearestOf(int red, int green, int blue) {
  int best = 0;
  int bestDistance = -1;
  for (int colour = 0; colour < 16; ++colour) {
    const int dr = red - kConsolePalette[colour][0];
    const int dg = green - kConsolePalette[colour][1];
    const int db = blue - kConsolePalette[colour][2];
    const int distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      best = colour;
      bestDistance = distance;
    }
  }
  return best;
}

// Table index of a pixel word 0x??BBGGRR: (R >> 2) * 4096 + (G >> 2) * 64 + (B >> 2).
inline std::uint32_t tableIndex(std::uint32_t pixel) {
  return ((pixel & 0xFCu) << 10) | ((pixel & 0xFC00u) >> 4) | ((pixel >> 18) & 0x3Fu);
}

}  // namespace

TFX_HalfBlock::TFX_HalfBlock() = default;
TFX_HalfBlock::~TFX_HalfBlock() = default;

// Entry (r, g, b) stands for the colours 4r..4r + 3, 4g..4g + 3, 4b..4b + 3. The colours nearest
// to one palette colour (ties going to the lowest number) form a convex set: each comparison with
// another colour keeps one side of a plane. So when the eight corners of the box from 4r to
// 4r + 4 (and so on) share their nearest colour, every colour of the entry has it too; the corners
// are a grid of 65 x 65 x 65 points, each reckoned once.
void TFX_HalfBlock::init() {
  constexpr int kCorners = kLevels + 1;
  auto corners = std::unique_ptr<std::uint8_t[]>(new std::uint8_t[kCorners * kCorners * kCorners]);
  for (int r = 0; r < kCorners; ++r) {
    for (int g = 0; g < kCorners; ++g) {
      for (int b = 0; b < kCorners; ++b) {
        corners[(r * kCorners + g) * kCorners + b] = static_cast<std::uint8_t>(nearestOf(4 * r, 4 * g, 4 * b));
      }
    }
  }
  if (!nearest_) nearest_.reset(new std::uint8_t[kTableEntries]);
  for (int r = 0; r < kLevels; ++r) {
    for (int g = 0; g < kLevels; ++g) {
      for (int b = 0; b < kLevels; ++b) {
        const std::uint8_t first = corners[(r * kCorners + g) * kCorners + b];
        std::uint8_t entry = first;
        for (int corner = 1; corner < 8; ++corner) {
          const int at = ((r + (corner >> 2)) * kCorners + g + ((corner >> 1) & 1)) * kCorners + b + (corner & 1);
          if (corners[at] != first) entry = kUnsettled;
        }
        nearest_[(r * kLevels + g) * kLevels + b] = entry;
      }
    }
  }
}

int TFX_HalfBlock::nearestColour(std::uint32_t pixel) const {
  const std::uint8_t entry = nearest_[tableIndex(pixel)];
  if (entry != kUnsettled) return entry;
  return nearestOf(static_cast<int>(pixel & 0xFFu), static_cast<int>((pixel >> 8) & 0xFFu),
                   static_cast<int>((pixel >> 16) & 0xFFu));
}

void TFX_HalfBlock::convert1x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                               CellGrid out, bool directColours) const {
  const int columns = rect->x1 - rect->x0;
  const int rows = (rect->y1 - rect->y0) / 2;
  const std::uint32_t colourMask = directColours ? 0x00FFFFFFu : 0u;
  for (int r = 0; r < rows; ++r) {
    const std::uint32_t* top = pixels + static_cast<std::ptrdiff_t>(rect->y0 + 2 * r) * stride + rect->x0;
    const std::uint32_t* bottom = top + stride;
    Cell* row = &out.at(cellX, cellY + r);
    for (int c = 0; c < columns; ++c) {
      Cell& cell = row[c];
      cell.glyph = kUpperHalfBlock;
      cell.attribute = static_cast<std::uint8_t>(nearestColour(top[c]) | nearestColour(bottom[c]) << 4);
      cell.direct = directColours;
      cell.foregroundRgb = top[c] & colourMask;
      cell.backgroundRgb = bottom[c] & colourMask;
    }
  }
}

}  // namespace glimmer
