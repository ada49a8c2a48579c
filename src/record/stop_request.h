// Stop requests: the signals with which a user or the system asks a long job to stop. On POSIX
// SIGINT (Ctrl-C), SIGTERM and SIGHUP (the terminal went away); on Windows Ctrl-C, Ctrl-Break and
// closing the console window. While a StopWatch lives, such a request only sets a flag, which the
// job reads between two steps of its work, so it can finish the step, remove what it leaves
// unfinished and then end as asked (endAsStopped). Stop requests: stop_request_posix.cpp and
// stop_request_windows.cpp.
#pragma once

namespace glimmer {

class StopWatch {
 public:
  // Takes over the requests' handling, until the watch goes. One watch at a time.
  StopWatch();
  StopWatch(const StopWatch&) = delete;
  StopWatch& operator=(const StopWatch&) = delete;
  // Puts the previous handling back. A request that came stays readable through requestedStatus.
  ~StopWatch();

  // 0 while no request came; else the status the first one asks for: 128 + the signal number
  // (130 Ctrl-C or Ctrl-Break, 143 SIGTERM, 129 SIGHUP or a closed console window).
  static int requestedStatus();
};

// Ends the process as a request of that status asks: on POSIX by the signal itself with its
// default action, so the parent sees how it ended (a shell reports 128 + n); on Windows with the
// status. Standard output and error are flushed first.
[[noreturn]] void endAsStopped(int status);

}  // namespace glimmer
