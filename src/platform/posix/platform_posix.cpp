// The process, directory and file services of the platform layer on Linux and macOS.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/platform.h"
#include "platform/posix/posix_io.h"

namespace dirhop::platform {
namespace {

// `dir` without trailing slashes, so that a file name can follow one "/".
std::string WithoutTrailingSlashes(std::string dir) {
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace

HostKind ThisHostKind() { return HostKind::kPosix; }

std::string CurrentDirectory() {
  // No fixed limit: the buffer grows until the whole path fits.
  std::vector<char> buffer(256);
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string DriveCurrentDirectory(char /*letter*/) { return CurrentDirectory(); }

std::optional<std::string> GetEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::optional<std::string> RawCommandLine() { return std::nullopt; }

std::string OwnFilePath() {
#ifdef __APPLE__
  std::uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);  // reports the size needed
  std::vector<char> buffer(size + 1);
  if (_NSGetExecutablePath(buffer.data(), &size) != 0) return {};
  return std::string(buffer.data());
#else
  // readlink does not say whether it cut the path short; a result that fills the buffer may have
  // been cut, so the buffer grows until there is room to spare.
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
#endif
}

void KeepFreedMemory() {
#if defined(__GLIBC__) && defined(M_MMAP_THRESHOLD)
  // Blocks up to this size come from the heap, which the run reuses, not from fresh mappings that
  // are unmapped again when freed; and the top of the heap is never trimmed.
  constexpr int kLargestHeapBlock = 64 * 1024 * 1024;
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
  mallopt(M_TRIM_THRESHOLD, kLargestHeapBlock);
#endif
}

void OpenNullOntoClosedStandardStreams() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is the closed one; left open across exec, like the stream it
    // stands for.
    const int opened = open("/dev/null", O_RDWR | O_NOCTTY);
    if (opened < 0 || opened == fd) continue;
    dup2(opened, fd);
    close(opened);
  }
}

bool WriteFileContents(const std::string& path, std::string_view bytes) {
  // The hand-off file may live in a shared temporary folder where anyone can plant a file or a link
  // under its name. O_NOFOLLOW refuses a symbolic link; O_NONBLOCK keeps a planted FIFO from
  // blocking the open forever; nothing is truncated before the file is known to be a regular file
  // of ours with no other name. A second name is a hard link, which O_NOFOLLOW cannot see: through
  // it the hand-off would overwrite another file of the user's (a script, a configuration file).
  FileDescriptor fd(
      open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600));
  if (fd.get() < 0) return false;
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
      info.st_nlink != 1) {
    return false;
  }
  // Errors after the file is open are not reported; the new bytes are written even when the
  // truncation fails, which is better than leaving an old hand-off in place. The old bytes are
  // overwritten and only a longer old tail is cut: a file truncated to nothing makes ext4 write
  // its blocks out when it is closed (its guard for files replaced by truncation), and the second
  // write of a run would wait for that.
  WriteAll(fd.get(), bytes);
  if (info.st_size > static_cast<off_t>(bytes.size())) {
    [[maybe_unused]] const int truncated = ftruncate(fd.get(), static_cast<off_t>(bytes.size()));
  }
  return true;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string FallbackHandoffPath() {
  if (std::optional<std::string> runtime_dir = GetEnv("XDG_RUNTIME_DIR")) {
    return WithoutTrailingSlashes(*runtime_dir) + "/dirhop2.sh";
  }
  std::string temp_dir = GetEnv("TMPDIR").value_or("/tmp");
  return WithoutTrailingSlashes(temp_dir) + "/dirhop2-" + std::to_string(geteuid()) + ".sh";
}

}  // namespace dirhop::platform
