// Calls write(2) and poll(2).
#include "console/write_all.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace glimmer {

bool writeAll(int fd, const char* bytes, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t written = ::write(fd, bytes + done, size - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd waiting{fd, POLLOUT, 0};
      int ready = ::poll(&waiting, 1, 1000);
      if (ready < 0 && errno != EINTR) return false;
      if (ready > 0 && (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
      continue;
    }
    return false;  // a real error, or a write of 0 bytes that will never progress
  }
  return true;
}

}  // namespace glimmer
