// TemporaryFolder: a fresh folder under the system's temporary directory, removed with everything
// in it when the object goes, also when a test stops early. WorkingFolder makes a folder the
// current directory for as long as it lives.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace glimmer::testing {

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "glimmer-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
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
    std::FILE* handle = std::fopen(path.c_str(), "wb");
    if (handle == nullptr) return {};
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), handle) == bytes.size();
    return std::fclose(handle) == 0 && written ? path : std::string();
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
