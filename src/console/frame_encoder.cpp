// FrameEncoder: code page 437 cells to UTF-8 text and SGR colours, whole or only what changed, each
// row planned as the cheapest sequence of writes, erasures and cursor moves.
#include "console/frame_encoder.h"

#include <cstring>

#include "base/cell_buffer.h"
#include "base/palette.h"
#include "console/cp437.h"

namespace glimmer {
namespace {

// Every fixed sequence the encoder writes.
constexpr char kBeginFrame[] = "\x1b[?2026h";
constexpr char kEndFrame[] = "\x1b[?2026l";

constexpr std::uint8_t kFullBlock = 219;
constexpr std::uint8_t kBlank = ' ';
constexpr std::uint32_t kUnknownColour = 0xFFFFFFFFu;

// What a cell is seen as, in one word: its glyph in bits 48..55, its foreground colour in bits
// 24..47 and its background colour in bits 0..23. A colour is a console colour number with 16
// colours, else a 24-bit colour 0x00BBGGRR. A solid cell of colour X is the blank on X: glyph 32,
// foreground 0. An upper half block stands also for the lower one with its colours swapped.
using Seen = std::uint64_t;

constexpr Seen solidOf(std::uint32_t colour) { return Seen{kBlank} << 48 | colour; }
inline std::uint8_t glyphOf(Seen seen) { return static_cast<std::uint8_t>(seen >> 48); }
inline std::uint32_t foregroundOf(Seen seen) { return static_cast<std::uint32_t>(seen >> 24) & 0xFFFFFFu; }
inline std::uint32_t backgroundOf(Seen seen) { return static_cast<std::uint32_t>(seen) & 0xFFFFFFu; }
inline bool isSolid(Seen seen) { return glyphOf(seen) == kBlank; }

// The show's palette as 24-bit colours, 0x00BBGGRR.
struct PaletteWords {
  std::uint32_t words[16];
};
constexpr PaletteWords kPaletteWords = [] {
  PaletteWords palette{};
  for (int colour = 0; colour < 16; ++colour) {
    palette.words[colour] = static_cast<std::uint32_t>(kConsolePalette[colour][0] | kConsolePalette[colour][1] << 8 |
                                                       kConsolePalette[colour][2] << 16);
  }
  return palette;
}();

Seen seenOf(const Cell& cell, bool trueColour) {
  std::uint32_t foreground = static_cast<std::uint32_t>(cell.foreground());
  std::uint32_t background = static_cast<std::uint32_t>(cell.background());
  if (trueColour) {
    foreground = cell.direct ? cell.foregroundRgb & 0xFFFFFFu : kPaletteWords.words[foreground];
    background = cell.direct ? cell.backgroundRgb & 0xFFFFFFu : kPaletteWords.words[background];
  }
  std::uint8_t glyph = cell.glyph;
  if (glyph == kFullBlock || foreground == background) return solidOf(foreground);
  if (glyph == 0 || glyph == kBlank) return solidOf(background);
  if (glyph == kLowerHalfBlock) {
    glyph = kUpperHalfBlock;
    const std::uint32_t top = background;
    background = foreground;
    foreground = top;
  }
  return Seen{glyph} << 48 | Seen{foreground} << 24 | background;
}

inline void put(char*& at, const char* text, std::size_t length) {
  std::memcpy(at, text, length);
  at += length;
}

inline int digitCount(unsigned value) {
  int count = 1;
  while (value >= 10) {
    value /= 10;
    ++count;
  }
  return count;
}

inline void putNumber(char*& at, unsigned value) {
  const int count = digitCount(value);
  for (int i = count; i > 0; --i) {
    at[i - 1] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  at += count;
}

// CSI n <final>, the count left out when it is 1: CUF (C) and ECH (X).
inline int countedCost(int count) { return count == 1 ? 3 : 3 + digitCount(static_cast<unsigned>(count)); }
void putCounted(char*& at, int count, char final) {
  put(at, "\x1b[", 2);
  if (count != 1) putNumber(at, static_cast<unsigned>(count));
  *at++ = final;
}

// CSI row;column H, 1-based, the column left out when it is 1.
int cursorPositionCost(unsigned row, unsigned column) {
  return 3 + digitCount(row) + (column != 1 ? 1 + digitCount(column) : 0);
}
void putCursorPosition(char*& at, unsigned row, unsigned column) {
  put(at, "\x1b[", 2);
  putNumber(at, row);
  if (column != 1) {
    *at++ = ';';
    putNumber(at, column);
  }
  *at++ = 'H';
}

inline int clampTo(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

// The length of a colour's SGR parameters: 30..37 and 90..97 for a foreground, 40..47 and
// 100..107 for a background, or 38;2;R;G;B and 48;2;R;G;B.
int parameterLength(std::uint32_t colour, bool background, bool trueColour) {
  if (!trueColour) return background && colour >= 8 ? 3 : 2;
  return 7 + digitCount(colour & 0xFFu) + digitCount((colour >> 8) & 0xFFu) + digitCount(colour >> 16);
}

}  // namespace

// The row planner. A row is drawn in one pass from left to right, or in several: the first pass
// leaves out cells whose colours differ from both their neighbours' (islands), which would cost a
// colour change on the way in and another on the way out, and a later pass, reached with CR and
// CUF, draws them together. Whichever takes fewer bytes is kept.
//
// Each pass is planned at once. Positions are the row's columns, with `columns` standing for "the
// pass is done"; at each position the planner keeps the cheapest ways found to get there (the
// cursor there and every cell before it that the pass draws showing what it should), one per pair
// of colours selected, at most kStates of them (the dearest dropped). Each way remembers the step
// that made it, so the cheapest way to the end can be followed back.
struct FrameEncoder::RowPlan {
  static constexpr int kStates = 6;
  static constexpr int kMostPasses = 3;
  // Runs of one solid colour shorter than this are written: erasing them never takes fewer bytes.
  static constexpr int kShortestErasure = 4;

  enum Step : std::uint8_t {
    kWrite,         // the cell's glyph (a blank for a solid cell), in its colours
    kWriteSwapped,  // an upper half block as the lower one, its colours the other way round
    kWriteEarly,    // a solid cell, selecting the next glyph's foreground with its background
    kErase,         // ECH over the run of solid cells, then CUF to the next change
    kEraseEarly,    // the same, selecting the next glyph's foreground with the background
    kSkip,          // CUF over cells this pass leaves alone to its next change
  };

  struct Way {
    std::uint32_t foreground;  // the colours selected after the step
    std::uint32_t background;
    std::uint32_t cost;   // bytes from the pass's start
    std::int16_t from;    // the position the step was taken at; -1 for the pass's start
    std::uint8_t fromWay;
    Step step;
  };

  // A step of a plan, as it is written: the colours it selects, then the step.
  struct Chosen {
    std::int16_t position;
    Step step;
    std::int16_t erased;  // kErase: the cells erased
    std::int16_t moveTo;  // kErase, kSkip: the column the cursor moves on to, or -1 for none
    std::uint32_t foreground;
    std::uint32_t background;
  };

  // How far a plan has got: its steps, passes, bytes and the colours selected at the end.
  struct Mark {
    int count;
    int passes;
    std::uint32_t cost;
    std::uint32_t foreground;
    std::uint32_t background;
  };

  // A row's plan: its passes' steps one after the other; each pass after the first begins with a
  // CR and a CUF to passStart.
  struct Plan {
    void restore(const Mark& mark) {
      count = mark.count;
      passes = mark.passes;
      cost = mark.cost;
      foreground = mark.foreground;
      background = mark.background;
    }
    Chosen steps[kMostPasses * (kWideCellColumns + 1)];
    int passEnd[kMostPasses];
    int passStart[kMostPasses];
    int passes = 0;
    int count = 0;
    std::uint32_t cost = 0;
    std::uint32_t foreground = kUnknownColour;  // selected after the plan
    std::uint32_t background = kUnknownColour;
  };

  // Plans the row (seen and changed for its columns, which start at terminal column
  // firstColumn, 1-based; at least one changed) from the colours selected, into best, for a
  // cursor put at the first change.
  void planRow(const Seen* seen, const bool* changed, int columns, unsigned firstColumn, std::uint32_t foreground,
               std::uint32_t background, bool trueColour);

  const Plan& best() const { return plans[bestPlan]; }
  static Mark markOf(const Plan& plan) {
    return {plan.count, plan.passes, plan.cost, plan.foreground, plan.background};
  }

 private:
  // Appends the cheapest pass over the cells marked in draw to plan, from the plan's colours.
  // False when no cell is marked.
  bool planPass(const bool* draw, Plan& plan);
  int markIslands(const Plan& plan, int begin, std::uint32_t foreground, std::uint32_t background);
  // Lands at a position: where nothing is left to draw, the pass is done.
  int land(int position) const { return nextDrawn[position] >= columns ? columns : position; }
  void offer(int position, const Way& way);

  const Seen* seen = nullptr;
  int columns = 0;
  int rowStart = 0;  // the row's first change, where the cursor is put
  unsigned firstColumn = 1;
  bool trueColour = false;
  // Per column c: the end of the run of cells seen alike from c, the colours the first glyph after
  // c may want as its foreground (kUnknownColour when none), and the parameter lengths of c's
  // foreground and background, then of its background as a foreground and its foreground as a
  // background.
  std::int16_t runEnd[kWideCellColumns];
  std::uint32_t nextForeground[kWideCellColumns][2];
  std::uint8_t lengths[kWideCellColumns][4];
  // Per column, for the pass being planned: the first column at or after c that it draws.
  std::int16_t nextDrawn[kWideCellColumns + 1];

  Way ways[kWideCellColumns + 1][kStates];
  std::uint8_t wayCount[kWideCellColumns + 1];

  Plan plans[2];
  int bestPlan = 0;
  bool draw[kWideCellColumns];
  bool later[kWideCellColumns];
};

namespace {

// Bytes of the SGR that selects foreground and background from the selected colours: nothing when
// both are selected already, else CSI, the parameters of those that change, and m.
inline std::uint32_t selectCost(std::uint32_t selectedForeground, std::uint32_t selectedBackground,
                                std::uint32_t foreground, std::uint32_t background, int foregroundLength,
                                int backgroundLength) {
  const bool changeForeground = foreground != selectedForeground;
  const bool changeBackground = background != selectedBackground;
  if (!changeForeground && !changeBackground) return 0;
  return static_cast<std::uint32_t>(3 + (changeForeground ? foregroundLength : 0) +
                                    (changeForeground && changeBackground ? 1 : 0) +
                                    (changeBackground ? backgroundLength : 0));
}

inline bool writes(FrameEncoder::RowPlan::Step step) { return step <= FrameEncoder::RowPlan::kWriteEarly; }

}  // namespace

FrameEncoder::FrameEncoder()
    : buffer_(new char[kMaxFrameBytes]), previous_(new std::uint64_t[kMaxCellCount]()), plan_(new RowPlan()) {
  invalidate();
}

FrameEncoder::~FrameEncoder() = default;

void FrameEncoder::setColorMode(ColorMode mode) {
  if (mode != mode_) invalidate();
  mode_ = mode;
}

void FrameEncoder::invalidate() {
  whole_ = true;
  colours_ = {kUnknownColour, kUnknownColour};
}

void FrameEncoder::RowPlan::offer(int position, const Way& way) {
  Way* list = ways[position];
  const int count = wayCount[position];
  int dearest = 0;
  for (int i = 0; i < count; ++i) {
    if (list[i].foreground == way.foreground && list[i].background == way.background) {
      if (way.cost < list[i].cost) list[i] = way;
      return;
    }
    if (list[i].cost > list[dearest].cost) dearest = i;
  }
  if (count < kStates) {
    list[count] = way;
    wayCount[position] = static_cast<std::uint8_t>(count + 1);
  } else if (way.cost < list[dearest].cost) {
    list[dearest] = way;
  }
}

void FrameEncoder::RowPlan::planRow(const Seen* rowSeen, const bool* changed, int rowColumns, unsigned rowFirstColumn,
                                    std::uint32_t foreground, std::uint32_t background, bool rowTrueColour) {
  seen = rowSeen;
  columns = rowColumns;
  rowStart = 0;
  while (!changed[rowStart]) ++rowStart;
  firstColumn = rowFirstColumn;
  trueColour = rowTrueColour;
  std::uint32_t following[2] = {kUnknownColour, kUnknownColour};
  for (int c = columns - 1; c >= 0; --c) {
    runEnd[c] = c + 1 < columns && seen[c + 1] == seen[c] ? runEnd[c + 1] : static_cast<std::int16_t>(c + 1);
    nextForeground[c][0] = following[0];
    nextForeground[c][1] = following[1];
    const std::uint32_t cellForeground = foregroundOf(seen[c]);
    const std::uint32_t cellBackground = backgroundOf(seen[c]);
    lengths[c][1] = static_cast<std::uint8_t>(parameterLength(cellBackground, true, trueColour));
    if (!isSolid(seen[c])) {
      lengths[c][0] = static_cast<std::uint8_t>(parameterLength(cellForeground, false, trueColour));
      following[0] = cellForeground;
      following[1] = kUnknownColour;
      if (glyphOf(seen[c]) == kUpperHalfBlock) {
        lengths[c][2] = static_cast<std::uint8_t>(parameterLength(cellBackground, false, trueColour));
        lengths[c][3] = static_cast<std::uint8_t>(parameterLength(cellForeground, true, trueColour));
        following[1] = cellBackground;
      }
    }
  }

  // One pass over every change.
  Plan& single = plans[0];
  single.restore({0, 0, 0, foreground, background});
  planPass(changed, single);
  bestPlan = 0;

  // Passes that leave the islands of the pass before them to the next: each pass is planned, its
  // islands found, and planned again without them; the next pass draws those it did not write
  // on its way.
  Plan& passes = plans[1];
  passes.restore({0, 0, 0, foreground, background});
  for (int c = 0; c < columns; ++c) draw[c] = changed[c];
  const Plan* found = &single;  // the pass whose islands are looked for: its steps from foundBegin
  int foundBegin = 0;
  Mark before = markOf(passes);  // the plan without the pass being planned
  for (int pass = 0; pass + 1 < kMostPasses; ++pass) {
    if (markIslands(*found, foundBegin, before.foreground, before.background) == 0) break;
    for (int c = 0; c < columns; ++c) draw[c] = draw[c] && !later[c];
    passes.restore(before);
    if (!planPass(draw, passes)) break;  // every cell left is an island: as planned before
    for (int i = before.count; i < passes.count; ++i) {
      if (writes(passes.steps[i].step)) later[passes.steps[i].position] = false;
    }
    before = markOf(passes);
    for (int c = 0; c < columns; ++c) draw[c] = later[c];
    if (!planPass(draw, passes)) break;  // the islands were written on the way
    found = &passes;
    foundBegin = before.count;
  }
  if (passes.passes > 1 && passes.cost < single.cost) bestPlan = 1;
}

// Marks in later the islands of a plan's steps from begin, which start from the colours given:
// written cells whose step changes the colours and whose next written cell changes them again.
// Returns how many.
int FrameEncoder::RowPlan::markIslands(const Plan& plan, int begin, std::uint32_t foreground,
                                       std::uint32_t background) {
  for (int c = 0; c < columns; ++c) later[c] = false;
  int islands = 0;
  int lastWrite = -1;
  bool lastChangedColours = false;
  for (int i = begin; i < plan.count; ++i) {
    const Chosen& step = plan.steps[i];
    const bool changesColours =
        (step.foreground != foreground || step.background != background) && step.step != kWriteEarly;
    foreground = step.foreground;
    background = step.background;
    if (!writes(step.step)) continue;
    if (lastWrite >= 0 && lastChangedColours && changesColours) {
      later[lastWrite] = true;
      ++islands;
    }
    lastWrite = step.position;
    lastChangedColours = changesColours;
  }
  return islands;
}

bool FrameEncoder::RowPlan::planPass(const bool* drawn, Plan& plan) {
  nextDrawn[columns] = static_cast<std::int16_t>(columns);
  for (int c = columns - 1; c >= 0; --c) nextDrawn[c] = drawn[c] ? static_cast<std::int16_t>(c) : nextDrawn[c + 1];
  if (nextDrawn[0] >= columns) return false;

  // The first pass starts where the cursor was put, at the row's first change, whether the pass
  // draws it or not; a pass after it with CR and CUF to its own first cell.
  int first = rowStart;
  std::uint32_t start = 0;
  if (plan.passes > 0) {
    first = nextDrawn[0];
    const unsigned column = firstColumn + static_cast<unsigned>(first);
    start = 1u + (column > 1 ? static_cast<std::uint32_t>(countedCost(static_cast<int>(column) - 1)) : 0u);
  }

  for (int position = first; position <= columns; ++position) wayCount[position] = 0;
  offer(first, Way{plan.foreground, plan.background, 0, -1, 0, kWrite});

  for (int p = first; p < columns; ++p) {
    const int count = wayCount[p];
    if (count == 0) continue;
    const Seen cell = seen[p];
    const std::uint8_t* length = lengths[p];
    const int next = land(p + 1);
    const auto from = static_cast<std::int16_t>(p);
    for (int k = 0; k < count; ++k) {
      const Way way = ways[p][k];
      const auto fromWay = static_cast<std::uint8_t>(k);
      if (isSolid(cell)) {
        const std::uint32_t colour = backgroundOf(cell);
        const bool changeBackground = way.background != colour;
        const std::uint32_t select = changeBackground ? 3u + length[1] : 0u;
        offer(next, Way{way.foreground, colour, way.cost + select + 1, from, fromWay, kWrite});
        const int run = runEnd[p] - p;
        const int erasedTo = nextDrawn[runEnd[p]];
        std::uint32_t erase = 0;
        if (run >= kShortestErasure) {
          erase = static_cast<std::uint32_t>(countedCost(run) + (erasedTo < columns ? countedCost(erasedTo - p) : 0));
          offer(erasedTo, Way{way.foreground, colour, way.cost + select + erase, from, fromWay, kErase});
        }
        if (!changeBackground) continue;
        // The next glyph's foreground, selected now in the same SGR: one byte instead of three later.
        for (const std::uint32_t wanted : nextForeground[p]) {
          if (wanted == kUnknownColour || wanted == way.foreground) continue;
          const std::uint32_t both = select + 1u + static_cast<std::uint32_t>(parameterLength(wanted, false, trueColour));
          offer(next, Way{wanted, colour, way.cost + both + 1, from, fromWay, kWriteEarly});
          if (erase != 0) offer(erasedTo, Way{wanted, colour, way.cost + both + erase, from, fromWay, kEraseEarly});
        }
      } else {
        const std::uint32_t cellForeground = foregroundOf(cell);
        const std::uint32_t cellBackground = backgroundOf(cell);
        const std::uint32_t glyph = cp437ToUtf8(glyphOf(cell)).length;
        offer(next, Way{cellForeground, cellBackground,
                        way.cost + glyph +
                            selectCost(way.foreground, way.background, cellForeground, cellBackground, length[0],
                                       length[1]),
                        from, fromWay, kWrite});
        if (glyphOf(cell) == kUpperHalfBlock) {
          offer(next, Way{cellBackground, cellForeground,
                          way.cost + cp437ToUtf8(kLowerHalfBlock).length +
                              selectCost(way.foreground, way.background, cellBackground, cellForeground, length[2],
                                         length[3]),
                          from, fromWay, kWriteSwapped});
        }
      }
      if (!drawn[p]) {
        const int skipTo = nextDrawn[p];
        const std::uint32_t move = skipTo < columns ? static_cast<std::uint32_t>(countedCost(skipTo - p)) : 0u;
        offer(skipTo, Way{way.foreground, way.background, way.cost + move, from, fromWay, kSkip});
      }
    }
  }

  // The cheapest way to the end, followed back into the plan's steps.
  int best = 0;
  for (int k = 1; k < wayCount[columns]; ++k) {
    if (ways[columns][k].cost < ways[columns][best].cost) best = k;
  }
  const Way& end = ways[columns][best];
  int steps = 0;
  for (int position = columns, k = best; ways[position][k].from >= 0; ++steps) {
    const Way& way = ways[position][k];
    position = way.from;
    k = way.fromWay;
  }
  const int begin = plan.count;
  Chosen* at = plan.steps + begin + steps;
  for (int position = columns, k = best; ways[position][k].from >= 0;) {
    const Way& way = ways[position][k];
    const int p = way.from;
    Chosen step{static_cast<std::int16_t>(p), way.step, 0, -1, way.foreground, way.background};
    if (way.step == kErase || way.step == kEraseEarly) {
      step.erased = static_cast<std::int16_t>(runEnd[p] - p);
      if (nextDrawn[runEnd[p]] < columns) step.moveTo = nextDrawn[runEnd[p]];
    } else if (way.step == kSkip && nextDrawn[p] < columns) {
      step.moveTo = nextDrawn[p];
    }
    *--at = step;
    position = p;
    k = way.fromWay;
  }
  plan.count = begin + steps;
  plan.passStart[plan.passes] = first;
  plan.passEnd[plan.passes] = plan.count;
  ++plan.passes;
  plan.cost += start + end.cost;
  plan.foreground = end.foreground;
  plan.background = end.background;
  return true;
}

// Writes a colour's SGR parameters.
void FrameEncoder::putColour(std::uint32_t colour, bool background, char*& at) const {
  if (mode_ == ColorMode::TrueColor) {
    put(at, background ? "48;2;" : "38;2;", 5);
    putNumber(at, colour & 0xFFu);
    *at++ = ';';
    putNumber(at, (colour >> 8) & 0xFFu);
    *at++ = ';';
    putNumber(at, colour >> 16);
    return;
  }
  const unsigned ansi = static_cast<unsigned>(ansiColorOf(static_cast<int>(colour)));
  const bool bright = (colour & 8) != 0;
  putNumber(at, (background ? (bright ? 100u : 40u) : (bright ? 90u : 30u)) + ansi);
}

// SGR for whichever of the two colours differs from what is selected.
void FrameEncoder::emitSelect(std::uint32_t foreground, std::uint32_t background, char*& at) {
  const bool changeForeground = foreground != colours_.foreground;
  const bool changeBackground = background != colours_.background;
  if (!changeForeground && !changeBackground) return;
  put(at, "\x1b[", 2);
  if (changeForeground) putColour(foreground, false, at);
  if (changeForeground && changeBackground) *at++ = ';';
  if (changeBackground) putColour(background, true, at);
  *at++ = 'm';
  colours_ = {foreground, background};
}

void FrameEncoder::emitRow(const std::uint64_t* seen, unsigned firstColumn, char*& at) {
  const RowPlan::Plan& plan = plan_->best();
  for (int pass = 0, i = 0; pass < plan.passes; ++pass) {
    if (pass > 0) {
      *at++ = '\r';
      const unsigned column = firstColumn + static_cast<unsigned>(plan.passStart[pass]);
      if (column > 1) putCounted(at, static_cast<int>(column - 1), 'C');
    }
    for (; i < plan.passEnd[pass]; ++i) {
      const RowPlan::Chosen& step = plan.steps[i];
      emitSelect(step.foreground, step.background, at);
      switch (step.step) {
        case RowPlan::kWrite:
        case RowPlan::kWriteEarly: {
          const Utf8Glyph& glyph = cp437ToUtf8(glyphOf(seen[step.position]));
          put(at, glyph.bytes, glyph.length);
          break;
        }
        case RowPlan::kWriteSwapped: {
          const Utf8Glyph& glyph = cp437ToUtf8(kLowerHalfBlock);
          put(at, glyph.bytes, glyph.length);
          break;
        }
        case RowPlan::kErase:
        case RowPlan::kEraseEarly:
          putCounted(at, step.erased, 'X');
          if (step.moveTo >= 0) putCounted(at, step.moveTo - step.position, 'C');
          break;
        case RowPlan::kSkip:
          if (step.moveTo >= 0) putCounted(at, step.moveTo - step.position, 'C');
          break;
      }
    }
  }
}

const char* FrameEncoder::encode(CellView cells, int originColumn, int originRow, int visibleColumns, int visibleRows,
                                 std::size_t& size) {
  if (cells.width != columns_) {
    invalidate();  // another grid: what is remembered of the previous frame no longer lines up
    columns_ = clampTo(cells.width, 0, kWideCellColumns);
  }
  const int columns = clampTo(visibleColumns, 0, columns_);
  const int rows = clampTo(visibleRows, 0, clampTo(cells.height, 0, kCellRows));
  const unsigned firstColumn = static_cast<unsigned>(originColumn < 0 ? 0 : originColumn) + 1;
  const unsigned firstRow = static_cast<unsigned>(originRow < 0 ? 0 : originRow) + 1;
  const bool whole = whole_;
  const bool trueColour = mode_ == ColorMode::TrueColor;

  char* at = buffer_.get();
  if (synchronized_) put(at, kBeginFrame, sizeof kBeginFrame - 1);
  if (whole) {
    put(at, kClearScreen, sizeof kClearScreen - 1);
    colours_ = {kUnknownColour, kUnknownColour};
  }

  Seen seen[kWideCellColumns];
  bool changed[kWideCellColumns];
  bool anyChanged = whole;
  unsigned cursorRow = 0;  // the cursor's row, 1-based, once a row was drawn in this frame
  for (int r = 0; r < rows; ++r) {
    const Cell* row = &cells.at(0, r);
    std::uint64_t* previous = previous_.get() + columns_ * r;
    int first = -1;
    for (int c = 0; c < columns; ++c) {
      seen[c] = seenOf(row[c], trueColour);
      changed[c] = whole || seen[c] != previous[c];
      if (changed[c] && first < 0) first = c;
    }
    if (first < 0) continue;
    anyChanged = true;

    // To the row's first change: CUP, or from the row drawn last CR, LFs and CUF when shorter.
    const unsigned terminalRow = firstRow + static_cast<unsigned>(r);
    const unsigned terminalColumn = firstColumn + static_cast<unsigned>(first);
    const unsigned down = cursorRow > 0 ? terminalRow - cursorRow : 0;
    const int relative = 1 + static_cast<int>(down) + (terminalColumn > 1 ? countedCost(terminalColumn - 1) : 0);
    if (down > 0 && down <= 4 && relative < cursorPositionCost(terminalRow, terminalColumn)) {
      *at++ = '\r';
      for (unsigned line = 0; line < down; ++line) *at++ = '\n';
      if (terminalColumn > 1) putCounted(at, static_cast<int>(terminalColumn - 1), 'C');
    } else {
      putCursorPosition(at, terminalRow, terminalColumn);
    }
    cursorRow = terminalRow;

    plan_->planRow(seen, changed, columns, firstColumn, colours_.foreground, colours_.background, trueColour);
    emitRow(seen, firstColumn, at);
    for (int c = 0; c < columns; ++c) previous[c] = seen[c];
  }

  if (synchronized_) put(at, kEndFrame, sizeof kEndFrame - 1);
  whole_ = false;
  unchanged_ = !anyChanged;
  size = static_cast<std::size_t>(at - buffer_.get());
  return buffer_.get();
}

}  // namespace glimmer
