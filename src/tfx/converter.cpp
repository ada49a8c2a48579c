// Placeholder until the converter lands.
#include "tfx/block_color.h"

namespace glimmer {

void TFX_TCConverter::convert1x1(const std::uint32_t*, const PixelRect*, int, int, int, std::uint8_t*) {}
void TFX_TCConverter::convert4x4(const std::uint32_t*, const PixelRect*, int, int, int, std::uint8_t*) {}
void TFX_TCConverter::setFlags(int value) { flags = value; }

void TFX_BlockColor::init() {}
void TFX_BlockColor::convert2x2(const std::uint32_t*, const PixelRect*, int, int, int, std::uint8_t*) {}
TFX_BlockColor::~TFX_BlockColor() = default;

}  // namespace glimmer
