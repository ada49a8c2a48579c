// Code page 437 as the terminal shows it: every one of the 256 codes as a Unicode character and as
// the UTF-8 bytes that draw it. Codes 1..31 and 127 are the picture glyphs the console shows for
// them (smileys, arrows, the house), not control characters.
#pragma once

#include <cstdint>

namespace glimmer {

// The UTF-8 form of one code: length bytes (1..3) at bytes[0..length).
struct Utf8Glyph {
  char bytes[3];
  std::uint8_t length;
};

// The Unicode character code page 437 shows for code; code 0 shows as a space.
char32_t cp437ToUnicode(std::uint8_t code);

// The same character as UTF-8.
const Utf8Glyph& cp437ToUtf8(std::uint8_t code);

}  // namespace glimmer
