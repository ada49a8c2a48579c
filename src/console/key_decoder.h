// KeyDecoder: finds the show's keys in the bytes a terminal sends for key presses: Space, Escape,
// q (or Q), and the Left and Right arrows in both the forms terminals send (CSI D and CSI C, and in
// application cursor mode SS3 D and SS3 C; with or without modifier parameters, as in CSI 1;5C).
//
// Every other escape sequence (other cursor keys, function keys, Alt combinations, and strings such
// as a terminal's late answers: OSC, DCS, APC, PM and SOS, up to their BEL or ST) is consumed whole
// and never counts as a key, nor as Escape. A lone ESC byte counts as Escape only once the input
// has gone quiet after it: the caller waits about 20 ms while waitingForMore() is true and then
// calls quiet().
#pragma once

#include <cstddef>

#include "console/terminal.h"

namespace glimmer {

class KeyDecoder {
 public:
  // Takes bytes in arrival order.
  void feed(const char* bytes, std::size_t size);
  // Nothing more arrived within the wait: a pending ESC is Escape, a cut sequence or string is
  // dropped.
  void quiet();
  // True while the last bytes may be the start, or the middle, of an escape sequence or string.
  bool waitingForMore() const { return state_ != State::Ground; }

  // True when the key was seen since the previous take of that key; clears it.
  bool take(Key key);
  bool takeSpace() { return take(Key::Space); }
  bool takeEscape() { return take(Key::Escape); }

 private:
  enum class State {
    Ground,
    Escape,           // after ESC
    ControlSequence,  // after ESC [
    SingleShift,      // after ESC O
    String,           // after ESC ] (OSC), ESC P (DCS), ESC _, ESC ^ or ESC X: up to BEL or ST
    StringEscape,     // an ESC inside a string: ST when a backslash follows
  };
  static constexpr int kKeyCount = 5;

  void press(Key key) { pressed_[static_cast<int>(key)] = true; }
  // The final byte of a CSI or SS3 sequence: C and D are the arrows, unless the sequence carried
  // a private marker or intermediate bytes (then it is some other report).
  void finishSequence(unsigned char final);

  State state_ = State::Ground;
  bool plainSequence_ = true;  // only digits and ';' since the sequence began
  bool pressed_[kKeyCount] = {};
};

}  // namespace glimmer
