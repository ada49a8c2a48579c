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
constexpr std::uint8_t kUntouched = 0xEE;

std::uint32_t rgb(int red, int green, int blue) {
  return static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8 | static_cast<std::uint32_t>(blue) << 16;
}

// Uses the base class's 1x1 and 4x4 defaults on top of the block colour 2x2 rules.
class DefaultScales : public TFX_BlockColor {
 public:
  void convert1x1(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                  std::uint8_t* out) override {
    TFX_TCConverter::convert1x1(pixels, rect, stride, cellX, cellY, out);
  }
  void convert4x4(const std::uint32_t* pixels, const PixelRect* rect, int stride, int cellX, int cellY,
                  std::uint8_t* out) override {
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
    cells.assign(kMaxCellBufferBytes, kUntouched);
    // Every pixel different, top byte set (it must be ignored).
    pixels.resize(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) pixels[y * kWidth + x] = 0xA5000000u | rgb(x * 37 % 256, y * 53 % 256, (x * y) % 256);
    }
  }

  // The cell number r * 80 + c as the table gives it for the average of the listed pixels.
  std::uint16_t expectedCell(std::initializer_list<std::pair<int, int>> points) const {
    int sums[3] = {};
    for (auto [x, y] : points) {
      for (int channel = 0; channel < 3; ++channel) sums[channel] += (pixels[y * kWidth + x] >> (8 * channel)) & 0xFF;
    }
    int count = static_cast<int>(points.size());
    int red = sums[0] / count, green = sums[1] / count, blue = sums[2] / count;
    return converter->cellTable[(red >> 2) * 4096 + (green >> 2) * 64 + (blue >> 2)];
  }
  std::uint16_t cellAt(int n) const { return static_cast<std::uint16_t>(cells[2 * n] | cells[2 * n + 1] << 8); }
  bool untouched(int n) const { return cells[2 * n] == kUntouched && cells[2 * n + 1] == kUntouched; }
  int writtenCount() const {
    int count = 0;
    for (int n = 0; n < kCellCount; ++n) count += untouched(n) ? 0 : 1;
    return count;
  }
  void convert2x2(PixelRect rect, int cellX = 0, int cellY = 0) {
    converter->convert2x2(pixels.data(), &rect, kWidth, cellX, cellY, cells.data());
  }

  static DefaultScales* converter;
  std::vector<std::uint32_t> pixels;
  std::vector<std::uint8_t> cells;
};
DefaultScales* Convert::converter = nullptr;

TEST_F(Convert, WholeFrameMakesEveryCellFromItsBlock) {
  convert2x2({0, 0, kWidth, kHeight});
  for (int r = 0; r < kCellRows; ++r) {
    for (int c = 0; c < kCellColumns; ++c) {
      ASSERT_EQ(cellAt(r * 80 + c),
                expectedCell({{2 * c, 2 * r}, {2 * c + 1, 2 * r}, {2 * c, 2 * r + 1}, {2 * c + 1, 2 * r + 1}}))
          << c << ", " << r;
    }
  }
}

TEST_F(Convert, NarrowAndEmptyRectangles) {
  convert2x2({159, 0, 160, 100});
  EXPECT_EQ(writtenCount(), 0);

  // Inverted or empty rectangles write nothing.
  cells.assign(kCellBufferBytes, kUntouched);
  const PixelRect empties[] = {{10, 10, 10, 30}, {40, 40, 20, 60}};
  for (const PixelRect& rect : empties) {
    converter->convert2x2(pixels.data(), &rect, kWidth, 0, 0, cells.data());
  }
  EXPECT_EQ(writtenCount(), 0);
}

TEST_F(Convert, AveragesRoundDownPerChannel) {
  pixels[0] = 0;
  pixels[1] = 0;
  pixels[kWidth] = 0xFFFFFFFFu;
  pixels[kWidth + 1] = 0x00FFFFFFu;
  convert2x2({0, 0, 2, 2});
  EXPECT_EQ(cellAt(0), converter->cellTable[31 * 4096 + 31 * 64 + 31]);  // 510 / 4 = 127 a channel
}

TEST_F(Convert, DefaultOneAndFourPixelScales) {
  // 1x1: the default gives one cell per pixel, the pixel's own entry.
  const PixelRect rect{30, 40, 36, 43};
  converter->convert1x1(pixels.data(), &rect, kWidth, 2, 3, cells.data());
  EXPECT_EQ(writtenCount(), 18);
  EXPECT_EQ(cellAt((3 + 2) * 80 + 2 + 5), expectedCell({{35, 42}}));

  // 4x4: the default gives white for a white block, through 252 a channel.
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) pixels[y * kWidth + x] = 0x00FFFFFF;
  }
  const PixelRect block{0, 0, 8, 6};
  const std::uint16_t white = converter->cellTable[63 * 4096 + 63 * 64 + 63];
  cells.assign(kCellBufferBytes, kUntouched);
  converter->convert4x4(pixels.data(), &block, kWidth, 0, 0, cells.data());
  EXPECT_EQ(writtenCount(), 2);
  EXPECT_EQ(cellAt(1), white);
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
    EXPECT_EQ(cells[2 * cell], step.glyph);
    EXPECT_EQ(cells[2 * cell + 1], step.attribute);
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

TEST_F(Convert, ErrorStoreUntouchedWithFeedbackOff) {
  for (int pass = 0; pass < 5; ++pass) {
    convert2x2({0, 0, kWidth, kHeight});
    convert2x2({pass, pass, kWidth - pass, kHeight - pass}, 0, 0);
  }
  for (int i = 0; i < kCellCount * 3; ++i) ASSERT_EQ(converter->errorBuffer[i], 0) << i;
}

TEST(Converter, StartsWithoutFlagsOrTables) {
  TFX_BlockColor converter;
  EXPECT_EQ(converter.flags, 0);
  EXPECT_EQ(converter.cellTable, nullptr);
  EXPECT_EQ(converter.colorTable, nullptr);
  EXPECT_EQ(converter.errorBuffer, nullptr);
  TFX_TCConverter& base = converter;
  base.setFlags(5);
  EXPECT_EQ(converter.flags, 5);
}

// The wide grid: one cell per pixel column and pair of rows, the two averaged per channel and
// rounded down, pitch 160; the rectangle and the origin as for the other scales.
TEST_F(Convert, OneByTwoAveragesEachColumnPairIntoAPitchOf160) {
  PixelRect whole{0, 0, 160, 100};
  converter->convert1x2(pixels.data(), &whole, kWidth, 0, 0, cells.data());
  for (auto [c, r] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{159, 0}, std::pair{37, 21}, std::pair{159, 49}}) {
    EXPECT_EQ(cellAt(r * kWideCellColumns + c), expectedCell({{c, 2 * r}, {c, 2 * r + 1}})) << c << "," << r;
  }
  for (int n = 0; n < kMaxCellCount; ++n) ASSERT_FALSE(untouched(n)) << n;

  // Rounding down per channel: 255 and 0 average to 127 (index 31), not 128 (index 32).
  pixels[0] = rgb(255, 1, 254);
  pixels[kWidth] = rgb(0, 0, 255);
  converter->convert1x2(pixels.data(), &whole, kWidth, 0, 0, cells.data());
  EXPECT_EQ(cellAt(0), converter->cellTable[(127 >> 2) * 4096 + (0 >> 2) * 64 + (254 >> 2)]);

  // The greetings slide's rectangle: columns 150..159 go to cells 0..9 of every row, one to one;
  // the rest keep what they held.
  cells.assign(kMaxCellBufferBytes, kUntouched);
  PixelRect slide{150, 0, 160, 100};
  converter->convert1x2(pixels.data(), &slide, kWidth, 0, 0, cells.data());
  int written = 0;
  for (int n = 0; n < kMaxCellCount; ++n) written += untouched(n) ? 0 : 1;
  EXPECT_EQ(written, 10 * 50);
  EXPECT_EQ(cellAt(49 * kWideCellColumns + 9), expectedCell({{159, 98}, {159, 99}}));
  EXPECT_TRUE(untouched(49 * kWideCellColumns + 10));

  // An origin shifts the output; an odd last row is not read.
  cells.assign(kMaxCellBufferBytes, kUntouched);
  PixelRect corner{0, 0, 3, 5};
  converter->convert1x2(pixels.data(), &corner, kWidth, 100, 40, cells.data());
  written = 0;
  for (int n = 0; n < kMaxCellCount; ++n) written += untouched(n) ? 0 : 1;
  EXPECT_EQ(written, 3 * 2);
  EXPECT_EQ(cellAt(41 * kWideCellColumns + 102), expectedCell({{2, 2}, {2, 3}}));
}

}  // namespace
}  // namespace glimmer
