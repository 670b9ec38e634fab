// The store services on Linux and macOS: the system calls of the whole-file policy
// (store_policy.cpp), with the rules for links, and the text file that stands in for the
// registry key.
//
// The store's path may lie in a folder other users can write (a shared /tmp), so the path is
// looked at before anything is opened: only a regular file is read or replaced, and a link is
// followed only when the kernel's protected-symlinks rule would follow it (the link belongs to
// the user or root) and only to a file the user owns.

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/passwd_entry.h"
#include "platform/platform.h"
#include "platform/posix/posix_io.h"
#include "platform/registry_file.h"
#include "platform/store_platform.h"
#include "platform/store_system_calls.h"
#include "platform/store_temp_name.h"

namespace dirhop::platform {
namespace {

// As many links in a row as the kernel follows before it calls it a loop.
constexpr int kMaxLinkHops = 40;

// Opening flags for a name that was looked at first: a link planted since is not followed, and
// a device or FIFO swapped in since neither blocks the run nor becomes its terminal.
constexpr int kCheckedOpenFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;

// A store file made new is the user's alone: it holds the folders the user went to. A save that
// replaces a file gives the new one the old one's mode instead, as the user left it.
constexpr mode_t kNewFileMode = 0600;

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
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

// A file reached through a link must be the user's own: a link of the user's that someone
// else's file was swapped in behind is not followed either.
StoreFileStatus CheckFile(const struct stat& info, bool via_link) {
  if (!S_ISREG(info.st_mode)) return StoreFileStatus::kNotRegular;
  if (via_link && info.st_uid != geteuid()) return StoreFileStatus::kForeignTarget;
  return StoreFileStatus::kOk;
}

std::int64_t Nanoseconds(const struct timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// The stamp of the file `info` describes (nothing held).
StoreFileStamp StampOf(const struct stat& info) {
  StoreFileStamp stamp;
  stamp.device = static_cast<std::uint64_t>(info.st_dev);
  stamp.file = static_cast<std::uint64_t>(info.st_ino);
  stamp.size = static_cast<std::uint64_t>(info.st_size);
#ifdef __APPLE__
  stamp.modified = Nanoseconds(info.st_mtimespec);
  stamp.changed = Nanoseconds(info.st_ctimespec);
#else
  stamp.modified = Nanoseconds(info.st_mtim);
  stamp.changed = Nanoseconds(info.st_ctim);
#endif
  return stamp;
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
      if (target.status == StoreFileStatus::kOk) target.stamp = StampOf(info);
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

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int Descriptor(StoreHandle handle) { return static_cast<int>(handle); }
StoreHandle Handle(int fd) { return static_cast<StoreHandle>(fd); }

// The store policy's system calls on POSIX: descriptors, and names relative to the folder's.
class PosixStoreSystemCalls final : public StoreSystemCalls {
 public:
  StoreTarget Resolve(const std::string& path) override { return ResolveStorePath(path); }

  OpenedStoreFile OpenExisting(const StoreTarget& target, OpenAccess access) override {
    OpenedStoreFile opened;
    const int flags = access == OpenAccess::kReadWrite ? O_RDWR : O_WRONLY;
    FileDescriptor fd(open(target.path.c_str(), flags | kCheckedOpenFlags));
    if (fd.get() < 0) {
      opened.status = errno == ENOENT ? StoreFileStatus::kMissing : StoreFileStatus::kUnreadable;
      return opened;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0) return opened;
    opened.status = CheckFile(info, target.via_link);
    if (opened.status != StoreFileStatus::kOk) return opened;
    opened.size = static_cast<std::uint64_t>(info.st_size);
    opened.permissions = info.st_mode & 07777;
    opened.stamp = StampOf(info);
    opened.file = Handle(fd.release());
    return opened;
  }

  std::optional<std::size_t> Read(StoreHandle file, char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t got = read(Descriptor(file), buffer, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) return std::nullopt;
    }
  }

  void Close(StoreHandle file) override { close(Descriptor(file)); }

  StorePathParts SplitPath(const std::string& path) override {
    return {FolderOf(path), NameOf(path)};
  }

  std::optional<StoreHandle> OpenFolder(const std::string& folder) override {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    return Handle(fd);
  }

  NameCase FileNameCase() override { return NameCase::kExact; }

  void ListTemporaryCandidates(const StoreFolder& folder, const std::string& /*name*/,
                               const std::function<void(std::string_view)>& visit) override {
    const int listing_fd = dup(Descriptor(folder.handle));
    if (listing_fd < 0) return;
    DIR* listing = fdopendir(listing_fd);
    if (listing == nullptr) {
      close(listing_fd);
      return;
    }
    rewinddir(listing);
    while (const dirent* entry = readdir(listing)) visit(entry->d_name);
    closedir(listing);
  }

  // Only regular files of the user's, and only when no process holds them (a save in progress
  // does).
  void RemoveStaleTemporary(const StoreFolder& folder, const std::string& temporary) override {
    const int dir = Descriptor(folder.handle);
    FileDescriptor fd(openat(dir, temporary.c_str(), O_RDONLY | kCheckedOpenFlags));
    struct stat opened {};
    if (fd.get() < 0 || fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
        opened.st_uid != geteuid() || flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      return;
    }
    // The name must still be the file that was checked.
    struct stat named {};
    if (fstatat(dir, temporary.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFile(named, opened)) {
      unlinkat(dir, temporary.c_str(), 0);
    }
  }

  void CloseFolder(const StoreFolder& folder) override { close(Descriptor(folder.handle)); }

  std::uint64_t RandomNumber() override {
    // From the kernel each time: one system call, where a seeded generator costs a process that
    // saves once more than it spares.
    std::uint64_t number = 0;
    if (getentropy(&number, sizeof number) == 0) return number;
    // No entropy to be had: a name no other process would pick at this moment still does, as a
    // taken name only means another try.
    static std::uint64_t counter = 0;
    const auto now =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (now ^ (static_cast<std::uint64_t>(getpid()) << 32)) + 0x9E3779B97F4A7C15u * ++counter;
  }

  CreatedTemporary CreateUnnamedTemporary(const StoreFolder& folder) override {
#ifdef O_TMPFILE
    FileDescriptor fd(
        openat(Descriptor(folder.handle), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode));
    if (fd.get() < 0) return {TemporaryOutcome::kUnsupported, {}};
    if (!MarkInProgress(fd.get())) return {TemporaryOutcome::kFailed, {}};
    return {TemporaryOutcome::kDone, Handle(fd.release())};
#else
    (void)folder;
    return {TemporaryOutcome::kUnsupported, {}};
#endif
  }

  TemporaryOutcome NameTemporary(const StoreFolder& folder, StoreHandle file,
                                 const std::string& name) override {
    const int dir = Descriptor(folder.handle);
    const std::string self = "/proc/self/fd/" + std::to_string(Descriptor(file));
    if (linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return TemporaryOutcome::kDone;
    }
    if (errno == EEXIST) return TemporaryOutcome::kNameTaken;
#ifdef AT_EMPTY_PATH
    // Without /proc; this way needs a privilege most users lack.
    if (linkat(Descriptor(file), "", dir, name.c_str(), AT_EMPTY_PATH) == 0) {
      return TemporaryOutcome::kDone;
    }
    if (errno == EEXIST) return TemporaryOutcome::kNameTaken;
#endif
    return TemporaryOutcome::kUnsupported;
  }

  CreatedTemporary CreateTemporary(const StoreFolder& folder, const std::string& name) override {
    const int dir = Descriptor(folder.handle);
    FileDescriptor fd(openat(dir, name.c_str(),
                             O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, kNewFileMode));
    if (fd.get() < 0) {
      return {errno == EEXIST ? TemporaryOutcome::kNameTaken : TemporaryOutcome::kFailed, {}};
    }
    // Another run's clean-up may have taken the new name before the mark was set: then it
    // removes it, and a fresh name is tried.
    struct stat opened {};
    struct stat named {};
    if (!MarkInProgress(fd.get()) || fstat(fd.get(), &opened) != 0 ||
        fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(opened, named)) {
      return {TemporaryOutcome::kNameTaken, {}};
    }
    return {TemporaryOutcome::kDone, Handle(fd.release())};
  }

  bool SetPermissions(StoreHandle file, std::uint32_t permissions) override {
    return fchmod(Descriptor(file), static_cast<mode_t>(permissions)) == 0;
  }

  bool Write(StoreHandle file, std::string_view bytes) override {
    return WriteAll(Descriptor(file), bytes);
  }

  bool FlushToDisk(StoreHandle file) override { return fsync(Descriptor(file)) == 0; }

  bool PutInPlace(const StoreFolder& folder, const StoreTemporary& temporary,
                  const std::string& name) override {
    const int dir = Descriptor(folder.handle);
    return renameat(dir, temporary.name.c_str(), dir, name.c_str()) == 0;
  }

  void RemoveTemporary(const StoreFolder& folder, const StoreTemporary& temporary) override {
    unlinkat(Descriptor(folder.handle), temporary.name.c_str(), 0);
  }
};

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

  bool Delete(const std::string& name) override {
    const auto found = places_.find(name);
    if (found == places_.end()) return true;
    changed_ = true;
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(found->second));
    // The values after it moved down one place.
    places_.clear();
    for (std::size_t i = 0; i < values_.size(); ++i) places_.emplace(values_[i].name, i);
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
    // A relative HOME would put a store in every directory the program is run from: it counts
    // as unset, as a relative XDG_CONFIG_HOME does.
    std::string home = GetEnv("HOME").value_or(std::string());
    if (home.empty() || home[0] != '/') {
      // Read from the password file itself: getpwuid in a static program needs the shared NSS
      // libraries of the glibc it was linked with, and warns at every link.
      home = HomeInPasswdText(ReadSmallFile("/etc/passwd"), geteuid()).value_or(std::string());
    }
    if (home.empty()) return {};
    base = home + "/.config";
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

StoreSystemCalls& HostStoreSystemCalls() {
  static PosixStoreSystemCalls calls;
  return calls;
}

}  // namespace dirhop::platform
