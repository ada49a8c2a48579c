// The running program's file on Linux: the link /proc/self/exe.
#include "base/data_folder.h"

#include <system_error>

namespace glimmer {

std::filesystem::path programFile() {
  std::error_code error;
  std::filesystem::path file = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : file;
}

}  // namespace glimmer
