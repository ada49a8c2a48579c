// The terminal backend for Windows: the console, drawn either as cells or, where the console takes
// virtual-terminal processing, with the same escape sequences the Linux terminals get. The choice
// between the two is made once, when the terminal opens, through a small set of console calls that
// a test can stand in for.
#pragma once

#include <windows.h>

namespace glimmer {

// How the show reaches the console: cells written with WriteConsoleOutputW (any console), or the
// escape-sequence stream of the Linux terminals, in 24-bit colour, through virtual-terminal
// processing (Windows 10 1809 and later, Windows Terminal).
enum class ConsolePath { Cells, VirtualTerminal };

// The environment variable that asks for a path: "vt" or "cells". Unset or empty, the show chooses.
inline constexpr char kConsolePathVariable[] = "GLIMMER_CONSOLE";

// The console calls the choice makes: the real console's (systemConsoleModeCalls), or a stand-in.
class ConsoleModeCalls {
 public:
  virtual ~ConsoleModeCalls() = default;
  // GetConsoleMode and SetConsoleMode on the output: false when the console refuses.
  virtual bool getMode(HANDLE output, DWORD& mode) = 0;
  virtual bool setMode(HANDLE output, DWORD mode) = 0;
  // True under Wine, whose console takes virtual-terminal processing but does not keep to it
  // (rows shifted, frames mixed, old text left behind).
  virtual bool underWine() = 0;
};

struct ConsolePathChoice {
  ConsolePath path = ConsolePath::Cells;
  bool modeChanged = false;  // the output's mode was changed: originalMode goes back at every exit
  DWORD originalMode = 0;
  const char* message = nullptr;  // a line for the user about the setting, or null
};

// Chooses the path for the console output, given the setting of kConsolePathVariable (null when
// unset). "cells" takes the cell path and changes nothing. Otherwise virtual-terminal processing
// is switched on in the output's mode (with DISABLE_NEWLINE_AUTO_RETURN where the console takes
// it, so writing the last column does not scroll), and kept where the console accepts it and says
// so when asked again: the escape-sequence path. Where it refuses, the mode stays as it was and the
// cells path is taken. Under Wine the cell path is taken unless "vt" is asked for. A setting of
// "vt" that cannot be had, or any other setting, comes with a message.
ConsolePathChoice chooseConsolePath(ConsoleModeCalls& calls, HANDLE output, const char* setting);

// The real console's calls.
ConsoleModeCalls& systemConsoleModeCalls();

}  // namespace glimmer
