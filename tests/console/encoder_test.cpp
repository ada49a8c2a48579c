// The frame encoder against a terminal emulator (libvterm): whatever the frames, every cell on the
// emulated screen shows the glyph and colours the CellBuffer asks for.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "base/cell_buffer.h"
#include "console/frame_encoder.h"
#include "support/emulated_screen.h"

namespace glimmer {

void PrintTo(ColorMode mode, std::ostream* out) { *out << (mode == ColorMode::TrueColor ? "TrueColor" : "Ansi16"); }

namespace {

using testing::EmulatedScreen;

// Frames of a moving picture: converter-like cells (the four block glyphs) with some arbitrary
// code page 437 cells, a band that moves each frame and a few cells changed at random.
class MovingFrames {
 public:
  explicit MovingFrames(unsigned seed) : random_(seed) {
    for (int n = 0; n < kCellCount; ++n) setRandom(n);
  }
  CellView next() {
    ++frame_;
    for (int r = 0; r < kCellRows; ++r) {
      int column = (frame_ * 3 + r) % kCellColumns;
      set(r * kCellColumns + column, 178, static_cast<std::uint8_t>(frame_ * 17 + r));
    }
    for (int i = 0; i < 200; ++i) setRandom(static_cast<int>(random_() % kCellCount));
    return current();
  }
  CellView current() const { return viewOf(cells_, Grid::Classic); }

 private:
  void set(int n, std::uint8_t glyph, std::uint8_t attribute) { cells_[n] = {glyph, attribute}; }
  void setRandom(int n) {
    static constexpr std::uint8_t kBlocks[] = {176, 177, 178, 219};
    std::uint32_t pick = random_();
    std::uint8_t glyph = pick % 8 == 0 ? static_cast<std::uint8_t>(pick >> 8) : kBlocks[(pick >> 3) % 4];
    set(n, glyph, static_cast<std::uint8_t>(pick >> 16));
  }
  std::mt19937 random_;
  CellBuffer cells_{};
  int frame_ = 0;
};

// A CellBuffer-sized grid centred on a larger screen, in both colour modes.
class EncoderOnScreen : public ::testing::TestWithParam<ColorMode> {};

TEST_P(EncoderOnScreen, EveryFrameShowsTheCells) {
  constexpr int kOriginColumn = 10;
  constexpr int kOriginRow = 5;
  const ColorMode mode = GetParam();
  // The terminal as the show leaves it before the first frame: autowrap off, some text on it.
  EmulatedScreen screen(100, 60);
  screen.feed("\x1b[?7lWin32 users:\r\nPress SPACE to continue or ESC to exit\x1b[31;44m stray colours");
  FrameEncoder encoder;
  encoder.setColorMode(mode);
  MovingFrames frames(7);
  for (int frame = 0; frame < 12; ++frame) {
    SCOPED_TRACE(::testing::Message() << "frame " << frame);
    const CellView cells = frame == 0 ? frames.current() : frames.next();
    if (frame == 6) encoder.invalidate();  // a whole frame in the middle
    std::size_t size = 0;
    const char* bytes = encoder.encode(cells, kOriginColumn, kOriginRow, kCellColumns, kCellRows, size);
    ASSERT_LE(size, FrameEncoder::kMaxFrameBytes);
    screen.feed(std::string(bytes, size));
    ASSERT_EQ(screen.wrongCells(cells, kOriginColumn, kOriginRow, kCellColumns, kCellRows, mode), 0);
  }
  // Around the grid the whole frames left the screen blank: neither the intro text nor stray colours.
  for (int row = 0; row < screen.rows(); ++row) {
    for (int column = 0; column < screen.columns(); ++column) {
      const bool inGrid = column >= kOriginColumn && column < kOriginColumn + kCellColumns && row >= kOriginRow &&
                          row < kOriginRow + kCellRows;
      if (inGrid) continue;
      VTermScreenCell shown = screen.cell(column, row);
      EXPECT_TRUE(shown.chars[0] == 0 && VTERM_COLOR_IS_DEFAULT_BG(&shown.bg)) << "at " << column << ", " << row;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Centred, EncoderOnScreen, ::testing::Values(ColorMode::Ansi16, ColorMode::TrueColor),
                         [](const auto& info) { return info.param == ColorMode::TrueColor ? "TrueColor" : "Ansi16"; });

std::string encodeOnce(FrameEncoder& encoder, const CellBuffer& cells) {
  std::size_t size = 0;
  const char* bytes = encoder.encode(viewOf(cells, Grid::Classic), 0, 0, kCellColumns, kCellRows, size);
  return std::string(bytes, size);
}

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(FrameEncoder, FramesAreSynchronizedAndOnlyChangesAreSent) {
  CellBuffer cells{};
  for (int n = 0; n < kCellCount; ++n) cells[n] = {177, 0x78};
  FrameEncoder encoder;
  std::string whole = encodeOnce(encoder, cells);
  EXPECT_EQ(whole.rfind("\x1b[?2026h", 0), 0u);
  EXPECT_EQ(whole.substr(whole.size() - 8), "\x1b[?2026l");
  // One colour choice for the whole uniform frame (besides the reset before clearing).
  EXPECT_EQ(countOf(whole, "m") - countOf(whole, "\x1b[0m"), 1u);

  EXPECT_EQ(encodeOnce(encoder, cells), "\x1b[?2026h\x1b[?2026l");

  cells[20 * kCellColumns + 40].glyph = 176;
  std::string one = encodeOnce(encoder, cells);
  EXPECT_LT(one.size(), 40u);
  EXPECT_NE(one.find("\x1b[21;41H"), std::string::npos);

  encoder.invalidate();
  EXPECT_GT(encodeOnce(encoder, cells).size(), whole.size() / 2);
}

// A solid cell, however the CellBuffer spells it (a full block, a blank, equal colours), is a blank
// on its colour: a full block glyph would leave a seam under it in many terminals.
TEST(FrameEncoder, SolidCellsAreBlanksOnTheirColourInBothColourModes) {
  CellBuffer cells{};
  for (int n = 0; n < kCellCount; ++n) {
    const int kind = n % 4;
    cells[n].glyph = kind == 0 ? 219 : kind == 1 ? 0 : kind == 2 ? 177 : 176;
    cells[n].attribute = static_cast<std::uint8_t>(kind == 2 ? 0x99 : kind == 3 ? 0x1E : 0x0C | (n & 0x70));
  }
  for (ColorMode mode : {ColorMode::Ansi16, ColorMode::TrueColor}) {
    FrameEncoder encoder;
    encoder.setColorMode(mode);
    const std::string frame = encodeOnce(encoder, cells);
    EXPECT_EQ(frame.find("\xe2\x96\x88"), std::string::npos) << "no full block is ever sent";
    EmulatedScreen screen(kCellColumns, kCellRows);
    screen.feed(frame);
    for (int n : {0, 1, 2, 4 * 13 + 1, 3999 - 3}) {
      const int column = n % kCellColumns;
      const int row = n / kCellColumns;
      const int kind = n % 4;
      const int colour = kind == 0 ? 0x0C : kind == 1 ? cells[n].background() : 9;
      const std::uint32_t glyph = screen.glyph(column, row);
      EXPECT_TRUE(glyph == ' ' || glyph == 0) << "cell " << n << " shows " << glyph;
      EXPECT_EQ(screen.background(column, row), EmulatedScreen::consoleColour(colour, mode)) << "cell " << n;
    }
  }
}

TEST(FrameEncoder, WithoutSynchronizedOutputAFrameHasNoMarkers) {
  CellBuffer cells{};
  FrameEncoder encoder;
  encoder.setSynchronizedOutput(false);
  const std::string whole = encodeOnce(encoder, cells);
  EXPECT_EQ(whole.find("2026"), std::string::npos);
  EXPECT_EQ(encodeOnce(encoder, cells), "");
  EXPECT_TRUE(encoder.lastFrameChangedNothing());
}

TEST(FrameEncoder, WorstFrameFitsTheBuffer) {
  // Every cell a different colour pair from its neighbour, far from the top-left corner.
  CellBuffer cells{};
  FrameEncoder encoder;
  encoder.setColorMode(ColorMode::TrueColor);
  for (int frame = 0; frame < 3; ++frame) {
    for (int n = 0; n < kCellCount; ++n)
      cells[n] = {178, static_cast<std::uint8_t>((n + frame) % 2 == 0 ? 0x7F : 0xF7)};
    std::size_t size = 0;
    encoder.encode(viewOf(cells, Grid::Classic), 30000, 30000, kCellColumns, kCellRows, size);
    EXPECT_LE(size, FrameEncoder::kMaxFrameBytes);
  }
}

}  // namespace
}  // namespace glimmer
