// The store's lock on Windows: a named mutex of the user's session, named after the store. Every
// run of this release takes it around its reads and saves of the store, so the registry's values,
// which are read and set one at a time, are never read half-saved nor saved by two runs at once.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/store_lock.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {
namespace {

class MutexLock final : public StoreLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
  ~MutexLock() override {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  HANDLE mutex_;
};

// The store's name as every run spells it: a data file path made full (".." steps, forward
// slashes and relative parts resolved) and upper-cased, since Windows file names ignore case.
std::wstring CanonicalName(const std::string& store, LockedStore kind) {
  std::wstring name = WideFromText(store);
  if (kind == LockedStore::kDataFile) {
    const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed != 0) {
      std::vector<wchar_t> full(needed);
      const DWORD length = GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
      if (length != 0 && length < needed) name.assign(full.data(), length);
    }
  }
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

// "Local\Dirhop.store.<16 hex digits>": a mutex name holds no backslash after its namespace, so
// the store's name goes in as a 64-bit FNV-1a check of its UTF-16 units.
std::wstring MutexName(const std::string& store, LockedStore kind) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t unit : CanonicalName(store, kind)) {
    hash = (hash ^ static_cast<std::uint16_t>(unit)) * 1099511628211ull;
  }
  wchar_t digits[17];
  std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(hash));
  return std::wstring(kind == LockedStore::kDataFile ? L"Local\\Dirhop.file."
                                                     : L"Local\\Dirhop.key.") +
         digits;
}

}  // namespace

StoreLockResult LockStore(const std::string& store, LockedStore kind,
                          std::chrono::milliseconds wait) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(store, kind).c_str());
  if (mutex == nullptr) return {};
  switch (WaitForSingleObject(mutex, static_cast<DWORD>(wait.count()))) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its holder ended without letting go: the lock is this run's now
      return {StoreLockOutcome::kHeld, std::make_unique<MutexLock>(mutex)};
    case WAIT_TIMEOUT:
      CloseHandle(mutex);
      return {StoreLockOutcome::kBusy, nullptr};
    default:
      CloseHandle(mutex);
      return {};
  }
}

}  // namespace dirhop::platform
