// MemoryTerminal: a Terminal that keeps what is written and replays scripted keys, so set-up, the
// intro and the presenter run in tests without a display. A key queued with press() is reported by
// the next query of that key.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "console/terminal.h"

namespace glimmer {

class MemoryTerminal final : public Terminal {
 public:
  MemoryTerminal(int columns = 80, int rows = 50) : columns_(columns), rows_(rows) {}

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
  DisplayAnswers ask(const DisplayQuestions& questions) override {
    asked = questions;
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
    for (auto it = pendingKeys.begin(); it != pendingKeys.end(); ++it) {
      if (*it == key) {
        pendingKeys.erase(it);
        return true;
      }
    }
    return false;
  }
  void sleepMs(int) override {}
  void waitForInput(int) override {}
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
  bool screenBegun = false;
  bool cursorHidden = false;
  bool paletteSet = false;  // the show's palette is on the display now
  std::int32_t palette[16][3] = {};
  DisplayAnswers paletteBefore;  // what restore puts back
  DisplayAnswers answers;        // what ask() answers
  DisplayQuestions asked;        // the last questions
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
