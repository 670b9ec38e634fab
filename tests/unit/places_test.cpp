// The run's side of the memory of places: where it is kept, what is kept out, which runs record
// which directories, and the options --places, --forget, --import and --record-visit.
#include "core/places.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/main_flow.h"
#include "state/pending_save.h"
#include "state/settings_store.h"
#include "support/fake_run.h"

namespace dirhop {
namespace {

using platform::HostKind;
using test::FakeRun;

constexpr char kPosixMemory[] = "/home/u/.local/share/dirhop/places";

int Flow(FakeRun& faked, const std::vector<std::string>& words) {
  return RunWithPendingSave(faked.run.console, faked.settings, [&] {
    return MainFlow(faked.run, ParseCommandLine(CommandWords::FromArguments(
                                   words, faked.run.facts.own_file_path)));
  });
}

// A POSIX run in /home/u/work (with /home/u/work/proj and /srv/data) keeping its memory in the
// default place.
struct PosixRun : FakeRun {
  PosixRun() : FakeRun(HostKind::kPosix, "/home/u/work") {
    fs.AddDirectory("/home/u/work/proj");
    fs.AddDirectory("/srv/data");
    host.SetEnv("HOME", "/home/u");
    run.places = PlaceFileFor(host, run.facts, std::nullopt);
  }
  // The places remembered, most frecent first.
  std::vector<std::string> Places() {
    std::vector<std::string> paths;
    const PlaceMemory memory = PlaceMemory::Load(fs, *run.places, host.unix_time);
    for (const RememberedPlace& place : memory.places()) paths.emplace_back(place.path);
    return paths;
  }
};

TEST(PlaceFileTest, WhereTheMemoryIsKept) {
  test::FakeHost posix(HostKind::kPosix, "/bin/dirhop");
  const HostFacts posix_facts = test::FakeHostFacts(HostKind::kPosix);
  EXPECT_EQ(PlaceFileFor(posix, posix_facts, std::nullopt), std::nullopt);  // no HOME
  posix.SetEnv("HOME", "/home/u/");
  EXPECT_EQ(PlaceFileFor(posix, posix_facts, std::nullopt)->path, kPosixMemory);
  posix.SetEnv("XDG_DATA_HOME", "relative/is/ignored");
  EXPECT_EQ(PlaceFileFor(posix, posix_facts, std::nullopt)->path, kPosixMemory);
  posix.SetEnv("XDG_DATA_HOME", "/data");
  EXPECT_EQ(PlaceFileFor(posix, posix_facts, std::nullopt)->path, "/data/dirhop/places");
  // Beside a data file, so that a portable or test setup keeps everything together.
  EXPECT_EQ(PlaceFileFor(posix, posix_facts, std::string("/t/store.dat"))->path,
            "/t/store.dat.places");
  EXPECT_EQ(PlaceFileFor(posix, posix_facts, std::string("/t/store.dat"))->folders,
            platform::MissingFolders::kFail);
  EXPECT_EQ(PlaceFileFor(posix, posix_facts, std::nullopt)->folders,
            platform::MissingFolders::kMake);
  EXPECT_EQ(PlaceFileFor(posix, posix_facts, std::string(kNullDataFile)), std::nullopt);

  test::FakeHost windows(HostKind::kWindows, "C:\\dirhop.exe");
  const HostFacts windows_facts = test::FakeHostFacts(HostKind::kWindows);
  EXPECT_EQ(PlaceFileFor(windows, windows_facts, std::nullopt), std::nullopt);
  windows.SetEnv("LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local");
  const std::optional<PlaceFile> file = PlaceFileFor(windows, windows_facts, std::nullopt);
  EXPECT_EQ(file->path, "C:\\Users\\u\\AppData\\Local\\Dirhop\\places");
  EXPECT_EQ(file->path_case, PathCase::kInsensitive);
}

TEST(PlaceFileTest, HomeIsKeptOutUnlessTheExclusionsSayOtherwise) {
  test::FakeHost posix(HostKind::kPosix, "/bin/dirhop");
  const HostFacts facts = test::FakeHostFacts(HostKind::kPosix);
  posix.SetEnv("HOME", "/home/u/");
  EXPECT_TRUE(ExcludedPlace(posix, facts, "/home/u"));
  EXPECT_FALSE(ExcludedPlace(posix, facts, "/home/u/work"));
  posix.SetEnv("DIRHOP_EXCLUDE", "/tmp/*::/mnt/secret");
  EXPECT_FALSE(ExcludedPlace(posix, facts, "/home/u"));
  EXPECT_TRUE(ExcludedPlace(posix, facts, "/tmp/x/y"));
  EXPECT_TRUE(ExcludedPlace(posix, facts, "/mnt/secret"));
  EXPECT_FALSE(ExcludedPlace(posix, facts, "/mnt/secret/below"));

  test::FakeHost windows(HostKind::kWindows, "C:\\dirhop.exe");
  const HostFacts windows_facts = test::FakeHostFacts(HostKind::kWindows);
  windows.SetEnv("USERPROFILE", "C:\\Users\\U");
  EXPECT_TRUE(ExcludedPlace(windows, windows_facts, "c:\\users\\u"));
  windows.SetEnv("DIRHOP_EXCLUDE", "C:\\Temp\\*;D:\\*");
  EXPECT_TRUE(ExcludedPlace(windows, windows_facts, "d:\\x"));
  EXPECT_FALSE(ExcludedPlace(windows, windows_facts, "C:\\Users\\U"));
}

TEST(PlacesRunTest, AJumpRecordsItsStartAndWhereItWent) {
  PosixRun faked;
  EXPECT_EQ(Flow(faked, {"proj"}), kExitOk);
  EXPECT_EQ(faked.Places(), (std::vector<std::string>{"/home/u/work", "/home/u/work/proj"}));
  // The next run starts where the last one went: the start is not counted twice.
  faked.fs.ChangeDirectory("/home/u/work/proj");
  FakeRun& again = faked;
  EXPECT_EQ(Flow(again, {"/srv/data"}), kExitOk);
  const PlaceMemory memory = PlaceMemory::Load(faked.fs, *faked.run.places, faked.host.unix_time);
  EXPECT_EQ(memory.Find("/home/u/work/proj")->visits, 1);
  EXPECT_EQ(memory.Find("/srv/data")->visits, 1);
}

TEST(PlacesRunTest, PrivateRunsExcludedPlacesAndTheShellsOwnHookRecordNothingHere) {
  PosixRun faked;
  faked.settings.private_session = true;
  EXPECT_EQ(Flow(faked, {"proj"}), kExitOk);
  EXPECT_EQ(faked.fs.files.count(kPosixMemory), 0u);

  PosixRun excluded;
  excluded.host.SetEnv("DIRHOP_EXCLUDE", "/home/u/work*");
  EXPECT_EQ(Flow(excluded, {"/srv/data"}), kExitOk);
  EXPECT_EQ(excluded.Places(), (std::vector<std::string>{"/srv/data"}));

  // With --remember-cd the shell has recorded the start already.
  PosixRun hooked;
  hooked.host.SetEnv("DIRHOP_SHELL_RECORDS", "1");
  EXPECT_EQ(Flow(hooked, {"proj"}), kExitOk);
  EXPECT_EQ(hooked.Places(), (std::vector<std::string>{"/home/u/work/proj"}));
}

TEST(PlacesRunTest, RecordVisitPlacesAndForget) {
  PosixRun faked;
  std::size_t seen = 0;
  EXPECT_EQ(Flow(faked, {"--record-visit", "proj/"}), kExitOk);
  EXPECT_EQ(Flow(faked, {"--record-visit", "/srv/data"}), kExitOk);
  EXPECT_EQ(Flow(faked, {"--record-visit", "/srv/data"}), kExitOk);
  EXPECT_EQ(faked.Places(), (std::vector<std::string>{"/srv/data", "/home/u/work/proj"}));
  EXPECT_EQ(Flow(faked, {"--record-visit"}), kExitError);
  EXPECT_EQ(Flow(faked, {"--places"}), kExitOk);
  EXPECT_EQ(test::Written(faked.fake).substr(seen),
            "Dirhop: --record-visit needs a directory\n"
            "     8.0  /srv/data\n"
            "     4.0  /home/u/work/proj\n");
  // Neither the store nor the hand-off is touched by these options.
  EXPECT_TRUE(faked.fs.Calls("ReplaceFileAtomically").empty());
  EXPECT_EQ(faked.fs.files.count(test::kPosixHandoffPath), 0u);

  seen = test::Written(faked.fake).size();
  EXPECT_EQ(Flow(faked, {"--forget", "proj"}), kExitOk);
  EXPECT_EQ(Flow(faked, {"--forget"}), kExitError);  // the current directory, not remembered
  EXPECT_EQ(test::Written(faked.fake).substr(seen),
            "Forgot '/home/u/work/proj'\n"
            "Dirhop: '/home/u/work' is not remembered\n");
  EXPECT_EQ(faked.Places(), (std::vector<std::string>{"/srv/data"}));
}

TEST(PlacesRunTest, ImportReportsBadLinesAndImportsTheRestOnce) {
  PosixRun faked;
  const std::size_t seen = 0;
  faked.fs.files["/home/u/.z"] = "/srv/data|40|1699999000\nbroken\n/home/u|9|1699999000\n";
  EXPECT_EQ(Flow(faked, {"--import", "Z"}), kExitOk);
  EXPECT_EQ(test::Written(faked.fake).substr(seen),
            "Dirhop: Line 2 of '/home/u/.z' is not an entry of Z; skipped\n"
            "Imported 1 places from '/home/u/.z' (1 excluded by DIRHOP_EXCLUDE)\n");
  EXPECT_EQ(Flow(faked, {"--import", "z", "/home/u/.z"}), kExitOk);
  const PlaceMemory memory = PlaceMemory::Load(faked.fs, *faked.run.places, faked.host.unix_time);
  EXPECT_EQ(memory.Find("/srv/data")->visits, 40);

  const std::size_t imported = test::Written(faked.fake).size();
  EXPECT_EQ(Flow(faked, {"--import", "zoxide"}), kExitError);
  EXPECT_EQ(Flow(faked, {"--import", "fzf"}), kExitError);
  EXPECT_EQ(Flow(faked, {"--import", "autojump"}), kExitError);  // no such file
  EXPECT_EQ(test::Written(faked.fake).substr(imported),
            "Dirhop: zoxide's database is not read directly: run 'zoxide query --list --score > "
            "FILE', then 'c --import zoxide FILE'\n"
            "Dirhop: Unknown memory 'fzf' for --import (use z, fasd, autojump or zoxide)\n"
            "Dirhop: Could not read '/home/u/.local/share/autojump/autojump.txt'\n");
}

}  // namespace
}  // namespace dirhop
