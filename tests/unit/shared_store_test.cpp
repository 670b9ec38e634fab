// Runs that share one store: each save makes the run's own changes again on what the store holds
// by then, under the store's lock, so overlapping runs lose nothing of each other's.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "state/aliases.h"
#include "state/history.h"
#include "state/settings_store.h"
#include "support/fake_console.h"
#include "support/fake_settings_key.h"

namespace dirhop {
namespace {

using test::FakeKeyStore;

// One store, reached as the settings key or as a data file, and runs that load it.
struct SharedStore {
  explicit SharedStore(bool data_file) : data_file(data_file) {
    if (data_file) store.files.files[kPath] = SettingsRecord().Image();
  }

  // A run that has loaded the store, with its console.
  struct Run {
    explicit Run(SharedStore& shared) : settings(test::MakeSettingsOn(shared.store)) {
      LoadSettings(*fake.console, settings, shared.Path());
    }
    test::FakeConsole fake = test::MakeFakeConsole();
    Settings settings;
  };

  std::optional<std::string> Path() const {
    return data_file ? std::optional<std::string>(kPath) : std::nullopt;
  }

  // What a run that loads the store now finds.
  SettingsRecord Stored() {
    Run reader(*this);
    return reader.settings.record;
  }

  static constexpr const char* kPath = "/home/u/dirhop.dat";
  bool data_file;
  FakeKeyStore store;
};

std::vector<std::string> Aliases(const SettingsRecord& record) {
  std::vector<std::string> table;
  for (int slot = 1; slot <= kAliasSlots && !record.AliasFree(slot); ++slot) {
    table.push_back(record.AliasName(slot) + "=" + record.AliasTarget(slot));
  }
  return table;
}

std::vector<std::string> History(const SettingsRecord& record) {
  std::vector<std::string> dirs;
  for (int slot = 0; slot < kHistorySlots && !record.HistoryEmpty(slot); ++slot) {
    dirs.push_back(record.History(slot));
  }
  return dirs;
}

TEST(SharedStoreTest, ARunSavesItsOwnChangesOnWhatOtherRunsSavedMeanwhile) {
  for (const bool data_file : {false, true}) {
    SCOPED_TRACE(data_file ? "data file" : "settings key");
    SharedStore shared(data_file);
    {
      SharedStore::Run setup(shared);
      UpdateAlias(*setup.fake.console, setup.settings, "gone", AliasDefinedAs("/gone"));
      AddToHistory(*setup.fake.console, setup.settings, "/start");
    }
    // A run waits at a menu while another one defines, removes and records.
    SharedStore::Run waiting(shared);
    SharedStore::Run other(shared);
    UpdateAlias(*other.fake.console, other.settings, "mine", AliasDefinedAs("/x2"));
    UpdateAlias(*other.fake.console, other.settings, "gone", AliasDefinedAs(""));
    AddToHistory(*other.fake.console, other.settings, "/p2_05");
    AddToHistory(*other.fake.console, other.settings, "/p2_06");
    // The waiting run uses an alias the other one removed, and enters a directory.
    GoToAlias(*waiting.fake.console, waiting.settings, "GONE");
    AddToHistory(*waiting.fake.console, waiting.settings, "/x1");

    const SettingsRecord stored = shared.Stored();
    // A promotion does not bring back an alias removed since; nothing of the other run is lost.
    // (A new settings key holds no alias; a new data file the two defaults.)
    const std::vector<std::string> defaults = {"dos=c:\\dos", "win=c:\\windows"};
    std::vector<std::string> expected = {"mine=/x2"};
    if (data_file) expected.insert(expected.end(), defaults.begin(), defaults.end());
    EXPECT_EQ(Aliases(stored), expected);
    EXPECT_EQ(History(stored), (std::vector<std::string>{"/x1", "/p2_06", "/p2_05", "/start"}));
    // The run goes on with what it saved.
    EXPECT_EQ(waiting.settings.record.Image(), stored.Image());
    EXPECT_TRUE(waiting.settings.changes.empty());
  }
}

TEST(SharedStoreTest, EverySaveReadsAndWritesUnderTheLock) {
  FakeKeyStore store;
  Settings settings = test::MakeSettingsOn(store);
  test::FakeConsole fake = test::MakeFakeConsole();
  // Another run saves between this run's load and its save: its turn comes at the lock.
  store.files.on_lock = [&store](const std::string&) {
    if (store.values.count("history_0") == 0) return;
    store.Put("aliasname_1", platform::StoreValueType::kString, "late");
    store.Put("aliasdir_1", platform::StoreValueType::kString, "/late");
  };
  LoadSettings(*fake.console, settings, std::nullopt);
  AddToHistory(*fake.console, settings, "/a");
  AddToHistory(*fake.console, settings, "/b");
  EXPECT_EQ(store.files.log, (std::vector<std::string>{
                                 "LockStore fake", "OpenSettingsKey fake", "UnlockStore fake",
                                 "LockStore fake", "OpenSettingsKey fake", "UnlockStore fake",
                                 "LockStore fake", "OpenSettingsKey fake", "UnlockStore fake"}));
  EXPECT_EQ(store.Text("aliasname_1"), "late");
  EXPECT_EQ(store.Text("history_0"), "/b");
  EXPECT_EQ(store.Text("history_1"), "/a");
}

TEST(SharedStoreTest, ALockHeldElsewhereIsReportedOnceAndTheRunSavesNothing) {
  for (const bool data_file : {false, true}) {
    SCOPED_TRACE(data_file ? "data file" : "settings key");
    SharedStore shared(data_file);
    const std::string path = data_file ? SharedStore::kPath : "fake";
    const SettingsRecord before = shared.Stored();
    shared.store.files.busy_stores.insert(path);
    SharedStore::Run run(shared);
    AddToHistory(*run.fake.console, run.settings, "/a");
    UpdateAlias(*run.fake.console, run.settings, "n", AliasDefinedAs("/n"));
    // The run itself goes on with its changes; the store keeps what it had.
    EXPECT_EQ(run.settings.record.History(0), "/a");
    const std::string message =
        "Dirhop: Error - '" + path + "' is locked by another run; nothing is saved this time";
    EXPECT_EQ(test::Written(run.fake), message + "\nDirhop: Adding alias n=/n\n");
    EXPECT_EQ(run.fake.device->TextIn(kColourError), message);
    // A query reads it all the same, and says nothing.
    Settings query = test::MakeSettingsOn(shared.store);
    LoadSettingsToRead(query, shared.Path());
    EXPECT_EQ(query.record.Image(), before.Image());
    shared.store.files.busy_stores.clear();
    EXPECT_EQ(shared.Stored().Image(), before.Image());
  }
}

TEST(SharedStoreTest, AMissingDataFileIsNotCreatedWhileAnotherRunHoldsTheLock) {
  SharedStore shared(true);
  shared.store.files.files.erase(SharedStore::kPath);
  shared.store.files.busy_stores.insert(SharedStore::kPath);
  SharedStore::Run run(shared);
  EXPECT_EQ(shared.store.files.files.count(SharedStore::kPath), 0u);
  EXPECT_FALSE(run.settings.first_run);
  EXPECT_EQ(test::Written(run.fake),
            std::string("Dirhop: Error - '") + SharedStore::kPath +
                "' is locked by another run; nothing is saved this time\n");
}

TEST(SharedStoreTest, AQueryLocksOnlyAStoreWhoseValuesAreReadOneAtATime) {
  for (const bool data_file : {false, true}) {
    for (const bool reads_take_the_lock : {false, true}) {
      SCOPED_TRACE(std::string(data_file ? "data file" : "settings key") +
                   (reads_take_the_lock ? ", read in pieces" : ", read whole"));
      SharedStore shared(data_file);
      shared.store.files.reads_take_the_lock = reads_take_the_lock;
      shared.store.files.log.clear();
      Settings query = test::MakeSettingsOn(shared.store);
      LoadSettingsToRead(query, shared.Path());
      // A data file is replaced whole on every system: a query never waits for its lock.
      const bool locked = !data_file && reads_take_the_lock;
      const std::vector<std::string>& log = shared.store.files.log;
      EXPECT_EQ(std::count(log.begin(), log.end(), "LockStore fake"), locked ? 1 : 0);
      EXPECT_EQ(std::count(log.begin(), log.end(), "LockStore " + std::string(SharedStore::kPath)),
                0);
    }
  }
}

TEST(SharedStoreTest, WhatTheLockSaysIsToldOnceARun) {
  using platform::StoreLockNotice;
  for (const StoreLockNotice notice :
       {StoreLockNotice::kLocksRefused, StoreLockNotice::kLockFileNotUsable}) {
    SharedStore shared(true);
    shared.store.files.lock_notice = notice;
    SharedStore::Run run(shared);
    AddToHistory(*run.fake.console, run.settings, "/a");
    AddToHistory(*run.fake.console, run.settings, "/b");
    // Saved all the same.
    shared.store.files.lock_notice = StoreLockNotice::kNone;
    EXPECT_EQ(History(shared.Stored()), (std::vector<std::string>{"/b", "/a"}));
    const std::string said =
        notice == StoreLockNotice::kLocksRefused
            ? "Dirhop: the file system of '/lock' refuses file locks; runs take turns by "
              "creating that file instead\n"
            : "Dirhop: Error - can't use '/lock' as the store's lock: it is not your own file; "
              "saving without the lock\n";
    EXPECT_EQ(test::Written(run.fake), said);
  }
}

TEST(SharedStoreTest, ASaveThatWouldWriteWhatTheStoreHoldsWritesNothing) {
  for (const bool data_file : {false, true}) {
    SCOPED_TRACE(data_file ? "data file" : "settings key");
    SharedStore shared(data_file);
    {
      SharedStore::Run setup(shared);
      AddToHistory(*setup.fake.console, setup.settings, "/start");
      AddToHistory(*setup.fake.console, setup.settings, "/a");
    }
    const auto writes = [&shared] {
      return shared.store.sets + shared.store.deletes +
             static_cast<int>(shared.store.files.Calls("ReplaceFileAtomically").size());
    };
    const int before = writes();
    // A jump from the start directory to the place at the front of the history changes nothing.
    SharedStore::Run again(shared);
    CheckHistoryStart(*again.fake.console, again.settings, "/start");
    AddToHistory(*again.fake.console, again.settings, "/a");
    EXPECT_EQ(writes(), before);
    EXPECT_TRUE(again.settings.changes.empty());
    EXPECT_EQ(test::Written(again.fake), "");
    // Another place is written.
    AddToHistory(*again.fake.console, again.settings, "/b");
    EXPECT_GT(writes(), before);
    EXPECT_EQ(History(shared.Stored()), (std::vector<std::string>{"/b", "/a", "/start"}));
  }
}

TEST(SharedStoreTest, ADataFileUnchangedSinceTheRunReadItIsNotReadAgain) {
  for (const bool stamps : {true, false}) {
    SCOPED_TRACE(stamps ? "stamps (POSIX)" : "no stamps (Windows)");
    SharedStore shared(true);
    shared.store.files.stamps = stamps;
    SharedStore::Run run(shared);
    shared.store.files.log.clear();
    AddToHistory(*run.fake.console, run.settings, "/a");
    const std::string path = SharedStore::kPath;
    std::vector<std::string> expected = {"LockStore " + path, "StoreFileUnchanged " + path,
                                         "ReplaceFileAtomically " + path, "UnlockStore " + path};
    // Without a stamp, or after the run's own write, the file is read again.
    if (!stamps) expected[1] = "ReadFileForUpdate " + path;
    EXPECT_EQ(shared.store.files.log, expected);
    shared.store.files.log.clear();
    AddToHistory(*run.fake.console, run.settings, "/b");
    expected[1] = "ReadFileForUpdate " + path;
    EXPECT_EQ(shared.store.files.log, expected);
    // A file changed by another run since it was read is read again, and the change kept.
    SharedStore::Run late(shared);
    SharedStore::Run other(shared);
    AddToHistory(*other.fake.console, other.settings, "/other");
    AddToHistory(*late.fake.console, late.settings, "/c");
    EXPECT_EQ(History(shared.Stored()), (std::vector<std::string>{"/c", "/other", "/b", "/a"}));
  }
}

TEST(SharedStoreTest, ChangesASaveCouldNotWriteWaitForTheNextOne) {
  FakeKeyStore store;
  Settings settings = test::MakeSettingsOn(store);
  test::FakeConsole fake = test::MakeFakeConsole();
  store.refuse_close = true;
  AddToHistory(*fake.console, settings, "/a");
  store.refuse_close = false;
  AddToHistory(*fake.console, settings, "/b");
  EXPECT_EQ(store.Text("history_0"), "/b");
  EXPECT_EQ(store.Text("history_1"), "/a");
}

TEST(SharedStoreTest, APrivateSessionRecordsNoVisitButKeepsWhatItIsTold) {
  FakeKeyStore store;
  Settings settings = test::MakeSettingsOn(store);
  test::PutRecord(store, settings.record);
  settings.private_session = true;
  test::FakeConsole fake = test::MakeFakeConsole();
  CheckHistoryStart(*fake.console, settings, "/secret");
  AddToHistory(*fake.console, settings, "/secret/project");
  EXPECT_EQ(GoToAlias(*fake.console, settings, "WIN"), "c:\\windows");
  EXPECT_EQ(store.sets, 0);
  EXPECT_TRUE(settings.record.HistoryEmpty(0));
  EXPECT_EQ(settings.record.AliasName(1), "dos");
  // An alias the user defines is the user's to keep.
  UpdateAlias(*fake.console, settings, "here", AliasDefinedAs("/here"));
  EXPECT_EQ(store.Text("aliasname_1"), "here");
  EXPECT_EQ(store.Text("history_0"), "");
}

}  // namespace
}  // namespace dirhop
