// Building the block colour table.
//
// Every entry examines the 16 solid colours, then the 48 mixtures of the nearest one, f, with each
// colour i (half, two thirds of i, two thirds of f), keeping the first candidate of the smallest
// squared distance. The fast build gets the same entries from three observations:
// - the candidates depend only on f and i, so they are made once;
// - for one red and green, a candidate's distance is a constant plus (blue - B)^2, and the squares
//   for every B of the row come from a table, so 64 entries are compared side by side in plain
//   loops the compiler vectorises;
// - the nearest solid colour along a row of blue changes only at a few places (its regions are
//   convex), so each run of equal f is matched against the 48 mixtures of that f alone.
// Calls pthread_create/pthread_join for the second half of the work.
//
// LIMITATIONS
// - Two threads help only when the second core is idle; on a busy machine the build takes about as
//   long as on one.
#include "tfx/block_table.h"

#include <pthread.h>

#include <climits>
#include <memory>

#include "base/palette.h"
#include "tfx/target_clones.h"

namespace glimmer {
namespace {

constexpr int kSteps = 64;         // grid values per channel
constexpr int kMixtures = 16 * 3;  // candidates examined after the solid colours, per f

struct Candidate {
  std::int32_t red;  // the colour the distance is measured to
  std::int32_t green;
  std::int32_t blue;
  std::uint16_t cell;     // glyph + 256 * attribute
  std::uint8_t shown[3];  // the colour stored for the entry
};

Candidate solidCandidate(int k) {
  const std::int32_t* colour = kConsolePalette[k];
  return {colour[0],
          colour[1],
          colour[2],
          static_cast<std::uint16_t>(kGlyphFull + 256 * k),
          {static_cast<std::uint8_t>(colour[0]), static_cast<std::uint8_t>(colour[1]),
           static_cast<std::uint8_t>(colour[2])}};
}

// The three mixtures of f with i, in the order they are examined. The thirds are measured on the
// separately rounded quotients but store one division.
void mixtureCandidates(int f, int i, Candidate out[3]) {
  const std::int32_t* F = kConsolePalette[f];
  const std::int32_t* I = kConsolePalette[i];
  int attribute = (f > i ? f : i) | (f > i ? i : f) << 4;
  std::uint8_t glyphs[3] = {kGlyphMedium, i > f ? kGlyphDark : kGlyphLight, f > i ? kGlyphDark : kGlyphLight};
  std::int32_t measured[3][3];
  std::int32_t stored[3][3];
  for (int channel = 0; channel < 3; ++channel) {
    std::int32_t a = F[channel];
    std::int32_t b = I[channel];
    measured[0][channel] = (a + b) / 2;
    stored[0][channel] = (a + b) / 2;
    measured[1][channel] = a / 3 + (2 * b) / 3;
    stored[1][channel] = (a + 2 * b) / 3;
    measured[2][channel] = (2 * a) / 3 + b / 3;
    stored[2][channel] = (2 * a + b) / 3;
  }
  for (int kind = 0; kind < 3; ++kind) {
    out[kind] = {measured[kind][0],
                 measured[kind][1],
                 measured[kind][2],
                 static_cast<std::uint16_t>(glyphs[kind] + 256 * attribute),
                 {static_cast<std::uint8_t>(stored[kind][0]), static_cast<std::uint8_t>(stored[kind][1]),
                  static_cast<std::uint8_t>(stored[kind][2])}};
  }
}

struct Candidates {
  Candidate solid[16];
  Candidate mixture[16][kMixtures];  // [f][3 * i + kind]
  // blueSquares[v][b] = (v - 4b)^2 for every distance colour channel v in 0..255.
  std::int32_t blueSquares[256][kSteps];
};

void makeCandidates(Candidates& candidates) {
  for (int k = 0; k < 16; ++k) candidates.solid[k] = solidCandidate(k);
  for (int f = 0; f < 16; ++f) {
    for (int i = 0; i < 16; ++i) mixtureCandidates(f, i, &candidates.mixture[f][3 * i]);
  }
  for (int value = 0; value < 256; ++value) {
    for (int b = 0; b < kSteps; ++b) candidates.blueSquares[value][b] = (value - 4 * b) * (value - 4 * b);
  }
}

void storeEntry(const Candidate& chosen, int n, std::uint16_t* cellTable, std::uint8_t* colorTable) {
  cellTable[n] = chosen.cell;
  colorTable[3 * n] = chosen.shown[0];
  colorTable[3 * n + 1] = chosen.shown[1];
  colorTable[3 * n + 2] = chosen.shown[2];
}

// Lanes [begin, end) of a row: every lane whose distance to the candidate is strictly less than
// its best so far takes the candidate's id.
inline void examine(std::int32_t base, const std::int32_t* __restrict squares, std::int32_t id, int begin, int end,
                    std::int32_t* __restrict best, std::int32_t* __restrict choice) {
  for (int b = begin; b < end; ++b) {
    std::int32_t distance = base + squares[b];
    bool closer = distance < best[b];
    best[b] = closer ? distance : best[b];
    choice[b] = closer ? id : choice[b];
  }
}

// The largest best distance of lanes [begin, end).
inline std::int32_t worstOf(const std::int32_t* best, int begin, int end) {
  std::int32_t worst = 0;
  for (int b = begin; b < end; ++b) worst = best[b] > worst ? best[b] : worst;
  return worst;
}

struct RedRange {
  const Candidates* candidates;
  int redBegin;
  int redEnd;
  std::uint16_t* cellTable;
  std::uint8_t* colorTable;
};

// Made twice, for processors with and without AVX2, and chosen when the program loads: eight lanes
// a step instead of four.
GLIMMER_CLONE_FOR_AVX2 void buildReds(const RedRange& range) {
  const Candidates& candidates = *range.candidates;
  alignas(64) std::int32_t best[kSteps];
  alignas(64) std::int32_t choice[kSteps];  // 0..15 a solid colour, 16 + j mixture j of the run's f
  for (int r = range.redBegin; r < range.redEnd; ++r) {
    const int red = 4 * r;
    for (int g = 0; g < kSteps; ++g) {
      const int green = 4 * g;
      for (int b = 0; b < kSteps; ++b) {
        best[b] = INT_MAX;
        choice[b] = 0;
      }
      for (int k = 0; k < 16; ++k) {
        const Candidate& solid = candidates.solid[k];
        std::int32_t base = (solid.red - red) * (solid.red - red) + (solid.green - green) * (solid.green - green);
        if (base >= worstOf(best, 0, kSteps)) continue;
        examine(base, candidates.blueSquares[solid.blue], k, 0, kSteps, best, choice);
      }
      const int rowStart = (r * kSteps + g) * kSteps;
      for (int runStart = 0; runStart < kSteps;) {
        const int f = choice[runStart];
        int runEnd = runStart + 1;
        while (runEnd < kSteps && choice[runEnd] == f) ++runEnd;
        const Candidate* mixtures = candidates.mixture[f];
        // A mixture whose distance cannot get below the worst lane's best is skipped: it would
        // win nowhere in the run.
        std::int32_t worst = worstOf(best, runStart, runEnd);
        const int blueLow = 4 * runStart;
        const int blueHigh = 4 * (runEnd - 1);
        for (int j = 0; j < kMixtures; ++j) {
          const Candidate& mixture = mixtures[j];
          std::int32_t base =
              (mixture.red - red) * (mixture.red - red) + (mixture.green - green) * (mixture.green - green);
          const int blueGap =
              mixture.blue < blueLow ? blueLow - mixture.blue : (mixture.blue > blueHigh ? mixture.blue - blueHigh : 0);
          if (base + blueGap * blueGap >= worst) continue;
          examine(base, candidates.blueSquares[mixture.blue], 16 + j, runStart, runEnd, best, choice);
          worst = worstOf(best, runStart, runEnd);
        }
        for (int b = runStart; b < runEnd; ++b) {
          const Candidate& chosen = choice[b] < 16 ? candidates.solid[choice[b]] : mixtures[choice[b] - 16];
          storeEntry(chosen, rowStart + b, range.cellTable, range.colorTable);
        }
        runStart = runEnd;
      }
    }
  }
}

void* buildRedsThread(void* range) {
  buildReds(*static_cast<const RedRange*>(range));
  return nullptr;
}

}  // namespace

void buildBlockTable(std::uint16_t* cellTable, std::uint8_t* colorTable) {
  auto candidates = std::make_unique<Candidates>();
  makeCandidates(*candidates);
  constexpr int kSplit = 32;
  RedRange helperRange{candidates.get(), 0, kSplit, cellTable, colorTable};
  RedRange ownRange{candidates.get(), kSplit, kSteps, cellTable, colorTable};
  pthread_t helper;
  if (pthread_create(&helper, nullptr, buildRedsThread, &helperRange) != 0) {
    buildReds(helperRange);  // no second thread: the same work, one after the other
    buildReds(ownRange);
    return;
  }
  buildReds(ownRange);
  pthread_join(helper, nullptr);
}

}  // namespace glimmer
