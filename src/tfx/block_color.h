// TFX_BlockColor: the show's converter, four block glyphs in the 16 console colours.
//
// Each cell shows full block (219), dark (178), medium (177) or light shade (176) in a foreground
// and a background colour, so a cell stands for one of the 16 colours or a mixture of two in the
// shares 1/3, 1/2, 2/3. init builds, for every colour quantised to 6 bits a channel, the best cell
// and the colour it shows (see tfx/block_table.h); a conversion is then one average and one table
// read per cell.
#pragma once

#include <cstdint>

#include "tfx/converter.h"

namespace glimmer {

class TFX_BlockColor : public TFX_TCConverter {
 public:
  // Bit of flags that carries each cell's quantisation error into that cell's next convert2x2.
  static constexpr std::int32_t kErrorFeedback = 1;

  TFX_BlockColor() = default;
  // Allocates and builds the tables and clears errorBuffer. Call once, before any conversion.
  void init() override;
  // One cell per pixel: cellTable at the pixel's colour. Never touches errorBuffer.
  void convert1x1(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                  CellGrid out) override;
  // One cell per 2x2 block: each channel summed and divided by 4, rounded down; with
  // kErrorFeedback set, the cell's carried error is added (clamped to 0..255) before the lookup
  // and the new error (corrected - shown) is stored for the next call.
  void convert2x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                  CellGrid out) override;
  // One cell per 4x4 block: each channel summed and divided by 16, rounded down. Never touches
  // errorBuffer.
  void convert4x4(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                  CellGrid out) override;
  // Frees the three tables.
  ~TFX_BlockColor() override;
  // One cell per 1x2 block: each channel of the two pixels summed and halved, rounded
  // down, as the 2x2 average rounds. Where a row alternates column by column (a pattern drawn for
  // 2x2 cells, which the classic grid shows as an even shade), both cells of such a 2x2 window,
  // counted from x0, show that window's convert2x2 cell instead. Never touches errorBuffer.
  void convert1x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                  CellGrid out) override;

  std::uint16_t* cellTable = nullptr;  // 262144 cells: glyph + 256 * attribute
  std::uint8_t* colorTable = nullptr;  // 262144 x red, green, blue of the colour the cell shows
  std::int8_t* errorBuffer = nullptr;  // 80 x 50 cells x red, green, blue carried error
};

}  // namespace glimmer
