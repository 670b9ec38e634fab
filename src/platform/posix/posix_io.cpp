#include "platform/posix/posix_io.h"

#include <fcntl.h>
#include <sys/stat.h>
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

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool MakeFolders(const std::string& dir) {
  struct stat info {};
  if (stat(dir.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const std::string parent = FolderOf(dir);
  if (parent != dir && !MakeFolders(parent)) return false;
  return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
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
