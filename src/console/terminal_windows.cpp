// The Windows console: the show's frames and text either written as cells with WriteConsoleOutputW
// or, where the console takes virtual-terminal processing, as the escape sequences the Linux
// terminals get (see terminal_windows.h), into a screen buffer of the show's own; keys from the
// console input queue on both paths.
// Calls: GetStdHandle, GetConsoleMode, SetConsoleMode, GetConsoleScreenBufferInfo,
// SetConsoleScreenBufferSize, SetConsoleWindowInfo, CreateConsoleScreenBuffer,
// SetConsoleActiveScreenBuffer, GetConsoleOutputCP, SetConsoleOutputCP, GetConsoleTitleW,
// SetConsoleTitleA/W, GetConsoleCursorInfo, SetConsoleCursorInfo, SetConsoleTextAttribute,
// WriteConsoleOutputW, WriteConsoleA, WaitForSingleObject, PeekConsoleInputW, ReadConsoleInputW,
// SetConsoleCtrlHandler, TerminateProcess, GetCurrentConsoleFontEx, Get/SetConsoleScreenBufferInfoEx,
// GetModuleHandleW, GetProcAddress, critical sections.
//
// LIMITATIONS
// - On the cell path, which every Windows console (and Wine's) understands, the show has the 16
//   console colours of its own screen buffer and no 24-bit colour. Windows Terminal ignores a
//   program's colour table, so there 16 colours come out in its own scheme; it takes the
//   escape-sequence path, whose automatic colours are 24-bit.
// - The escape-sequence path asks the console nothing: it cannot tell whether the host knows
//   synchronized output (mode 2026), and sends it, as a host that does not know a mode ignores
//   it. The palette is set, for 16 colours, on the show's own screen buffer only, which conhost
//   honours and Windows Terminal does not.
// - Wine takes virtual-terminal processing but does not keep to it, so under Wine the show draws
//   cells unless GLIMMER_CONSOLE=vt asks otherwise.
// - Keys are key-down events from the input queue, by virtual-key code (VK_SPACE, VK_ESCAPE, 'Q',
//   VK_LEFT, VK_RIGHT), on both paths: a held key is seen as often as the keyboard
//   repeats it. The queue is read only when the show asks for a key or sleeps.
// - A console whose font does not fit 50 rows on the screen cannot grow to 80x50
//   (dwMaximumWindowSize); the show then stops with its message. Wine does not report the size of
//   the terminal it runs in, so there the maximum window size is what counts.
// - Ctrl-C, Ctrl-Break and closing the window end the show from the console's own handler thread:
//   the console is put back first (after a frame being written is out), then the process ends with
//   status 130 (129 for a closed window), without running destructors.
#include "console/terminal_windows.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/report.h"
#include "console/cp437.h"
#include "console/terminal.h"

namespace glimmer {
namespace {

constexpr UINT kCodePage = 437;  // the cell path's; the escape-sequence path writes UTF-8
constexpr DWORD kVirtualTerminalModes =
    ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING | DISABLE_NEWLINE_AUTO_RETURN;
// The escape-sequence path's own screen: attributes reset, cleared, no autowrap; and what puts the
// standard output's buffer back where the show had to draw on it.
constexpr char kBeginSequences[] = "\x1b[0m\x1b[2J\x1b[?7l";
constexpr char kEndSequences[] = "\x1b[0m\x1b[?7h\x1b[2J\x1b[H";
constexpr DWORD kKeyWaitMs = 0;
constexpr int kTitleRoom = 1024;
constexpr int kMaxColumns = 1024;  // a bigger window is drawn in its top-left part
constexpr int kMaxRows = 512;
constexpr WORD kDefaultAttribute = 0x07;  // grey on black

// What open() found and what has been changed since, where the control handler can reach it.
struct ConsoleState {
  HANDLE output = INVALID_HANDLE_VALUE;  // the standard output's screen buffer
  HANDLE input = INVALID_HANDLE_VALUE;
  HANDLE screen = INVALID_HANDLE_VALUE;  // the show's own screen buffer, when made
  CONSOLE_SCREEN_BUFFER_INFO original{};
  CONSOLE_CURSOR_INFO originalCursor{};
  DWORD originalInputMode = 0;
  UINT originalCodePage = 0;
  wchar_t originalTitle[kTitleRoom] = {};
  bool titleSaved = false;
  bool opened = false;
  bool inputChanged = false;
  bool sizeChanged = false;
  bool screenActive = false;
  bool codePageChanged = false;
  bool titleChanged = false;
  bool cursorChanged = false;
  bool virtualTerminal = false;    // the escape-sequence path
  bool outputModeChanged = false;  // the standard output's mode, for virtual-terminal processing
  DWORD originalOutputMode = 0;
  bool sequencesOnOutput = false;  // the escape-sequence path draws on the standard output's buffer
  CRITICAL_SECTION lock;           // held while a frame is written and while the console is put back
  bool lockMade = false;
};

ConsoleState state;

// Puts back what was changed, in reverse. Idempotent.
void undoChanges() {
  if (state.sequencesOnOutput) {
    DWORD done = 0;
    WriteConsoleA(state.output, kEndSequences, sizeof kEndSequences - 1, &done, nullptr);
    state.sequencesOnOutput = false;
  }
  if (state.screenActive) {
    SetConsoleActiveScreenBuffer(state.output);
    state.screenActive = false;
  }
  if (state.screen != INVALID_HANDLE_VALUE) {
    CloseHandle(state.screen);
    state.screen = INVALID_HANDLE_VALUE;
  }
  if (state.cursorChanged) {
    SetConsoleCursorInfo(state.output, &state.originalCursor);
    state.cursorChanged = false;
  }
  if (state.sizeChanged) {
    // The buffer must hold the window at every step: first a buffer that holds both sizes, then
    // the window, then the buffer's own size.
    CONSOLE_SCREEN_BUFFER_INFO now{};
    GetConsoleScreenBufferInfo(state.output, &now);
    COORD both{static_cast<SHORT>(now.dwSize.X > state.original.dwSize.X ? now.dwSize.X : state.original.dwSize.X),
               static_cast<SHORT>(now.dwSize.Y > state.original.dwSize.Y ? now.dwSize.Y : state.original.dwSize.Y)};
    SetConsoleScreenBufferSize(state.output, both);
    SetConsoleWindowInfo(state.output, TRUE, &state.original.srWindow);
    SetConsoleScreenBufferSize(state.output, state.original.dwSize);
    state.sizeChanged = false;
  }
  if (state.titleChanged) {
    if (state.titleSaved) SetConsoleTitleW(state.originalTitle);
    state.titleChanged = false;
  }
  if (state.codePageChanged) {
    SetConsoleOutputCP(state.originalCodePage);
    state.codePageChanged = false;
  }
  if (state.outputModeChanged) {
    SetConsoleMode(state.output, state.originalOutputMode);
    state.outputModeChanged = false;
  }
  if (state.inputChanged) {
    SetConsoleMode(state.input, state.originalInputMode);
    state.inputChanged = false;
  }
}

// Virtual-terminal processing on a screen buffer, with DISABLE_NEWLINE_AUTO_RETURN where taken.
bool takeSequences(ConsoleModeCalls& calls, HANDLE buffer, DWORD mode) {
  return calls.setMode(buffer, mode | kVirtualTerminalModes) ||
         calls.setMode(buffer, (mode | kVirtualTerminalModes) & ~static_cast<DWORD>(DISABLE_NEWLINE_AUTO_RETURN));
}

class SystemConsoleModeCalls final : public ConsoleModeCalls {
 public:
  bool getMode(HANDLE output, DWORD& mode) override { return GetConsoleMode(output, &mode) != FALSE; }
  bool setMode(HANDLE output, DWORD mode) override { return SetConsoleMode(output, mode) != FALSE; }
  bool underWine() override {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }
};

BOOL WINAPI onControl(DWORD event) {
  int status = 0;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      status = 130;
      break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      status = 129;
      break;
    default:
      return FALSE;
  }
  // A frame being written goes out whole first; the lock is kept, so none starts after.
  if (state.lockMade) EnterCriticalSection(&state.lock);
  undoChanges();
  deferOutput(false);
  flushDeferredOutput();
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  return TRUE;
}

void restoreForExit() {
  if (state.lockMade) EnterCriticalSection(&state.lock);
  undoChanges();
  if (state.lockMade) LeaveCriticalSection(&state.lock);
}

class WindowsTerminal final : public Terminal {
 public:
  ~WindowsTerminal() override { restore(); }

  bool open() override {
    if (state.opened) return false;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (output == INVALID_HANDLE_VALUE || output == nullptr || input == INVALID_HANDLE_VALUE || input == nullptr) {
      return false;
    }
    // Both must be the console itself, not a file or pipe.
    DWORD outputMode = 0;
    DWORD inputMode = 0;
    if (GetConsoleMode(output, &outputMode) == FALSE || GetConsoleMode(input, &inputMode) == FALSE) return false;
    if (GetConsoleScreenBufferInfo(output, &state.original) == FALSE) return false;
    GetConsoleCursorInfo(output, &state.originalCursor);
    state.output = output;
    state.input = input;
    state.originalInputMode = inputMode;
    state.originalCodePage = GetConsoleOutputCP();
    state.titleSaved = GetConsoleTitleW(state.originalTitle, kTitleRoom) > 0 || GetLastError() == ERROR_SUCCESS;
    if (!state.lockMade) {
      InitializeCriticalSection(&state.lock);
      state.lockMade = true;
    }

    // Cells or escape sequences, once for the whole show.
    const ConsolePathChoice choice =
        chooseConsolePath(systemConsoleModeCalls(), output, std::getenv(kConsolePathVariable));
    if (choice.message != nullptr) printLine(choice.message);
    state.virtualTerminal = choice.path == ConsolePath::VirtualTerminal;
    state.outputModeChanged = choice.modeChanged;
    state.originalOutputMode = choice.originalMode;

    // Keys one at a time without echo; Ctrl-C still reaches the control handler.
    const DWORD rawMode =
        (inputMode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_MOUSE_INPUT)) |
        ENABLE_PROCESSED_INPUT | ENABLE_WINDOW_INPUT;
    state.inputChanged = true;
    SetConsoleMode(input, rawMode);
    SetConsoleCtrlHandler(onControl, TRUE);
    setRestoreHook(restoreForExit);
    state.opened = true;
    return true;
  }

  void size(int& columns, int& rows) override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(activeBuffer(), &info) == FALSE) {
      columns = 0;
      rows = 0;
      return;
    }
    columns = info.srWindow.Right - info.srWindow.Left + 1;
    rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    // Wine lets the window be "set" larger than the terminal it runs in; the largest window the
    // screen holds is what can be seen.
    if (columns > info.dwMaximumWindowSize.X) columns = info.dwMaximumWindowSize.X;
    if (rows > info.dwMaximumWindowSize.Y) rows = info.dwMaximumWindowSize.Y;
  }

  // The standard output's buffer becomes columns x rows with the window over all of it: the
  // window shrinks first (a buffer can never be smaller than its window), then the buffer is
  // sized, then the window grows to it. Put back by restore().
  void requestSize(int columns, int rows) override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!state.opened || GetConsoleScreenBufferInfo(state.output, &info) == FALSE) return;
    state.sizeChanged = true;
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    const int height = info.srWindow.Bottom - info.srWindow.Top + 1;
    SMALL_RECT smaller{0, 0, static_cast<SHORT>((width < columns ? width : columns) - 1),
                       static_cast<SHORT>((height < rows ? height : rows) - 1)};
    SetConsoleWindowInfo(state.output, TRUE, &smaller);
    if (SetConsoleScreenBufferSize(state.output, COORD{static_cast<SHORT>(columns), static_cast<SHORT>(rows)}) ==
        FALSE) {
      return;  // size() tells the caller
    }
    SMALL_RECT whole{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    SetConsoleWindowInfo(state.output, TRUE, &whole);
  }

  // A screen buffer of the show's own, the size of the window, so the user's buffer and its
  // scrollback stay as they were; where one cannot be made, the standard output's buffer is used.
  bool beginScreen() override {
    if (!state.opened) return false;
    int columns = 0;
    int rows = 0;
    size(columns, rows);
    if (columns < 1) columns = 1;
    if (rows < 1) rows = 1;
    if (columns > kMaxColumns) columns = kMaxColumns;
    if (rows > kMaxRows) rows = kMaxRows;
    HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              CONSOLE_TEXTMODE_BUFFER, nullptr);
    // A new screen buffer has a mode of its own: the escape-sequence path needs it there too.
    DWORD screenMode = 0;
    if (screen != INVALID_HANDLE_VALUE && state.virtualTerminal &&
        (GetConsoleMode(screen, &screenMode) == FALSE ||
         !takeSequences(systemConsoleModeCalls(), screen, screenMode))) {
      CloseHandle(screen);
      screen = INVALID_HANDLE_VALUE;
    }
    if (screen != INVALID_HANDLE_VALUE) {
      state.screen = screen;
      SetConsoleScreenBufferSize(screen, COORD{static_cast<SHORT>(columns), static_cast<SHORT>(rows)});
      SMALL_RECT whole{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
      SetConsoleWindowInfo(screen, TRUE, &whole);
      if (SetConsoleActiveScreenBuffer(screen) != FALSE) {
        state.screenActive = true;
      } else {
        CloseHandle(screen);
        state.screen = INVALID_HANDLE_VALUE;
      }
    }
    if (SetConsoleOutputCP(state.virtualTerminal ? CP_UTF8 : kCodePage) != FALSE) state.codePageChanged = true;
    SetConsoleTextAttribute(activeBuffer(), kDefaultAttribute);
    columns_ = columns;
    rows_ = rows;
    if (state.virtualTerminal) {
      state.sequencesOnOutput = !state.screenActive;
      return write(kBeginSequences, sizeof kBeginSequences - 1);
    }
    cells_ = std::make_unique<CHAR_INFO[]>(static_cast<std::size_t>(columns) * rows);
    return clearScreen();
  }

  bool setTitle(const char* title) override {
    if (!state.opened) return false;
    state.titleChanged = true;
    return SetConsoleTitleA(title) != FALSE;
  }

  bool hideCursor() override {
    if (!state.opened) return false;
    CONSOLE_CURSOR_INFO hidden{1, FALSE};
    state.cursorChanged = true;
    bool hiddenOnOutput = SetConsoleCursorInfo(state.output, &hidden) != FALSE;
    if (state.screenActive) return SetConsoleCursorInfo(state.screen, &hidden) != FALSE;
    return hiddenOnOutput;
  }

  // The console answers from its own state, without being asked: the font's cell size, a palette
  // that goes with the show's own screen buffer; on the escape-sequence path 24-bit colour and
  // synchronized output (see LIMITATIONS).
  void ask(const DisplayQuestions&) override {}

  const DisplayAnswers& answers() override {
    answers_ = DisplayAnswers{};
    answers_.complete = true;
    answers_.privatePalette = true;
    answers_.trueColor = state.virtualTerminal;
    answers_.synchronizedOutput = state.virtualTerminal;
    CONSOLE_FONT_INFOEX font{};
    font.cbSize = sizeof font;
    if (state.opened && GetCurrentConsoleFontEx(activeBuffer(), FALSE, &font) != FALSE && font.dwFontSize.X > 0 &&
        font.dwFontSize.Y > 0) {
      answers_.cellWidth = font.dwFontSize.X;
      answers_.cellHeight = font.dwFontSize.Y;
    }
    return answers_;
  }

  void awaitAnswers(int) override {}

  // The show's own screen buffer takes the palette; the user's buffer is never touched.
  bool setPalette(const std::int32_t (*colours)[3], const DisplayAnswers&) override {
    if (!state.screenActive) return true;
    CONSOLE_SCREEN_BUFFER_INFOEX info{};
    info.cbSize = sizeof info;
    if (GetConsoleScreenBufferInfoEx(state.screen, &info) == FALSE) return true;
    for (int entry = 0; entry < 16; ++entry) {
      info.ColorTable[entry] = RGB(colours[entry][0], colours[entry][1], colours[entry][2]);
    }
    info.srWindow.Right += 1;  // the call takes the window one larger than it reports it
    info.srWindow.Bottom += 1;
    SetConsoleScreenBufferInfoEx(state.screen, &info);
    return true;
  }

  bool write(const char* bytes, std::size_t size) override {
    if (!state.opened) return false;
    EnterCriticalSection(&state.lock);
    bool written = true;
    while (written && size > 0) {
      DWORD done = 0;
      const DWORD chunk = size > 65536 ? 65536 : static_cast<DWORD>(size);
      written = WriteConsoleA(activeBuffer(), bytes, chunk, &done, nullptr) != FALSE && done > 0;
      bytes += done;
      size -= done;
    }
    LeaveCriticalSection(&state.lock);
    return written;
  }

  bool clearScreen() override {
    if (state.virtualTerminal) return Terminal::clearScreen();
    if (!cells_) return false;
    const std::size_t count = static_cast<std::size_t>(columns_) * rows_;
    for (std::size_t index = 0; index < count; ++index) cells_[index] = blank();
    return writeRectangle(0, 0, columns_, rows_);
  }

  // The lines go into the cells the screen holds, so the rectangle they cover is written in one
  // call with whatever else it holds.
  bool drawLines(const TextLine* lines, int count) override {
    if (state.virtualTerminal) return Terminal::drawLines(lines, count);
    if (!cells_ || count <= 0) return cells_ != nullptr;
    int top = rows_;
    int bottom = 0;
    for (int index = 0; index < count; ++index) {
      const TextLine& line = lines[index];
      if (line.row < 0 || line.row >= rows_) continue;
      int column = line.column;
      for (std::size_t at = 0; at < line.length && column < columns_; ++column) {
        const char32_t character = decodeUtf8(line.text, line.length, at);
        if (column < 0) continue;
        CHAR_INFO& cell = cells_[static_cast<std::size_t>(line.row) * columns_ + column];
        cell.Char.UnicodeChar = static_cast<WCHAR>(character <= 0xFFFF ? character : U'?');
        cell.Attributes = kDefaultAttribute;
      }
      if (line.row < top) top = line.row;
      if (line.row + 1 > bottom) bottom = line.row + 1;
    }
    if (bottom <= top) return true;
    return writeRectangle(0, top, columns_, bottom - top);
  }

  bool drawsCells() const override { return !state.virtualTerminal; }

  // The cells as the console shows them: each code's character of code page 437, the attribute as
  // it is (console colour numbers), written in one call.
  bool drawCells(CellView cells, int originColumn, int originRow, int visibleColumns, int visibleRows) override {
    if (!cells_) return false;
    const int left = originColumn < 0 ? 0 : originColumn;
    const int top = originRow < 0 ? 0 : originRow;
    const int width = clamp(visibleColumns, 0, columns_ - left < cells.width ? columns_ - left : cells.width);
    const int height = clamp(visibleRows, 0, rows_ - top < cells.height ? rows_ - top : cells.height);
    if (width <= 0 || height <= 0) return true;
    for (int row = 0; row < height; ++row) {
      CHAR_INFO* out = cells_.get() + static_cast<std::size_t>(top + row) * columns_ + left;
      for (int column = 0; column < width; ++column) {
        const Cell& cell = cells.at(column, row);
        out[column].Char.UnicodeChar = static_cast<WCHAR>(cp437ToUnicode(cell.glyph));
        out[column].Attributes = cell.attribute;
      }
    }
    return writeRectangle(left, top, width, height);
  }

  bool keyPressed(Key key) override {
    readKeys(kKeyWaitMs);
    bool& pressed = pressed_[static_cast<int>(key)];
    const bool was = pressed;
    pressed = false;
    return was;
  }

  // Sleeps, reading keys as they come so none waits for the next query.
  void sleepMs(int milliseconds) override {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
    for (;;) {
      const ULONGLONG now = GetTickCount64();
      if (now >= end) return;
      readKeys(static_cast<DWORD>(end - now));
    }
  }

  // Returns when the first input event arrives (it is read at once, so keyPressed sees it) or the
  // time is up.
  void waitForInput(int milliseconds) override { readKeys(static_cast<DWORD>(milliseconds > 0 ? milliseconds : 0)); }

  bool takeResize() override {
    const bool was = resized_;
    resized_ = false;
    return was;
  }

  void restore() override {
    if (!state.opened) return;
    restoreForExit();
    SetConsoleCtrlHandler(onControl, FALSE);
    setRestoreHook(nullptr);
    state.opened = false;
    cells_.reset();
  }

 private:
  HANDLE activeBuffer() const { return state.screenActive ? state.screen : state.output; }

  static CHAR_INFO blank() {
    CHAR_INFO cell{};
    cell.Char.UnicodeChar = L' ';
    cell.Attributes = kDefaultAttribute;
    return cell;
  }

  static int clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

  // The next character of a UTF-8 text; a malformed byte reads as '?'.
  static char32_t decodeUtf8(const char* text, std::size_t length, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (more == 0 || at + more > length) return U'?';
    char32_t character = lead & (0x3F >> more);
    for (int index = 0; index < more; ++index) {
      character = character << 6 | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    return character;
  }

  // Writes a rectangle of the held cells with one WriteConsoleOutputW, as one frame: the control
  // handler waits for it to be out before it puts the console back.
  bool writeRectangle(int left, int top, int width, int height) {
    SMALL_RECT region{static_cast<SHORT>(left), static_cast<SHORT>(top), static_cast<SHORT>(left + width - 1),
                      static_cast<SHORT>(top + height - 1)};
    EnterCriticalSection(&state.lock);
    const bool written =
        WriteConsoleOutputW(activeBuffer(), cells_.get(),
                            COORD{static_cast<SHORT>(columns_), static_cast<SHORT>(rows_)},
                            COORD{static_cast<SHORT>(left), static_cast<SHORT>(top)}, &region) != FALSE;
    LeaveCriticalSection(&state.lock);
    return written;
  }

  // Takes every waiting input event, waiting up to waitMs for the first; notes the show's keys
  // going down (by virtual-key code: Escape's character is 0 on some consoles, and the arrows have
  // none) and size changes.
  void readKeys(DWORD waitMs) {
    DWORD wait = waitMs;
    for (;;) {
      if (WaitForSingleObject(state.input, wait) != WAIT_OBJECT_0) return;
      wait = 0;
      INPUT_RECORD records[32];
      DWORD count = 0;
      if (PeekConsoleInputW(state.input, records, 32, &count) == FALSE || count == 0) return;
      if (ReadConsoleInputW(state.input, records, count, &count) == FALSE) return;
      for (DWORD index = 0; index < count; ++index) {
        const INPUT_RECORD& record = records[index];
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown != FALSE) {
          if (const int key = keyOf(record.Event.KeyEvent.wVirtualKeyCode); key >= 0) pressed_[key] = true;
        } else if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) {
          resized_ = true;
        }
      }
    }
  }

  // The index of the show's key (its Key's value) that a virtual-key code stands for; -1 for others.
  static int keyOf(WORD virtualKey) {
    switch (virtualKey) {
      case VK_SPACE:
        return static_cast<int>(Key::Space);
      case VK_ESCAPE:
        return static_cast<int>(Key::Escape);
      case 'Q':
        return static_cast<int>(Key::Q);
      case VK_LEFT:
        return static_cast<int>(Key::Left);
      case VK_RIGHT:
        return static_cast<int>(Key::Right);
      default:
        return -1;
    }
  }

  std::unique_ptr<CHAR_INFO[]> cells_;  // the show's screen, as the console takes it (the cell path)
  DisplayAnswers answers_;
  int columns_ = 0;
  int rows_ = 0;
  bool pressed_[5] = {};  // by Key
  bool resized_ = false;
};

}  // namespace

ConsolePathChoice chooseConsolePath(ConsoleModeCalls& calls, HANDLE output, const char* setting) {
  ConsolePathChoice choice;
  const bool unset = setting == nullptr || setting[0] == '\0';
  const bool askedForCells = !unset && std::strcmp(setting, "cells") == 0;
  const bool askedForSequences = !unset && std::strcmp(setting, "vt") == 0;
  if (!unset && !askedForCells && !askedForSequences) {
    choice.message = "GLIMMER_CONSOLE takes vt or cells; the show chooses the way it draws by itself.";
  }
  if (askedForCells || (!askedForSequences && calls.underWine())) return choice;
  DWORD mode = 0;
  DWORD taken = 0;
  if (calls.getMode(output, mode) && takeSequences(calls, output, mode)) {
    // A console may take a mode it does not keep: what it reports now is what counts.
    if (calls.getMode(output, taken) && (taken & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) {
      choice.path = ConsolePath::VirtualTerminal;
      choice.modeChanged = taken != mode;
      choice.originalMode = mode;
      return choice;
    }
    calls.setMode(output, mode);  // taken but not kept: the mode as it was
  }
  if (askedForSequences) {
    choice.message = "GLIMMER_CONSOLE=vt: this console refuses virtual-terminal processing; the show draws cells.";
  }
  return choice;
}

ConsoleModeCalls& systemConsoleModeCalls() {
  static SystemConsoleModeCalls calls;
  return calls;
}

std::unique_ptr<Terminal> makeSystemTerminal() { return std::make_unique<WindowsTerminal>(); }

}  // namespace glimmer
