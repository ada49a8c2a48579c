// ShowDataCopy: the show's data folder (data/ in the source tree, where the tests run) copied into
// a folder of its own with music.ogg replaced: how tests give the show damaged music.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "support/temporary_folder.h"

namespace glimmer::testing {

class ShowDataCopy {
 public:
  // The data with music holding these bytes.
  explicit ShowDataCopy(const std::string& music) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("data", error)) {
      const std::string name = entry.path().filename().string();
      if (name != "music.ogg") std::filesystem::copy_file(entry.path(), folder_.file(name), error);
    }
    folder_.write("music.ogg", music);
  }

  // The committed music's first bytes, as a file cut short would hold them.
  static std::string cutMusic(std::size_t bytes) { return readFile("data/music.ogg").substr(0, bytes); }

  const std::string& path() const { return folder_.path(); }

 private:
  TemporaryFolder folder_;
};

}  // namespace glimmer::testing
