// Holds the store's lock for the end-to-end tests, as a run of dirhop takes it: prints "held"
// once it has it and keeps it until its standard input ends or it is killed (a holder that dies).
//
//   dirhop_hold_store_lock file <data file path>
//   dirhop_hold_store_lock key          (the settings key of this user and environment)

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/store_lock.h"
#include "platform/store_platform.h"

int main(int argc, char** argv) {
  using dirhop::platform::LockedStore;
  const std::string kind = argc >= 2 ? argv[1] : "";
  if (!((kind == "file" && argc == 3) || (kind == "key" && argc == 2))) {
    std::fputs("usage: dirhop_hold_store_lock file PATH | key\n", stderr);
    return 2;
  }
  const bool key = kind == "key";
  const std::string store = key ? dirhop::platform::DefaultSettingsKeyLocation() : argv[2];
  const dirhop::platform::StoreLockResult held =
      dirhop::platform::LockStore(store, key ? LockedStore::kSettingsKey : LockedStore::kDataFile,
                                  std::chrono::milliseconds(10000));
  if (held.outcome != dirhop::platform::StoreLockOutcome::kHeld) {
    std::puts("not held");
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  char buffer[64];
  while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
  }
  return 0;
}
