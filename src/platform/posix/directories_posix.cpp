// Directory listing and creation on Linux and macOS.

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace dirhop::platform {

namespace {

// Windows error codes for the errno values a directory creation can meet; callers test 183
// (exists), 5 (access denied) and 3 (path not found) and name the rest in messages.
int WindowsErrorCode(int error) {
  switch (error) {
    case 0: return 0;
    case EEXIST: return 183;        // ERROR_ALREADY_EXISTS
    case EACCES:
    case EPERM: return 5;           // ERROR_ACCESS_DENIED
    case ENOENT:
    case ENOTDIR: return 3;         // ERROR_PATH_NOT_FOUND
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case ENOSPC:
    case EDQUOT: return 112;        // ERROR_DISK_FULL
    case EROFS: return 19;          // ERROR_WRITE_PROTECT
    case ELOOP: return 1921;        // ERROR_CANT_RESOLVE_FILENAME
    case EMLINK: return 1;          // ERROR_INVALID_FUNCTION: no more entries can be linked here
    default: return 31;             // ERROR_GEN_FAILURE
  }
}

DirectoryIdentity IdentityOf(const struct stat& info) {
  return DirectoryIdentity{static_cast<std::uint64_t>(info.st_dev), 0,
                           static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

std::vector<DirectoryEntry> ListSubdirectories(const std::string& dir) {
  std::vector<DirectoryEntry> entries;
  DIR* stream = opendir(dir.empty() ? "." : dir.c_str());
  if (stream == nullptr) return entries;
  while (const dirent* entry = readdir(stream)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
#ifdef DT_DIR
    if (entry->d_type == DT_DIR) {
      entries.push_back(DirectoryEntry{name, std::nullopt});
      continue;
    }
    // Only here is a stat needed: the file system did not say, or it is a link that may lead to
    // a directory (followed like a junction on Windows, and identified, since it may lead back
    // up the tree).
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) continue;
#endif
    struct stat info;
    if (fstatat(dirfd(stream), name, &info, 0) == 0 && S_ISDIR(info.st_mode)) {
      entries.push_back(DirectoryEntry{name, IdentityOf(info)});
    }
  }
  closedir(stream);
  return entries;
}

std::optional<DirectoryIdentity> IdentifyDirectory(const std::string& dir) {
  struct stat info;
  if (stat(dir.empty() ? "." : dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return std::nullopt;
  }
  return IdentityOf(info);
}

bool CurrentDirectoryRemoved() {
  // A removed directory stays usable as the current one, but it has no links left.
  struct stat info;
  if (stat(".", &info) != 0) return errno == ENOENT;
  return info.st_nlink == 0;
}

int CreateOneDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0777) == 0 ? 0 : WindowsErrorCode(errno);
}

}  // namespace dirhop::platform
