// renderText through FreeType (FT_Init_FreeType, FT_New_Face, FT_Set_Char_Size, FT_Load_Char with
// FT_LOAD_TARGET_MONO, FT_Done_Face, FT_Done_FreeType), plus plain loops over masks.
// LIMITATIONS: no kerning and no shaping; one line of 8-bit characters.
#include "text_raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

namespace glimmer {

CellMask::CellMask(int maskWidth, int maskHeight)
    : width(maskWidth), height(maskHeight), bits(static_cast<std::size_t>(maskWidth) * maskHeight, 0) {}

bool CellMask::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  return bits[static_cast<std::size_t>(y) * width + x] != 0;
}

void CellMask::set(int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  bits[static_cast<std::size_t>(y) * width + x] = 1;
}

int CellMask::count() const { return static_cast<int>(std::count(bits.begin(), bits.end(), 1)); }

namespace {

// Draws every glyph of text onto a canvas large enough for any hinted outline, baseline at
// canvas row baseline.
bool drawGlyphs(FT_Face face, int pixelSize, int letterSpacing, const std::string& text, CellMask& canvas) {
  const int baseline = pixelSize * 2;
  canvas = CellMask(pixelSize * 2 * (static_cast<int>(text.size()) + 2), pixelSize * 4);
  int penX = pixelSize;
  for (const char character : text) {
    if (FT_Load_Char(face, static_cast<unsigned char>(character), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
      std::fprintf(stderr, "cannot render the letter '%c'\n", character);
      return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
      for (unsigned column = 0; column < bitmap.width; ++column) {
        if ((line[column >> 3] & (0x80 >> (column & 7))) != 0) {
          canvas.set(penX + slot->bitmap_left + static_cast<int>(column),
                     baseline - slot->bitmap_top + static_cast<int>(row));
        }
      }
    }
    penX += static_cast<int>(slot->advance.x >> 6) + letterSpacing;
  }
  return true;
}

struct RowRange {
  int top = 0;
  int bottom = -1;  // inclusive
};

RowRange rowsOf(const CellMask& mask) {
  RowRange range{mask.height, -1};
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (!mask.at(x, y)) continue;
      range.top = std::min(range.top, y);
      range.bottom = std::max(range.bottom, y);
    }
  }
  return range;
}

// Crops columns to the set elements and rows to rows (both canvases share their baseline).
CellMask cropColumns(const CellMask& mask, RowRange rows) {
  int left = mask.width, right = -1;
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (!mask.at(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      rows.top = std::min(rows.top, y);
      rows.bottom = std::max(rows.bottom, y);
    }
  }
  if (right < 0) return CellMask();
  CellMask result(right - left + 1, rows.bottom - rows.top + 1);
  for (int y = rows.top; y <= rows.bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      if (mask.at(x, y)) result.set(x - left, y - rows.top);
    }
  }
  return result;
}

}  // namespace

bool renderText(const std::string& fontPath, int pixelSize, int widthPercent, int letterSpacing, bool keepLineHeight,
                const std::string& text, CellMask& out) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "cannot start FreeType\n");
    return false;
  }
  FT_Face face = nullptr;
  bool drawn = false;
  if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
    std::fprintf(stderr, "cannot open the font \"%s\"\n", fontPath.c_str());
  } else if (FT_Set_Char_Size(face, pixelSize * widthPercent * 64 / 100, pixelSize * 64, 72, 72) != 0) {
    std::fprintf(stderr, "cannot size the font \"%s\"\n", fontPath.c_str());
  } else {
    CellMask canvas;
    CellMask line;
    drawn = drawGlyphs(face, pixelSize, letterSpacing, text, canvas) &&
            (!keepLineHeight || drawGlyphs(face, pixelSize, 0, "Hdgjpqy", line));
    if (drawn) out = keepLineHeight ? cropColumns(canvas, rowsOf(line)) : cropToContent(canvas);
  }
  if (face != nullptr) FT_Done_Face(face);
  FT_Done_FreeType(library);
  return drawn;
}

CellMask cropToContent(const CellMask& mask) {
  int left = mask.width, top = mask.height, right = -1, bottom = -1;
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (!mask.at(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return CellMask();
  CellMask result(right - left + 1, bottom - top + 1);
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      if (mask.at(x, y)) result.set(x - left, y - top);
    }
  }
  return result;
}

CellMask rotateClockwise(const CellMask& mask) {
  CellMask result(mask.height, mask.width);
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (mask.at(x, y)) result.set(mask.height - 1 - y, x);
    }
  }
  return result;
}

CellMask rotateCounterClockwise(const CellMask& mask) {
  CellMask result(mask.height, mask.width);
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (mask.at(x, y)) result.set(y, mask.width - 1 - x);
    }
  }
  return result;
}

CellMask dilate(const CellMask& mask, int radius) {
  CellMask result(mask.width + 2 * radius, mask.height + 2 * radius);
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (!mask.at(x, y)) continue;
      for (int dy = 0; dy <= 2 * radius; ++dy) {
        for (int dx = 0; dx <= 2 * radius; ++dx) result.set(x + dx, y + dy);
      }
    }
  }
  return result;
}

}  // namespace glimmer
