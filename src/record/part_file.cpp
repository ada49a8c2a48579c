// Temporary-then-rename outputs with stdio; see part_file.h.
#include "record/part_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/report.h"

namespace glimmer {

bool reportCannotWrite(const std::string& output) { return reportCannotWrite(output, std::strerror(errno)); }

bool reportCannotWrite(const std::string& output, const std::string& reason) {
  const std::string message = "cannot write " + output + ": " + reason;
  printLine(message.c_str());
  return false;
}

std::string partPathOf(const std::string& path) { return path + ".part"; }

bool putInPlace(const std::string& path, const std::string& output) {
  const std::string part = partPathOf(path);
  std::error_code error;
  std::filesystem::rename(std::filesystem::path(part), std::filesystem::path(path), error);
  if (!error) return true;
  reportCannotWrite(output, error.message());
  std::remove(part.c_str());
  return false;
}

bool PartFile::open(const std::string& path, const std::string& output) {
  discard();
  path_ = path;
  output_ = output;
  reported_ = false;
  file_ = std::fopen(partPathOf(path_).c_str(), "wb");
  if (file_ == nullptr) return reportCannotWrite(output_);
  return true;
}

bool PartFile::healthy() {
  if (file_ != nullptr && std::ferror(file_) == 0) return true;
  if (!reported_) reportCannotWrite(output_);
  reported_ = true;
  return false;
}

bool PartFile::commit() {
  if (file_ == nullptr) return false;
  const bool written = std::ferror(file_) == 0;
  const int savedErrno = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    if (!written) errno = savedErrno;
    if (!reported_) reportCannotWrite(output_);
    std::remove(partPathOf(path_).c_str());
    return false;
  }
  return putInPlace(path_, output_);
}

void PartFile::discard() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  std::remove(partPathOf(path_).c_str());
}

}  // namespace glimmer
