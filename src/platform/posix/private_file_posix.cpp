// Appending to a private file on Linux and macOS: O_APPEND puts each write at the end, whatever
// other processes wrote meanwhile.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/posix_io.h"
#include "platform/private_file.h"

namespace dirhop::platform {
namespace {

int OpenForAppend(const std::string& path) {
  return open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
              0600);
}

}  // namespace

AppendResult AppendToPrivateFile(const std::string& path, std::string_view bytes, std::size_t head,
                                 MissingFolders folders) {
  AppendResult result;
  int opened = OpenForAppend(path);
  if (opened < 0 && errno == ENOENT && folders == MissingFolders::kMake &&
      MakeFolders(FolderOf(path))) {
    opened = OpenForAppend(path);
  }
  const FileDescriptor fd(opened);
  if (fd.get() < 0) return result;
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
    return result;
  }
  if (!bytes.empty() && !WriteAll(fd.get(), bytes)) return result;
  if (fstat(fd.get(), &info) != 0) return result;
  result.written = true;
  result.size = static_cast<std::uint64_t>(info.st_size);
  result.head.resize(head);
  const ssize_t got = head == 0 ? 0 : pread(fd.get(), result.head.data(), head, 0);
  result.head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return result;
}

}  // namespace dirhop::platform
