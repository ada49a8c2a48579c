// The scanner and line reader of the OBJ and MTL readers, and whole-file reading; see obj_text.h.
#include "mesh/obj_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/data_folder.h"

namespace glimmer::obj {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

char* copyText(const char* text) {
  std::size_t length = std::strlen(text);
  char* copy = new char[length + 1];
  std::memcpy(copy, text, length + 1);
  return copy;
}

WordResult Scanner::readWord(char (&buffer)[kBufferSize]) {
  skipBlanks();
  if (position_ >= length_) return WordResult::End;
  std::size_t start = position_;
  wordStart_ = start;
  while (position_ < length_ && !isBlank(text_[position_])) ++position_;
  std::size_t length = position_ - start;
  if (length >= kBufferSize) {
    position_ = start;
    return WordResult::TooLong;
  }
  std::memcpy(buffer, text_ + start, length);
  buffer[length] = '\0';
  return WordResult::Word;
}

void Scanner::readRest(char (&buffer)[kBufferSize]) {
  std::size_t length = 0;
  while (position_ < length_ && length < kBufferSize - 1) {
    char c = text_[position_++];
    buffer[length++] = c;
    if (c == '\n') break;
  }
  buffer[length] = '\0';
}

bool Scanner::readFloat(float& value) {
  skipBlanks();
  if (position_ >= length_) return false;
  const char* start = text_ + position_;
  char* end = nullptr;
  float read = std::strtof(start, &end);
  if (end == start) return false;
  position_ += static_cast<std::size_t>(end - start);
  value = read;
  return true;
}

bool Scanner::atNumber() {
  skipBlanks();
  return numberStartsAt(position_);
}

bool Scanner::readInteger(std::int64_t& value) {
  if (!numberStartsAt(position_)) return false;
  bool negative = text_[position_] == '-';
  if (text_[position_] == '-' || text_[position_] == '+') ++position_;
  std::int64_t magnitude = 0;
  while (position_ < length_ && isDigit(text_[position_])) {
    if (magnitude < (std::int64_t{1} << 40)) magnitude = magnitude * 10 + (text_[position_] - '0');
    ++position_;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

bool Scanner::readCharacter(char expected) {
  if (position_ < length_ && text_[position_] == expected) {
    ++position_;
    return true;
  }
  return false;
}

bool Scanner::atWordEnd() const { return position_ >= length_ || isBlank(text_[position_]); }

unsigned Scanner::line() const {
  unsigned line = 1;
  for (std::size_t index = 0; index < wordStart_ && index < length_; ++index) {
    if (text_[index] == '\n') ++line;
  }
  return line;
}

void Scanner::skipBlanks() {
  while (position_ < length_ && isBlank(text_[position_])) ++position_;
}

bool Scanner::numberStartsAt(std::size_t at) const {
  if (at >= length_) return false;
  if (isDigit(text_[at])) return true;
  return (text_[at] == '-' || text_[at] == '+') && at + 1 < length_ && isDigit(text_[at + 1]);
}

bool takeName(const char* rest, char (&name)[kBufferSize]) {
  char first[kBufferSize];
  char second[kBufferSize];
  int found = std::sscanf(rest, "%127s %127s", first, second);
  if (found < 1) return false;
  std::strcpy(name, found == 2 ? second : first);
  return true;
}

void takeGroupName(char (&rest)[kBufferSize]) {
  std::size_t length = std::strlen(rest);
  if (length > 0) rest[length - 1] = '\0';
}

bool LineReader::fail(const char* what) {
  std::snprintf(failure.message, sizeof failure.message, "%s in %s file \"%s\", line %u.", what, fileKind, fileName,
                scanner.line());
  return false;
}

bool LineReader::nextWord(bool& ok) {
  WordResult result = scanner.readWord(buffer);
  ok = result != WordResult::TooLong;
  if (!ok) fail("word longer than 127 characters");
  return result == WordResult::Word;
}

bool LineReader::readFloats(float* values, int count) {
  for (int index = 0; index < count; ++index) {
    if (!scanner.readFloat(values[index])) return fail("missing or malformed number");
  }
  return true;
}

bool failOpen(ObjReadFailure& failure, const char* format, const char* path) {
  failure.endsProcess = true;
  failure.toStandardOutput = false;
  std::snprintf(failure.message, sizeof failure.message, format, path);
  return false;
}

}  // namespace glimmer::obj

namespace glimmer {

bool readTextFile(void*, const char* path, std::string& text) {
  std::FILE* file = std::fopen(dataFilePath(path).c_str(), "rb");
  if (file == nullptr) return false;
  text.clear();
  char chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  bool readable = std::ferror(file) == 0;
  std::fclose(file);
  if (!readable) return false;
  std::size_t kept = 0;
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n') continue;
    text[kept++] = text[index];
  }
  text.resize(kept);
  return true;
}

}  // namespace glimmer
