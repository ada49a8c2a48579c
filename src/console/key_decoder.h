// KeyDecoder: finds Space and Escape in the bytes a terminal sends for key presses.
//
// Escape sequences (arrows, function keys, Alt combinations) are consumed whole and never count as
// Escape. A lone ESC byte counts as Escape only once the input has gone quiet after it: the caller
// waits about 20 ms while waitingForMore() is true and then calls quiet().
#pragma once

#include <cstddef>

namespace glimmer {

class KeyDecoder {
 public:
  // Takes bytes in arrival order.
  void feed(const char* bytes, std::size_t size);
  // Nothing more arrived within the wait: a pending ESC is Escape, a cut sequence is dropped.
  void quiet();
  // True while the last bytes may be the start of an escape sequence.
  bool waitingForMore() const { return state_ != State::Ground; }

  // True when the key was seen since the previous take of that key; clears it.
  bool takeSpace();
  bool takeEscape();

 private:
  enum class State { Ground, Escape, ControlSequence, SingleShift };
  State state_ = State::Ground;
  bool space_ = false;
  bool escape_ = false;
};

}  // namespace glimmer
