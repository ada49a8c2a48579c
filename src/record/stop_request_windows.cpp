// Stop requests on Windows: SetConsoleCtrlHandler with a handler (on the console's own thread)
// that stores the request. For Ctrl-C and Ctrl-Break it returns at once; for a closed console,
// log-off or shut-down Windows ends the process as soon as the handler returns, so the handler
// waits there (the system allows a few seconds) while the job cleans up and ends the process.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "record/stop_request.h"

namespace glimmer {
namespace {

volatile LONG requested = 0;

BOOL WINAPI onControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      InterlockedCompareExchange(&requested, 130, 0);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      InterlockedCompareExchange(&requested, 129, 0);
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

StopWatch::StopWatch() { SetConsoleCtrlHandler(onControl, TRUE); }

StopWatch::~StopWatch() { SetConsoleCtrlHandler(onControl, FALSE); }

int StopWatch::requestedStatus() { return static_cast<int>(InterlockedCompareExchange(&requested, 0, 0)); }

void endAsStopped(int status) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(status));
}

}  // namespace glimmer
