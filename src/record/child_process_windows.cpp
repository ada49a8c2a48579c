// Child processes on Windows: PATH split at ';', programs also found as NAME.exe, CreateProcessA
// in a new process group with an anonymous pipe as its standard input (CreatePipe,
// SetHandleInformation, WriteFile, WaitForSingleObject, GetExitCodeProcess).
//
// LIMITATIONS: a new process group does not see Ctrl-C, but Ctrl-Break and closing the console
// reach the child too. The command line is quoted as the C runtime's parser reads it back.
#include <windows.h>

#include <io.h>

#include <cerrno>
#include <cstdlib>

#include "record/child_process.h"

namespace glimmer {
namespace {

// One argument as the C runtime splits a command line: in double quotes, with each quote escaped
// and the backslashes before a quote (or the closing one) doubled.
std::string quoted(const std::string& text) {
  std::string result = "\"";
  std::size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      result.append(2 * backslashes + 1, '\\');
    } else {
      result.append(backslashes, '\\');
    }
    backslashes = 0;
    result += c;
  }
  result.append(2 * backslashes, '\\');
  return result + "\"";
}

}  // namespace

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

struct ChildProcess::State {
  HANDLE process = nullptr;
  HANDLE input = nullptr;
};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() { finish(); }

bool ChildProcess::start(const std::vector<std::string>& arguments) {
  if (state_->process != nullptr || arguments.empty()) {
    errno = EINVAL;
    return false;
  }
  std::string commandLine;
  for (const std::string& argument : arguments) {
    if (!commandLine.empty()) commandLine += ' ';
    commandLine += quoted(argument);
  }

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
    errno = EPIPE;
    return false;
  }
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);  // only the child's end is inherited
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(readEnd);
  if (!started) {
    CloseHandle(writeEnd);
    errno = GetLastError() == ERROR_FILE_NOT_FOUND ? ENOENT : EACCES;
    return false;
  }
  CloseHandle(process.hThread);
  state_->process = process.hProcess;
  state_->input = writeEnd;
  return true;
}

bool ChildProcess::write(const void* bytes, std::size_t size) {
  if (state_->input == nullptr) return false;
  const char* at = static_cast<const char*>(bytes);
  while (size > 0) {
    const DWORD piece = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(state_->input, at, piece, &written, nullptr) || written == 0) return false;
    at += written;
    size -= written;
  }
  return true;
}

bool ChildProcess::finish() {
  if (state_->process == nullptr) return false;
  if (state_->input != nullptr) CloseHandle(state_->input);
  state_->input = nullptr;
  WaitForSingleObject(state_->process, INFINITE);
  DWORD code = 1;
  const bool exited = GetExitCodeProcess(state_->process, &code) != 0;
  CloseHandle(state_->process);
  state_->process = nullptr;
  return exited && code == 0;
}

}  // namespace glimmer
