// Child processes on POSIX: PATH split at ':', sh's single quotes, popen/pclose, SIGPIPE ignored.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "record/child_process.h"

namespace glimmer {

bool programOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// The text in single quotes for the shell.
std::string quotedArgument(const std::string& text) {
  std::string result = "'";
  for (char c : text) {
    if (c == '\'') {
      result += "'\\''";
    } else {
      result += c;
    }
  }
  return result + "'";
}

std::FILE* startWithPipe(const std::string& command) {
  std::signal(SIGPIPE, SIG_IGN);
  return popen(command.c_str(), "w");
}

bool finishPipe(std::FILE* pipe) {
  const int status = pclose(pipe);
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace glimmer
