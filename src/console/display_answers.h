// What a display says about itself when asked at set-up, and reading its answers out of the bytes
// that come back from the keyboard side.
//
// The questions (the bytes of questionsFor) end with a device-attributes request, which every
// VT-compatible display answers; its answer marks the end of everything the display will say, so
// the wait for answers is short where the display is quick, and bounded where it says nothing.
// Recognised answers:
//   CSI ? 2026 ; Ps $ y                      synchronized output: 1 set, 2 reset (known), 3
//                                            permanently set; 0 unknown, 4 permanently reset
//   OSC 4 ; n ; rgb:R/G/B (BEL or ST)        palette entry n, each channel 1 to 4 hex digits
//   CSI 6 ; height ; width t                 the size of a cell in pixels
//   CSI ? ... c                              device attributes: the end of the answers
// Other bytes (keys typed meanwhile) are kept, in order, for the key decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace glimmer {

struct DisplayQuestions {
  bool synchronizedOutput = false;  // is mode 2026 known?
  bool palette = false;             // the 16 palette entries
  bool cellSize = false;            // the cell size in pixels
};

struct DisplayAnswers {
  bool synchronizedOutput = false;   // mode 2026 is known and can be set
  bool paletteKnown[16] = {};        // which entries were reported
  std::int32_t palette[16][3] = {};  // the reported entries, 0..255 per channel
  int cellWidth = 0;                 // pixels; 0 when unknown
  int cellHeight = 0;
  bool complete = false;  // the end-of-answers marker arrived
};

// The bytes that ask the questions, ending with the device-attributes request.
std::string questionsFor(const DisplayQuestions& questions);

// Reads answers out of a byte stream, in any pieces.
class AnswerReader {
 public:
  // Takes the next bytes; answers go into answers, other bytes into keys (appended).
  void feed(const char* bytes, std::size_t size, DisplayAnswers& answers, std::string& keys);

  // An answer cut off at the end of the input: nothing more will come, so its bytes go to keys.
  void finish(std::string& keys);

 private:
  // The byte after an ESC: the start of a control sequence or an OSC, or a key of another kind.
  void afterEscape(char byte, std::string& keys);
  void finishSequence(DisplayAnswers& answers, std::string& keys);

  enum class State { Ground, Escape, ControlSequence, OperatingSystem, OperatingSystemEscape };
  State state_ = State::Ground;
  std::string sequence_;  // the escape sequence being read, from its ESC
};

}  // namespace glimmer
