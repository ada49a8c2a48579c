// Running a helper program (ffmpeg) with a pipe to its standard input, on the platform's terms:
// child_process_posix.cpp (posix_spawnp) and child_process_windows.cpp (CreateProcess).
//
// The child runs in a process group of its own, so the Ctrl-C a terminal sends to the program
// does not reach it: the program decides how the child ends, by closing its input (it finishes
// the frames it has been given) and waiting for it, never in the middle of a frame.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace glimmer {

// True when an executable of that name (on Windows also name.exe) is in a folder on PATH.
bool programOnPath(const char* name);

class ChildProcess {
 public:
  ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // A child still running has its input closed and is waited for.
  ~ChildProcess();

  // Starts arguments[0], found on PATH, with the arguments as they are (no command interpreter
  // reads them), its standard input a pipe from this process and its standard output and error
  // this process's. False with errno set when it cannot be started.
  bool start(const std::vector<std::string>& arguments);

  // Writes all the bytes to the child's input, also when a signal interrupts the write. False when
  // the child takes no more (it has ended); writing never ends this process.
  bool write(const void* bytes, std::size_t size);

  // Closes the child's input, so it finishes, and waits for it: true when it exited with status 0.
  // False when it was not started.
  bool finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace glimmer
