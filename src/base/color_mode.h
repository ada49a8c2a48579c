// ColorMode: how cell colours reach the display. Ansi16 names the 16 console colours and leaves
// their look to the display's own palette; TrueColor sends the show's palette as 24-bit colours,
// so every display shows the same picture.
#pragma once

namespace glimmer {

enum class ColorMode { Ansi16, TrueColor };

}  // namespace glimmer
