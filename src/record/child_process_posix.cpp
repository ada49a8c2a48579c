// Child processes on POSIX: PATH split at ':', posix_spawnp into a process group of its own, a pipe
// to its input, waitpid; SIGPIPE ignored, so a child that ended shows up as EPIPE.
//
// LIMITATIONS: a child in a process group of its own is in the background of the terminal: it is
// made to ignore SIGTTOU, so its messages reach the terminal even where `stty tostop` is set, and
// it must never read the terminal (ffmpeg is given -nostdin).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "record/child_process.h"

extern char** environ;

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

struct ChildProcess::State {
  pid_t pid = -1;
  int input = -1;
};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() { finish(); }

bool ChildProcess::start(const std::vector<std::string>& arguments) {
  if (state_->pid > 0 || arguments.empty()) {
    errno = EINVAL;
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);  // dup2 clears close-on-exec
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  // An ignored signal stays ignored across exec: the child inherits SIGTTOU ignored.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction previousTtou {};
  sigaction(SIGTTOU, &ignore, &previousTtou);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  sigaction(SIGTTOU, &previousTtou, nullptr);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[0]);
  if (failed != 0) {
    close(pipeEnds[1]);
    errno = failed;
    return false;
  }
  sigaction(SIGPIPE, &ignore, nullptr);
  state_->pid = pid;
  state_->input = pipeEnds[1];
  return true;
}

bool ChildProcess::write(const void* bytes, std::size_t size) {
  if (state_->input < 0) return false;
  const char* at = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t written = ::write(state_->input, at, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    at += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool ChildProcess::finish() {
  if (state_->pid <= 0) return false;
  if (state_->input >= 0) close(state_->input);
  state_->input = -1;
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(state_->pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  state_->pid = -1;
  return waited > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace glimmer
