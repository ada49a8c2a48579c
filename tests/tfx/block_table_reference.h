// The block colour table built the plain way: one entry at a time, each of the 64 candidates
// examined in order, written straight from the rule and sharing nothing with the fast build. The
// yardstick the fast build is checked against; takes several times longer.
#pragma once

#include <cstdint>

namespace glimmer {

// Fills cellTable[0, 262144) and colorTable[0, 786432) as buildBlockTable does.
void buildBlockTableReference(std::uint16_t* cellTable, std::uint8_t* colorTable);

}  // namespace glimmer
