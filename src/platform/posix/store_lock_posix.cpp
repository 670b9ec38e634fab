// The store's lock on POSIX: flock on the store's lock file, "<file>.lock" beside the file the
// store path leads to. The lock file is created mode 0600 and used only when it is a regular file
// of the user's, so no other user can open it, let alone hold a lock on it: a store others may
// read (a data file left 0644) delays nobody. It is never replaced nor removed, so every run
// locks the same file whatever the saves do to the store beside it.
//
// A file system that refuses flock (ENOLCK, EOPNOTSUPP: some network and FUSE mounts) gets a lock
// of another kind: the holder creates "<file>.lock.held" exclusively, writes who it is in it and
// removes it when done. A holder that died leaves it behind; it is stale once that process is
// gone (same host: no process of that number started at that moment) or, from another host, once
// it is older than a save ever takes. The first run that finds a file system without locks writes
// a line into the lock file, which otherwise stays empty, so only that run says so.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/posix/posix_io.h"
#include "platform/store_lock.h"
#include "platform/store_system_calls.h"

namespace dirhop::platform {
namespace {

using Clock = std::chrono::steady_clock;

// The longest pause between two tries for a lock that is held.
constexpr std::chrono::milliseconds kLongestPause{16};

// How old a held file written on another host must be to be taken as stale: far more than a
// save takes, and more than the clocks of two hosts sharing a file system differ by.
constexpr std::time_t kStaleAgeSeconds = 60;

// The line a lock file holds once a run has told the user its file system refuses locks.
constexpr char kLocksRefusedMark[] = "file locks refused here\n";

class FileLock final : public StoreLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {}
  // Closing the descriptor lets the lock go.
  ~FileLock() override = default;

 private:
  FileDescriptor fd_;
};

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the name `path` is still the file `opened`.
bool NamesFile(const std::string& path, const struct stat& opened) {
  struct stat named {};
  return lstat(path.c_str(), &named) == 0 && SameFile(named, opened);
}

// A held file this run created: removed when the lock ends, if it is still this run's.
class HeldFileLock final : public StoreLock {
 public:
  HeldFileLock(std::string path, const struct stat& file) : path_(std::move(path)), file_(file) {}
  ~HeldFileLock() override {
    if (NamesFile(path_, file_)) unlink(path_.c_str());
  }
  HeldFileLock(const HeldFileLock&) = delete;
  HeldFileLock& operator=(const HeldFileLock&) = delete;

 private:
  std::string path_;
  struct stat file_;
};

// The moment the process `pid` started, as /proc tells it (clock ticks since boot); empty where
// there is no /proc or no such process.
std::string StartOf(const std::string& pid) {
  const std::string stat = ReadSmallFile(("/proc/" + pid + "/stat").c_str());
  const std::size_t end_of_name = stat.rfind(')');
  if (end_of_name == std::string::npos) return {};
  // After the name: state, then fields 4 to 21, then the start time (field 22).
  std::size_t at = end_of_name + 1;
  for (int field = 3; field <= 22; ++field) {
    at = stat.find_first_not_of(' ', at);
    if (at == std::string::npos) return {};
    const std::size_t end = stat.find(' ', at);
    if (field == 22) return stat.substr(at, end == std::string::npos ? end : end - at);
    at = end;
  }
  return {};
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "?";
  return name;
}

// What a held file says about its holder: "<host> <pid> <start>".
std::string HolderText() {
  const std::string pid = std::to_string(getpid());
  const std::string start = StartOf(pid);
  return HostName() + " " + pid + " " + (start.empty() ? "-" : start) + "\n";
}

// Whether the held file with `text`, last written at `written`, belongs to no running process.
bool IsStale(const std::string& text, std::time_t written) {
  const std::size_t first = text.find(' ');
  const std::size_t second = first == std::string::npos ? first : text.find(' ', first + 1);
  const std::size_t end = text.find('\n');
  if (end == std::string::npos || second == std::string::npos || second > end ||
      text.compare(0, first, HostName()) != 0) {
    // Another host's holder, or a file still being written: only its age tells.
    return std::time(nullptr) - written > kStaleAgeSeconds;
  }
  const std::string pid = text.substr(first + 1, second - first - 1);
  const std::string start = text.substr(second + 1, end - second - 1);
  char* parsed_to = nullptr;
  const long number = std::strtol(pid.c_str(), &parsed_to, 10);
  if (pid.empty() || *parsed_to != '\0' || number <= 0 || number > INT_MAX) return true;
  if (kill(static_cast<pid_t>(number), 0) != 0 && errno == ESRCH) return true;
  // The number may be another process's by now.
  const std::string now = StartOf(pid);
  return start != "-" && !now.empty() && now != start;
}

// What came of one try for a held file.
enum class HeldTry { kHeld, kHeldElsewhere, kRetry, kNotUsable, kFailed };

// Tries once to create the held file `held`; sets `lock` when it is this run's. A stale one is
// removed (kRetry). The removal looks at the name again just before: a holder that replaced
// the stale file in between could only lose its file in that instant after a holder died.
HeldTry TryHeldFile(const std::string& held, std::unique_ptr<StoreLock>& lock) {
  FileDescriptor created(
      open(held.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (created.get() >= 0) {
    struct stat info {};
    if (fstat(created.get(), &info) != 0) {
      unlink(held.c_str());
      return HeldTry::kFailed;
    }
    lock = std::make_unique<HeldFileLock>(held, info);
    WriteAll(created.get(), HolderText());
    return HeldTry::kHeld;
  }
  if (errno != EEXIST) return HeldTry::kFailed;
  FileDescriptor existing(open(held.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  struct stat info {};
  if (existing.get() < 0) return errno == ENOENT ? HeldTry::kRetry : HeldTry::kNotUsable;
  if (fstat(existing.get(), &info) != 0) return HeldTry::kFailed;
  if (!S_ISREG(info.st_mode) || info.st_uid != geteuid()) return HeldTry::kNotUsable;
  char text[256];
  const ssize_t got = read(existing.get(), text, sizeof text);
  if (got < 0) return HeldTry::kFailed;
  if (!IsStale(std::string(text, static_cast<std::size_t>(got)), info.st_mtime)) {
    return HeldTry::kHeldElsewhere;
  }
  if (NamesFile(held, info)) unlink(held.c_str());
  return HeldTry::kRetry;
}

// The time left of a wait, read from the clock only once the lock is found held: a run that
// gets it at once never touches the clock's pages.
class Wait {
 public:
  explicit Wait(std::chrono::milliseconds wait) : wait_(wait) {}
  // Pauses before the next try; false when the wait is over.
  bool Pause() {
    const Clock::time_point now = Clock::now();
    if (!started_) deadline_ = now + wait_;
    started_ = true;
    const Clock::duration left = deadline_ - now;
    if (left <= Clock::duration::zero()) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause_, left));
    pause_ = std::min(pause_ * 2, kLongestPause);
    return true;
  }

 private:
  std::chrono::milliseconds wait_;
  bool started_ = false;
  Clock::time_point deadline_{};
  std::chrono::milliseconds pause_{1};
};

// The lock through "<lock file>.held" for a file system without locks; `lock_fd` is the lock
// file, which records that the user was told.
StoreLockResult LockWithHeldFile(const std::string& lock_file, int lock_fd, Wait& wait) {
  const std::string held = lock_file + ".held";
  StoreLockResult result;
  result.lock_file = held;
  for (;;) {
    switch (TryHeldFile(held, result.lock)) {
      case HeldTry::kHeld: {
        result.outcome = StoreLockOutcome::kHeld;
        // Told once: the holder that finds the lock file empty marks it, and no other run holds
        // the lock meanwhile.
        struct stat info {};
        if (fstat(lock_fd, &info) == 0 && info.st_size == 0 &&
            WriteAll(lock_fd, kLocksRefusedMark)) {
          result.notice = StoreLockNotice::kLocksRefused;
        }
        return result;
      }
      case HeldTry::kRetry:
        continue;
      case HeldTry::kHeldElsewhere:
        if (wait.Pause()) continue;
        result.outcome = StoreLockOutcome::kBusy;
        return result;
      case HeldTry::kNotUsable:
        result.notice = StoreLockNotice::kLockFileNotUsable;
        return result;
      case HeldTry::kFailed:
        return result;
    }
  }
}

// The lock file of the store `store`, made ready to be opened: the folder of the settings key's
// file is made first when Dirhop has not made it yet. Empty where the store has no lock.
std::string LockFileOf(const std::string& store, LockedStore kind) {
  const StoreTarget target = HostStoreSystemCalls().Resolve(store);
  if (target.status != StoreFileStatus::kOk && target.status != StoreFileStatus::kMissing) {
    return {};  // a path the store refuses or cannot look at: the store says why
  }
  if (target.status == StoreFileStatus::kMissing && kind == LockedStore::kSettingsKey) {
    MakeFolders(FolderOf(target.path));
  }
  return target.path + ".lock";
}

}  // namespace

StoreLockResult LockStore(const std::string& store, LockedStore kind,
                          std::chrono::milliseconds wait) {
  const std::string lock_file = LockFileOf(store, kind);
  if (lock_file.empty()) return {};
  const auto not_usable = [&lock_file] {
    StoreLockResult result;
    result.notice = StoreLockNotice::kLockFileNotUsable;
    result.lock_file = lock_file;
    return result;
  };
  Wait waiting(wait);
  for (;;) {
    FileDescriptor fd(open(lock_file.c_str(),
                           O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY,
                           0600));
    struct stat info {};
    if (fd.get() < 0) {
      // Someone else's file or link in its place, or a folder no save could write either.
      return lstat(lock_file.c_str(), &info) == 0 ? not_usable() : StoreLockResult{};
    }
    if (fstat(fd.get(), &info) != 0) return {};
    if (!S_ISREG(info.st_mode) || info.st_uid != geteuid()) return not_usable();
    // Only the user may open it, whatever its mode was made.
    if ((info.st_mode & 077) != 0 && fchmod(fd.get(), 0600) != 0) return not_usable();
    if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
      // A lock file removed while this run waited is locked by nobody else: lock the new one.
      if (NamesFile(lock_file, info)) {
        return HeldStoreLock(std::make_unique<FileLock>(fd.release()));
      }
      continue;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      return LockWithHeldFile(lock_file, fd.get(), waiting);
    }
    if (!waiting.Pause()) return BusyStoreLock();
  }
}

bool ReadsTakeTheLock(LockedStore /*kind*/) { return false; }

}  // namespace dirhop::platform
