// Directories on Linux and macOS: entering, listing, identifying and creating them.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "base/windows_errors.h"
#include "platform/platform.h"
#include "platform/posix/posix_io.h"

namespace dirhop::platform {

namespace {

// A directory that is only looked up in or entered needs no read permission (O_PATH, like chdir);
// where O_PATH is missing, the directory must be readable.
#ifdef O_PATH
constexpr int kLookUpFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kLookUpFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
constexpr int kReadFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Windows error codes for the errno values a directory creation can meet; callers test
// kErrorAlreadyExists, kErrorAccessDenied and kErrorPathNotFound and name the rest in messages.
int WindowsErrorCode(int error) {
  switch (error) {
    case 0:
      return 0;
    case EEXIST:
      return kErrorAlreadyExists;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case ENOENT:
    case ENOTDIR:
      return kErrorPathNotFound;
    case ENAMETOOLONG:
      return kErrorFilenameExcedRange;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EROFS:
      return kErrorWriteProtect;
    case ELOOP:
      return kErrorCantResolveFilename;
    case EMLINK:
      return kErrorInvalidFunction;  // no more entries can be linked here
    default:
      return kErrorGenFailure;
  }
}

// `path` cut at separators into pieces shorter than PATH_MAX; a later piece never begins with a
// separator, so each one is looked up from where the one before it ends. Empty when a single name
// is too long to fit a piece.
std::vector<std::string> PathPieces(const std::string& path) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.size();
    if (end - start >= PATH_MAX) {
      const std::size_t cut = path.rfind('/', start + PATH_MAX - 2);
      if (cut == std::string::npos || cut < start) return {};
      end = cut + 1;
    }
    pieces.push_back(path.substr(start, end - start));
    start = end;
    while (start < path.size() && path[start] == '/') ++start;
  }
  return pieces;
}

// Opens the directory `path` with `flags`. The system refuses a path of PATH_MAX bytes or more
// whole, so such a path is opened piece by piece, each piece looked up from the directory the
// one before it opened: the lookup passes through the same directories and links as a lookup of
// the whole path would.
int OpenDirectory(const std::string& path, int flags) {
  if (path.size() < PATH_MAX) return open(path.c_str(), flags);
  const std::vector<std::string> pieces = PathPieces(path);
  if (pieces.empty()) {
    errno = ENAMETOOLONG;
    return -1;
  }
  int at = AT_FDCWD;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const int fd = openat(at, pieces[i].c_str(), i + 1 == pieces.size() ? flags : kLookUpFlags);
    const int error = errno;
    if (at != AT_FDCWD) close(at);
    if (fd < 0) {
      errno = error;
      return -1;
    }
    at = fd;
  }
  return at;
}

DirectoryIdentity IdentityOf(const struct stat& info) {
  return DirectoryIdentity{static_cast<std::uint64_t>(info.st_dev), 0,
                           static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

bool ChangeDirectory(const std::string& dir) { return EnterDirectory(dir) == EnterFailure::kNone; }

EnterFailure EnterDirectory(const std::string& dir) {
  bool entered = false;
  if (dir.size() < PATH_MAX) {
    entered = chdir(dir.c_str()) == 0;
  } else {
    FileDescriptor fd(OpenDirectory(dir, kLookUpFlags));
    entered = fd.get() >= 0 && fchdir(fd.get()) == 0;
  }
  if (entered) return EnterFailure::kNone;
  switch (errno) {
    case ENOENT:
      return EnterFailure::kGone;
    case ENOTDIR:
      return EnterFailure::kNotADirectory;
    case EACCES:
    case EPERM:
      return EnterFailure::kAccessDenied;
    default:
      return EnterFailure::kOther;
  }
}

DirectoryListing ListSubdirectories(const std::string& dir) {
  DirectoryListing listing;
  const std::string path = dir.empty() ? "." : dir;
  DIR* stream = nullptr;
  if (path.size() < PATH_MAX) {
    stream = opendir(path.c_str());  // fdopendir would cost two more system calls
  } else {
    FileDescriptor fd(OpenDirectory(path, kReadFlags));
    if (fd.get() >= 0 && (stream = fdopendir(fd.get())) != nullptr) fd.release();
  }
  if (stream == nullptr) return listing;
  while (const dirent* entry = readdir(stream)) {
    const char* name = entry->d_name;
    if (IsSelfOrParentEntry(name)) continue;
#ifdef DT_DIR
    if (entry->d_type == DT_DIR) {
      listing.Add(name);
      continue;
    }
    // Only here is a stat needed: the file system did not say, or it is a link that may lead to
    // a directory (followed like a junction on Windows, and identified, since it may lead back
    // up the tree).
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) continue;
#endif
    struct stat info;
    if (fstatat(dirfd(stream), name, &info, 0) == 0 && S_ISDIR(info.st_mode)) {
      listing.Add(name, IdentityOf(info));
    }
  }
  closedir(stream);
  return listing;
}

std::optional<DirectoryIdentity> IdentifyDirectory(const std::string& dir) {
  struct stat info;
  if (dir.size() < PATH_MAX) {
    if (stat(dir.empty() ? "." : dir.c_str(), &info) != 0) return std::nullopt;
  } else {
    FileDescriptor fd(OpenDirectory(dir, kLookUpFlags));
    if (fd.get() < 0 || fstat(fd.get(), &info) != 0) return std::nullopt;
  }
  if (!S_ISDIR(info.st_mode)) return std::nullopt;
  return IdentityOf(info);
}

std::optional<std::string> DirectoryItselfName(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

MountPlace MountOf(const std::string& path) {
  // The table as the run started: a mount made while it runs is unknown to it.
  static const MountTable table = MountTable::FromMountInfo(ReadSmallFile("/proc/self/mountinfo"));
  return table.MountOf(path);
}

bool CurrentDirectoryRemoved() {
  // A removed directory stays usable as the current one, but it has no links left.
  struct stat info;
  if (stat(".", &info) != 0) return errno == ENOENT;
  return info.st_nlink == 0;
}

std::size_t LongestWholePath() { return PATH_MAX - 1; }

int CreateOneDirectory(const std::string& path) {
  if (path.size() < PATH_MAX) return mkdir(path.c_str(), 0777) == 0 ? 0 : WindowsErrorCode(errno);
  // Too long to be taken whole: the new name is created in its parent, opened piece by piece.
  std::string parent = path;
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  const std::size_t slash = parent.rfind('/');
  if (slash == std::string::npos) return WindowsErrorCode(ENAMETOOLONG);
  const std::string name = parent.substr(slash + 1);
  parent.erase(slash == 0 ? 1 : slash);
  FileDescriptor at(OpenDirectory(parent, kLookUpFlags));
  if (at.get() < 0) return WindowsErrorCode(errno);
  return mkdirat(at.get(), name.c_str(), 0777) == 0 ? 0 : WindowsErrorCode(errno);
}

}  // namespace dirhop::platform
