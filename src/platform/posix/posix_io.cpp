#include "platform/posix/posix_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace dirhop::platform {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace dirhop::platform
