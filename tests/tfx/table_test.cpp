// The block colour table: chosen entries, and the fast build against the plain one, entry for entry.
#include <gtest/gtest.h>

#include <memory>

#include "tfx/block_color.h"
#include "tfx/block_table.h"
#include "tfx/block_table_reference.h"

namespace glimmer {
namespace {

int indexOf(int red, int green, int blue) { return (red >> 2) * 4096 + (green >> 2) * 64 + (blue >> 2); }

class BlockTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    converter = new TFX_BlockColor;
    converter->init();
  }
  static void TearDownTestSuite() {
    delete converter;
    converter = nullptr;
  }
  static TFX_BlockColor* converter;
};
TFX_BlockColor* BlockTable::converter = nullptr;

struct EntryCase {
  int red, green, blue;
  int glyph, attribute;
  int shownRed, shownGreen, shownBlue;
};

TEST_F(BlockTable, ChosenEntries) {
  const EntryCase cases[] = {
      {0, 0, 0, 219, 0x00, 0, 0, 0},
      {252, 252, 252, 219, 0x0F, 255, 255, 255},
      {128, 128, 128, 219, 0x08, 128, 128, 128},
      {192, 192, 192, 219, 0x07, 192, 192, 192},
      {252, 0, 0, 219, 0x0C, 255, 0, 0},
      {160, 160, 160, 177, 0x78, 160, 160, 160},
      {0, 0, 64, 177, 0x01, 0, 0, 64},
      {64, 64, 64, 176, 0x07, 64, 64, 64},
      {32, 32, 32, 176, 0x08, 42, 42, 42},
      {96, 0, 0, 178, 0x04, 85, 0, 0},
      // The thirds are measured on 42 + 85 = 127 but store 128: nearer than dark red itself.
      {124, 0, 0, 176, 0x44, 128, 0, 0},
      {200, 100, 48, 176, 0x6D, 170, 85, 85},
  };
  for (const EntryCase& entry : cases) {
    SCOPED_TRACE(testing::Message() << "grid colour " << entry.red << "," << entry.green << "," << entry.blue);
    int n = indexOf(entry.red, entry.green, entry.blue);
    EXPECT_EQ(converter->cellTable[n] & 0xFF, entry.glyph);
    EXPECT_EQ(converter->cellTable[n] >> 8, entry.attribute);
    EXPECT_EQ(converter->colorTable[3 * n], entry.shownRed);
    EXPECT_EQ(converter->colorTable[3 * n + 1], entry.shownGreen);
    EXPECT_EQ(converter->colorTable[3 * n + 2], entry.shownBlue);
  }
}

TEST_F(BlockTable, FastBuildMatchesThePlainOneEntryForEntry) {
  auto cells = std::make_unique<std::uint16_t[]>(kBlockTableEntries);
  auto colours = std::make_unique<std::uint8_t[]>(kBlockTableEntries * 3);
  buildBlockTableReference(cells.get(), colours.get());
  int cellMismatches = 0;
  int colourMismatches = 0;
  for (int n = 0; n < kBlockTableEntries; ++n) {
    if (cells[n] != converter->cellTable[n]) {
      if (++cellMismatches <= 5) ADD_FAILURE() << "cell of entry " << n;
    }
    for (int channel = 0; channel < 3; ++channel) {
      if (colours[3 * n + channel] != converter->colorTable[3 * n + channel]) {
        if (++colourMismatches <= 5) ADD_FAILURE() << "colour of entry " << n;
      }
    }
  }
  EXPECT_EQ(cellMismatches, 0);
  EXPECT_EQ(colourMismatches, 0);
}

}  // namespace
}  // namespace glimmer
