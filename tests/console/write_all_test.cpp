// writeAll through a pipe whose reader takes a few bytes at a time: short writes, EAGAIN and EINTR
// lose and repeat nothing; a closed reader ends the write with false instead of spinning.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "console/write_all.h"

namespace glimmer {
namespace {

std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return bytes;
}

// Reads the pipe a few bytes at a time, with pauses, until it closes; the alarm signal is left to
// the writing thread.
std::string readSlowly(int fd) {
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
  std::string received;
  char chunk[7];
  for (int reads = 0;; ++reads) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got <= 0) break;
    received.append(chunk, static_cast<std::size_t>(got));
    if (reads % 512 == 0) ::usleep(200);
  }
  return received;
}

struct Pipe {
  Pipe() {
    EXPECT_EQ(::pipe(fds), 0);
    ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
  }
  ~Pipe() {
    for (int fd : fds) {
      if (fd >= 0) ::close(fd);
    }
  }
  void close(int end) {
    ::close(fds[end]);
    fds[end] = -1;
  }
  int fds[2] = {-1, -1};
};

void onAlarm(int) {}

TEST(WriteAll, SlowReaderGetsEveryByteOnce) {
  for (bool nonBlocking : {true, false}) {
    SCOPED_TRACE(nonBlocking ? "non-blocking: short writes and EAGAIN" : "blocking, interrupted: EINTR");
    Pipe pipe;
    if (nonBlocking) ::fcntl(pipe.fds[1], F_SETFL, ::fcntl(pipe.fds[1], F_GETFL) | O_NONBLOCK);

    // An alarm every millisecond without SA_RESTART interrupts the blocked writes.
    struct sigaction action = {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    struct sigaction previous;
    sigaction(SIGALRM, &action, &previous);
    itimerval every{{0, 1000}, {0, 1000}};
    if (!nonBlocking) setitimer(ITIMER_REAL, &every, nullptr);

    const std::string sent = pattern(300000);
    std::string received;
    std::thread reader([&] { received = readSlowly(pipe.fds[0]); });
    EXPECT_TRUE(writeAll(pipe.fds[1], sent.data(), sent.size()));
    pipe.close(1);
    reader.join();

    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent);
  }
}

TEST(WriteAll, ClosedReaderEndsTheWrite) {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction previous;
  sigaction(SIGPIPE, &ignore, &previous);
  for (bool nonBlocking : {true, false}) {
    Pipe pipe;
    if (nonBlocking) ::fcntl(pipe.fds[1], F_SETFL, ::fcntl(pipe.fds[1], F_GETFL) | O_NONBLOCK);
    const std::string sent = pattern(100000);
    // The reader takes a little, then goes away while the writer waits for room.
    std::thread reader([&] {
      char chunk[1000];
      ::read(pipe.fds[0], chunk, sizeof chunk);
      ::usleep(20000);
      pipe.close(0);
    });
    EXPECT_FALSE(writeAll(pipe.fds[1], sent.data(), sent.size()));
    reader.join();
  }
  sigaction(SIGPIPE, &previous, nullptr);
}

}  // namespace
}  // namespace glimmer
