// Message output with deferral while the show owns the screen; see report.h.
#include "base/report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace glimmer {
namespace {

// Held-back messages: a fixed store, so a message printed from a signal-free failure path never
// allocates. What does not fit is cut, and the cut is marked.
struct HeldMessages {
  char text[8192];
  std::size_t used = 0;
  bool truncated = false;
};

HeldMessages held;
bool deferring = false;
bool progressShown = false;  // a progress line without its line end is on standard error
void (*restoreHook)() = nullptr;

void hold(const char* text, std::size_t length) {
  std::size_t room = sizeof held.text - held.used;
  if (length > room) {
    length = room;
    held.truncated = true;
  }
  std::memcpy(held.text + held.used, text, length);
  held.used += length;
}

// The prefix (when asked for), the text and, unless it has one, a line end.
void report(bool prefixed, const char* text, bool addLineEnd) {
  const char* prefix = prefixed ? kProgramName : "";
  const char* separator = prefixed ? ": " : "";
  const char* lineEnd = addLineEnd ? "\n" : "";
  if (deferring) {
    for (const char* piece : {prefix, separator, text, lineEnd}) hold(piece, std::strlen(piece));
    return;
  }
  endProgressLine();
  std::fprintf(stderr, "%s%s%s%s", prefix, separator, text, lineEnd);
  std::fflush(stderr);
}

}  // namespace

void printLine(const char* message) { report(true, message, true); }

void printError(const char* text) { report(true, text, false); }

void printUsageHint() { report(false, "Try 'glimmerfolding --help'.", true); }

void showProgressLine(const char* text) {
  std::fprintf(stderr, "\r%s", text);
  std::fflush(stderr);
  progressShown = true;
}

void endProgressLine() {
  if (!progressShown) return;
  std::fputc('\n', stderr);
  std::fflush(stderr);
  progressShown = false;
}

void deferOutput(bool on) { deferring = on; }

void flushDeferredOutput() {
  if (held.used > 0) {
    endProgressLine();
    std::fwrite(held.text, 1, held.used, stderr);
  }
  if (held.truncated) std::fprintf(stderr, "\n%s: (further messages were cut)\n", kProgramName);
  std::fflush(stderr);
  held.used = 0;
  held.truncated = false;
}

void setRestoreHook(void (*hook)()) { restoreHook = hook; }

void endProcess(int status) {
  if (restoreHook != nullptr) restoreHook();
  deferring = false;
  flushDeferredOutput();
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace glimmer
