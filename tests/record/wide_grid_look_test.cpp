// The wide grid looks like the classic grid: the show's own frames at moments of every scene,
// converted on both grids, compared by the colour each cell is seen as (glyph coverage x
// foreground + the rest x background, in the show's palette). Each classic cell against the mean of
// its two wide cells; and, where the classic picture is an even field, the two wide cells against
// each other, which catches a pattern drawn for 2x2 cells turned into stripes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "base/frame_buffer.h"
#include "base/palette.h"
#include "demo/demo.h"
#include "demo/demo_stage.h"
#include "demo/timeline.h"
#include "music/music_stream.h"
#include "support/memory_terminal.h"
#include "tfx/block_color.h"
#include "tfx/block_table.h"

namespace glimmer {
namespace {

// One conversion of a pass: the picture and the rectangle the timeline asked for.
struct Conversion {
  std::vector<std::uint32_t> pixels;
  PixelRect rect;
};
using Pass = std::vector<Conversion>;  // the greetings' slide converts twice in a pass

// The show's stage on a clock of the test's own, keeping the conversions of the passes at the
// chosen moments instead of converting them.
class KeepingStage final : public DemoStage {
 public:
  KeepingStage(Demo& demo, int stepMs, std::vector<std::int32_t> moments)
      : DemoStage(demo), stepMs_(stepMs), moments_(std::move(moments)) {}

  bool startMusic() override {
    if (!DemoStage::startMusic()) return false;
    setClock(0);
    return true;
  }
  std::int32_t clockMs() override { return now_; }
  bool musicEnded() override { return now_ > moments_.back(); }
  bool quitRequested() override { return false; }
  bool outputLost() override { return false; }
  void waitForInput(int) override {}
  void convert(const std::uint32_t* pixels, const PixelRect& rect) override {
    current_.push_back({std::vector<std::uint32_t>(pixels, pixels + kFramePixels), rect});
  }
  void present() override {
    for (std::int32_t moment : moments_) {
      if (moment == now_) kept.push_back(current_);
    }
    current_.clear();
    setClock(now_ + stepMs_);
  }

  std::vector<Pass> kept;  // one pass per moment, in order

 private:
  void setClock(std::int32_t time) {
    now_ = time;
    demo_.music->setOfflinePosition(time / 1000.0);
  }

  int stepMs_;
  std::vector<std::int32_t> moments_;
  std::int32_t now_ = 0;
  Pass current_;
};

struct Seen {
  double channel[3];
};

double distance(const Seen& a, const Seen& b) {
  double sum = 0;
  for (int i = 0; i < 3; ++i) sum += (a.channel[i] - b.channel[i]) * (a.channel[i] - b.channel[i]);
  return std::sqrt(sum);
}

// The colour cell n is seen as.
Seen seenColour(const CellBuffer& cells, int n) {
  const int glyph = cells[n].glyph;
  const int attribute = cells[n].attribute;
  const double coverage = glyph == kGlyphFull     ? 1.0
                          : glyph == kGlyphDark   ? 2.0 / 3
                          : glyph == kGlyphMedium ? 0.5
                          : glyph == kGlyphLight  ? 1.0 / 3
                                                  : 0.0;
  Seen seen;
  for (int i = 0; i < 3; ++i) {
    seen.channel[i] =
        coverage * kConsolePalette[attribute & 15][i] + (1 - coverage) * kConsolePalette[attribute >> 4][i];
  }
  return seen;
}

struct Look {
  double meanDifference = 0;  // classic cell against the mean of its two wide cells, over all cells
  double stripes = 0;         // the two wide cells against each other, over the even field's cells
  int evenCells = 0;          // classic cells whose four neighbours are seen as the same colour
};

Look compare(const CellBuffer& classic, const CellBuffer& wide) {
  Look look;
  for (int r = 0; r < kCellRows; ++r) {
    for (int c = 0; c < kCellColumns; ++c) {
      const Seen one = seenColour(classic, r * kCellColumns + c);
      const Seen left = seenColour(wide, r * kWideCellColumns + 2 * c);
      const Seen right = seenColour(wide, r * kWideCellColumns + 2 * c + 1);
      Seen mean;
      for (int i = 0; i < 3; ++i) mean.channel[i] = (left.channel[i] + right.channel[i]) / 2;
      look.meanDifference += distance(one, mean);
      bool even = true;
      for (auto [dc, dr] : {std::pair{-1, 0}, std::pair{1, 0}, std::pair{0, -1}, std::pair{0, 1}}) {
        const int nc = c + dc;
        const int nr = r + dr;
        if (nc < 0 || nc >= kCellColumns || nr < 0 || nr >= kCellRows) continue;
        if (distance(seenColour(classic, nr * kCellColumns + nc), one) > 0.5) even = false;
      }
      if (even) {
        look.stripes += distance(left, right);
        ++look.evenCells;
      }
    }
  }
  look.meanDifference /= kCellCount;
  if (look.evenCells > 0) look.stripes /= look.evenCells;
  return look;
}

// Each column's two pixels averaged and looked up, nothing else: what a wide cell would be without
// regard to the classic grid's windows.
void plainColumns(const TFX_BlockColor& converter, const Conversion& conversion, CellBuffer& out) {
  const PixelRect& rect = conversion.rect;
  for (int r = 0; r < (rect.y1 - rect.y0) / 2; ++r) {
    for (int c = 0; c < rect.x1 - rect.x0; ++c) {
      const std::uint32_t top = conversion.pixels[(rect.y0 + 2 * r) * kFrameWidth + rect.x0 + c];
      const std::uint32_t bottom = conversion.pixels[(rect.y0 + 2 * r + 1) * kFrameWidth + rect.x0 + c];
      int levels[3];
      for (int i = 0; i < 3; ++i) levels[i] = ((((top >> (8 * i)) & 0xFF) + ((bottom >> (8 * i)) & 0xFF)) / 2) >> 2;
      const std::uint16_t cell = converter.cellTable[levels[0] * 4096 + levels[1] * 64 + levels[2]];
      out[r * kWideCellColumns + c] = {static_cast<std::uint8_t>(cell), static_cast<std::uint8_t>(cell >> 8)};
    }
  }
}

TEST(WideGridLook, EveryScenesLookIsTheClassicGridsWithoutStripes) {
  // Scene1, Scene2 before and after its backdrop has scrolled in, Scene3, the greetings with their
  // slide, and Scene3 again.
  const std::vector<std::int32_t> moments = {8000, 30000, 62000, 68000, 75000, 90000, 100000, 115000, 125000, 140000};
  MemoryTerminal terminal(kWideCellColumns, kCellRows);
  Demo demo;
  demo.options.terminal = &terminal;
  demo.options.display = {GridChoice::Classic, ColorChoice::Ansi16};
  demo.options.musicOutput = MusicOutput::Offline;
  ASSERT_TRUE(demo.init());
  KeepingStage stage(demo, 50, moments);
  Timeline timeline;
  ASSERT_TRUE(timeline.run(stage, demo.secondFrame.get()));
  ASSERT_EQ(stage.kept.size(), moments.size());
  const auto& converter = dynamic_cast<TFX_BlockColor&>(*demo.converter);

  std::printf("moment  mean difference  stripes on even fields (plain columns)  even cells\n");
  for (std::size_t m = 0; m < moments.size(); ++m) {
    SCOPED_TRACE(moments[m]);
    CellBuffer classic{};
    CellBuffer wide{};
    CellBuffer plain{};
    for (const Conversion& conversion : stage.kept[m]) {
      demo.converter->convert2x2(conversion.pixels.data(), &conversion.rect, kFrameWidth, 0, 0,
                                 gridIn(classic, Grid::Classic));
      demo.converter->convert1x2(conversion.pixels.data(), &conversion.rect, kFrameWidth, 0, 0,
                                 gridIn(wide, Grid::Wide));
      plainColumns(converter, conversion, plain);
    }
    const Look look = compare(classic, wide);
    const Look plainLook = compare(classic, plain);
    std::printf("%4d s  %6.1f (%5.1f)  %6.1f (%5.1f)  %4d\n", moments[m] / 1000, look.meanDifference,
                plainLook.meanDifference, look.stripes, plainLook.stripes, look.evenCells);
    // Every moment has even fields to look at.
    EXPECT_GT(look.evenCells, 500);
    EXPECT_LT(look.meanDifference, 10.0);
    EXPECT_LT(look.stripes, 2.0);
    // Not worse than plain columns anywhere.
    EXPECT_LE(look.meanDifference, plainLook.meanDifference + 0.5);
    EXPECT_LE(look.stripes, plainLook.stripes + 0.5);
    // The backdrop's moments are where plain columns stripe: the check above has something to catch.
    if (moments[m] == 68000) {
      EXPECT_GT(plainLook.stripes, 50.0);
    }
  }
}

}  // namespace
}  // namespace glimmer
