// The store services on Linux and macOS: whole-file reads, atomic replacement, and the text
// file that stands in for the registry key.
//
// The store's path may lie in a folder other users can write (a shared /tmp), so the path is
// looked at before anything is opened: only a regular file is read or replaced, and a link is
// followed only when the kernel's protected-symlinks rule would follow it (the link belongs to
// the user or root) and only to a file the user owns.

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_io.h"
#include "platform/registry_file.h"
#include "platform/store_platform.h"
#include "platform/store_temp_name.h"

namespace dirhop::platform {
namespace {

// As many links in a row as the kernel follows before it calls it a loop.
constexpr int kMaxLinkHops = 40;

// How many fresh temporary names a save tries before it gives up.
constexpr int kTemporaryNameAttempts = 16;

// Opening flags for a name that was looked at first: a link planted since is not followed, and
// a device or FIFO swapped in since neither blocks the run nor becomes its terminal.
constexpr int kCheckedOpenFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;

// Reads from `fd` until end of file or `limit` bytes; false on a read error.
bool ReadUpTo(int fd, std::size_t limit, std::string& bytes) {
  char buffer[65536];
  while (bytes.size() < limit) {
    const std::size_t want = std::min(sizeof buffer, limit - bytes.size());
    const ssize_t got = read(fd, buffer, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates `dir` and its missing parents (mode 0700 for the ones made here).
bool MakeFolders(const std::string& dir) {
  struct stat info {};
  if (stat(dir.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const std::string parent = FolderOf(dir);
  if (parent != dir && !MakeFolders(parent)) return false;
  return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// The text of the link at `path`; nullopt when it cannot be read.
std::optional<std::string> LinkText(const std::string& path) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
}

// Where a store path leads when its links are followed as the store may follow them.
struct StoreTarget {
  // kOk: a regular file the store may use; kMissing: nothing there yet; otherwise the refusal.
  StoreFileStatus status = StoreFileStatus::kOk;
  std::string path;       // the file itself (or the name to create), links resolved
  bool via_link = false;  // reached through at least one link
};

// A file reached through a link must be the user's own: a link of the user's that someone
// else's file was swapped in behind is not followed either.
StoreFileStatus CheckFile(const struct stat& info, bool via_link) {
  if (!S_ISREG(info.st_mode)) return StoreFileStatus::kNotRegular;
  if (via_link && info.st_uid != geteuid()) return StoreFileStatus::kForeignTarget;
  return StoreFileStatus::kOk;
}

StoreTarget ResolveStorePath(const std::string& path) {
  StoreTarget target;
  target.path = path;
  for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
    struct stat info {};
    if (lstat(target.path.c_str(), &info) != 0) {
      target.status = (errno == ENOENT || errno == ENOTDIR) ? StoreFileStatus::kMissing
                                                            : StoreFileStatus::kUnreadable;
      return target;
    }
    if (!S_ISLNK(info.st_mode)) {
      target.status = CheckFile(info, target.via_link);
      return target;
    }
    if (info.st_uid != geteuid() && info.st_uid != 0) {
      target.status = StoreFileStatus::kForeignLink;
      return target;
    }
    std::optional<std::string> text = LinkText(target.path);
    if (!text || text->empty()) {
      target.status = StoreFileStatus::kUnreadable;
      return target;
    }
    target.path = (*text)[0] == '/' ? *text : FolderOf(target.path) + "/" + *text;
    target.via_link = true;
  }
  target.status = StoreFileStatus::kNotRegular;  // a loop of links
  return target;
}

// Marks `fd` as the temporary file of a save in progress, so that another run's clean-up leaves
// it alone; false when another process holds the mark (a clean-up about to remove the name). A
// file system without locks gives no mark, and then no clean-up removes anything either.
bool MarkInProgress(int fd) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  return errno != EWOULDBLOCK && errno != EINTR;
}

std::uint64_t RandomNumber() {
  static std::mt19937_64 generator = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), static_cast<unsigned>(getpid())};
    return std::mt19937_64(seed);
  }();
  return generator();
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the temporary files that saves of `name` left in `dir` when they were killed: only
// names of exactly that pattern, only regular files of the user's, and only when no process
// holds them (a save in progress does).
void RemoveStaleTemporaries(int dir, const std::string& name) {
  const int listing_fd = dup(dir);
  if (listing_fd < 0) return;
  DIR* listing = fdopendir(listing_fd);
  if (listing == nullptr) {
    close(listing_fd);
    return;
  }
  rewinddir(listing);
  while (const dirent* entry = readdir(listing)) {
    if (!IsTemporaryFileName(entry->d_name, name, NameCase::kExact)) continue;
    FileDescriptor fd(openat(dir, entry->d_name, O_RDONLY | kCheckedOpenFlags));
    struct stat opened {};
    if (fd.get() < 0 || fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
        opened.st_uid != geteuid() || flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      continue;
    }
    // The name must still be the file that was checked.
    struct stat named {};
    if (fstatat(dir, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(named, opened)) {
      unlinkat(dir, entry->d_name, 0);
    }
  }
  closedir(listing);
}

// Writes the new content to `fd`: the old file's permissions (when there was one), the bytes,
// and to the disk.
bool FillTemporary(int fd, std::string_view bytes, std::optional<mode_t> mode) {
  return (!mode || fchmod(fd, *mode) == 0) && WriteAll(fd, bytes) && fsync(fd) == 0;
}

enum class LinkOutcome { kLinked, kNameTaken, kImpossible };

// Gives the unnamed file `fd` the name `temp` in `dir`.
LinkOutcome LinkUnnamed(int fd, int dir, const std::string& temp) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), dir, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return LinkOutcome::kLinked;
  }
  if (errno == EEXIST) return LinkOutcome::kNameTaken;
#ifdef AT_EMPTY_PATH
  // Without /proc; this way needs a privilege most users lack.
  if (linkat(fd, "", dir, temp.c_str(), AT_EMPTY_PATH) == 0) return LinkOutcome::kLinked;
  if (errno == EEXIST) return LinkOutcome::kNameTaken;
#endif
  return LinkOutcome::kImpossible;
}

// The new content as a file named `temp` in `dir`, marked as in progress; -1 on failure.
// Where the system allows, the file gets its name only once it is whole and on the disk, so a
// run killed while writing leaves nothing behind; otherwise it is written under its name and a
// later save removes what a killed one left.
int WriteTemporary(int dir, const std::string& name, std::string_view bytes,
                   std::optional<mode_t> mode, std::string& temp) {
#ifdef O_TMPFILE
  FileDescriptor unnamed(openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (unnamed.get() >= 0) {
    if (!MarkInProgress(unnamed.get()) || !FillTemporary(unnamed.get(), bytes, mode)) return -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
      temp = TemporaryFileName(name, RandomNumber());
      const LinkOutcome outcome = LinkUnnamed(unnamed.get(), dir, temp);
      if (outcome == LinkOutcome::kLinked) return unnamed.release();
      if (outcome == LinkOutcome::kImpossible) break;
    }
  }
#endif
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temp = TemporaryFileName(name, RandomNumber());
    FileDescriptor fd(
        openat(dir, temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (fd.get() < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // Another run's clean-up may have taken the new name before the mark was set: then it
    // removes it, and a fresh name is tried.
    struct stat opened {};
    struct stat named {};
    if (!MarkInProgress(fd.get()) || fstat(fd.get(), &opened) != 0 ||
        fstatat(dir, temp.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(opened, named)) {
      continue;
    }
    if (!FillTemporary(fd.get(), bytes, mode)) {
      unlinkat(dir, temp.c_str(), 0);
      return -1;
    }
    return fd.release();
  }
  return -1;
}

// Puts `bytes` in place of the file `path` (or creates it) through a temporary file in the same
// folder. `mode` is the old file's permissions; a new file gets 0666 less the umask.
bool WriteBeside(const std::string& path, std::string_view bytes, std::optional<mode_t> mode) {
  const std::string name = NameOf(path);
  if (name.empty() || IsSelfOrParentEntry(name.c_str())) return false;
  FileDescriptor dir(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return false;
  RemoveStaleTemporaries(dir.get(), name);
  std::string temp;
  // Held open, and so marked, until the temporary name is gone.
  FileDescriptor fd(WriteTemporary(dir.get(), name, bytes, mode, temp));
  if (fd.get() < 0) return false;
  if (renameat(dir.get(), temp.c_str(), dir.get(), name.c_str()) != 0) {
    unlinkat(dir.get(), temp.c_str(), 0);
    return false;
  }
  fsync(dir.get());  // the new name reaches the disk as well; nothing to do when it fails
  return true;
}

// The emulated key: all values in memory, written back as a whole by Close.
class FileSettingsKey : public SettingsKey {
 public:
  FileSettingsKey(std::string path, std::vector<RegistryFileValue> values)
      : path_(std::move(path)), values_(std::move(values)) {
    places_.reserve(values_.size());
    for (std::size_t i = 0; i < values_.size(); ++i) places_.emplace(values_[i].name, i);
  }

  std::optional<StoreValue> Query(const std::string& name) override {
    const auto found = places_.find(name);
    if (found == places_.end()) return std::nullopt;
    return values_[found->second].value;
  }

  bool Set(const std::string& name, const StoreValue& value) override {
    // The file cannot hold a value it has no type word for, nor a nameless one.
    if (value.type == StoreValueType::kOther || name.empty()) return false;
    changed_ = true;
    const auto [place, added] = places_.try_emplace(name, values_.size());
    if (added) {
      values_.push_back({name, value});
    } else {
      values_[place->second].value = value;
    }
    return true;
  }

  StoreFileStatus Close() override {
    if (!changed_) return StoreFileStatus::kOk;
    changed_ = false;
    return ReplaceFileAtomically(path_, FormatRegistryFile(values_));
  }

 private:
  std::string path_;
  std::vector<RegistryFileValue> values_;
  std::unordered_map<std::string, std::size_t> places_;
  bool changed_ = false;
};

}  // namespace

std::string DefaultSettingsKeyLocation() {
  // The base-directory rules: XDG_CONFIG_HOME counts only when it is an absolute path.
  std::optional<std::string> config = GetEnv("XDG_CONFIG_HOME");
  std::string base;
  if (config && (*config)[0] == '/') {
    base = *config;
  } else {
    std::optional<std::string> home = GetEnv("HOME");
    if (!home) {
      const struct passwd* entry = getpwuid(geteuid());
      if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] != '\0') {
        home = std::string(entry->pw_dir);
      }
    }
    if (!home) return {};
    base = *home + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/dirhop/registry";
}

OpenedSettingsKey OpenSettingsKey(const std::string& location, KeyOpening opening) {
  OpenedSettingsKey opened;
  opened.status = StoreFileStatus::kUnreadable;
  if (location.empty()) return opened;
  FileReadResult read = ReadFileForUpdate(location, kSettingsKeyFileLimit);
  if (read.status == StoreFileStatus::kMissing && opening == KeyOpening::kExistingOnly) {
    opened.status = StoreFileStatus::kMissing;
    return opened;
  }
  if (read.status == StoreFileStatus::kMissing) {
    // Like the registry, opening creates the key: an empty file, so that the next run knows the
    // store exists.
    opened.status = MakeFolders(FolderOf(location))
                        ? ReplaceFileAtomically(location, FormatRegistryFile({}))
                        : StoreFileStatus::kWriteFailed;
    if (opened.status != StoreFileStatus::kOk) return opened;
    opened.created = true;
  } else if (read.status != StoreFileStatus::kOk) {
    opened.status = read.status;
    return opened;
  }
  opened.status = StoreFileStatus::kOk;
  opened.key = std::make_unique<FileSettingsKey>(location, ParseRegistryFile(read.bytes));
  return opened;
}

bool DeleteSettingsKey(const std::string& location) {
  return unlink(location.c_str()) == 0 || errno == ENOENT;
}

FileReadResult ReadFileForUpdate(const std::string& path, std::size_t limit) {
  FileReadResult result;
  const StoreTarget target = ResolveStorePath(path);
  result.status = target.status;
  if (target.status != StoreFileStatus::kOk) return result;
  FileDescriptor fd(open(target.path.c_str(), O_RDWR | kCheckedOpenFlags));
  if (fd.get() < 0) {
    result.status = errno == ENOENT ? StoreFileStatus::kMissing : StoreFileStatus::kUnreadable;
    return result;
  }
  struct stat info {};
  if (fstat(fd.get(), &info) != 0) {
    result.status = StoreFileStatus::kUnreadable;
    return result;
  }
  result.status = CheckFile(info, target.via_link);
  if (result.status != StoreFileStatus::kOk) return result;
  // One byte more than the limit tells a file that fits from one that would be cut.
  if (static_cast<std::uintmax_t>(info.st_size) > limit) {
    result.status = StoreFileStatus::kTooLarge;
  } else if (!ReadUpTo(fd.get(), limit + 1, result.bytes)) {
    result.status = StoreFileStatus::kUnreadable;
  } else if (result.bytes.size() > limit) {
    result.status = StoreFileStatus::kTooLarge;
  }
  if (result.status != StoreFileStatus::kOk) result.bytes.clear();
  return result;
}

StoreFileStatus ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const StoreTarget target = ResolveStorePath(path);
  std::optional<mode_t> mode;
  switch (target.status) {
    case StoreFileStatus::kMissing:
      break;
    case StoreFileStatus::kOk: {
      // A file the process may not write is left alone, though a rename could replace it.
      FileDescriptor fd(open(target.path.c_str(), O_WRONLY | kCheckedOpenFlags));
      struct stat info {};
      if (fd.get() < 0 || fstat(fd.get(), &info) != 0) return StoreFileStatus::kWriteFailed;
      const StoreFileStatus status = CheckFile(info, target.via_link);
      if (status != StoreFileStatus::kOk) return status;
      mode = info.st_mode & 07777;
      break;
    }
    case StoreFileStatus::kUnreadable:
      return StoreFileStatus::kWriteFailed;
    default:
      return target.status;
  }
  return WriteBeside(target.path, bytes, mode) ? StoreFileStatus::kOk
                                               : StoreFileStatus::kWriteFailed;
}

}  // namespace dirhop::platform
