// Stop requests on POSIX: sigaction for SIGINT, SIGTERM and SIGHUP with a handler that only
// stores the signal (async-signal-safe), restarting interrupted calls; raise to end by it.
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "record/stop_request.h"

namespace glimmer {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kStopSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];

volatile sig_atomic_t requestedSignal = 0;
struct sigaction previousActions[kStopSignalCount];

void onStopSignal(int signalNumber) {
  if (requestedSignal == 0) requestedSignal = signalNumber;
}

}  // namespace

StopWatch::StopWatch() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = onStopSignal;
  action.sa_flags = SA_RESTART;
  for (int index = 0; index < kStopSignalCount; ++index) {
    sigaction(kStopSignals[index], &action, &previousActions[index]);
  }
}

StopWatch::~StopWatch() {
  for (int index = 0; index < kStopSignalCount; ++index) {
    sigaction(kStopSignals[index], &previousActions[index], nullptr);
  }
}

int StopWatch::requestedStatus() { return requestedSignal == 0 ? 0 : 128 + requestedSignal; }

void endAsStopped(int status) {
  std::fflush(nullptr);
  const int signalNumber = status - 128;
  if (signalNumber > 0) {
    signal(signalNumber, SIG_DFL);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    sigaddset(&unblocked, signalNumber);
    sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
    raise(signalNumber);
  }
  _exit(status);
}

}  // namespace glimmer
