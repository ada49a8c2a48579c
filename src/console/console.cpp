// Console set-up and the intro screen on a Terminal.
#include "console/console.h"

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

bool writeText(Terminal& terminal, const char* text) { return terminal.write(text, std::strlen(text)); }

bool fits(Terminal& terminal, int gridColumns) {
  int columns = 0;
  int rows = 0;
  terminal.size(columns, rows);
  return columns >= gridColumns && rows >= kGridRows;
}

// Moves the cursor to a grid cell (0-based) of the console's layout.
bool moveTo(ConsoleFrame& console, int column, int row) {
  char sequence[32];
  std::snprintf(sequence, sizeof sequence, "\x1b[%d;%dH", console.originRow + row + 1,
                console.originColumn + column + 1);
  return writeText(*console.output, sequence);
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
  console.output->size(columns, rows);
  const int gridColumns = console.bufferColumns;
  console.originColumn = columns > gridColumns ? (columns - gridColumns) / 2 : 0;
  console.originRow = rows > kGridRows ? (rows - kGridRows) / 2 : 0;
  console.visibleColumns = columns < gridColumns ? (columns > 0 ? columns : 0) : gridColumns;
  console.visibleRows = rows < kGridRows ? (rows > 0 ? rows : 0) : kGridRows;
  console.encoder.setColorMode(console.colorMode);
  console.encoder.setGridColumns(gridColumns);
  console.encoder.invalidate();
}

ConsoleFrame::~ConsoleFrame() {
  if (output != nullptr) output->restore();
  deferOutput(false);
  flushDeferredOutput();
}

bool setupConsole(ConsoleFrame& console) {
  if (console.output == nullptr) {
    console.ownedOutput = makeSystemTerminal();
    console.output = console.ownedOutput.get();
  }
  Terminal& terminal = *console.output;

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
  questions.palette = console.colorMode == ColorMode::Ansi16 && console.showPalette;
  questions.cellSize = console.gridChoice == GridChoice::Auto;
  const DisplayAnswers answers = terminal.ask(questions);

  int columns = 0;
  int rows = 0;
  terminal.size(columns, rows);
  const GridDecision decision = chooseGrid(console.gridChoice, columns, rows, answers.cellWidth, answers.cellHeight);
  console.grid = decision.grid;
  console.gridNotice = decision.notice;
  console.bufferColumns = columnsOf(console.grid);
  console.bufferRows = kGridRows;
  if (!fits(terminal, console.bufferColumns)) {
    terminal.requestSize(console.bufferColumns, kGridRows);
    for (int waited = 0; waited < kResizeWaitMs && !fits(terminal, console.bufferColumns); waited += 10) {
      terminal.sleepMs(10);
    }
  }
  if (!fits(terminal, console.bufferColumns)) {
    terminal.size(columns, rows);
    terminal.restore();
    // The show's message for a display that cannot hold the grid; the second line says how big
    // it is and what to do.
    printLine("SetConsoleScreenBufferSize() failed");
    char advice[160];
    std::snprintf(advice, sizeof advice,
                  "The terminal is %dx%d cells; the show needs %dx%d: enlarge the window or choose a smaller font.",
                  columns, rows, console.bufferColumns, kGridRows);
    printLine(advice);
    return false;
  }

  // The window: from here the show owns the screen, so messages wait for the restore.
  deferOutput(true);
  terminal.beginScreen();
  updateLayout(console);

  // Code page 437 is kept in the cells; the presenter maps every code to Unicode, which needs no
  // set-up from the terminal beyond UTF-8.

  console.encoder.setSynchronizedOutput(answers.synchronizedOutput);
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

// The notice, each line placed at the grid's column 0 (raw mode writes a line end as a bare
// newline), and the extra line on the grid's last row. What does not fit the display is left out.
void drawIntro(ConsoleFrame& console, const char* extraLine, const char* lateLine) {
  Terminal& terminal = *console.output;
  int row = 0;
  int column = 0;
  moveTo(console, 0, 0);
  for (const char* text : kIntroTexts) {
    for (const char* at = text; *at != '\0'; ++at) {
      if (*at == '\n') {
        ++row;
        column = 0;
        if (row < console.visibleRows) moveTo(console, 0, row);
        continue;
      }
      if (row < console.visibleRows && column < console.visibleColumns) terminal.write(at, 1);
      ++column;
    }
    ++row;  // the line end that follows each text
    column = 0;
    if (row < console.visibleRows) moveTo(console, 0, row);
  }
  // The notices at the bottom: the grid's on the last row, the others above it.
  const char* notices[3] = {lateLine, extraLine, console.gridNotice};
  int noticeRow = console.visibleRows - 1;
  for (int index = 2; index >= 0; --index) {
    if (notices[index] == nullptr || noticeRow < 0) continue;
    moveTo(console, 0, noticeRow--);
    std::size_t length = std::strlen(notices[index]);
    if (length > static_cast<std::size_t>(console.visibleColumns)) length = console.visibleColumns;
    terminal.write(notices[index], length);
  }
}

}  // namespace

bool showIntro(ConsoleFrame& console, const char* extraLine, const std::function<const char*()>& lateLine) {
  Terminal& terminal = *console.output;
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
      writeText(terminal, kClearScreen);
      drawIntro(console, extraLine, late);
    }
  }
}

}  // namespace glimmer
