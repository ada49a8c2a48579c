// Outputs that appear whole or not at all: written as NAME.part and renamed to NAME only once
// complete, so a failed or interrupted recording never leaves a half-written file behind.
#pragma once

#include <cstdio>
#include <string>

namespace glimmer {

// Prints "cannot write OUTPUT: <the reason errno gives>" and returns false.
bool reportCannotWrite(const std::string& output);
// Prints "cannot write OUTPUT: REASON" and returns false.
bool reportCannotWrite(const std::string& output, const std::string& reason);

// The temporary name of path: path + ".part".
std::string partPathOf(const std::string& path);

// Renames path's temporary file to path, replacing a file already there on every platform (the C
// library's rename does not replace on Windows). False when that fails: the message names output
// (the recording's name, which may differ from path) and the temporary file is removed.
bool putInPlace(const std::string& path, const std::string& output);

// A stdio file written under its temporary name. Not copyable; an unfinished file is removed when
// the object goes.
class PartFile {
 public:
  PartFile() = default;
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;
  ~PartFile() { discard(); }

  // Creates path's temporary file for writing. False with the message (naming output) printed.
  bool open(const std::string& path, const std::string& output);

  // The open file, or null.
  std::FILE* stream() const { return file_; }

  // True while nothing written so far has failed; otherwise prints the message once and false.
  bool healthy();

  // Closes the file and puts it in place. False with the message printed; nothing is left then.
  bool commit();

  // Closes and removes the temporary file, if one is open. Idempotent.
  void discard();

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string output_;
  bool reported_ = false;
};

}  // namespace glimmer
