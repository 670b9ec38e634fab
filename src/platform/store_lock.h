// The lock every run takes around each read-modify-write of the store, so that a save is made on
// what the store holds at that moment, and around reading a store whose values are read one at a
// time (the Windows registry). It is a lock on a file only the user may open: the store's lock
// file, "<store>.lock" beside the file the store path leads to (for the Windows registry the
// user's "%LOCALAPPDATA%\Dirhop\settings.lock"), so no other user can hold it up.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>

namespace dirhop::platform {

// A lock held on one store; it is let go when the object ends (and by the system when the
// process ends, however it ends).
class StoreLock {
 public:
  virtual ~StoreLock() = default;
};

// What came of asking for the lock.
enum class StoreLockOutcome {
  kHeld,         // the lock is held (`lock` holds it)
  kBusy,         // another process held it for the whole wait
  kUnsupported,  // no lock can be had for this store (a folder the user may not write, a path
                 // the store refuses, a lock file that is not the user's): the run goes on
                 // without one
};

// What the user is to hear about the lock.
enum class StoreLockNotice {
  kNone,
  // The file system refuses locks, so runs take turns through a file each creates while it
  // holds the lock ("<store>.lock.held"); given once per store, to the first run that finds out.
  kLocksRefused,
  // The lock file is not a regular file of the user's (someone else made it): the run goes on
  // without a lock. Given at every run until the file is removed.
  kLockFileNotUsable,
};

// The result of LockStore.
struct StoreLockResult {
  StoreLockOutcome outcome = StoreLockOutcome::kUnsupported;
  std::unique_ptr<StoreLock> lock;  // set only for kHeld
  StoreLockNotice notice = StoreLockNotice::kNone;
  std::string lock_file;  // the lock file the notice is about
};

// A result that holds `lock`.
inline StoreLockResult HeldStoreLock(std::unique_ptr<StoreLock> lock) {
  StoreLockResult result;
  result.outcome = StoreLockOutcome::kHeld;
  result.lock = std::move(lock);
  return result;
}

// A result for a lock another process held for the whole wait.
inline StoreLockResult BusyStoreLock() {
  StoreLockResult result;
  result.outcome = StoreLockOutcome::kBusy;
  return result;
}

// How long a run waits for the lock before it goes on without saving. Runs hold it only while
// they read and replace the store, a few milliseconds each.
inline constexpr std::chrono::milliseconds kStoreLockWait{2000};

// Which kind of store a lock is for.
enum class LockedStore { kDataFile, kSettingsKey };

// Takes the lock of the store `store`: a data file's absolute path, or the settings key's
// location (on POSIX the path of the file that stands for it). The lock file lies beside the
// file `store` leads to (links followed under the store's rules; on Windows the file's final
// path, or its folder's while it is missing), so every name of one file takes one lock. A lock
// file is created private to the user (the settings key's folder first, mode 0700, when Dirhop
// has not made it yet). Waits at most `wait` for a holder to let go; a holder that died lets go
// at once (and, without file system locks, its file is taken as stale once its process is
// gone). kUnsupported, without a notice, where no save could be made either (a folder the user
// may not write, a path the store refuses).
StoreLockResult LockStore(const std::string& store, LockedStore kind,
                          std::chrono::milliseconds wait);

// Whether a run that only reads the store `kind` must hold its lock: only where the store's
// values are read one at a time (the Windows registry). A file that is replaced whole by a
// rename is read whole, before or after any save, without one.
bool ReadsTakeTheLock(LockedStore kind);

}  // namespace dirhop::platform
