// Running a helper program (ffmpeg) with a pipe to its standard input, on the platform's terms:
// child_process_posix.cpp (sh, popen) and child_process_windows.cpp (cmd.exe, _popen).
#pragma once

#include <cstdio>
#include <string>

namespace glimmer {

// True when an executable of that name (on Windows also name.exe) is in a folder on PATH.
bool programOnPath(const char* name);

// text as one argument of a command line for the platform's command interpreter.
std::string quotedArgument(const std::string& text);

// Starts the command line with a binary pipe to its standard input; null on failure (errno set).
// Writing to a child that has ended fails instead of ending this process.
std::FILE* startWithPipe(const std::string& command);

// Closes the pipe and waits for the child: true when it exited with status 0.
bool finishPipe(std::FILE* pipe);

}  // namespace glimmer
