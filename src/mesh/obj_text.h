// The text side of the OBJ and MTL readers: a scanner of words, numbers and rests of lines with
// the rules below, the line reader both readers share, and reading a whole file.
//
// Words run to the next white space; "the rest of the line" is at most 127 characters up to and
// including the newline; numbers skip white space (newlines included) before them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "mesh/obj_reader.h"

namespace glimmer::obj {

inline constexpr std::size_t kBufferSize = 128;  // one word or one rest of a line, with its zero

// A copy of text in a new[] array.
char* copyText(const char* text);

enum class WordResult { Word, End, TooLong };

// A cursor over a file's text. The text always ends in a zero byte (std::string guarantees it), so
// number parsing never reads past it.
class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text.c_str()), length_(text.size()) {}

  void rewind() { position_ = wordStart_ = 0; }

  // Skips white space and reads one word into buffer.
  WordResult readWord(char (&buffer)[kBufferSize]);

  // Reads the rest of the line, at most 127 characters, up to and including its newline.
  void readRest(char (&buffer)[kBufferSize]);

  // Skips white space and reads one floating-point number; false when none is there.
  bool readFloat(float& value);

  // True when the next word starts like a whole number (a digit, or a sign and a digit).
  bool atNumber();

  // Reads a whole number at the cursor (no white space skipped); saturates far beyond any count.
  bool readInteger(std::int64_t& value);

  // Takes the expected character at the cursor; false (taking nothing) for any other.
  bool readCharacter(char expected);

  bool atWordEnd() const;

  // The 1-based number of the line on which the last word began.
  unsigned line() const;

 private:
  void skipBlanks();
  bool numberStartsAt(std::size_t at) const;

  const char* text_;
  std::size_t length_;
  std::size_t position_ = 0;
  std::size_t wordStart_ = 0;
};

// The name on an "mtllib", "usemtl" or "newmtl" line: the first word of the rest of the line,
// replaced by the second word when there is one. False when the rest holds no word.
bool takeName(const char* rest, char (&name)[kBufferSize]);

// The group name of a "g" line: the rest of the line with its last character (the newline) removed.
// Deliberate: the last character goes even when it is not a newline (a "g" line that ends the file,
// a line cut at 127 characters); both passes cut the same way, so the name still matches itself.
void takeGroupName(char (&rest)[kBufferSize]);

// Reading state shared by the passes over one file.
struct LineReader {
  Scanner scanner;
  const char* fileKind;  // "data" or "material"
  const char* fileName;
  ObjReadFailure& failure;
  char buffer[kBufferSize] = {};

  // Fills failure with "<what> in <kind> file "<name>", line <n>." and returns false.
  bool fail(const char* what);

  // Reads the next keyword word; false at the end or (with failure filled) on a word too long.
  bool nextWord(bool& ok);

  // Skips the rest of the line.
  void eatLine() { scanner.readRest(buffer); }

  // Reads count numbers into values; false (failure filled) when one is missing or malformed.
  bool readFloats(float* values, int count);
};

// Fills failure for a file that cannot be opened (the process ends on it); returns false.
bool failOpen(ObjReadFailure& failure, const char* format, const char* path);

}  // namespace glimmer::obj
