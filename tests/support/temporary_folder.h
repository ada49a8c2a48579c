// TemporaryFolder: a fresh folder under the system's temporary directory, removed with everything
// in it when the object goes, also when a test stops early. WorkingFolder makes a folder the
// current directory for as long as it lives. readFile and writeFile read and write a whole file.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace glimmer::testing {

// Makes a new folder stem + a unique suffix under the system's temporary directory and returns its
// path; empty when none can be made. Works where mkdtemp does not exist (Windows).
inline std::string makeUniqueFolder(const std::string& stem) {
  static unsigned counter = 0;
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return {};
  const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::filesystem::path candidate =
        base / (stem + std::to_string(seed % 1000000007u) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate, error)) return candidate.string();
    if (error) return {};  // not merely taken: the directory cannot be written
  }
  return {};
}

// The whole file's bytes; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Writes bytes as the whole file; false when it cannot be written.
inline bool writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* handle = std::fopen(path.c_str(), "wb");
  if (handle == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), handle) == bytes.size();
  return std::fclose(handle) == 0 && written;
}

class TemporaryFolder {
 public:
  TemporaryFolder() { path_ = makeUniqueFolder("glimmer-test-"); }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // The folder's path, or empty when it could not be made.
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Writes bytes to name inside the folder, making the folders on the way; returns the full path,
  // or an empty string when the file could not be written.
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string path = file(name);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return writeFile(path, bytes) ? path : std::string();
  }

 private:
  std::string path_;
};

class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& folder) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~WorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace glimmer::testing
