// FrameBuffer: 160x100 pixels, rows top first, no padding, 16000 32-bit words.
// Word layout 0x00BBGGRR: red in bits 0..7, green 8..15, blue 16..23; in memory the bytes run
// red, green, blue, fourth byte. A pixel cleared with (0, 0, 0, 0) and not drawn over reads 0.
#pragma once

#include <cstdint>

namespace glimmer {

inline constexpr int kFrameWidth = 160;
inline constexpr int kFrameHeight = 100;
inline constexpr int kFramePixels = kFrameWidth * kFrameHeight;
inline constexpr int kFrameBytes = kFramePixels * 4;

using Pixel = std::uint32_t;
static_assert(sizeof(Pixel) == 4);
static_assert(kFrameBytes == 64000);

}  // namespace glimmer
