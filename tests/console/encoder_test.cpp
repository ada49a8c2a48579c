// The frame encoder against a terminal emulator (libvterm): whatever the frames, every cell on the
// emulated screen shows what the cells ask for, in both looks, both grids and both colour modes;
// the bytes hold only sequences every terminal the show is made for knows, and never a full block;
// and the runs that can be written shorter are.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/cell_buffer.h"
#include "console/frame_encoder.h"
#include "support/emulated_screen.h"

namespace glimmer {

void PrintTo(ColorMode mode, std::ostream* out) { *out << (mode == ColorMode::TrueColor ? "TrueColor" : "Ansi16"); }

namespace {

using testing::EmulatedScreen;

enum class Kind { TextMode, Wide, Pixels };

// Frames of a moving picture of either look, each made of a different mix of what pictures hold:
// noise, runs of one cell (solid runs above all, which may be erased), half blocks whose two pixels
// are equal, gradients, a band that moves, a few cells changed, no change at all, and many cells of
// a few colours, where the planner's choices (erase or write, skip or write again, which half
// block, which pass) all meet.
class Frames {
 public:
  Frames(Kind kind, unsigned seed) : kind_(kind), random_(seed) {
    for (int n = 0; n < count(); ++n) setRandom(n);
  }
  int columns() const { return kind_ == Kind::TextMode ? kCellColumns : kWideCellColumns; }
  int count() const { return columns() * kCellRows; }
  CellView current() const { return viewOf(cells_, kind_ == Kind::TextMode ? Grid::Classic : Grid::Wide); }

  CellView next() {
    ++frame_;
    switch (frame_ % 7) {
      case 0:  // noise over a third of the cells
        for (int i = 0; i < count() / 3; ++i) setRandom(static_cast<int>(random_() % count()));
        break;
      case 1:  // runs of one cell, of every length, often solid
        for (int n = 0; n < count();) {
          const int length = 1 + static_cast<int>(random_() % 40);
          setRandom(n);
          if (random_() % 2 == 0) makeSolid(n);
          for (int i = 1; i < length && n + i < count(); ++i) cells_[n + i] = cells_[n];
          n += length;
        }
        break;
      case 2:  // a gradient across each row, changing slowly
        for (int n = 0; n < count(); ++n) {
          const int column = n % columns();
          const int row = n / columns();
          const std::uint32_t level = static_cast<std::uint32_t>((column / 3 + row + frame_) & 0xFF);
          set(n, kind_ == Kind::Pixels ? kUpperHalfBlock : 177, static_cast<std::uint8_t>(level & 0x77),
              level * 0x010101u, (level ^ 0x10) * 0x010101u);
        }
        break;
      case 3:  // a band that moves, a few cells at random
        for (int r = 0; r < kCellRows; ++r) {
          const int column = (frame_ * 3 + r) % columns();
          set(r * columns() + column, 178, static_cast<std::uint8_t>(frame_ * 17 + r), random_(), random_());
        }
        for (int i = 0; i < 20; ++i) setRandom(static_cast<int>(random_() % count()));
        break;
      case 4:  // nothing changes
        break;
      case 5: {  // any number of cells in two to five colours, of either half block
        static constexpr std::uint8_t kGlyphs[] = {176, 177, 178, 219, 32, kLowerHalfBlock};
        const std::uint32_t colours = 2 + random_() % 4;
        for (int i = 1 + static_cast<int>(random_() % count()); i > 0; --i) {
          const std::uint32_t top = random_() % colours;
          const std::uint32_t bottom = random_() % 3 == 0 ? top : random_() % colours;
          set(static_cast<int>(random_() % count()), kGlyphs[random_() % 6],
              static_cast<std::uint8_t>(top * 5 | bottom * 3 << 4), 0x3F1F0Fu * top, 0x3F1F0Fu * bottom);
        }
        break;
      }
      default:  // whole rows swap places
        for (int r = 0; r + 1 < kCellRows; r += 2) {
          for (int c = 0; c < columns(); ++c) std::swap(cells_[r * columns() + c], cells_[(r + 1) * columns() + c]);
        }
        break;
    }
    return current();
  }

 private:
  void set(int n, std::uint8_t glyph, std::uint8_t attribute, std::uint32_t top, std::uint32_t bottom) {
    if (kind_ == Kind::Pixels) {
      const std::uint8_t half = glyph == kLowerHalfBlock ? kLowerHalfBlock : kUpperHalfBlock;
      cells_[n] = {half, attribute, true, top & 0xFFFFFFu, bottom & 0xFFFFFFu};
    } else {
      cells_[n] = {glyph, attribute};
    }
  }
  // A cell whose pixels (or colours) are equal.
  void makeSolid(int n) {
    Cell& cell = cells_[n];
    cell.attribute = static_cast<std::uint8_t>((cell.attribute & 15) * 0x11);
    cell.backgroundRgb = cell.foregroundRgb;
  }
  void setRandom(int n) {
    static constexpr std::uint8_t kBlocks[] = {176, 177, 178, 219, 32, 0};
    // A few colours, so that neighbours often share one; sometimes the two pixels are equal.
    static constexpr std::uint32_t kColours[] = {0x000000, 0x102030, 0xFFFFFF, 0x808080, 0x0000FF, 0x123456};
    const std::uint32_t pick = random_();
    const std::uint8_t glyph = pick % 16 == 0 ? static_cast<std::uint8_t>(pick >> 8) : kBlocks[(pick >> 4) % 6];
    const std::uint32_t top = pick % 3 == 0 ? random_() : kColours[(pick >> 8) % 6];
    const std::uint32_t bottom = (pick >> 12) % 4 == 0 ? top : pick % 5 == 0 ? random_() : kColours[(pick >> 16) % 6];
    set(n, glyph, static_cast<std::uint8_t>(pick >> 20), top, bottom);
  }

  Kind kind_;
  std::mt19937 random_;
  CellBuffer cells_{};
  int frame_ = 0;
};

std::string nameOf(Kind kind) { return kind == Kind::TextMode ? "TextMode" : kind == Kind::Wide ? "Wide" : "Pixels"; }

// Checks that the bytes hold only what every terminal the show is made for does alike: the
// synchronized-output pair, the reset and clear before a whole frame, CUP, CUF, ECH, SGR of the 16
// colours or 24-bit colours, CR, LF and UTF-8 text. Returns what else it found, or "".
std::string foreignSequence(const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const char c = bytes[at];
    if (c == '\r' || c == '\n' || static_cast<unsigned char>(c) >= 0x20) {
      ++at;
      continue;
    }
    if (c != '\x1b' || at + 1 >= bytes.size() || bytes[at + 1] != '[') return bytes.substr(at, 8);
    std::size_t end = at + 2;
    while (end < bytes.size() && ((bytes[end] >= '0' && bytes[end] <= '9') || bytes[end] == ';' || bytes[end] == '?'))
      ++end;
    if (end >= bytes.size()) return bytes.substr(at);
    const std::string parameters = bytes.substr(at + 2, end - at - 2);
    const std::string sequence = bytes.substr(at, end + 1 - at);
    const char final = bytes[end];
    at = end + 1;
    if (parameters == "?2026" && (final == 'h' || final == 'l')) continue;
    if (parameters.find('?') != std::string::npos) return sequence;
    if (final == 'H' || final == 'C' || final == 'X' || (final == 'J' && parameters == "2")) continue;
    if (final != 'm') return sequence;
    if (parameters == "0") continue;
    // SGR: each colour 30-37, 90-97, 40-47, 100-107, or 38;2;R;G;B and 48;2;R;G;B.
    std::vector<int> values;
    for (std::size_t from = 0; from <= parameters.size();) {
      const std::size_t semicolon = std::min(parameters.find(';', from), parameters.size());
      values.push_back(std::atoi(parameters.substr(from, semicolon - from).c_str()));
      from = semicolon + 1;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
      const int v = values[i];
      if ((v >= 30 && v <= 37) || (v >= 90 && v <= 97) || (v >= 40 && v <= 47) || (v >= 100 && v <= 107)) continue;
      if ((v == 38 || v == 48) && i + 4 < values.size() && values[i + 1] == 2) {
        i += 4;
        continue;
      }
      return sequence;
    }
  }
  return "";
}

// A grid centred on a larger screen with other things on it, or cut by a smaller one: every frame
// of a moving picture shows on the screen, with no sequence but those above, within the buffer.
class EncoderOnScreen : public ::testing::TestWithParam<std::tuple<Kind, ColorMode, bool>> {};

TEST_P(EncoderOnScreen, EveryFrameShowsTheCells) {
  const auto [kind, mode, cut] = GetParam();
  Frames frames(kind, 7 + static_cast<unsigned>(kind));
  const int originColumn = cut ? 0 : 10;
  const int originRow = cut ? 0 : 5;
  const int screenColumns = cut ? frames.columns() - 13 : frames.columns() + 20;
  const int screenRows = cut ? kCellRows - 7 : kCellRows + 10;
  const int visibleColumns = cut ? screenColumns : frames.columns();
  const int visibleRows = cut ? screenRows : kCellRows;
  // The terminal as the show leaves it before the first frame: autowrap off, some text on it.
  EmulatedScreen screen(screenColumns, screenRows);
  screen.feed("\x1b[?7lWin32 users:\r\nPress SPACE to continue or ESC to exit\x1b[31;44m stray colours");
  FrameEncoder encoder;
  encoder.setColorMode(mode);
  for (int frame = 0; frame < 80; ++frame) {
    SCOPED_TRACE(::testing::Message() << "frame " << frame);
    const CellView cells = frame == 0 ? frames.current() : frames.next();
    if (frame == 21) encoder.invalidate();  // a whole frame in the middle
    std::size_t size = 0;
    const char* bytes = encoder.encode(cells, originColumn, originRow, visibleColumns, visibleRows, size);
    ASSERT_LE(size, FrameEncoder::kMaxFrameBytes);
    const std::string written(bytes, size);
    ASSERT_EQ(foreignSequence(written), "");
    // A full block would leave a seam under it in many terminals: solid cells are blanks.
    ASSERT_EQ(written.find("\xe2\x96\x88"), std::string::npos);
    screen.feed(written);
    ASSERT_EQ(screen.wrongCells(cells, originColumn, originRow, visibleColumns, visibleRows, mode), 0);
  }
  if (cut) return;
  // Around the grid the whole frames left the screen blank: neither the intro text nor stray colours.
  for (int row = 0; row < screen.rows(); ++row) {
    for (int column = 0; column < screen.columns(); ++column) {
      const bool inGrid = column >= originColumn && column < originColumn + frames.columns() && row >= originRow &&
                          row < originRow + kCellRows;
      if (inGrid) continue;
      VTermScreenCell shown = screen.cell(column, row);
      EXPECT_TRUE(shown.chars[0] == 0 && VTERM_COLOR_IS_DEFAULT_BG(&shown.bg)) << "at " << column << ", " << row;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(LooksGridsAndColours, EncoderOnScreen,
                         ::testing::Combine(::testing::Values(Kind::TextMode, Kind::Wide, Kind::Pixels),
                                            ::testing::Values(ColorMode::Ansi16, ColorMode::TrueColor),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return nameOf(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) == ColorMode::TrueColor ? "TrueColor" : "Ansi16") +
                                  (std::get<2>(info.param) ? "Cut" : "Centred");
                         });

std::string encodeOnce(FrameEncoder& encoder, const CellBuffer& cells, Grid grid = Grid::Classic) {
  std::size_t size = 0;
  const char* bytes = encoder.encode(viewOf(cells, grid), 0, 0, columnsOf(grid), kCellRows, size);
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
  EXPECT_TRUE(encoder.lastFrameChangedNothing());

  cells[20 * kCellColumns + 40].glyph = 176;
  const std::string one = encodeOnce(encoder, cells);
  EXPECT_FALSE(encoder.lastFrameChangedNothing());
  EXPECT_EQ(one, "\x1b[?2026h\x1b[21;41H\xe2\x96\x91\x1b[?2026l") << "the colours are still selected";

  encoder.invalidate();
  EXPECT_GT(encodeOnce(encoder, cells).size(), whole.size() / 2);

  // Without synchronized output, no markers, and nothing at all for a frame that changes nothing.
  encoder.setSynchronizedOutput(false);
  EXPECT_EQ(encodeOnce(encoder, cells), "");
  EXPECT_TRUE(encoder.lastFrameChangedNothing());
  encoder.invalidate();
  EXPECT_EQ(encodeOnce(encoder, cells).find("2026"), std::string::npos);
}

// Pixels look rows: a long run of one colour is erased with the current background (ECH), not
// written; half blocks of two equal pixels need no glyph; a pixel pair whose colours are those
// selected the other way round is drawn as the lower half block without a colour change.
TEST(FrameEncoder, RunsOfPixelsTakeTheShortestForm) {
  constexpr std::uint32_t kRed = 0x0000FF;
  constexpr std::uint32_t kBlue = 0xFF0000;
  CellBuffer cells{};
  for (int n = 0; n < kWideCellColumns * kCellRows; ++n) cells[n] = {kUpperHalfBlock, 0x11, true, kRed, kRed};
  FrameEncoder encoder;
  encoder.setColorMode(ColorMode::TrueColor);
  const std::string whole = encodeOnce(encoder, cells, Grid::Wide);
  EXPECT_EQ(whole.find("\xe2\x96"), std::string::npos) << "no half block for two equal pixels";
  EXPECT_EQ(countOf(whole, "X"), static_cast<std::size_t>(kCellRows)) << "each row one erasure";
  EXPECT_LT(whole.size(), 600u);
  EXPECT_EQ(countOf(whole, "48;2;255;0;0"), 1u) << "one colour for the whole frame";

  // Row 10: red over blue, then blue over red: the second is the first's lower half block.
  cells[10 * kWideCellColumns + 50] = {kUpperHalfBlock, 0x1C, true, kRed, kBlue};
  cells[10 * kWideCellColumns + 51] = {kUpperHalfBlock, 0xC1, true, kBlue, kRed};
  const std::string two = encodeOnce(encoder, cells, Grid::Wide);
  EXPECT_EQ(countOf(two, "m"), 1u) << two;
  EXPECT_EQ(countOf(two, "\xe2\x96\x80") + countOf(two, "\xe2\x96\x84"), 2u);
  EmulatedScreen screen(kWideCellColumns, kCellRows);
  screen.feed(whole + two);
  EXPECT_EQ(screen.wrongCells(viewOf(cells, Grid::Wide), 0, 0, kWideCellColumns, kCellRows, ColorMode::TrueColor), 0);
}

TEST(FrameEncoder, WorstFramesFitTheBuffer) {
  // Every cell two 24-bit colours of three digits each, unlike its neighbours', far from the
  // top-left corner; and every other cell a different colour pair in textmode.
  CellBuffer cells{};
  FrameEncoder encoder;
  encoder.setColorMode(ColorMode::TrueColor);
  for (int frame = 0; frame < 3; ++frame) {
    for (int n = 0; n < kMaxCellCount; ++n) {
      const std::uint32_t shade = 100 + static_cast<std::uint32_t>((n + frame) % 150);
      cells[n] = {kUpperHalfBlock, 0x7F, true, shade * 0x010101u, (shade + 1) * 0x010101u};
    }
    std::size_t size = 0;
    encoder.encode(viewOf(cells, Grid::Wide), 30000, 30000, kWideCellColumns, kCellRows, size);
    EXPECT_LE(size, FrameEncoder::kMaxFrameBytes);
    for (int n = 0; n < kCellCount; ++n)
      cells[n] = {178, static_cast<std::uint8_t>((n + frame) % 2 == 0 ? 0x7F : 0xF7)};
    encoder.encode(viewOf(cells, Grid::Classic), 30000, 30000, kCellColumns, kCellRows, size);
    EXPECT_LE(size, FrameEncoder::kMaxFrameBytes);
  }
}

}  // namespace
}  // namespace glimmer
