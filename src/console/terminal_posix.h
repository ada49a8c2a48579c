// The terminal backend for POSIX systems: termios and VT/xterm sequences on standard output, keys
// from the controlling terminal. It is the system terminal on Linux.
#pragma once

#include <memory>

#include "console/terminal.h"

namespace glimmer {

// The real terminal: standard output for drawing, the controlling terminal for keys. Only one may
// be open at a time (it installs the process's signal handlers and restore hook).
std::unique_ptr<Terminal> makePosixTerminal();

}  // namespace glimmer
