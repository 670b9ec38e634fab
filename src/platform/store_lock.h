// The lock every run takes around reading the store and around each read-modify-write of it, so
// that a save is made on what the store holds at that moment and a load never sees half of
// another run's save: a named mutex on Windows, a lock on the store file itself on POSIX.
#pragma once

#include <chrono>
#include <memory>
#include <string>

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
  kUnsupported,  // the system gives no lock for this store (a file system without locks, a
                 // path that may not be opened): the run goes on without one, as it always has
};

// The result of LockStore.
struct StoreLockResult {
  StoreLockOutcome outcome = StoreLockOutcome::kUnsupported;
  std::unique_ptr<StoreLock> lock;  // set only for kHeld
};

// How long a run waits for the lock before it goes on without saving. Runs hold it only while
// they read and replace the store, a few milliseconds each.
inline constexpr std::chrono::milliseconds kStoreLockWait{2000};

// Which kind of store a lock is for.
enum class LockedStore { kDataFile, kSettingsKey };

// Takes the lock of the store `store`: a data file's absolute path, or the settings key's
// location (on POSIX the path of the file that stands for it). Every spelling of one data file
// path takes the same lock. Waits at most `wait` for a holder to
// let go; a holder that died lets go at once. On POSIX the lock is on the file `store` leads to
// (followed under the store's rules for links), or on its folder while it does not exist yet,
// and it is taken again when a save has put another file in its place meanwhile.
StoreLockResult LockStore(const std::string& store, LockedStore kind,
                          std::chrono::milliseconds wait);

}  // namespace dirhop::platform
