// The 16 console colours as the show reckons them: red, green, blue, indexed by the colour number
// of an attribute nibble (bit 0 blue, bit 1 green, bit 2 red, bit 3 intensity). These are the
// classic console defaults; the converter never asks the display for its colours.
#pragma once

#include <cstdint>

namespace glimmer {

inline constexpr std::int32_t kConsolePalette[16][3] = {
    {0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},    // black, dark blue, dark green, dark cyan
    {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},  // dark red, dark magenta, dark yellow, grey
    {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},    // dark grey, blue, green, cyan
    {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255},  // red, magenta, yellow, white
};

}  // namespace glimmer
