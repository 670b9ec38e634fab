// The store services on Linux and macOS: whole-file reads, atomic replacement, and the text
// file that stands in for the registry key.

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_io.h"
#include "platform/registry_file.h"
#include "platform/store_platform.h"

namespace dirhop::platform {
namespace {

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

// `path` with symbolic links resolved when it names an existing file, so that a replacement
// lands on the file the link points to and the link itself stays.
std::string ThroughLinks(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target(resolved);
  std::free(resolved);
  return target;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates `dir` and its missing parents (mode 0700 for the ones made here).
bool MakeFolders(const std::string& dir) {
  struct stat info {};
  if (stat(dir.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const std::string parent = FolderOf(dir);
  if (parent != dir && !MakeFolders(parent)) return false;
  return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// The emulated key: all values in memory, written back as a whole by Close.
class FileSettingsKey : public SettingsKey {
 public:
  FileSettingsKey(std::string path, std::vector<RegistryFileValue> values)
      : path_(std::move(path)), values_(std::move(values)) {}

  std::optional<StoreValue> Query(const std::string& name) override {
    for (const RegistryFileValue& value : values_) {
      if (value.name == name) return value.value;
    }
    return std::nullopt;
  }

  bool Set(const std::string& name, const StoreValue& value) override {
    // The file cannot hold a value it has no type word for, nor a nameless one.
    if (value.type == StoreValueType::kOther || name.empty()) return false;
    changed_ = true;
    for (RegistryFileValue& known : values_) {
      if (known.name == name) {
        known.value = value;
        return true;
      }
    }
    values_.push_back({name, value});
    return true;
  }

  bool Close() override {
    if (!changed_) return true;
    changed_ = false;
    return ReplaceFileAtomically(path_, FormatRegistryFile(values_));
  }

 private:
  std::string path_;
  std::vector<RegistryFileValue> values_;
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

OpenedSettingsKey OpenSettingsKey(const std::string& location) {
  OpenedSettingsKey opened;
  if (location.empty()) return opened;
  const std::string path = ThroughLinks(location);
  FileReadResult read = ReadFileForUpdate(path, static_cast<std::size_t>(16) << 20);
  if (read.status == FileReadStatus::kUnreadable) return opened;
  if (read.status == FileReadStatus::kMissing) {
    // Like the registry, opening creates the key: an empty file, so that the next run knows the
    // store exists.
    if (!MakeFolders(FolderOf(path)) || !ReplaceFileAtomically(path, FormatRegistryFile({}))) {
      return opened;
    }
    opened.created = true;
  }
  opened.key = std::make_unique<FileSettingsKey>(path, ParseRegistryFile(read.bytes));
  return opened;
}

bool DeleteSettingsKey(const std::string& location) {
  return unlink(location.c_str()) == 0 || errno == ENOENT;
}

FileReadResult ReadFileForUpdate(const std::string& path, std::size_t limit) {
  FileReadResult result;
  // O_NONBLOCK: a FIFO under the name must not hang the run; only a regular file is read.
  FileDescriptor fd(open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    result.status = (errno == ENOENT || errno == ENOTDIR) ? FileReadStatus::kMissing
                                                          : FileReadStatus::kUnreadable;
    return result;
  }
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      !ReadUpTo(fd.get(), limit, result.bytes)) {
    result.bytes.clear();
    return result;
  }
  result.status = FileReadStatus::kRead;
  return result;
}

bool IsFileWritable(const std::string& path) {
  FileDescriptor fd(open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() >= 0) return true;
  return errno == ENOENT;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string target = ThroughLinks(path);
  // The new file keeps the old one's permission bits; a new file gets the usual 0666 & ~umask.
  mode_t mode = 0;
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) {
    mode = info.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  std::string temp = target + ".XXXXXX";
  FileDescriptor fd(mkstemp(temp.data()));
  if (fd.get() < 0) return false;
  bool ok = fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), bytes) && fsync(fd.get()) == 0;
  ok = close(fd.release()) == 0 && ok;
  if (ok && rename(temp.c_str(), target.c_str()) == 0) return true;
  unlink(temp.c_str());
  return false;
}

}  // namespace dirhop::platform
