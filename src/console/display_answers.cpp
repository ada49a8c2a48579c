// Reading a display's answers; see display_answers.h.
#include "console/display_answers.h"

#include <cstring>

namespace glimmer {
namespace {

constexpr char kEscape = 0x1b;
constexpr char kBell = 0x07;
constexpr std::size_t kLongestAnswer = 96;  // anything longer is not an answer of ours
constexpr int kLargestNumber = 99999;       // larger parameters are held at this
constexpr int kMostParameters = 8;

// The value of a hex digit, or -1.
int hexDigit(char c) {
  return c >= '0' && c <= '9'   ? c - '0'
         : c >= 'a' && c <= 'f' ? c - 'a' + 10
         : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                : -1;
}

// One channel of an X colour string (rgb:R/G/B), 1 to 4 hex digits, scaled to 0..255. -1 when malformed.
int channelOf(const char* text, std::size_t length) {
  if (length < 1 || length > 4) return -1;
  unsigned value = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const int digit = hexDigit(text[i]);
    if (digit < 0) return -1;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  const unsigned largest = (1u << (4 * length)) - 1;
  return static_cast<int>((value * 255 + largest / 2) / largest);
}

// A decimal number of at least one digit at text[at], held at kLargestNumber; -1 when there is none.
int numberAt(const char* text, std::size_t length, std::size_t& at) {
  if (at >= length || text[at] < '0' || text[at] > '9') return -1;
  int value = 0;
  for (; at < length && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > kLargestNumber) value = kLargestNumber;
  }
  return value;
}

// "4;n;rgb:R/G/B", the text of an OSC without ESC ] and its terminator, into answers.
void readPaletteEntry(const char* text, std::size_t length, DisplayAnswers& answers) {
  constexpr char kStart[] = "4;";
  constexpr char kColour[] = ";rgb:";
  if (length < sizeof kStart - 1 || std::memcmp(text, kStart, sizeof kStart - 1) != 0) return;
  std::size_t at = sizeof kStart - 1;
  const int entry = numberAt(text, length, at);
  if (entry < 0 || entry > 15) return;
  if (length - at < sizeof kColour - 1 || std::memcmp(text + at, kColour, sizeof kColour - 1) != 0) return;
  at += sizeof kColour - 1;
  int channels[3];
  for (int channel = 0; channel < 3; ++channel) {
    std::size_t end = at;
    while (end < length && text[end] != '/') ++end;
    if ((channel < 2) != (end < length)) return;  // two slashes, no more
    channels[channel] = channelOf(text + at, end - at);
    if (channels[channel] < 0) return;
    at = end + 1;
  }
  for (int channel = 0; channel < 3; ++channel) answers.palette[entry][channel] = channels[channel];
  answers.paletteKnown[entry] = true;
}

// A control sequence taken apart: ESC [ marker? parameters intermediates? final.
struct ControlSequence {
  char marker = 0;  // a private marker (< = > ?), or 0
  int parameters[kMostParameters] = {};
  int count = 0;  // parameters given; -1 when they are malformed
  bool intermediate = false;
  char intermediateByte = 0;  // the last one
  char final = 0;
};

ControlSequence partsOf(const std::string& sequence) {
  ControlSequence parts;
  const char* text = sequence.data();
  const std::size_t length = sequence.size() - 1;  // without the final byte
  parts.final = sequence.back();
  std::size_t at = 2;
  if (at < length && (text[at] == '<' || text[at] == '=' || text[at] == '>' || text[at] == '?')) {
    parts.marker = text[at++];
  }
  while (at < length && text[at] >= 0x30 && text[at] <= 0x3f) {
    const int value = numberAt(text, length, at);
    if (parts.count >= 0 && parts.count < kMostParameters) {
      parts.parameters[parts.count++] = value < 0 ? 0 : value;
    }
    if (at < length && text[at] == ';') {
      ++at;
    } else if (at < length && text[at] >= 0x30 && text[at] <= 0x3f) {
      parts.count = -1;  // a sub-parameter or a stray marker: not one of ours
      ++at;
    }
  }
  for (; at < length; ++at) {
    parts.intermediate = true;
    parts.intermediateByte = text[at];
  }
  return parts;
}

}  // namespace

bool DisplayAnswers::wholePalette() const {
  for (bool known : paletteKnown) {
    if (!known) return false;
  }
  return true;
}

std::string questionsFor(const DisplayQuestions& questions) {
  std::string text;
  if (questions.synchronizedOutput) text += "\x1b[?2026$p";
  if (questions.palette) {
    for (int entry = 0; entry < 16; ++entry) text += "\x1b]4;" + std::to_string(entry) + ";?\x07";
  }
  if (questions.cellSize) text += "\x1b[16t\x1b[14t";
  text += "\x1b[c";
  return text;
}

void cellSizeFrom(DisplayAnswers& answers, int columns, int rows, int windowWidth, int windowHeight) {
  if (answers.cellWidth > 0 && answers.cellHeight > 0) return;
  if (columns <= 0 || rows <= 0) return;
  int width = 0;
  int height = 0;
  if (windowWidth > 0 && windowHeight > 0) {
    width = windowWidth / columns;
    height = windowHeight / rows;
  } else if (answers.textAreaWidth > 0 && answers.textAreaHeight > 0) {
    width = answers.textAreaWidth / columns;
    height = answers.textAreaHeight / rows;
  }
  if (width > 0 && height > 0) {
    answers.cellWidth = width;
    answers.cellHeight = height;
  }
}

AnswerReader::AnswerReader() { sequence_.reserve(kLongestAnswer + 1); }

void AnswerReader::feed(const char* bytes, std::size_t size, DisplayAnswers& answers, std::string& keys) {
  for (std::size_t i = 0; i < size; ++i) {
    const char byte = bytes[i];
    const auto code = static_cast<unsigned char>(byte);
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
        if (code >= 0x21 && code <= 0x7e) {
          append(byte);
          if (code >= 0x40) finishSequence(answers, keys);
        } else {
          cut(byte, answers, keys);
        }
        break;
      case State::OperatingSystem:
        if (byte == kBell) {
          finishSequence(answers, keys);
        } else if (byte == kEscape) {
          state_ = State::OperatingSystemEscape;
        } else if (code >= 0x21 && code <= 0x7e) {
          append(byte);
        } else {
          cut(byte, answers, keys);
        }
        break;
      case State::OperatingSystemEscape:
        if (byte == '\\') {
          finishSequence(answers, keys);
        } else {
          // Not a terminator: the OSC was cut short, and its ESC starts something new.
          overlong_ = false;
          sequence_.assign(1, kEscape);
          state_ = State::Escape;
          afterEscape(byte, keys);
        }
        break;
    }
  }
}

void AnswerReader::append(char byte) {
  if (sequence_.size() < kLongestAnswer) {
    sequence_ += byte;
  } else {
    overlong_ = true;  // too long to be an answer, and no key is this long: read to its end, dropped
  }
}

void AnswerReader::afterEscape(char byte, std::string& keys) {
  if (byte == '[') {
    sequence_ += byte;
    state_ = State::ControlSequence;
  } else if (byte == ']') {
    sequence_ += byte;
    state_ = State::OperatingSystem;
  } else if (byte == kEscape) {
    keys += kEscape;  // the first ESC was a key of its own; the second may begin anything
  } else {
    keys += kEscape;  // a key sequence of another kind (SS3, an Alt combination, Escape and Space)
    keys += byte;
    state_ = State::Ground;
  }
}

void AnswerReader::cut(char byte, DisplayAnswers& answers, std::string& keys) {
  state_ = State::Ground;
  sequence_.clear();
  overlong_ = false;
  feed(&byte, 1, answers, keys);
}

void AnswerReader::finishSequence(DisplayAnswers& answers, std::string& keys) {
  state_ = State::Ground;
  if (overlong_) {
    overlong_ = false;
    return;
  }
  const std::string& s = sequence_;
  if (s[1] == ']') {
    readPaletteEntry(s.data() + 2, s.size() - 2, answers);
    return;  // an OSC is never a key
  }
  const ControlSequence parts = partsOf(s);
  if (parts.marker == '?' && parts.final == 'c' && !parts.intermediate) {
    answers.complete = true;
  } else if (parts.marker == '?' && parts.final == 'y' && parts.intermediateByte == '$' && parts.count == 2) {
    if (parts.parameters[0] == 2026) {
      answers.synchronizedOutput = parts.parameters[1] >= 1 && parts.parameters[1] <= 3;
    }
  } else if (parts.marker == 0 && parts.final == 't' && !parts.intermediate) {
    // A window report; never a key.
    if (parts.count == 3 && parts.parameters[1] > 0 && parts.parameters[2] > 0) {
      if (parts.parameters[0] == 6) {
        answers.cellHeight = parts.parameters[1];
        answers.cellWidth = parts.parameters[2];
      } else if (parts.parameters[0] == 4) {
        answers.textAreaHeight = parts.parameters[1];
        answers.textAreaWidth = parts.parameters[2];
      }
    }
  } else if (parts.marker == 0 && !parts.intermediate) {
    keys += s;  // a key (an arrow, a function key): the key decoder's business
  }
  // Anything else with a private marker or an intermediate is an answer of no interest.
}

void AnswerReader::quiet(std::string& keys) {
  if (state_ != State::Escape) return;
  keys += kEscape;
  state_ = State::Ground;
  sequence_.clear();
}

void AnswerReader::finish(std::string& keys) {
  quiet(keys);
  state_ = State::Ground;
  sequence_.clear();
  overlong_ = false;
}

}  // namespace glimmer
