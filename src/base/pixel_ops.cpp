#include "base/pixel_ops.h"

#include "base/frame_buffer.h"

namespace glimmer {

std::uint32_t blendPixel(std::uint32_t a, std::uint32_t b, std::int32_t w) {
  if (w > 255) return a;
  if (w < 0) return b;
  const std::uint32_t weightA = static_cast<std::uint32_t>(w);
  const std::uint32_t weightB = 255u - weightA;
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::uint32_t channelA = (a >> shift) & 0xFFu;
    const std::uint32_t channelB = (b >> shift) & 0xFFu;
    // Deliberate: each product is shifted on its own, so full weight loses one step.
    out |= (((channelA * weightA) >> 8) + ((channelB * weightB) >> 8)) << shift;
  }
  return out;
}

void scalePixels(std::uint32_t* frame, std::int32_t level) {
  const std::int32_t clamped = level < 0 ? 0 : (level > 255 ? 255 : level);
  const std::uint32_t factor = (static_cast<std::uint32_t>(clamped) * 255u) >> 8;
  for (int i = 0; i < kFramePixels; ++i) {
    const std::uint32_t p = frame[i];
    const std::uint32_t red = ((p & 0xFFu) * factor) >> 8;
    const std::uint32_t green = (((p >> 8) & 0xFFu) * factor) >> 8;
    const std::uint32_t blue = (((p >> 16) & 0xFFu) * factor) >> 8;
    frame[i] = red | (green << 8) | (blue << 16);
  }
}

}  // namespace glimmer
