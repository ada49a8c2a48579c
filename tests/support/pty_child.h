// PtyChild: a child process whose controlling terminal is a pseudo-terminal; the test types keys
// into it and reads what it draws through a real terminal emulator.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "support/emulated_screen.h"

namespace glimmer::testing {

using namespace std::chrono_literals;

class PtyChild {
 public:
  // cellWidth and cellHeight, when given, fill the window size's pixel fields as many terminals
  // do: the text area is columns x cellWidth by rows x cellHeight pixels.
  PtyChild(int columns, int rows, const std::function<void()>& child, int cellWidth = 0, int cellHeight = 0)
      : screen_(columns, rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_xpixel = static_cast<unsigned short>(columns * cellWidth);
    size.ws_ypixel = static_cast<unsigned short>(rows * cellHeight);
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
      child();
      _exit(99);
    }
  }
  ~PtyChild() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  void type(const std::string& keys) { ASSERT_EQ(write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }

  // Resizes the terminal, as a person resizing its window does: the emulator's screen, then the
  // pty's size, which sends the child SIGWINCH.
  void resize(int columns, int rows) {
    screen_.resize(columns, rows);
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &size), 0);
  }

  // Reads output for the given time, feeding the emulator.
  void pump(std::chrono::milliseconds duration) {
    auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) readSome(10);
  }

  // Waits for the child to end (reading its output meanwhile); returns its exit status, or 128 + n
  // when signal n ended it (as a shell reports it).
  int wait(std::chrono::milliseconds limit = 5000ms) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      readSome(10);
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        for (int i = 0; i < 20; ++i) readSome(5);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
    }
    return -1000;
  }

  // Waits until the screen shows the text somewhere (or the time runs out).
  bool waitForText(const std::string& text, std::chrono::milliseconds limit = 3000ms) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (output_.find(text) != std::string::npos) return true;
      readSome(10);
    }
    return false;
  }

  pid_t pid() const { return pid_; }
  const std::string& output() const { return output_; }
  EmulatedScreen& screen() { return screen_; }

 private:
  void readSome(int timeoutMs) {
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, timeoutMs) <= 0) return;
    char buffer[4096];
    ssize_t got = read(master_, buffer, sizeof buffer);
    if (got <= 0) return;
    std::string chunk(buffer, static_cast<std::size_t>(got));
    output_ += chunk;
    screen_.feed(chunk);
  }

  EmulatedScreen screen_;
  int master_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
  std::string output_;
};

}  // namespace glimmer::testing
