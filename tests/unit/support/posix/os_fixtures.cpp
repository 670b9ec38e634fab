// The POSIX side of the store tests' fixtures.
#include "support/os_fixtures.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace dirhop::test {

bool MakeFifo(const std::filesystem::path& path) { return mkfifo(path.c_str(), 0666) == 0; }

bool MakeNullDevice(const std::filesystem::path& path) {
  struct stat null {};
  return stat("/dev/null", &null) == 0 && mknod(path.c_str(), S_IFCHR | 0666, null.st_rdev) == 0;
}

bool GiveToUser(const std::filesystem::path& path, unsigned uid) {
  return lchown(path.c_str(), static_cast<uid_t>(uid), static_cast<gid_t>(-1)) == 0;
}

HeldLikeASave::HeldLikeASave(const std::filesystem::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return;
  }
  holder_ = std::shared_ptr<void>(new int(fd), [](void* held) {
    close(*static_cast<int*>(held));
    delete static_cast<int*>(held);
  });
}

RedirectedStandardStreams::RedirectedStandardStreams(const std::filesystem::path& out,
                                                     const std::filesystem::path& error) {
  std::fflush(stdout);
  std::fflush(stderr);
  const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int error_fd = open(error.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (out_fd >= 0 && error_fd >= 0) {
    saved_out_ = dup(STDOUT_FILENO);
    saved_error_ = dup(STDERR_FILENO);
    dup2(out_fd, STDOUT_FILENO);
    dup2(error_fd, STDERR_FILENO);
  }
  if (out_fd >= 0) close(out_fd);
  if (error_fd >= 0) close(error_fd);
}

RedirectedStandardStreams::~RedirectedStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
  if (saved_out_ >= 0) {
    dup2(saved_out_, STDOUT_FILENO);
    close(saved_out_);
  }
  if (saved_error_ >= 0) {
    dup2(saved_error_, STDERR_FILENO);
    close(saved_error_);
  }
}

bool RunsUnderWine() { return false; }

std::vector<std::string> OtherWindowsNamesOf(const std::filesystem::path&) { return {}; }

bool SetEnvironmentText(const std::string& name, const std::optional<std::string>& value) {
  return (value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str())) == 0;
}

std::optional<std::u16string> RegistryStringUnits(const std::string&, const std::string&) {
  return std::nullopt;
}

}  // namespace dirhop::test
