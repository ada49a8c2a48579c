// Conversions: which pixels make which cell, which cells are written, averaging, error feedback and
// the base class's default scales.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tfx/block_color.h"

namespace glimmer {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 100;
constexpr Cell kUntouchedCell{0xEE, 0xEE};

std::uint32_t rgb(int red, int green, int blue) {
  return static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8 |
         static_cast<std::uint32_t>(blue) << 16;
}

// The cell the table gives for the average of the words, each channel's sum divided by the count
// and rounded down.
std::uint16_t cellOfAverage(const TFX_BlockColor& converter, const std::vector<std::uint32_t>& words) {
  int sums[3] = {};
  for (std::uint32_t word : words) {
    for (int channel = 0; channel < 3; ++channel) sums[channel] += (word >> (8 * channel)) & 0xFF;
  }
  const int count = static_cast<int>(words.size());
  return converter.cellTable[(sums[0] / count >> 2) * 4096 + (sums[1] / count >> 2) * 64 + (sums[2] / count >> 2)];
}

// Uses the base class's 1x1 and 4x4 defaults on top of the block colour 2x2 rules.
class DefaultScales : public TFX_BlockColor {
 public:
  void convert1x1(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                  CellGrid out) override {
    TFX_TCConverter::convert1x1(pixels, rect, stride, cellX, cellY, out);
  }
  void convert4x4(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                  CellGrid out) override {
    TFX_TCConverter::convert4x4(pixels, rect, stride, cellX, cellY, out);
  }
};

class Convert : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    converter = new DefaultScales;
    converter->init();
  }
  static void TearDownTestSuite() {
    delete converter;
    converter = nullptr;
  }
  void SetUp() override {
    converter->setFlags(0);
    std::memset(converter->errorBuffer, 0, kCellCount * 3);
    cells.fill(kUntouchedCell);
    // Every pixel different, top byte set (it must be ignored).
    pixels.resize(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x)
        pixels[y * kWidth + x] = 0xA5000000u | rgb(x * 37 % 256, y * 53 % 256, (x * y) % 256);
    }
  }

  // The cell the table gives for the average of the listed pixels.
  std::uint16_t expectedCell(std::initializer_list<std::pair<int, int>> points) const {
    std::vector<std::uint32_t> words;
    for (auto [x, y] : points) words.push_back(pixels[y * kWidth + x]);
    return cellOfAverage(*converter, words);
  }
  // Cell n of the buffer (r * 80 + c on the classic grid, r * 160 + c on the wide) as a table entry.
  std::uint16_t cellAt(int n) const { return static_cast<std::uint16_t>(cells[n].glyph | cells[n].attribute << 8); }
  bool untouched(int n) const { return cells[n] == kUntouchedCell; }
  CellGrid classic() { return gridIn(cells, Grid::Classic); }
  CellGrid wide() { return gridIn(cells, Grid::Wide); }
  int writtenCount(int cellCount = kCellCount) const {
    int count = 0;
    for (int n = 0; n < cellCount; ++n) count += untouched(n) ? 0 : 1;
    return count;
  }
  void convert2x2(PixelRect rect, int cellX = 0, int cellY = 0) {
    converter->convert2x2(pixels.data(), &rect, kWidth, cellX, cellY, classic());
  }

  static DefaultScales* converter;
  std::vector<std::uint32_t> pixels;
  CellBuffer cells;
};
DefaultScales* Convert::converter = nullptr;

// Every cell from the average of its block, each channel rounded down (the top byte ignored); with
// the feedback off, the error store is never written.
TEST_F(Convert, WholeFrameMakesEveryCellFromItsBlock) {
  convert2x2({0, 0, kWidth, kHeight});
  for (int r = 0; r < kCellRows; ++r) {
    for (int c = 0; c < kCellColumns; ++c) {
      ASSERT_EQ(cellAt(r * 80 + c),
                expectedCell({{2 * c, 2 * r}, {2 * c + 1, 2 * r}, {2 * c, 2 * r + 1}, {2 * c + 1, 2 * r + 1}}))
          << c << ", " << r;
    }
  }
  for (int i = 0; i < kCellCount * 3; ++i) ASSERT_EQ(converter->errorBuffer[i], 0) << i;
}

TEST_F(Convert, NarrowInvertedAndEmptyRectanglesWriteNothing) {
  for (const PixelRect& rect : {PixelRect{159, 0, 160, 100}, PixelRect{10, 10, 10, 30}, PixelRect{40, 40, 20, 60}}) {
    convert2x2(rect);
  }
  EXPECT_EQ(writtenCount(), 0);
}

// convert1x1 and convert4x4 come twice: the block colour converter's own and the base class's
// defaults, which build on convert2x2. Both must give the same geometry and the cells below.
enum class Scales { Own, Defaults };

TEST_F(Convert, OneCellPerPixelIsTheCellOfATwoByTwoBlockOfThatPixel) {
  const PixelRect rect{30, 40, 36, 43};
  for (Scales scales : {Scales::Own, Scales::Defaults}) {
    SCOPED_TRACE(scales == Scales::Own ? "own" : "defaults");
    cells.fill(kUntouchedCell);
    if (scales == Scales::Own) {
      converter->TFX_BlockColor::convert1x1(pixels.data(), &rect, kWidth, 2, 3, classic());
    } else {
      converter->TFX_TCConverter::convert1x1(pixels.data(), &rect, kWidth, 2, 3, classic());
    }
    EXPECT_EQ(writtenCount(), 6 * 3);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 6; ++c) {
        const std::uint32_t pixel = pixels[(40 + r) * kWidth + 30 + c];
        const std::uint32_t block[4] = {pixel, pixel, pixel, pixel};
        const PixelRect whole{0, 0, 2, 2};
        Cell one;
        converter->convert2x2(block, &whole, 2, 0, 0, CellGrid{&one, 1, 1, 1});
        EXPECT_EQ(cells[(3 + r) * 80 + 2 + c], one) << c << ", " << r;
      }
    }
  }
}

TEST_F(Convert, OneCellPerFourByFourBlock) {
  // Sixteen white pixels give the white cell (the defaults get there through 252 a channel).
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) pixels[y * kWidth + x] = 0x00FFFFFF;
  }
  const PixelRect white{0, 0, 4, 4};
  const PixelRect rect{8, 4, 26, 17};  // 18 x 13 pixels: 4 x 3 cells, the rest unread
  for (Scales scales : {Scales::Own, Scales::Defaults}) {
    SCOPED_TRACE(scales == Scales::Own ? "own" : "defaults");
    cells.fill(kUntouchedCell);
    if (scales == Scales::Own) {
      converter->TFX_BlockColor::convert4x4(pixels.data(), &rect, kWidth, 1, 2, classic());
      converter->TFX_BlockColor::convert4x4(pixels.data(), &white, kWidth, 70, 40, classic());
    } else {
      converter->TFX_TCConverter::convert4x4(pixels.data(), &rect, kWidth, 1, 2, classic());
      converter->TFX_TCConverter::convert4x4(pixels.data(), &white, kWidth, 70, 40, classic());
    }
    EXPECT_EQ(writtenCount(), 4 * 3 + 1);
    EXPECT_EQ(cellAt(40 * 80 + 70), 219 | 0x0F << 8);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 4; ++c) {
        // Own: the average of the sixteen pixels. Defaults: the average of the four 2 x 2 blocks'
        // averages, each channel rounded down to a multiple of 4 before it is summed.
        std::vector<std::uint32_t> sixteen;
        std::vector<std::uint32_t> quarters;
        for (int j = 0; j < 4; j += 2) {
          for (int i = 0; i < 4; i += 2) {
            std::uint32_t sum = 0;
            for (int k = 0; k < 4; ++k) {
              const std::uint32_t pixel = pixels[(4 + 4 * r + j + k / 2) * kWidth + 8 + 4 * c + i + k % 2];
              sixteen.push_back(pixel);
              sum += pixel & 0x00FCFCFC;
            }
            quarters.push_back(sum >> 2);
          }
        }
        const auto& averaged = scales == Scales::Own ? sixteen : quarters;
        EXPECT_EQ(cellAt((2 + r) * 80 + 1 + c), cellOfAverage(*converter, averaged)) << c << ", " << r;
      }
    }
  }
}

TEST_F(Convert, ErrorFeedbackDithersOneCellOverTime) {
  std::fill(pixels.begin(), pixels.end(), rgb(100, 0, 0));
  converter->setFlags(TFX_BlockColor::kErrorFeedback);
  struct Step {
    int glyph, attribute, redError;
  };
  const Step steps[] = {{178, 0x04, 15}, {176, 0x44, -13}, {178, 0x04, 2}, {178, 0x04, 17}};
  const int cell = 7 * 80 + 9;
  for (const Step& step : steps) {
    convert2x2({0, 0, kWidth, kHeight});
    EXPECT_EQ(cellAt(cell), step.glyph | step.attribute << 8);
    EXPECT_EQ(converter->errorBuffer[3 * cell], step.redError);
    EXPECT_EQ(converter->errorBuffer[3 * cell + 1], 0);
  }
}

TEST_F(Convert, CorrectedChannelsAreClampedBeforeIndexing) {
  std::fill(pixels.begin(), pixels.end(), rgb(200, 20, 0));
  converter->setFlags(TFX_BlockColor::kErrorFeedback);
  converter->errorBuffer[0] = 100;   // red 300 -> 255
  converter->errorBuffer[1] = -100;  // green -80 -> 0
  convert2x2({0, 0, 2, 2});
  const int index = 63 * 4096;
  EXPECT_EQ(cellAt(0), converter->cellTable[index]);
  EXPECT_EQ(converter->errorBuffer[0], 255 - converter->colorTable[3 * index]);
  EXPECT_EQ(converter->errorBuffer[1], 0 - converter->colorTable[3 * index + 1]);
}

// The wide grid: one cell per pixel column and pair of rows, the two averaged per channel and
// rounded down, pitch 160; the rectangle and the origin as for the other scales.
TEST_F(Convert, OneByTwoAveragesEachColumnPairIntoAPitchOf160) {
  // Rounding down per channel: 255 and 0 average to 127 (index 31), not 128 (index 32).
  pixels[0] = rgb(255, 1, 254);
  pixels[kWidth] = rgb(0, 0, 255);
  PixelRect whole{0, 0, 160, 100};
  converter->convert1x2(pixels.data(), &whole, kWidth, 0, 0, wide());
  EXPECT_EQ(cellAt(0), converter->cellTable[(127 >> 2) * 4096 + (0 >> 2) * 64 + (254 >> 2)]);
  EXPECT_EQ(cellAt(49 * kWideCellColumns + 159), expectedCell({{159, 98}, {159, 99}}));

  // An origin shifts the output; an odd last row is not read.
  cells.fill(kUntouchedCell);
  PixelRect corner{0, 0, 3, 5};
  converter->convert1x2(pixels.data(), &corner, kWidth, 100, 40, wide());
  EXPECT_EQ(writtenCount(kMaxCellCount), 3 * 2);
  EXPECT_EQ(cellAt(41 * kWideCellColumns + 102), expectedCell({{2, 2}, {2, 3}}));
}

// The wide grid where the picture alternates column by column in a pattern drawn for 2x2 cells:
// both cells of such a window are the classic cell; everywhere else each column is its own cell.
class WideGrid : public Convert {
 protected:
  // The cell of column x's pair of rows 2r, 2r + 1, averaged and looked up alone.
  std::uint16_t columnCell(int x, int r) const { return expectedCell({{x, 2 * r}, {x, 2 * r + 1}}); }
  // The classic cell of the window at columns x, x + 1.
  std::uint16_t windowCell(int x, int r) const {
    return expectedCell({{x, 2 * r}, {x + 1, 2 * r}, {x, 2 * r + 1}, {x + 1, 2 * r + 1}});
  }
  void convert1x2(PixelRect rect) {
    cells.fill(kUntouchedCell);
    converter->convert1x2(pixels.data(), &rect, kWidth, 0, 0, gridIn(cells, Grid::Wide));
  }
  // Wide cell c of row r (cell origin 0, 0).
  std::uint16_t wide(int c, int r) const { return cellAt(r * kWideCellColumns + c); }
  // A backdrop like Scene2's: a lit pixel, varying slowly from one to the next, at every second
  // column (from column phase) of every second row; the rest black.
  void drawBackdrop(int phase) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const bool lit = y % 2 == 0 && x % 2 == phase;
        pixels[y * kWidth + x] = lit ? rgb(40 + x / 2, 200 - y, 90 + (x + y) / 4) : 0;
      }
    }
  }
};

TEST_F(WideGrid, ABackdropDrawnFor2x2CellsShowsTheClassicCellsTwice) {
  // Either phase; the whole picture, the greetings' slide from an odd column, and an odd width
  // (its last column has no window and stays its own).
  const PixelRect rects[] = {{0, 0, 160, 100}, {57, 0, 160, 100}, {10, 20, 41, 60}};
  for (int phase = 0; phase < 2; ++phase) {
    drawBackdrop(phase);
    for (const PixelRect& rect : rects) {
      SCOPED_TRACE(testing::Message() << "phase " << phase << ", rect from " << rect.x0 << " to " << rect.x1);
      convert1x2(rect);
      const int columns = rect.x1 - rect.x0;
      for (int r = 0; r < (rect.y1 - rect.y0) / 2; ++r) {
        for (int c = 0; c + 1 < columns; c += 2) {
          const std::uint16_t classic = windowCell(rect.x0 + c, rect.y0 / 2 + r);
          ASSERT_EQ(wide(c, r), classic) << c << ", " << r;
          ASSERT_EQ(wide(c + 1, r), classic) << c + 1 << ", " << r;
        }
        if (columns % 2 != 0) {
          ASSERT_EQ(wide(columns - 1, r), columnCell(rect.x1 - 1, rect.y0 / 2 + r));
        }
      }
      EXPECT_EQ(writtenCount(kMaxCellCount), columns * ((rect.y1 - rect.y0) / 2));
    }
  }
  // Plain columns would have striped it: lit and dark cells side by side.
  EXPECT_NE(columnCell(0, 0), columnCell(1, 0));
}

TEST_F(WideGrid, EdgesLinesAndGradientsKeepTheirColumns) {
  // A sharp vertical edge and a 1-pixel line at every column, bright on black and dark on grey,
  // a smooth ramp, and a comb whose teeth brighten by 24 from one to the next (detail at every
  // column, not a field that repeats): every cell is its own column's, on the whole picture and
  // from an odd column.
  // Each kind gives the colour of column x, for a feature at column `at` (the last two ignore it).
  std::uint32_t (*const kinds[])(int x, int at) = {
      [](int x, int at) { return x >= at ? rgb(240, 224, 208) : 0; },
      [](int x, int at) { return x == at ? rgb(240, 224, 208) : 0; },
      [](int x, int at) { return x == at ? rgb(16, 24, 32) : rgb(160, 160, 170); },
      [](int x, int) { return rgb(x * 255 / 159, 60, 255 - x * 255 / 159); },
      [](int x, int) { return x % 2 == 0 ? rgb(10 + x * 12 % 240, 10 + x * 12 % 240, 40) : 0u; },
  };
  for (int kind = 0; kind < 5; ++kind) {
    for (int at = 0; at < (kind < 3 ? kWidth : 1); ++at) {
      for (int i = 0; i < kWidth * kHeight; ++i) pixels[i] = kinds[kind](i % kWidth, at);
      for (const PixelRect& rect : {PixelRect{0, 0, 160, 100}, PixelRect{33, 0, 160, 100}}) {
        convert1x2(rect);
        for (int c = 0; c < rect.x1 - rect.x0; ++c) {
          ASSERT_EQ(wide(c, 7), columnCell(rect.x0 + c, 7)) << "kind " << kind << " at " << at << ", cell " << c;
        }
      }
    }
  }
}

TEST_F(WideGrid, OnlyTheAlternatingPartOfARowTakesTheClassicCells) {
  // The backdrop on the left half, flat grey on the right, and a lone bright pixel (a star) in the
  // field: the field's windows are the classic cells up to the grey, also the one beside it and
  // those beside the star; the star's window and the grey's columns are their own.
  drawBackdrop(0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 80; x < kWidth; ++x) pixels[y * kWidth + x] = rgb(128, 128, 128);
  }
  pixels[2 * kWidth + 40] = rgb(250, 250, 250);  // row 2: wide row 1
  convert1x2({0, 0, 160, 100});
  for (int r = 0; r < kCellRows; ++r) {
    for (int c = 0; c < 80; c += 2) {
      if (r == 1 && c == 40) continue;
      ASSERT_EQ(wide(c, r), windowCell(c, r)) << c << ", " << r;
      ASSERT_EQ(wide(c + 1, r), windowCell(c, r)) << c << ", " << r;
    }
    for (int c = 80; c < kWidth; ++c) ASSERT_EQ(wide(c, r), columnCell(c, r)) << c << ", " << r;
  }
  EXPECT_EQ(wide(40, 1), columnCell(40, 1));
  EXPECT_EQ(wide(41, 1), columnCell(41, 1));
  EXPECT_NE(wide(40, 1), wide(41, 1));
}

TEST_F(WideGrid, NarrowRowsArePlainColumns) {
  drawBackdrop(0);
  for (int width = 1; width < 4; ++width) {
    convert1x2({0, 0, width, 4});
    EXPECT_EQ(writtenCount(kMaxCellCount), 2 * width);
    for (int c = 0; c < width; ++c) EXPECT_EQ(wide(c, 1), columnCell(c, 1)) << width;
  }
}

}  // namespace
}  // namespace glimmer
