#include "platform/posix/posix_io.h"

#include <fcntl.h>
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

std::string ReadSmallFile(const char* path) {
  const FileDescriptor fd(open(path, O_RDONLY | O_CLOEXEC));
  std::string text;
  if (fd.get() < 0) return text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return {};
    if (got == 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace dirhop::platform
