// Console set-up and the intro screen on a Terminal.
#include "console/console.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/identity.h"
#include "base/palette.h"
#include "base/report.h"

namespace glimmer {
namespace {

constexpr int kGridRows = 50;
constexpr int kResizeWaitMs = 200;
constexpr int kLastAnswersWaitMs = 100;  // past Space, for what the first frame needs
constexpr int kIntroPollMs = 10;
constexpr const char* kOutputFailed = "The terminal stopped taking output during set-up.";

// The intro notice, as three texts each followed by one line end: two hints and the keys.
#ifdef _WIN32
// The design's, on the console it was written for.
constexpr const char* kFullScreenHint = "Win32 users:\nPress ALT-ENTER for fullscreen\n";
constexpr const char* kShapeHint =
    "Win64 users and you windowed mode lovers:\nChange your font to 8x8 for a slightly better experience";
#else
// In a terminal: the terminal's own full-screen key, and what gives the picture its true shape in
// the terminal's cells (or that the wide grid does).
constexpr const char* kFullScreenHint =
    "Terminal users:\nPress F11 (or your terminal's full-screen key) for fullscreen\n";
constexpr const char* kShapeHint =
    "Windowed mode lovers:\nA smaller font or a larger window gives the picture its true shape";
constexpr const char* kWideShapeHint = "Wide grid:\n160x50 cells keep the picture's true shape in these tall cells";
constexpr const char* kSquareShapeHint = "Square cells:\nThe classic grid shows the picture in its true shape";
#endif
constexpr const char* kKeysLine = "\n\n\nPress SPACE to continue or ESC to exit";

// Cells at least 1.5 times as tall as wide: 2 * height >= 3 * width.
bool tallCells(int cellWidth, int cellHeight) {
  return cellWidth > 0 && cellHeight > 0 && 2 * cellHeight >= 3 * cellWidth;
}

bool fitsDisplay(int columns, int rows, Grid grid) { return columns >= columnsOf(grid) && rows >= kGridRows; }

// One line on the intro where automatic colours leave the display's palette as it is.
constexpr const char* kPaletteNotice =
    "The terminal did not report its palette: the show keeps the terminal's colours.";

bool fits(Terminal& terminal, int gridColumns) {
  int columns = 0;
  int rows = 0;
  terminal.size(columns, rows);
  return columns >= gridColumns && rows >= kGridRows;
}

}  // namespace

ColorMode detectColorMode() {
  const char* colorTerm = std::getenv("COLORTERM");
  if (colorTerm != nullptr && (std::strcmp(colorTerm, "truecolor") == 0 || std::strcmp(colorTerm, "24bit") == 0)) {
    return ColorMode::TrueColor;
  }
  return ColorMode::Ansi16;
}

GridDecision chooseGrid(GridChoice choice, int columns, int rows, int cellWidth, int cellHeight) {
  if (choice == GridChoice::Classic) return {Grid::Classic, nullptr};
  if (choice == GridChoice::Wide) return {Grid::Wide, nullptr};
  if (!tallCells(cellWidth, cellHeight)) return {Grid::Classic, nullptr};
  if (columns >= kWideCellColumns && rows >= kGridRows) {
    return {Grid::Wide, "wide grid: 160x50 cells for this terminal's tall cells; --grid classic for the original"};
  }
  return {Grid::Classic, "Tall cells: a 160x50 window or a smaller font shows the picture's true shape."};
}

bool setsPalette(ColorChoice colors, ColorMode mode, const DisplayAnswers& answers) {
  if (mode != ColorMode::Ansi16) return false;
  switch (colors) {
    case ColorChoice::Ansi16:
      return true;
    case ColorChoice::Auto:
      // All 16 entries, as the show uses all 16: an entry set but not reported could only be reset
      // to the display's configured colour, which loses one a user's script set.
      return answers.privatePalette || answers.wholePalette();
    case ColorChoice::TrueColor:
    case ColorChoice::Terminal:
      break;
  }
  return false;
}

void ConsoleFrame::takeAnswers() {
  if (!asked_) return;
  const DisplayAnswers answers = output_->answers();
  encoder_.setSynchronizedOutput(answers.synchronizedOutput);
  if (settled_) return;
  // The grid follows the cell size (updateLayout chooses it), until the show starts.
  if (answers.cellWidth > 0 && answers.cellHeight > 0) {
    cellWidth_ = answers.cellWidth;
    cellHeight_ = answers.cellHeight;
  }
  const bool keepsPalette = request_.colors == ColorChoice::Auto && display_.colorMode == ColorMode::Ansi16 &&
                            !setsPalette(request_.colors, display_.colorMode, answers);
  paletteNotice_ = answers.complete && keepsPalette ? kPaletteNotice : nullptr;
}

void updateLayout(ConsoleFrame& console) {
  console.takeAnswers();
  int columns = 0;
  int rows = 0;
  console.output_->size(columns, rows);
  const GridDecision decision =
      chooseGrid(console.request_.grid, columns, rows, console.cellWidth_, console.cellHeight_);
  Grid grid = decision.grid;
  // A wide grid that no longer fits falls back to the classic one; the pixels look has only the wide.
  if (console.display_.look == Look::TextMode && !fitsDisplay(columns, rows, grid) &&
      fitsDisplay(columns, rows, Grid::Classic)) {
    grid = Grid::Classic;
  }
  ConsoleLayout& layout = console.layout_;
  layout.fits = fitsDisplay(columns, rows, grid);
  if (layout.fits) {
    console.display_.grid = grid;
    console.gridNotice_ = decision.notice;
  }
  const int gridColumns = columnsOf(console.display_.grid);
  layout.originColumn = columns > gridColumns ? (columns - gridColumns) / 2 : 0;
  layout.originRow = rows > kGridRows ? (rows - kGridRows) / 2 : 0;
  layout.visibleColumns = columns < gridColumns ? (columns > 0 ? columns : 0) : gridColumns;
  layout.visibleRows = rows < kGridRows ? (rows > 0 ? rows : 0) : kGridRows;
  console.encoder_.setColorMode(console.display_.colorMode);
  console.encoder_.invalidate();
}

ConsoleFrame::~ConsoleFrame() {
  if (output_ != nullptr) output_->restore();
  deferOutput(false);
  flushDeferredOutput();
}

bool setupConsole(ConsoleFrame& console, const DisplayRequest& request) {
  if (console.output_ == nullptr) {
    console.ownedOutput_ = makeSystemTerminal();
    console.output_ = console.ownedOutput_.get();
  }
  Terminal& terminal = *console.output_;
  DisplayChoices& display = console.display_;
  console.request_ = request;
  // The pixels look always takes the wide grid's 160x50 cells, and says so when they do not fit.
  if (request.look == Look::Pixels) console.request_.grid = GridChoice::Wide;
  switch (request.colors) {
    case ColorChoice::Auto:
      display.colorMode = detectColorMode();
      break;
    case ColorChoice::Ansi16:
    case ColorChoice::Terminal:
      display.colorMode = ColorMode::Ansi16;
      break;
    case ColorChoice::TrueColor:
      display.colorMode = ColorMode::TrueColor;
      break;
  }
  display.showPalette = request.colors != ColorChoice::Terminal;
  display.look = request.look;

  if (!terminal.open()) {
#ifdef _WIN32
    // The show's message for an output it cannot draw on; the second line says why.
    printLine("Unable to get STD_OUTPUT_HANDLE");
#endif
    printLine("Standard output is not a terminal: run the show in one, or render it with --record.");
    return false;
  }

  // What the display tells without being asked (a cell size from the window size, a console's
  // font) decides the grid for now; the answers may change it until the show starts.
  const DisplayAnswers known = terminal.answers();
  if (request.colors == ColorChoice::Auto && known.trueColor) display.colorMode = ColorMode::TrueColor;
  int columns = 0;
  int rows = 0;
  terminal.size(columns, rows);
  const GridDecision decision = chooseGrid(console.request_.grid, columns, rows, known.cellWidth, known.cellHeight);
  display.grid = decision.grid;
  console.gridNotice_ = decision.notice;
  console.cellWidth_ = known.cellWidth;
  console.cellHeight_ = known.cellHeight;
  const int gridColumns = columnsOf(display.grid);
  if (!fits(terminal, gridColumns)) {
    terminal.requestSize(gridColumns, kGridRows);
    for (int waited = 0; waited < kResizeWaitMs && !fits(terminal, gridColumns); waited += 10) {
      terminal.sleepMs(10);
    }
  }
  if (!fits(terminal, gridColumns)) {
    terminal.size(columns, rows);
    terminal.restore();
#ifdef _WIN32
    // The show's message for a display that cannot hold the grid; the second line says how big
    // it is and what to do.
    printLine("SetConsoleScreenBufferSize() failed");
#endif
    char advice[160];
    std::snprintf(advice, sizeof advice,
                  "The terminal is %dx%d cells; the show needs %dx%d: enlarge the window or choose a smaller font.",
                  columns, rows, gridColumns, kGridRows);
    printLine(advice);
    return false;
  }

  // What the display can do, how big its cells are, and what its palette holds before the show
  // changes it: asked now, and answered whenever the display gets to it, during the intro at the
  // latest for most.
  DisplayQuestions questions;
  questions.synchronizedOutput = true;
  questions.palette = display.colorMode == ColorMode::Ansi16 && request.colors != ColorChoice::Terminal;
  questions.cellSize = console.request_.grid == GridChoice::Auto;
  terminal.ask(questions);
  console.asked_ = true;

  // The window: from here the show owns the screen, so messages wait for the restore.
  deferOutput(true);
  terminal.beginScreen();
  updateLayout(console);
  // A display that knows everything without being asked (a console that answers from its own
  // state, a recording) is settled now; the others when the viewer starts the show.
  if (known.complete) finishSetup(console);

  // Code page 437 is kept in the cells; the presenter maps every code to Unicode, which needs no
  // set-up from the terminal beyond UTF-8.

  // On Windows the show's messages name the console calls, and a second line says what failed;
  // elsewhere the title and the cursor are escape sequences, and that line alone is said.
  if (!terminal.setTitle(kShowTitle)) {
#ifdef _WIN32
    printLine("SetConsoleTitle() failed");
#endif
    printLine(kOutputFailed);
    return false;
  }
  if (!terminal.hideCursor()) {
#ifdef _WIN32
    printLine("SetConsoleCursorInfo() failed");
#endif
    printLine(kOutputFailed);
    return false;
  }
  return true;
}

void finishSetup(ConsoleFrame& console) {
  if (!console.asked_ || console.settled_) return;
  Terminal& terminal = *console.output_;
  terminal.awaitAnswers(kLastAnswersWaitMs);
  console.takeAnswers();
  console.settled_ = true;
  DisplayChoices& display = console.display_;
  if (display.colorMode == ColorMode::Ansi16 && display.showPalette) {
    const DisplayAnswers answers = terminal.answers();
    display.showPalette = setsPalette(console.request_.colors, display.colorMode, answers);
    static constexpr AnsiPalette kShowPalette = ansiPaletteOf(kConsolePalette);
    if (display.showPalette) terminal.setPalette(kShowPalette.colours, answers);
  }
  updateLayout(console);
}

namespace {

// The intro's second hint: on Windows the design's; in a terminal, what the grid in use and the
// cells' shape call for.
const char* shapeHintOf(const ConsoleFrame& console) {
#ifdef _WIN32
  (void)console;
  return kShapeHint;
#else
  if (console.display().grid == Grid::Wide) return kWideShapeHint;
  int width = 0;
  int height = 0;
  console.cellSize(width, height);
  if (width > 0 && height > 0 && !tallCells(width, height)) return kSquareShapeHint;
  return kShapeHint;
#endif
}

// The notice, each line placed at the grid's column 0, and the notices on the grid's last rows, in
// one write. What does not fit the display is left out.
void drawIntro(const ConsoleFrame& console, const char* extraLine, const char* lateLine) {
  const ConsoleLayout& layout = console.layout();
  constexpr int kMaxLines = 16;
  TextLine lines[kMaxLines];
  int count = 0;
  auto add = [&](int row, const char* text, std::size_t length) {
    if (row < 0 || row >= layout.visibleRows || length == 0 || count == kMaxLines) return;
    lines[count++] = {layout.originColumn, layout.originRow + row, text,
                      std::min<std::size_t>(length, layout.visibleColumns)};
  };
  // Each text is followed by one line end, and each line end in a text starts the next row.
  int row = 0;
  const char* const texts[] = {kFullScreenHint, shapeHintOf(console), kKeysLine};
  for (const char* text : texts) {
    for (const char* line = text;; ++row) {
      const char* end = std::strchr(line, '\n');
      const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - line) : std::strlen(line);
      add(row, line, length);
      if (end == nullptr) break;
      line = end + 1;
    }
    ++row;
  }
  // The notices at the bottom: the grid's on the last row, the others above it.
  const char* notices[4] = {lateLine, extraLine, console.paletteNotice(), console.gridNotice()};
  int noticeRow = layout.visibleRows - 1;
  for (int index = 3; index >= 0; --index) {
    if (notices[index] == nullptr) continue;
    add(noticeRow--, notices[index], std::strlen(notices[index]));
  }
  console.terminal().drawLines(lines, count);
}

}  // namespace

bool showIntro(ConsoleFrame& console, const char* extraLine, const std::function<const char*()>& lateLine) {
  Terminal& terminal = console.terminal();
  const char* late = lateLine ? lateLine() : nullptr;
  drawIntro(console, extraLine, late);
  for (;;) {
    bool space = terminal.keyPressed(Key::Space);
    bool escape = !space && (terminal.keyPressed(Key::Escape) || terminal.keyPressed(Key::Q));
    if (escape) return false;
    if (space) return true;
    terminal.waitForInput(kIntroPollMs);
    // A new size, the screen taken back after a stop, or a late line: the notice is drawn again.
    const bool lateArrived = late == nullptr && lateLine && (late = lateLine()) != nullptr;
    if (terminal.takeResize() || lateArrived) {
      updateLayout(console);
      terminal.clearScreen();
      drawIntro(console, extraLine, late);
    }
  }
}

}  // namespace glimmer
