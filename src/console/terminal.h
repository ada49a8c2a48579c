// Terminal: the text display the show draws on, in the vocabulary of the console it stands in for.
//
// A real backend per platform (makeSystemTerminal). The recorder has a headless one, and the tests
// one in memory that records what is written and replays scripted keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/cell_buffer.h"
#include "console/display_answers.h"

namespace glimmer {

// The keys the show reads: Space, Escape, q (either case) and the Left and Right arrows.
enum class Key { Space, Escape, Q, Left, Right };

// A line of text at display cell (column, row), 0-based.
struct TextLine {
  int column;
  int row;
  const char* text;  // length bytes of UTF-8, no control characters
  std::size_t length;
};

class Terminal {
 public:
  Terminal() = default;
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  virtual ~Terminal() = default;

  // Takes the output and the keyboard. False when standard output is not a terminal or the
  // keyboard cannot be read; nothing has been changed then.
  virtual bool open() = 0;

  // The size of the display in cells.
  virtual void size(int& columns, int& rows) = 0;

  // Asks the display to become columns x rows. Many ignore it; check size() afterwards.
  virtual void requestSize(int columns, int rows) = 0;

  // Switches to a screen of the show's own (the alternate screen), cleared, attributes reset, with
  // autowrap off so the bottom-right cell never scrolls. False on a write error.
  virtual bool beginScreen() = 0;

  // Saves the display's title and sets a new one. False on a write error.
  virtual bool setTitle(const char* title) = 0;

  // Hides the cursor. False on a write error.
  virtual bool hideCursor() = 0;

  // Asks the display the questions and returns at once. From then on its answers are read
  // whenever the terminal reads input (keyPressed, waitForInput, sleepMs, answers, awaitAnswers),
  // for as long as the show runs, and never taken as keys.
  virtual void ask(const DisplayQuestions& questions) = 0;

  // What the display has answered so far, and what its backend knows of it without asking; reads
  // what has arrived, never waits. Valid until the next call on the terminal.
  virtual const DisplayAnswers& answers() = 0;

  // Waits up to the given milliseconds for the display's last answer (the end marker), keeping keys
  // that come meanwhile; returns at once when it has come or nothing is outstanding.
  virtual void awaitAnswers(int milliseconds) = 0;

  // Gives the display's 16 palette entries the colours given (red, green, blue, 0..255) for as
  // long as the show owns it. Every way out (restore, a signal, a stop) puts back the entries that
  // previous reported (or that the display reports later) and resets the others to the display's
  // own; a continue sets them again. False on a write error.
  virtual bool setPalette(const std::int32_t (*colours)[3], const DisplayAnswers& previous) = 0;

  // Writes all bytes, retrying short writes and interruptions, with signals held back so an escape
  // sequence is never cut in half. False when the output is gone; the caller stops drawing then.
  virtual bool write(const char* bytes, std::size_t size) = 0;

  // Blanks the whole display in its default colours. By default, escape sequences through write().
  virtual bool clearScreen();

  // Draws the lines, which the caller keeps within the display, in its default colours in one
  // write. By default, cursor moves and the text through write().
  virtual bool drawLines(const TextLine* lines, int count);

  // True for a display that takes a frame as cells (drawCells); the others take the encoder's
  // escape sequences through write().
  virtual bool drawsCells() const { return false; }

  // Shows the visibleColumns x visibleRows of cells that fit, with the grid's top-left cell at
  // display cell (originColumn, originRow), 0-based. Only for a display that draws cells; false on
  // a write error.
  virtual bool drawCells(CellView cells, int originColumn, int originRow, int visibleColumns, int visibleRows);

  // True when the key went down since the previous query of that key (the console's
  // "is down or was pressed since the last query"); a query takes only its own key, so keys not
  // asked about wait for their own query. Never blocks longer than about 20 ms.
  virtual bool keyPressed(Key key) = 0;

  // Waits the given milliseconds.
  virtual void sleepMs(int milliseconds) = 0;

  // Waits up to the given milliseconds for a key; returns as soon as one arrives or a signal comes
  // in (a resize, a continue after a stop). Never spins. What arrived is read by keyPressed.
  virtual void waitForInput(int milliseconds) = 0;

  // True once after the display changed its size, or after late answers arrived that change how
  // the show is laid out or written (the end marker, a cell size, synchronized output): the caller
  // lays the show out again (updateLayout) either way.
  virtual bool takeResize() = 0;

  // Puts the display back as open() found it: palette, attributes, cursor, main screen, input mode,
  // title. Answers still outstanding are waited for a little first (up to about a second after the
  // questions), so they are not left for the shell to read. Idempotent; also called on every exit
  // path.
  virtual void restore() = 0;
};

// The platform's real terminal, made by the platform's backend (terminal_posix.cpp: a VT terminal
// through termios; terminal_windows.cpp: the Windows console). This is what the show opens.
std::unique_ptr<Terminal> makeSystemTerminal();

}  // namespace glimmer
