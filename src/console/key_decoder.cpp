#include "console/key_decoder.h"

namespace glimmer {

void KeyDecoder::feed(const char* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    unsigned char byte = static_cast<unsigned char>(bytes[i]);
    switch (state_) {
      case State::Ground:
        if (byte == ' ') space_ = true;
        if (byte == 0x1b) state_ = State::Escape;
        break;
      case State::Escape:
        if (byte == '[') {
          state_ = State::ControlSequence;
        } else if (byte == 'O') {
          state_ = State::SingleShift;
        } else if (byte == 0x1b) {
          escape_ = true;  // ESC ESC: the first was a key of its own
        } else if (byte == ' ') {
          // Escape and Space pressed together arrive as ESC then a blank: both keys count, and the
          // intro lets Space win.
          escape_ = true;
          space_ = true;
          state_ = State::Ground;
        } else {
          state_ = State::Ground;  // an Alt combination, consumed with its ESC
        }
        break;
      case State::ControlSequence:
        if (byte >= 0x40 && byte <= 0x7e) state_ = State::Ground;  // the final byte
        break;
      case State::SingleShift:
        state_ = State::Ground;
        break;
    }
  }
}

void KeyDecoder::quiet() {
  if (state_ == State::Escape) escape_ = true;
  state_ = State::Ground;
}

bool KeyDecoder::takeSpace() {
  bool was = space_;
  space_ = false;
  return was;
}

bool KeyDecoder::takeEscape() {
  bool was = escape_;
  escape_ = false;
  return was;
}

}  // namespace glimmer
