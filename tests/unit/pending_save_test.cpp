// The deferred save: a run that records its start directory and then enters a directory with
// nothing shown in between writes the store once, leaving it as the two saves would; a run that
// ends any other way has saved the start directory before it shows anything, and at the latest
// when it ends. Told by the writes of a settings key in memory and the text shown at each write.
#include "state/pending_save.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/main_flow.h"
#include "state/history.h"
#include "support/fake_run.h"

namespace dirhop {
namespace {

using platform::HostKind;
using test::FakeKeyStore;
using test::FakeRun;

// A Windows run in C:\Work (with C:\Work\proj, C:\Work\pro1, C:\Work\pro2) whose history holds
// C:\Old; every write of the store records the text shown so far.
struct SavingRun : FakeRun {
  explicit SavingRun(std::initializer_list<Key> keys = {})
      : FakeRun(HostKind::kWindows, "C:\\Work", {{80, 25}}, keys) {
    fs.AddDirectory("C:\\Work\\proj");
    fs.AddDirectory("C:\\Work\\pro1");
    fs.AddDirectory("C:\\Work\\pro2");
    settings.record.SetHistory(0, "C:\\Old");
    test::PutRecord(store, settings.record);
    store.on_open = [this] { shown_at_save.push_back(fake.device->Text()); };
  }

  // The exit code of the main flow run as RunProgram runs it.
  int Flow(const std::vector<std::string>& words) {
    return RunWithPendingSave(run.console, settings, [&] {
      return MainFlow(
          run, ParseCommandLine(CommandWords::FromArguments(words, run.facts.own_file_path)));
    });
  }

  // For each write of the store, what the console had shown before it.
  std::vector<std::string> shown_at_save;
};

// Each value of a store as "name=type:text:number".
std::vector<std::string> Values(const FakeKeyStore& store) {
  std::vector<std::string> values;
  for (const auto& [name, value] : store.values) {
    values.push_back(name + "=" + std::to_string(static_cast<int>(value.type)) + ":" + value.text +
                     ":" + std::to_string(value.number));
  }
  return values;
}

// The store as two saves leave it: the start directory recorded and saved, then `entered`.
std::vector<std::string> TwoSaves(const std::string& entered) {
  FakeKeyStore store;
  Settings settings = test::MakeSettingsOn(store);
  test::FakeConsole fake = test::MakeFakeConsole();
  settings.record.SetHistory(0, "C:\\Old");
  test::PutRecord(store, settings.record);
  AddToHistory(*fake.console, settings, "C:\\Work");
  AddToHistory(*fake.console, settings, entered);
  EXPECT_EQ(store.closes, 2);
  return Values(store);
}

TEST(PendingSaveTest, EnteringADirectoryAtOnceWritesTheStoreOnceAsTwoSavesWould) {
  SavingRun direct;
  EXPECT_EQ(direct.Flow({"proj"}), kExitOk);
  EXPECT_EQ(direct.store.closes, 1);
  EXPECT_EQ(Values(direct.store), TwoSaves("C:\\Work\\proj"));
  EXPECT_EQ(direct.store.Text("history_1"), "C:\\Work");
  EXPECT_EQ(direct.store.Text("history_2"), "C:\\Old");

  // A search with one match enters it without showing anything either.
  SavingRun searched;
  EXPECT_EQ(searched.Flow({"prj"}), kExitOk);
  EXPECT_EQ(searched.store.closes, 1);
  EXPECT_EQ(Values(searched.store), TwoSaves("C:\\Work\\proj"));
}

// One way a run ends: its words, the keys it reads, its exit code (-1: any).
struct Ending {
  const char* what;
  std::vector<std::string> words;
  std::initializer_list<Key> keys;
  int exit_code;
};

TEST(PendingSaveTest, EveryOtherEndingSavesTheStartDirectoryBeforeShowingAnything) {
  const Ending endings[] = {
      {"option with a screen", {"-?"}, {}, kExitScreenShown},
      {"history list", {"-h"}, {}, kExitOk},
      {"start directory printed", {}, {}, kExitOk},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.what);
    SavingRun faked(ending.keys);
    const int code = faked.Flow(ending.words);
    if (ending.exit_code != -1) {
      EXPECT_EQ(code, ending.exit_code);
    }
    ASSERT_FALSE(faked.shown_at_save.empty());
    EXPECT_EQ(faked.shown_at_save.front(), "");
    EXPECT_NE(test::Written(faked.fake), "");
    EXPECT_EQ(faked.store.Text(faked.store.closes == 1 ? "history_0" : "history_1"), "C:\\Work");
    EXPECT_FALSE(faked.settings.save_pending);
  }
}

TEST(PendingSaveTest, APathSpecThatGoesNowhereLeavesTheHistoryAsItWas) {
  // The start directory is recorded only by a run that goes somewhere: one that finds nothing,
  // or is left at a menu, must not push the oldest entry out of the history.
  const Ending endings[] = {
      {"menu left with Escape", {"pro"}, {{27, 0}}, -1},
      {"creation offer left with Escape", {"pro*\\newdir"}, {{27, 0}}, -1},
      {"error", {"1:x"}, {}, kExitError},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.what);
    SavingRun faked(ending.keys);
    faked.Flow(ending.words);
    EXPECT_NE(test::Written(faked.fake), "");
    EXPECT_EQ(faked.store.closes, 0);
    EXPECT_FALSE(faked.settings.save_pending);
    EXPECT_EQ(faked.settings.record.History(0), "C:\\Old");
  }
  // One that goes somewhere records where it started, then where it went, in one save.
  SavingRun chose({{'b', 0}});
  EXPECT_EQ(chose.Flow({"pro"}), kExitOk);
  EXPECT_EQ(chose.store.closes, 1);
  EXPECT_EQ(chose.store.Text("history_0"), "C:\\Work\\pro2");
  EXPECT_EQ(chose.store.Text("history_1"), "C:\\Work");
  EXPECT_EQ(chose.store.Text("history_2"), "C:\\Old");
}

TEST(PendingSaveTest, ASaveLeftPendingIsMadeWhenTheStepsEndSilently) {
  // Returning, ending the program, or failing: the save is made, and the ending passed on.
  FakeRun returned(HostKind::kPosix, "/work");
  RunWithPendingSave(returned.run.console, returned.settings, [&] {
    CheckHistoryStart(returned.run.console, returned.settings, "/work");
    EXPECT_EQ(returned.store.closes, 0);
    return kExitOk;
  });
  EXPECT_EQ(returned.store.closes, 1);
  EXPECT_EQ(returned.store.Text("history_0"), "/work");

  FakeRun ended(HostKind::kPosix, "/work");
  EXPECT_EQ(RunWithPendingSave(ended.run.console, ended.settings,
                               [&] {
                                 CheckHistoryStart(ended.run.console, ended.settings, "/work");
                                 return kExitError;
                               }),
            kExitError);
  EXPECT_EQ(ended.store.closes, 1);

  FakeRun failed(HostKind::kPosix, "/work");
  EXPECT_THROW(RunWithPendingSave(failed.run.console, failed.settings,
                                  [&]() -> ExitCode {
                                    CheckHistoryStart(failed.run.console, failed.settings, "/work");
                                    throw std::runtime_error("boom");
                                  }),
               std::runtime_error);
  EXPECT_EQ(failed.store.closes, 1);
  EXPECT_EQ(failed.store.Text("history_0"), "/work");
  // The console no longer calls back into settings that end with the run.
  failed.run.console.Write("after");
  EXPECT_EQ(failed.store.closes, 1);
}

TEST(PendingSaveTest, NothingPendingWritesNothingAndAStartAlreadyRecordedIsNotSavedAgain) {
  FakeRun faked(HostKind::kPosix, "/work");
  faked.settings.record.SetHistory(0, "/work");
  RunWithPendingSave(faked.run.console, faked.settings, [&] {
    CheckHistoryStart(faked.run.console, faked.settings, "/work");
    faked.run.console.WriteLine("shown");
    return kExitOk;
  });
  EXPECT_EQ(faked.store.opens, 0);
}

}  // namespace
}  // namespace dirhop
