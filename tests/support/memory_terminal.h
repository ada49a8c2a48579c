// MemoryTerminal: a Terminal that keeps what is written and replays scripted keys, so set-up, the
// intro and the presenter run in tests without a display. A key queued with press() is reported by
// the next query of that key. By default it answers every question at once, as a terminal that
// reports its whole palette (a grey ramp), and so is settled at set-up. A test makes answers late
// by clearing replies.complete before set-up and filling them in later: in whenWaiting (the intro
// and the show wait for input; set resizePending, as the real terminal reports them) or in
// whenAwaited (while set-up waits for the last of them).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "console/terminal.h"

namespace glimmer {

class MemoryTerminal final : public Terminal {
 public:
  MemoryTerminal(int columns = 80, int rows = 50) : columns_(columns), rows_(rows) {
    replies.complete = true;
    for (int entry = 0; entry < 16; ++entry) {
      replies.paletteKnown[entry] = true;
      for (int channel = 0; channel < 3; ++channel) replies.palette[entry][channel] = entry * 16;
    }
  }

  bool open() override { return true; }
  void size(int& columns, int& rows) override {
    columns = columns_;
    rows = rows_;
  }
  void requestSize(int, int) override {}
  bool beginScreen() override { return screenBegun = true; }
  bool setTitle(const char* text) override {
    title = text;
    return true;
  }
  bool hideCursor() override { return cursorHidden = true; }
  void ask(const DisplayQuestions& questions) override {
    asked = questions;
    ++askCount;
  }
  const DisplayAnswers& answers() override { return replies; }
  void awaitAnswers(int milliseconds) override {
    if (replies.complete) return;
    awaitedMs += milliseconds;
    if (whenAwaited) whenAwaited();
  }
  bool setPalette(const std::int32_t (*colours)[3], const DisplayAnswers& previous) override {
    for (int entry = 0; entry < 16; ++entry) {
      for (int channel = 0; channel < 3; ++channel) palette[entry][channel] = colours[entry][channel];
    }
    paletteBefore = previous;
    paletteSet = true;
    return true;
  }
  bool write(const char* bytes, std::size_t size) override {
    if (writesBeforeFailure == 0) failWrites = true;
    if (writesBeforeFailure > 0) --writesBeforeFailure;
    if (failWrites) return false;
    written.append(bytes, size);
    ++writeCount;
    return true;
  }
  bool keyPressed(Key key) override {
    ++keyQueries;
    for (auto it = pendingKeys.begin(); it != pendingKeys.end(); ++it) {
      if (*it == key) {
        pendingKeys.erase(it);
        return true;
      }
    }
    return false;
  }
  void sleepMs(int) override {}
  void waitForInput(int) override {
    if (whenWaiting) whenWaiting();
  }
  bool takeResize() override {
    bool was = resizePending;
    resizePending = false;
    return was;
  }
  void restore() override {
    ++restoreCount;
    paletteSet = false;  // put back as paletteBefore says
  }

  void press(Key key) { pendingKeys.push_back(key); }
  void resize(int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    resizePending = true;
  }

  bool failWrites = false;
  int writesBeforeFailure = -1;  // writes taken before every later one fails; -1: no limit
  bool screenBegun = false;
  bool cursorHidden = false;
  bool paletteSet = false;  // the show's palette is on the display now
  std::int32_t palette[16][3] = {};
  DisplayAnswers paletteBefore;       // what restore puts back
  DisplayAnswers replies;             // what answers() gives
  std::function<void()> whenAwaited;  // runs in awaitAnswers
  std::function<void()> whenWaiting;  // runs in waitForInput: time passes
  DisplayQuestions asked;             // the last questions
  int askCount = 0;
  int awaitedMs = 0;
  bool resizePending = false;
  int writeCount = 0;
  int keyQueries = 0;
  int restoreCount = 0;
  std::string title;
  std::string written;
  std::deque<Key> pendingKeys;

 private:
  int columns_;
  int rows_;
};

}  // namespace glimmer
