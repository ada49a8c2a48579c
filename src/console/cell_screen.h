// CellScreen: a grid of console cells that the show's terminal output is played onto, for a
// console that is written cell by cell (the Windows console's WriteConsoleOutputW) rather than
// with escape sequences.
//
// It understands what this program writes (FrameEncoder's frames, the console's intro and clear):
// UTF-8 text, CR and LF, CSI row;col H, CSI n C, CSI 2 J, SGR 0, 30-37, 39, 40-47, 49, 90-97,
// 100-107, 38;2;r;g;b and 48;2;r;g;b (matched to the nearest of the 16 console colours), and it
// skips other CSI and OSC sequences (modes, titles, synchronized output). Writing past the right
// edge stays on the last column (autowrap off), as the program asks of its terminal.
//
// Each cell is a Unicode character and a console attribute (foreground in bits 0..3, background
// in bits 4..7), the layout of a CHAR_INFO. The screen remembers which rectangle changed since
// the last takeChanged(), so the backend writes only that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace glimmer {

struct ScreenCell {
  char16_t character;
  std::uint16_t attribute;
};
static_assert(sizeof(ScreenCell) == 4);

// A rectangle of cells, right and bottom exclusive; empty when right <= left.
struct CellRect {
  int left;
  int top;
  int right;
  int bottom;
};

class CellScreen {
 public:
  static constexpr std::uint16_t kDefaultAttribute = 0x07;  // grey on black

  // A screen of columns x rows blanks in the default colours. Allocates; columns and rows >= 1.
  CellScreen(int columns, int rows);
  CellScreen(const CellScreen&) = delete;
  CellScreen& operator=(const CellScreen&) = delete;

  // Plays size bytes onto the screen. A sequence or UTF-8 character cut at the end of one call is
  // completed by the next. Allocates nothing.
  void feed(const char* bytes, std::size_t size);

  // The rectangle written since the previous call, then forgets it.
  CellRect takeChanged();

  int columns() const { return columns_; }
  int rows() const { return rows_; }
  const ScreenCell* cells() const { return cells_.get(); }  // row by row from the top
  const ScreenCell& at(int column, int row) const { return cells_[static_cast<std::size_t>(row) * columns_ + column]; }

 private:
  enum class State { Text, Escape, Csi, Osc, OscEscape };

  void put(char32_t character);
  void runCsi(char final);
  void selectGraphics();
  void clear();
  void mark(int column, int row);

  std::unique_ptr<ScreenCell[]> cells_;
  int columns_;
  int rows_;
  int column_ = 0;
  int row_ = 0;
  std::uint16_t attribute_ = kDefaultAttribute;
  State state_ = State::Text;
  static constexpr int kMaxParameters = 16;
  int parameters_[kMaxParameters] = {};
  int parameterCount_ = 0;
  bool privateSequence_ = false;
  char32_t pending_ = 0;  // a UTF-8 character being assembled
  int pendingBytes_ = 0;  // continuation bytes still expected
  CellRect changed_{0, 0, 0, 0};
};

}  // namespace glimmer
