#include "console/key_decoder.h"

namespace glimmer {
namespace {

constexpr unsigned char kEsc = 0x1b;
constexpr unsigned char kBel = 0x07;

bool isParameter(unsigned char byte) { return (byte >= '0' && byte <= '9') || byte == ';'; }

// The byte that ends a control sequence or a single shift: '@' to '~'.
bool isFinal(unsigned char byte) { return byte >= 0x40 && byte <= 0x7e; }

}  // namespace

void KeyDecoder::finishSequence(unsigned char final) {
  state_ = State::Ground;
  if (!plainSequence_) return;
  if (final == 'C') press(Key::Right);
  if (final == 'D') press(Key::Left);
}

void KeyDecoder::feed(const char* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    switch (state_) {
      case State::Ground:
        if (byte == ' ') press(Key::Space);
        if (byte == 'q' || byte == 'Q') press(Key::Q);
        if (byte == kEsc) state_ = State::Escape;
        break;
      case State::Escape:
        plainSequence_ = true;
        if (byte == '[') {
          state_ = State::ControlSequence;
        } else if (byte == 'O') {
          state_ = State::SingleShift;
        } else if (byte == ']' || byte == 'P' || byte == '_' || byte == '^' || byte == 'X') {
          state_ = State::String;
        } else if (byte == kEsc) {
          press(Key::Escape);  // ESC ESC: the first was a key of its own
        } else if (byte == ' ') {
          // Escape and Space pressed together arrive as ESC then a blank: both keys count, and the
          // intro lets Space win.
          press(Key::Escape);
          press(Key::Space);
          state_ = State::Ground;
        } else {
          state_ = State::Ground;  // an Alt combination (Alt-q too), consumed with its ESC
        }
        break;
      case State::ControlSequence:
        if (isFinal(byte)) {
          finishSequence(byte);  // the final byte
        } else if (!isParameter(byte)) {
          plainSequence_ = false;  // a private marker (< = > ?) or an intermediate byte
        }
        break;
      case State::SingleShift:
        if (isFinal(byte)) {
          finishSequence(byte);
        } else if (!isParameter(byte)) {
          plainSequence_ = false;
        }
        break;
      case State::String:
        if (byte == kBel) state_ = State::Ground;
        if (byte == kEsc) state_ = State::StringEscape;
        break;
      case State::StringEscape:
        // ESC \ ends the string; any other byte after an ESC inside a string is still the string.
        state_ = byte == '\\' ? State::Ground : byte == kEsc ? State::StringEscape : State::String;
        break;
    }
  }
}

void KeyDecoder::quiet() {
  if (state_ == State::Escape) press(Key::Escape);
  state_ = State::Ground;
}

bool KeyDecoder::take(Key key) {
  bool& pressed = pressed_[static_cast<int>(key)];
  const bool was = pressed;
  pressed = false;
  return was;
}

}  // namespace glimmer
