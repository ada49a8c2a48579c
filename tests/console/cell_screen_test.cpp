// CellScreen against the encoder that feeds it: every frame, in both colour modes, whole or only
// what changed, fed at once or a byte at a time, lands as the cells a console shows; and the
// sequences of the console's own set-up and intro are placed or skipped as a console would.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "base/cell_buffer.h"
#include "console/cell_screen.h"
#include "console/cp437.h"
#include "console/frame_encoder.h"

namespace glimmer {
namespace {

constexpr char16_t kFullBlock = u'\u2588';

// A frame with every glyph the converter uses, blanks and code 0, and all 256 attributes.
std::unique_ptr<std::uint8_t[]> patternFrame(int seed) {
  constexpr std::uint8_t kGlyphs[] = {219, 178, 177, 176, 32, 0, 'A'};
  auto cells = std::make_unique<std::uint8_t[]>(kCellBufferBytes);
  for (int n = 0; n < kCellCount; ++n) {
    cells[2 * n] = kGlyphs[(n * 5 + seed) % 7];
    cells[2 * n + 1] = static_cast<std::uint8_t>(n * 13 + seed * 7);
  }
  return cells;
}

// Whether the screen cell shows what the frame's cell shows: the same glyph in the same colours,
// or, for a cell of one solid colour, any cell of that solid colour.
::testing::AssertionResult showsSame(const ScreenCell& shown, std::uint8_t glyph, std::uint8_t attribute) {
  const bool blank = glyph == 0 || glyph == ' ';
  bool same = shown.character == static_cast<char16_t>(cp437ToUnicode(glyph)) && shown.attribute == attribute;
  if (glyph == 219 || blank || (attribute & 15) == attribute >> 4) {
    const int colour = blank ? attribute >> 4 : attribute & 15;
    same = (shown.character == u' ' && ((shown.attribute >> 4) & 15) == colour) ||
           (shown.character == kFullBlock && (shown.attribute & 15) == colour);
  }
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "glyph " << int(glyph) << " attribute " << int(attribute) << " shown as U+"
                                       << std::hex << int(shown.character) << " attribute " << shown.attribute;
}

void expectFrameAt(const CellScreen& screen, const std::uint8_t* cells, int originColumn, int originRow) {
  for (int row = 0; row < kCellRows; ++row) {
    for (int column = 0; column < kCellColumns; ++column) {
      const int n = row * kCellColumns + column;
      ASSERT_TRUE(showsSame(screen.at(originColumn + column, originRow + row), cells[2 * n], cells[2 * n + 1]))
          << "at column " << column << ", row " << row;
    }
  }
}

void feed(CellScreen& screen, const std::string& text) { screen.feed(text.data(), text.size()); }

// The changed rectangle as {left, top, right, bottom}.
std::array<int, 4> takeChanged(CellScreen& screen) {
  const CellRect rect = screen.takeChanged();
  return {rect.left, rect.top, rect.right, rect.bottom};
}

// The characters of count cells of a row, from column on.
std::u16string text(const CellScreen& screen, int column, int row, int count) {
  std::u16string characters;
  for (int x = column; x < column + count; ++x) characters += screen.at(x, row).character;
  return characters;
}

TEST(CellScreen, ShowsEncodedFramesInBothColourModesWholeAndChanged) {
  for (ColorMode mode : {ColorMode::Ansi16, ColorMode::TrueColor}) {
    SCOPED_TRACE(mode == ColorMode::Ansi16 ? "16 colours" : "truecolor");
    FrameEncoder encoder;
    encoder.setColorMode(mode);
    CellScreen screen(100, 56);
    for (int seed = 0; seed < 3; ++seed) {
      auto cells = patternFrame(seed);
      if (seed == 2) std::memcpy(cells.get(), patternFrame(1).get(), kCellBufferBytes / 2);  // half unchanged
      std::size_t size = 0;
      const char* bytes = encoder.encode(cells.get(), 10, 3, kCellColumns, kCellRows, size);
      screen.feed(bytes, size);
      expectFrameAt(screen, cells.get(), 10, 3);
    }
  }
}

TEST(CellScreen, ByteByByteEqualsAllAtOnce) {
  FrameEncoder encoder;
  encoder.setColorMode(ColorMode::TrueColor);
  auto cells = patternFrame(4);
  std::size_t size = 0;
  const char* bytes = encoder.encode(cells.get(), 0, 0, kCellColumns, kCellRows, size);
  CellScreen whole(80, 50);
  CellScreen pieces(80, 50);
  whole.feed(bytes, size);
  for (std::size_t index = 0; index < size; ++index) pieces.feed(bytes + index, 1);
  EXPECT_EQ(std::memcmp(whole.cells(), pieces.cells(), sizeof(ScreenCell) * 80 * 50), 0);
}

TEST(CellScreen, ReportsTheRectangleThatChanged) {
  CellScreen screen(80, 50);
  EXPECT_EQ(screen.takeChanged().right, 0);  // a new screen owes nothing
  feed(screen, "\x1b[2J");
  EXPECT_EQ(takeChanged(screen), (std::array{0, 0, 80, 50}));
  feed(screen, "\x1b[5;11Hab\x1b[7;3Hc");
  EXPECT_EQ(takeChanged(screen), (std::array{2, 4, 12, 7}));
  EXPECT_EQ(screen.takeChanged().right, 0);
}

TEST(CellScreen, PlacesTextAndSkipsWhatIsNotForTheCells) {
  CellScreen screen(20, 4);
  // Screen, title, cursor and synchronized-output sequences change no cell.
  feed(screen, "\x1b[?1049h\x1b[0m\x1b[2J\x1b[?7l\x1b[22;0t\x1b]2;vrax - Glimmerfolding\x07\x1b[?25l\x1b[?2026h");
  screen.takeChanged();
  feed(screen, "\x1b]0;a title ended by ST\x1b\\");
  EXPECT_EQ(screen.takeChanged().right, 0);

  feed(screen, "\x1b[2;3HWin\nPress");  // a bare line feed goes down, not back to column 0
  EXPECT_EQ(text(screen, 2, 1, 3), u"Win");
  EXPECT_EQ(text(screen, 5, 2, 5), u"Press");
  EXPECT_EQ(screen.at(2, 1).attribute, CellScreen::kDefaultAttribute);

  // Past the right edge the last column is overwritten (no wrap); past the bottom the cursor stays.
  feed(screen, "\x1b[4;18Hwxyz");
  EXPECT_EQ(text(screen, 17, 3, 3), u"wxz");
  feed(screen, "\x1b[99;99H\xe2\x96\x93");  // clipped to the bottom-right cell
  EXPECT_EQ(screen.at(19, 3).character, u'\u2593');

  // Colours: bright foreground on a dark background, reset, then cursor forward skips cells.
  feed(screen, "\x1b[1;1H\x1b[93;44mA\x1b[0mB\x1b[2CC");
  EXPECT_EQ(screen.at(0, 0).attribute, 0x1E);  // yellow (14) on dark blue (1)
  EXPECT_EQ(screen.at(1, 0).attribute, 0x07);
  EXPECT_EQ(screen.at(2, 0).character, u' ');
  EXPECT_EQ(screen.at(4, 0).character, u'C');
}

TEST(CellScreen, MatchesTruecolorToTheNearestConsoleColour) {
  CellScreen screen(4, 1);
  feed(screen, "\x1b[38;2;250;5;5;48;2;0;0;120mX\x1b[38;2;190;190;190;49mY");
  EXPECT_EQ(screen.at(0, 0).attribute, 0x1C);  // red (12) on dark blue (1)
  EXPECT_EQ(screen.at(1, 0).attribute, 0x07);  // grey on the default background
}

TEST(CellScreen, ReplacesBrokenUtf8AndKeepsGoing) {
  CellScreen screen(4, 1);
  feed(screen, "\xe2\x96" "A\xff" "B");
  EXPECT_EQ(text(screen, 0, 0, 4), u"?A?B");
}

}  // namespace
}  // namespace glimmer
