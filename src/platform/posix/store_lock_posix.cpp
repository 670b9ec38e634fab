// The store's lock on POSIX: flock on the file the store path leads to, or on its folder while
// the file does not exist yet. A save replaces the file by renaming a new one over it, so a lock
// won on a file that is no longer the store's (or on the folder once the file exists) is let go
// and taken again on what the path names now: whoever holds the lock on the current file is the
// only one reading and replacing it.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <thread>

#include "platform/posix/posix_io.h"
#include "platform/store_lock.h"
#include "platform/store_system_calls.h"

namespace dirhop::platform {
namespace {

using Clock = std::chrono::steady_clock;

// The longest pause between two tries for a lock that is held.
constexpr std::chrono::milliseconds kLongestPause{16};

class FileLock final : public StoreLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {}
  // Closing the descriptor lets the lock go.
  ~FileLock() override = default;

 private:
  FileDescriptor fd_;
};

// What a store path leads to now: the file, or the folder to create it in.
struct LockPlace {
  StoreFileStatus status = StoreFileStatus::kUnreadable;
  std::string path;
};

LockPlace PlaceOf(const std::string& store) {
  const StoreTarget target = HostStoreSystemCalls().Resolve(store);
  if (target.status == StoreFileStatus::kOk) return {target.status, target.path};
  if (target.status != StoreFileStatus::kMissing) return {target.status, {}};
  // The folder a save would create the file in, cut as the store's own calls cut it.
  return {target.status, HostStoreSystemCalls().SplitPath(target.path).folder};
}

// Whether the locked `fd` is still what `store` leads to.
bool StillInPlace(const std::string& store, const LockPlace& locked, int fd) {
  const LockPlace now = PlaceOf(store);
  struct stat opened {};
  struct stat named {};
  return now.status == locked.status && now.path == locked.path && fstat(fd, &opened) == 0 &&
         stat(now.path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

}  // namespace

StoreLockResult LockStore(const std::string& store, LockedStore /*kind*/,
                          std::chrono::milliseconds wait) {
  // The time left to wait. The clock is read only once the lock is found held or its file
  // replaced: a run that gets the lock at once never touches the clock's pages.
  std::optional<Clock::time_point> deadline;
  const auto time_left = [&deadline, wait] {
    const Clock::time_point now = Clock::now();
    if (!deadline) deadline = now + wait;
    return *deadline - now;
  };
  std::chrono::milliseconds pause{1};
  for (;;) {
    const LockPlace place = PlaceOf(store);
    if (place.status != StoreFileStatus::kOk && place.status != StoreFileStatus::kMissing) {
      return {};  // a path the store refuses or cannot look at: the store says why
    }
    const int flags = place.status == StoreFileStatus::kOk
                          ? O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY
                          : O_RDONLY | O_CLOEXEC | O_DIRECTORY;
    FileDescriptor fd(open(place.path.c_str(), flags));
    if (fd.get() < 0) return {};
    if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
      if (StillInPlace(store, place, fd.get())) {
        return {StoreLockOutcome::kHeld, std::make_unique<FileLock>(fd.release())};
      }
      // Replaced while this run waited: the lock to take is on what is there now.
    } else if (errno != EWOULDBLOCK && errno != EINTR) {
      return {};  // a file system without locks
    } else {
      const Clock::duration left = time_left();
      if (left <= Clock::duration::zero()) return {StoreLockOutcome::kBusy, nullptr};
      std::this_thread::sleep_for(std::min<Clock::duration>(pause, left));
      pause = std::min(pause * 2, kLongestPause);
      continue;
    }
    if (time_left() <= Clock::duration::zero()) return {StoreLockOutcome::kBusy, nullptr};
  }
}

}  // namespace dirhop::platform
