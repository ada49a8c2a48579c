// Integer pixel operations on FrameBuffer words (red bits 0..7, green 8..15, blue 16..23; the top
// byte is ignored on input). Their exact rounding, including the loss of one step of brightness at
// full weight, is part of the show's look.
#pragma once

#include <cstdint>

namespace glimmer {

// w > 255: A unchanged (all 32 bits). w < 0: B unchanged (all 32 bits). Otherwise per channel
// (a * w) >> 8 plus (b * (255 - w)) >> 8, each product shifted on its own; top byte 0.
std::uint32_t blendPixel(std::uint32_t a, std::uint32_t b, std::int32_t w);

// Darkens the 16000 pixels in place: c = level clamped to [0, 255], f = (c * 255) >> 8, and each
// channel p becomes (p * f) >> 8; top byte 0.
void scalePixels(std::uint32_t* frame, std::int32_t level);

}  // namespace glimmer
