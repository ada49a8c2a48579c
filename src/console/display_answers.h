// What a display says about itself when asked at set-up, and reading its answers out of the bytes
// that come back from the keyboard side.
//
// The questions (the bytes of questionsFor) end with a device-attributes request, which every
// VT-compatible display answers; its answer marks the end of everything the display will say.
// Answers may come at any time after the questions (a slow link takes hundreds of milliseconds), so
// every byte from the keyboard side passes through an AnswerReader, which keeps answers apart from
// keys for as long as the show runs. Recognised answers:
//   CSI ? 2026 ; Ps $ y                      synchronized output: 1 set, 2 reset (known), 3
//                                            permanently set; 0 unknown, 4 permanently reset
//   OSC 4 ; n ; rgb:R/G/B (BEL or ST)        palette entry n, each channel 1 to 4 hex digits
//   CSI 6 ; height ; width t                 the size of a cell in pixels
//   CSI 4 ; height ; width t                 the size of the text area in pixels
//   CSI ? ... c                              device attributes: the end of the answers
// Other complete sequences that may be keys (CSI without a private marker or an intermediate, SS3,
// Alt combinations) and plain bytes go, in order, to the key decoder. Control sequences with a
// private marker or an intermediate, and operating system commands, are never keys: one that is
// not recognised, or is cut short (by a byte that cannot continue it, or at the end of the input),
// is dropped whole.
//
// The one thing that cannot be told apart is an ESC followed by a pause: the Escape key, or the
// first byte of an answer whose rest is late. An ESC that the input leaves alone for the key
// decoder's wait (about 20 ms) is the Escape key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace glimmer {

struct DisplayQuestions {
  bool synchronizedOutput = false;  // is mode 2026 known?
  bool palette = false;             // the 16 palette entries
  bool cellSize = false;            // the cell size in pixels (asked directly and as the text area)
};

struct DisplayAnswers {
  // From the display's answers.
  bool synchronizedOutput = false;   // mode 2026 is known and can be set
  bool paletteKnown[16] = {};        // which entries were reported
  std::int32_t palette[16][3] = {};  // the reported entries, 0..255 per channel
  int cellWidth = 0;                 // pixels; 0 when unknown (see cellSizeFrom)
  int cellHeight = 0;
  int textAreaWidth = 0;  // pixels, the whole text area; 0 when unknown
  int textAreaHeight = 0;
  bool complete = false;  // the end-of-answers marker arrived: nothing more will come

  // What the display's backend knows of itself without asking.
  bool trueColor = false;       // it shows 24-bit colours exactly: automatic colours take them
  bool privatePalette = false;  // the palette it is given belongs to the show's own screen and goes
                                // with it, so nothing needs putting back

  // True when all 16 palette entries were reported.
  bool wholePalette() const;
};

// The bytes that ask the questions, ending with the device-attributes request.
std::string questionsFor(const DisplayQuestions& questions);

// Completes answers.cellWidth and cellHeight where the display did not report them directly: from
// the window size's pixel fields (windowWidth x windowHeight pixels, 0 when not filled in) or else
// from the text area, each divided by the columns and rows. A reported cell size stays as it is.
void cellSizeFrom(DisplayAnswers& answers, int columns, int rows, int windowWidth, int windowHeight);

// Reads answers out of a byte stream, in any pieces. Allocates nothing once made (its keys string
// aside, which the caller reserves).
class AnswerReader {
 public:
  AnswerReader();

  // Takes the next bytes; answers go into answers, key bytes are appended to keys.
  void feed(const char* bytes, std::size_t size, DisplayAnswers& answers, std::string& keys);

  // True while the last byte was an ESC that may begin an answer or be the Escape key: the caller
  // waits a little for more before calling quiet.
  bool holdsEscape() const { return state_ == State::Escape; }

  // Nothing more arrived within the wait: an ESC held alone is the Escape key (appended to keys).
  // The start of a longer sequence is kept for its rest.
  void quiet(std::string& keys);

  // The input has ended: an ESC held alone is the Escape key, a sequence cut short is dropped.
  void finish(std::string& keys);

 private:
  // The byte after an ESC: the start of a control sequence or an OSC, or a key of another kind.
  void afterEscape(char byte, std::string& keys);
  void finishSequence(DisplayAnswers& answers, std::string& keys);
  // The sequence being read was cut short: it is dropped, and the byte that cut it read afresh.
  void cut(char byte, DisplayAnswers& answers, std::string& keys);
  void append(char byte);

  enum class State { Ground, Escape, ControlSequence, OperatingSystem, OperatingSystemEscape };
  State state_ = State::Ground;
  std::string sequence_;   // the escape sequence being read, from its ESC
  bool overlong_ = false;  // it outgrew every answer: read to its end and dropped
};

}  // namespace glimmer
