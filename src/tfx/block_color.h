// TFX_BlockColor: the show's converter, four block glyphs in the 16 console colours.
#pragma once

#include <cstdint>

#include "tfx/converter.h"

namespace glimmer {

class TFX_BlockColor : public TFX_TCConverter {
 public:
  TFX_BlockColor() = default;
  void init() override;
  void convert2x2(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX,
                  int cellY, std::uint8_t* out) override;
  ~TFX_BlockColor() override;

  std::uint16_t* cellTable = nullptr;
  std::uint8_t* colorTable = nullptr;
  std::int8_t* errorBuffer = nullptr;
};

}  // namespace glimmer
