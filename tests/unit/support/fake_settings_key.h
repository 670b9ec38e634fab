// A settings key held in memory, for tests of the store that must not touch the registry or the
// user's files: records what is set, removed and closed, and can be told to refuse a value or to
// stop as a killed run would.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/store_platform.h"
#include "state/settings_store.h"
#include "support/fake_file_system.h"

namespace dirhop::test {

// Thrown by a key of CutAfter where the run is cut: nothing after it reaches the key.
struct RunCut {};

// `key` with the run cut after `changes` changes (sets and removals): the next change throws
// RunCut and changes nothing, and Close then writes nothing (as a killed process closes nothing).
std::unique_ptr<platform::SettingsKey> CutAfter(std::unique_ptr<platform::SettingsKey> key,
                                                int changes);

// The shared state behind every key FakeKeyStore opens, and a file system of its own whose
// settings key it is.
struct FakeKeyStore {
  FakeKeyStore() { files.key_store = this; }
  // `files` refers back to this store: a copy would refer to the original.
  FakeKeyStore(const FakeKeyStore&) = delete;
  FakeKeyStore& operator=(const FakeKeyStore&) = delete;

  std::map<std::string, platform::StoreValue> values;
  bool exists = true;    // false: the next open creates the key (and reports it)
  bool openable = true;  // false: every open fails, for the reason `open_failure`
  platform::StoreFileStatus open_failure = platform::StoreFileStatus::kUnreadable;
  std::string refuse;         // Set of this value name fails
  bool refuse_close = false;  // Close fails to write (kWriteFailed)
  int opens = 0;
  int closes = 0;  // successful Close calls
  int sets = 0;
  int deletes = 0;
  // When >= 0, keys opened from now on are cut (CutAfter) after this many changes.
  int cut_after = -1;

  // A string value's text; nullopt when it is absent or not a string.
  std::optional<std::string> Text(const std::string& name) const;
  // Puts in a value of any type (as a user or an installer would).
  void Put(const std::string& name, platform::StoreValueType type, std::string text,
           std::uint32_t number = 0);
  // Opens a key on this store as `opening` says, after calling `on_open` when it is set.
  platform::OpenedSettingsKey Open(platform::KeyOpening opening);

  // Called before every open.
  std::function<void()> on_open;
  // A file system with no files whose settings key this store is.
  FakeFileSystem files{kPosixPaths, "/"};
};

// Settings whose key is `store` and that have no data file.
Settings MakeSettingsOn(FakeKeyStore& store);

// Puts the slots of `record` into `store` as a save of this release would (without counting
// sets; the creation switch is the installer's, put by a test that needs it): the store then holds
// what a run that loaded it has, so a save that reads it again finds the record a test set up.
void PutRecord(FakeKeyStore& store, const SettingsRecord& record);

}  // namespace dirhop::test
