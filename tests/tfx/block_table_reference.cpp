// The plain block colour table; see block_table_reference.h.
#include "tfx/block_table_reference.h"

#include <climits>

#include "base/palette.h"

namespace glimmer {

void buildBlockTableReference(std::uint16_t* cellTable, std::uint8_t* colorTable) {
  const auto& P = kConsolePalette;
  int n = 0;
  for (int R = 0; R < 256; R += 4) {
    for (int G = 0; G < 256; G += 4) {
      for (int B = 0; B < 256; B += 4, ++n) {
        std::int32_t best = INT_MAX;
        int cell = 0;
        int shown[3] = {0, 0, 0};
        auto consider = [&](const int measured[3], const int stored[3], int candidateCell) {
          int d = (measured[0] - R) * (measured[0] - R) + (measured[1] - G) * (measured[1] - G) +
                  (measured[2] - B) * (measured[2] - B);
          if (d < best) {
            best = d;
            cell = candidateCell;
            for (int c = 0; c < 3; ++c) shown[c] = stored[c];
          }
        };
        int f = 0;
        for (int k = 0; k < 16; ++k) {
          int colour[3] = {P[k][0], P[k][1], P[k][2]};
          std::int32_t before = best;
          consider(colour, colour, 219 + 256 * k);
          if (best < before) f = k;
        }
        for (int i = 0; i < 16; ++i) {
          int attribute = (f > i ? f : i) + 16 * (f > i ? i : f);
          int half[3];
          int thirdsIMeasured[3];
          int thirdsIStored[3];
          int thirdsFMeasured[3];
          int thirdsFStored[3];
          for (int c = 0; c < 3; ++c) {
            half[c] = (P[f][c] + P[i][c]) / 2;
            thirdsIMeasured[c] = P[f][c] / 3 + (2 * P[i][c]) / 3;
            thirdsIStored[c] = (P[f][c] + 2 * P[i][c]) / 3;
            thirdsFMeasured[c] = (2 * P[f][c]) / 3 + P[i][c] / 3;
            thirdsFStored[c] = (2 * P[f][c] + P[i][c]) / 3;
          }
          consider(half, half, 177 + 256 * attribute);
          consider(thirdsIMeasured, thirdsIStored, (i > f ? 178 : 176) + 256 * attribute);
          consider(thirdsFMeasured, thirdsFStored, (f > i ? 178 : 176) + 256 * attribute);
        }
        cellTable[n] = static_cast<std::uint16_t>(cell);
        for (int c = 0; c < 3; ++c) colorTable[3 * n + c] = static_cast<std::uint8_t>(shown[c]);
      }
    }
  }
}

}  // namespace glimmer
