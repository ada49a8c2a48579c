// The block colour table: for every colour quantised to 6 bits a channel, the cell that shows it
// best and the colour that cell shows.
//
// Index n = (R >> 2) * 4096 + (G >> 2) * 64 + (B >> 2) stands for the grid colour
// (4 * (n >> 12), 4 * ((n >> 6) & 63), 4 * (n & 63)). cellTable[n] = glyph + 256 * attribute;
// colorTable[3n .. 3n + 2] = red, green, blue of the shown colour.
#pragma once

#include <cstdint>

namespace glimmer {

inline constexpr int kBlockTableEntries = 64 * 64 * 64;

inline constexpr std::uint8_t kGlyphFull = 219;
inline constexpr std::uint8_t kGlyphDark = 178;
inline constexpr std::uint8_t kGlyphMedium = 177;
inline constexpr std::uint8_t kGlyphLight = 176;

// Fills cellTable[0, 262144) and colorTable[0, 786432). Shares the work with one more thread when
// one can be started; the result is the same either way, entry for entry that of the plain rule
// (each entry's 64 candidates examined one after the other).
void buildBlockTable(std::uint16_t* cellTable, std::uint8_t* colorTable);

}  // namespace glimmer
