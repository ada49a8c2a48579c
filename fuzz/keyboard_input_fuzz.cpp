// Fuzz target for what comes from the keyboard side of a terminal: the answer reader, which keeps
// the display's answers apart from keys, and the key decoder after it, fed as the real terminal
// feeds them (in pieces, with a pause now and then).
//
// Input: the first byte chooses the kind of run.
// - Even: the rest is a raw byte stream, hostile or cut anywhere, split into pieces at the
//   positions its own bytes give, with a pause between pieces. Nothing may crash or hang, the keys
//   passed on are bytes of the input in their order (none invented), and the answers read stay in
//   their ranges.
// - Odd: the rest drives a stream of well-formed answers (recognised ones and others) and of key
//   presses (Space, Escape, arrows), split at the positions the bytes give, with pauses between
//   pieces except right after an answer's first byte (which cannot be told from Escape there).
//   Exactly the key presses' bytes must reach the decoder, which must see Space and Escape exactly
//   when they were pressed, and the answers must read as they were sent.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/display_answers.h"
#include "console/key_decoder.h"

namespace {

using glimmer::AnswerReader;
using glimmer::DisplayAnswers;
using glimmer::KeyDecoder;

// Takes bytes from the fuzz input, then zeros once it runs out.
class Source {
 public:
  Source(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  int below(int limit) { return next() % limit; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "keyboard_input_fuzz: %s\n", what);
    std::abort();
  }
}

// The reader and the decoder as the terminal joins them.
struct Keyboard {
  AnswerReader reader;
  KeyDecoder decoder;
  DisplayAnswers answers;
  std::string keys;  // every key byte passed on, for the checks
  std::string pass;

  void feed(const char* bytes, std::size_t size) {
    pass.clear();
    reader.feed(bytes, size, answers, pass);
    deliver();
  }
  // The input went quiet for the Escape wait.
  void quiet() {
    pass.clear();
    reader.quiet(pass);
    deliver();
    decoder.quiet();
  }
  void finish() {
    pass.clear();
    reader.finish(pass);
    deliver();
    decoder.quiet();
  }
  void deliver() {
    keys += pass;
    if (!pass.empty()) decoder.feed(pass.data(), pass.size());
  }
};

void checkRanges(const DisplayAnswers& answers) {
  for (int entry = 0; entry < 16; ++entry) {
    for (int channel = 0; channel < 3; ++channel) {
      const std::int32_t value = answers.palette[entry][channel];
      check(value >= 0 && value <= 255, "a palette channel out of 0..255");
      if (!answers.paletteKnown[entry]) check(value == 0, "an unreported entry has a colour");
    }
  }
  for (int size : {answers.cellWidth, answers.cellHeight, answers.textAreaWidth, answers.textAreaHeight}) {
    check(size >= 0 && size <= 99999, "a size out of range");
  }
  check((answers.cellWidth == 0) == (answers.cellHeight == 0), "half a cell size");
}

void hostile(const std::uint8_t* data, std::size_t size) {
  // Pieces: each of the remaining bytes is also, through its low bits, the length of a piece.
  Keyboard keyboard;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t piece = 1 + (data[at] & 15);
    const std::size_t take = piece < size - at ? piece : size - at;
    keyboard.feed(reinterpret_cast<const char*>(data + at), take);
    at += take;
    if (data[at - 1] & 0x80) keyboard.quiet();
  }
  keyboard.finish();
  // The keys are a subsequence of the input.
  std::size_t from = 0;
  for (char key : keyboard.keys) {
    while (from < size && static_cast<char>(data[from]) != key) ++from;
    check(from < size, "a key byte that was not in the input");
    ++from;
  }
  checkRanges(keyboard.answers);
  keyboard.decoder.takeSpace();
  keyboard.decoder.takeEscape();
}

std::string number(Source& source, int largest) { return std::to_string(source.next() * 256 % (largest + 1)); }

void structured(Source& source) {
  std::string stream;
  std::vector<bool> quietAllowed;  // after stream[i]: a pause is harmless there
  DisplayAnswers expected;
  bool space = false;
  bool escape = false;
  std::string keys;  // the key presses' bytes, which alone must reach the decoder
  auto add = [&](const std::string& bytes, bool pauseAfterFirstByte) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      stream += bytes[i];
      quietAllowed.push_back(i > 0 || pauseAfterFirstByte);
    }
  };
  auto press = [&](const std::string& bytes, bool pauseAfterFirstByte) {
    add(bytes, pauseAfterFirstByte);
    keys += bytes;
  };
  for (int event = 0; event < 64 && !source.empty(); ++event) {
    switch (source.below(9)) {
      case 0:
        press(" ", true);
        space = true;
        break;
      case 1:
        press("\x1b", true);  // the Escape key: a pause after it makes it Escape
        escape = true;
        break;
      case 2: {
        const char arrows[] = "ABCD";
        press(std::string("\x1b[") + (source.below(2) == 0 ? "" : "1;5") + arrows[source.below(4)], false);
        break;
      }
      case 3: {
        const int setting = source.below(5);
        const bool ours = source.below(4) != 0;
        add("\x1b[?" + std::string(ours ? "2026" : "2027") + ";" + std::to_string(setting) + "$y", false);
        if (ours) expected.synchronizedOutput = setting >= 1 && setting <= 3;
        break;
      }
      case 4: {
        const int entry = source.below(16);
        const int digits = 1 + source.below(4);
        std::string colour = "\x1b]4;" + std::to_string(entry) + ";rgb:";
        for (int channel = 0; channel < 3; ++channel) {
          const unsigned value = source.next() * 257u;  // 16 bits, each byte twice
          char text[8];
          std::snprintf(text, sizeof text, "%04x", value);
          colour += std::string(text, static_cast<std::size_t>(digits)) + (channel < 2 ? "/" : "");
          // The digits kept are the top ones; scaled to 0..255 the way the reader does.
          const unsigned kept = value >> (4 * (4 - digits));
          const unsigned largest = (1u << (4 * digits)) - 1;
          expected.palette[entry][channel] = static_cast<std::int32_t>((kept * 255 + largest / 2) / largest);
        }
        expected.paletteKnown[entry] = true;
        add(colour + (source.below(2) == 0 ? "\x07" : "\x1b\\"), false);
        break;
      }
      case 5: {
        const bool cell = source.below(2) == 0;
        const std::string height = number(source, 2000);
        const std::string width = number(source, 2000);
        add("\x1b[" + std::string(cell ? "6;" : "4;") + height + ";" + width + "t", false);
        if (std::atoi(height.c_str()) > 0 && std::atoi(width.c_str()) > 0) {
          (cell ? expected.cellHeight : expected.textAreaHeight) = std::atoi(height.c_str());
          (cell ? expected.cellWidth : expected.textAreaWidth) = std::atoi(width.c_str());
        }
        break;
      }
      case 6:
        add("\x1b[?62;" + number(source, 30) + "c", false);
        expected.complete = true;
        break;
      case 7: {
        const char* others[] = {
            "\x1b[>41;390;0c", "\x1b[8;50;80t", "\x1b]11;rgb:0000/0000/0000\x07", "\x1b]10;rgb:ffff/ffff/ffff\x1b\\",
            "\x1b[?1;2$y",     "\x1b[3;1t"};
        add(others[source.below(6)], false);
        break;
      }
      default:
        press(std::string(1 + source.below(4), ' '), true);
        space = true;
        break;
    }
  }
  // Split where the bytes left say, with a pause wherever one is harmless.
  Keyboard keyboard;
  std::size_t at = 0;
  while (at < stream.size()) {
    const std::size_t piece = 1 + source.below(24);
    const std::size_t take = piece < stream.size() - at ? piece : stream.size() - at;
    keyboard.feed(stream.data() + at, take);
    at += take;
    if (quietAllowed[at - 1] && source.below(2) == 0) keyboard.quiet();
  }
  keyboard.finish();
  check(keyboard.keys == keys, "bytes of an answer passed on as keys, or a key's bytes lost");
  check(keyboard.decoder.takeSpace() == space, "Space seen or lost");
  check(keyboard.decoder.takeEscape() == escape, "Escape seen or lost");
  const DisplayAnswers& got = keyboard.answers;
  check(got.synchronizedOutput == expected.synchronizedOutput, "synchronized output misread");
  check(got.complete == expected.complete, "the end marker misread");
  check(got.cellWidth == expected.cellWidth && got.cellHeight == expected.cellHeight, "the cell size misread");
  check(got.textAreaWidth == expected.textAreaWidth && got.textAreaHeight == expected.textAreaHeight,
        "the text area misread");
  for (int entry = 0; entry < 16; ++entry) {
    check(got.paletteKnown[entry] == expected.paletteKnown[entry], "a palette entry known or lost");
    for (int channel = 0; channel < 3; ++channel) {
      check(got.palette[entry][channel] == expected.palette[entry][channel], "a palette entry misread");
    }
  }
  checkRanges(got);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if ((data[0] & 1) == 0) {
    hostile(data + 1, size - 1);
  } else {
    Source source(data + 1, size - 1);
    structured(source);
  }
  return 0;
}
