// Reading a display's answers; see display_answers.h.
#include "console/display_answers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace glimmer {
namespace {

constexpr char kEscape = 0x1b;
constexpr char kBell = 0x07;
constexpr std::size_t kLongestAnswer = 96;  // anything longer is not an answer of ours

// One channel of an X colour string (rgb:R/G/B), 1 to 4 hex digits, scaled to 0..255. -1 when malformed.
int channelOf(const char* text, std::size_t length) {
  if (length < 1 || length > 4) return -1;
  unsigned value = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return -1;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  const unsigned largest = (1u << (4 * length)) - 1;
  return static_cast<int>((value * 255 + largest / 2) / largest);
}

// "4;n;rgb:R/G/B" (the OSC's text without ESC ] and the terminator) into answers.
void readPaletteEntry(const std::string& text, DisplayAnswers& answers) {
  int entry = -1;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "4;%d;rgb:%n", &entry, &consumed) != 1 || consumed == 0) return;
  if (entry < 0 || entry > 15) return;
  const char* at = text.c_str() + consumed;
  int channels[3];
  for (int channel = 0; channel < 3; ++channel) {
    const char* end = std::strchr(at, channel < 2 ? '/' : '\0');
    if (end == nullptr) return;
    channels[channel] = channelOf(at, static_cast<std::size_t>(end - at));
    if (channels[channel] < 0) return;
    at = end + 1;
  }
  for (int channel = 0; channel < 3; ++channel) answers.palette[entry][channel] = channels[channel];
  answers.paletteKnown[entry] = true;
}

}  // namespace

std::string questionsFor(const DisplayQuestions& questions) {
  std::string text;
  if (questions.synchronizedOutput) text += "\x1b[?2026$p";
  if (questions.palette) {
    for (int entry = 0; entry < 16; ++entry) text += "\x1b]4;" + std::to_string(entry) + ";?\x07";
  }
  if (questions.cellSize) text += "\x1b[16t";
  text += "\x1b[c";
  return text;
}

void AnswerReader::feed(const char* bytes, std::size_t size, DisplayAnswers& answers, std::string& keys) {
  for (std::size_t i = 0; i < size; ++i) {
    const char byte = bytes[i];
    switch (state_) {
      case State::Ground:
        if (byte == kEscape) {
          state_ = State::Escape;
          sequence_.assign(1, byte);
        } else {
          keys += byte;
        }
        break;
      case State::Escape:
        afterEscape(byte, keys);
        break;
      case State::ControlSequence:
        sequence_ += byte;
        if (byte >= 0x40 && byte <= 0x7e) finishSequence(answers, keys);
        break;
      case State::OperatingSystem:
        if (byte == kBell) {
          finishSequence(answers, keys);
        } else if (byte == kEscape) {
          state_ = State::OperatingSystemEscape;
        } else {
          sequence_ += byte;
        }
        break;
      case State::OperatingSystemEscape:
        if (byte == '\\') {
          finishSequence(answers, keys);
        } else {
          // Not a terminator: the OSC was cut short, and its ESC starts something new.
          keys += sequence_;
          sequence_.assign(1, kEscape);
          afterEscape(byte, keys);
        }
        break;
    }
    if (state_ != State::Ground && sequence_.size() > kLongestAnswer) {
      keys += sequence_;
      state_ = State::Ground;
    }
  }
}

void AnswerReader::afterEscape(char byte, std::string& keys) {
  sequence_ += byte;
  if (byte == '[') {
    state_ = State::ControlSequence;
  } else if (byte == ']') {
    state_ = State::OperatingSystem;
  } else {
    keys += sequence_;  // a key sequence of another kind
    state_ = State::Ground;
  }
}

void AnswerReader::finishSequence(DisplayAnswers& answers, std::string& keys) {
  state_ = State::Ground;
  const std::string& s = sequence_;
  if (s.size() >= 3 && s[1] == ']') {
    readPaletteEntry(s.substr(2), answers);
    return;
  }
  const char final = s.back();
  if (s.size() >= 4 && s[2] == '?' && final == 'c') {
    answers.complete = true;
    return;
  }
  int mode = 0;
  int setting = 0;
  if (final == 'y' && std::sscanf(s.c_str(), "\x1b[?%d;%d$y", &mode, &setting) == 2) {
    if (mode == 2026) answers.synchronizedOutput = setting >= 1 && setting <= 3;
    return;
  }
  int kind = 0;
  int height = 0;
  int width = 0;
  if (final == 't' && std::sscanf(s.c_str(), "\x1b[%d;%d;%dt", &kind, &height, &width) == 3 && kind == 6) {
    if (height > 0 && width > 0) {
      answers.cellHeight = height;
      answers.cellWidth = width;
    }
    return;
  }
  keys += s;  // a key (an arrow, a function key): the key decoder's business
}

void AnswerReader::finish(std::string& keys) {
  if (state_ != State::Ground) keys += sequence_;
  state_ = State::Ground;
  sequence_.clear();
}

}  // namespace glimmer
