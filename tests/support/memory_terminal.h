// MemoryTerminal: a Terminal that keeps what is written and replays scripted keys, so set-up, the
// intro and the presenter run in tests without a display. A key queued with press() is reported by
// the next query of that key; pressAtQuery() queues it only once that many queries have been made.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "console/terminal.h"

namespace glimmer {

class MemoryTerminal final : public Terminal {
 public:
  MemoryTerminal(int columns = 80, int rows = 50) : columns_(columns), rows_(rows) {}

  bool open() override { return opensOk; }
  void size(int& columns, int& rows) override {
    columns = columns_;
    rows = rows_;
  }
  void requestSize(int columns, int rows) override {
    ++sizeRequests;
    if (growsOnRequest) {
      columns_ = columns;
      rows_ = rows;
    }
  }
  bool beginScreen() override { return screenBegun = true; }
  bool setTitle(const char* text) override {
    title = text;
    return true;
  }
  bool hideCursor() override { return cursorHidden = true; }
  DisplayAnswers ask(const DisplayQuestions& questions) override {
    asked = questions;
    ++questionsAsked;
    return answers;
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
    if (failWrites) return false;
    written.append(bytes, size);
    ++writeCount;
    return true;
  }
  bool keyPressed(Key key) override {
    ++keyQueries;
    while (!scheduledKeys.empty() && scheduledKeys.front().first <= keyQueries) {
      pendingKeys.push_back(scheduledKeys.front().second);
      scheduledKeys.pop_front();
    }
    for (auto it = pendingKeys.begin(); it != pendingKeys.end(); ++it) {
      if (*it == key) {
        pendingKeys.erase(it);
        return true;
      }
    }
    return false;
  }
  void sleepMs(int milliseconds) override { sleptMs += milliseconds; }
  void waitForInput(int milliseconds) override { waitedMs += milliseconds; }
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
  // The key goes down just before the given key query (counting every query from 1).
  void pressAtQuery(int query, Key key) { scheduledKeys.emplace_back(query, key); }
  void resize(int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    resizePending = true;
  }

  bool opensOk = true;
  bool growsOnRequest = false;
  bool failWrites = false;
  bool screenBegun = false;
  bool cursorHidden = false;
  bool paletteSet = false;  // the show's palette is on the display now
  std::int32_t palette[16][3] = {};
  DisplayAnswers paletteBefore;  // what restore puts back
  DisplayAnswers answers;        // what ask() answers
  DisplayQuestions asked;        // the last questions
  int questionsAsked = 0;
  bool resizePending = false;
  int sizeRequests = 0;
  int writeCount = 0;
  int keyQueries = 0;
  int restoreCount = 0;
  long sleptMs = 0;
  long waitedMs = 0;
  std::string title;
  std::string written;
  std::deque<Key> pendingKeys;
  std::deque<std::pair<int, Key>> scheduledKeys;

 private:
  int columns_;
  int rows_;
};

}  // namespace glimmer
