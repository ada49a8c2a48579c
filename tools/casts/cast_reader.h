// CastReader: the output events of an asciicast v2 recording, one at a time, as the bytes they
// hold (the JSON string decoded: its escapes, \uXXXX as UTF-8, surrogate pairs joined).
#pragma once

#include <cstdio>
#include <string>

namespace glimmer {

class CastReader {
 public:
  // Opens the file and reads its header line; ok() tells whether both worked.
  explicit CastReader(const char* path);
  CastReader(const CastReader&) = delete;
  CastReader& operator=(const CastReader&) = delete;
  ~CastReader();

  bool ok() const { return ok_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // What went wrong, for a message; empty while nothing did.
  const std::string& error() const { return error_; }

  // The next output event's bytes into bytes; false at the end of the file or on a line that is
  // not an event (error() says which).
  bool next(std::string& bytes);

 private:
  bool fail(std::string message);

  std::FILE* file_ = nullptr;
  std::string line_;
  long lineNumber_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool ok_ = false;
  std::string error_;
};

// Decodes the JSON string starting at text[at] (its opening quote) into out; returns the index
// after the closing quote, or std::string::npos when it is not a well-formed string.
std::size_t decodeJsonString(const std::string& text, std::size_t at, std::string& out);

}  // namespace glimmer
