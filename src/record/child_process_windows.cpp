// Child processes on Windows: PATH split at ';', programs also found as NAME.exe, cmd.exe's double
// quotes, _popen/_pclose in binary mode.
//
// LIMITATIONS: arguments are quoted with plain double quotes, which a Windows file name never
// contains; a name ending in a backslash would need doubling and is not expected here.
#include <io.h>

#include <cstdlib>

#include "record/child_process.h"

namespace glimmer {

bool programOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  const std::string folders = path;
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(';', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "\\" + name;
      if (_access(candidate.c_str(), 0) == 0 || _access((candidate + ".exe").c_str(), 0) == 0) return true;
    }
    start = end + 1;
  }
  return false;
}

std::string quotedArgument(const std::string& text) { return "\"" + text + "\""; }

std::FILE* startWithPipe(const std::string& command) { return _popen(command.c_str(), "wb"); }

bool finishPipe(std::FILE* pipe) { return _pclose(pipe) == 0; }

}  // namespace glimmer
