// Message output with deferral while the show owns the screen; see report.h.
#include "base/report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace glimmer {
namespace {

// Held-back messages: a fixed store, so a message printed from a signal-free failure path never
// allocates. What does not fit is cut, and the cut is marked.
struct HeldMessages {
  char text[8192];
  unsigned char stream[8192];  // 1 = standard output, 2 = standard error, per byte of text
  std::size_t used = 0;
  bool truncated = false;
};

HeldMessages held;
bool deferring = false;
void (*restoreHook)() = nullptr;

void hold(const char* text, std::size_t length, unsigned char stream) {
  std::size_t room = sizeof held.text - held.used;
  if (length > room) {
    length = room;
    held.truncated = true;
  }
  std::memcpy(held.text + held.used, text, length);
  std::memset(held.stream + held.used, stream, length);
  held.used += length;
}

}  // namespace

void printLine(const char* message) {
  if (deferring) {
    hold(message, std::strlen(message), 1);
    hold("\n", 1, 1);
    return;
  }
  std::fputs(message, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void printError(const char* text) {
  if (deferring) {
    hold(text, std::strlen(text), 2);
    return;
  }
  std::fputs(text, stderr);
  std::fflush(stderr);
}

void deferOutput(bool on) { deferring = on; }

void flushDeferredOutput() {
  std::size_t start = 0;
  while (start < held.used) {
    std::size_t end = start;
    while (end < held.used && held.stream[end] == held.stream[start]) ++end;
    std::FILE* file = held.stream[start] == 1 ? stdout : stderr;
    std::fwrite(held.text + start, 1, end - start, file);
    std::fflush(file);
    start = end;
  }
  if (held.truncated) std::fputs("(further messages were cut)\n", stderr);
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
