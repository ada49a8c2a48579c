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
constexpr int kIntroPollMs = 10;
constexpr const char* kOutputFailed = "The terminal stopped taking output during set-up.";

// The intro notice, as three texts each followed by one line end.
constexpr const char* kIntroTexts[] = {
    "Win32 users:\nPress ALT-ENTER for fullscreen\n",
    "Win64 users and you windowed mode lovers:\nChange your font to 8x8 for a slightly better experience",
    "\n\n\nPress SPACE to continue or ESC to exit",
};

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
  // Cells at least 1.5 times as tall as wide: 2 * height >= 3 * width.
  const bool tall = cellWidth > 0 && cellHeight > 0 && 2 * cellHeight >= 3 * cellWidth;
  if (!tall) return {Grid::Classic, nullptr};
  if (columns >= kWideCellColumns && rows >= kGridRows) {
    return {Grid::Wide, "wide grid: 160x50 cells for this terminal's tall cells; --grid classic for the original"};
  }
  return {Grid::Classic, "Tall cells: a 160x50 window or a smaller font shows the picture's true shape."};
}

void updateLayout(ConsoleFrame& console) {
  int columns = 0;
  int rows = 0;
  console.output_->size(columns, rows);
  const int gridColumns = columnsOf(console.display_.grid);
  ConsoleLayout& layout = console.layout_;
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
    // The show's message for an output it cannot draw on; the second line says why.
    printLine("Unable to get STD_OUTPUT_HANDLE");
    printLine("Standard output is not a terminal: run the show in one, or render it with --record.");
    return false;
  }

  // What the display can do, how big its cells are, and what its palette holds before the show
  // changes it: one short wait for all of it.
  DisplayQuestions questions;
  questions.synchronizedOutput = true;
  questions.palette = display.colorMode == ColorMode::Ansi16 && display.showPalette;
  questions.cellSize = request.grid == GridChoice::Auto && request.look == Look::TextMode;
  const DisplayAnswers answers = terminal.ask(questions);

  int columns = 0;
  int rows = 0;
  terminal.size(columns, rows);
  // The pixels look always takes the wide grid's 160x50 cells, and says so when they do not fit.
  const GridDecision decision = request.look == Look::Pixels
                                    ? GridDecision{Grid::Wide, nullptr}
                                    : chooseGrid(request.grid, columns, rows, answers.cellWidth, answers.cellHeight);
  display.grid = decision.grid;
  console.gridNotice_ = decision.notice;
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
    // The show's message for a display that cannot hold the grid; the second line says how big
    // it is and what to do.
    printLine("SetConsoleScreenBufferSize() failed");
    char advice[160];
    std::snprintf(advice, sizeof advice,
                  "The terminal is %dx%d cells; the show needs %dx%d: enlarge the window or choose a smaller font.",
                  columns, rows, gridColumns, kGridRows);
    printLine(advice);
    return false;
  }

  // The window: from here the show owns the screen, so messages wait for the restore.
  deferOutput(true);
  terminal.beginScreen();
  updateLayout(console);

  // Code page 437 is kept in the cells; the presenter maps every code to Unicode, which needs no
  // set-up from the terminal beyond UTF-8.

  console.encoder_.setSynchronizedOutput(answers.synchronizedOutput);
  if (questions.palette) {
    static constexpr AnsiPalette kShowPalette = ansiPaletteOf(kConsolePalette);
    terminal.setPalette(kShowPalette.colours, answers);
  }

  // The title and the cursor are escape sequences here; the show's messages name the console calls
  // they stand for, and a second line says what really failed.
  if (!terminal.setTitle(kShowTitle)) {
    printLine("SetConsoleTitle() failed");
    printLine(kOutputFailed);
    return false;
  }
  if (!terminal.hideCursor()) {
    printLine("SetConsoleCursorInfo() failed");
    printLine(kOutputFailed);
    return false;
  }
  return true;
}

namespace {

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
  for (const char* text : kIntroTexts) {
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
  const char* notices[3] = {lateLine, extraLine, console.gridNotice()};
  int noticeRow = layout.visibleRows - 1;
  for (int index = 2; index >= 0; --index) {
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
    bool escape = !space && terminal.keyPressed(Key::Escape);
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
