// Writing a whole buffer to a file descriptor.
#pragma once

#include <cstddef>

namespace glimmer {

// Writes all size bytes to fd: short writes continue where they stopped, EINTR retries, EAGAIN
// waits until the descriptor is writable. False when the output fails or is closed (EPIPE, EIO,
// terminal gone); some bytes may have been written then. Never writes a byte twice.
bool writeAll(int fd, const char* bytes, std::size_t size);

}  // namespace glimmer
