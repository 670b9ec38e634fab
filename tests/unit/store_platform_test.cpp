// The store services of the platform layer on real files and, on Windows, the real registry
// (under Wine in this project's test runs). Each test uses a key location of its own.
#include "platform/store_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/passwd_entry.h"
#include "platform/platform.h"
#include "platform/store_lock.h"
#include "support/os_fixtures.h"
#include "support/scoped_env.h"
#include "support/test_files.h"

namespace dirhop::platform {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::WriteFile;

bool OnWindows() { return ThisHostKind() == HostKind::kWindows; }

StoreValue String(const std::string& text) { return {StoreValueType::kString, text, 0}; }

class StorePlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The folder's name is unique, so a registry key named after it is too.
    key_ = OnWindows() ? "SOFTWARE\\Brantel Software\\DirhopTest_" + dir_.filename().string()
                       : (dir_ / "config" / "dirhop" / "registry").string();
  }

  void TearDown() override { DeleteSettingsKey(key_); }

  // The names in the test's folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir temp_{"dirhop_storeplat"};
  const fs::path dir_ = temp_.path();
  std::string key_;
};

TEST_F(StorePlatformTest, OpeningCreatesTheKeyOnceAndValuesComeBackTyped) {
  OpenedSettingsKey first = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(first.key);
  EXPECT_TRUE(first.created);
  EXPECT_EQ(first.key->Query("history_0"), std::nullopt);
  // POSIX keeps any byte; Windows holds text, so its accent is UTF-8.
  const std::string odd = std::string("C:\\with spaces\\tab\there\\caf") +
                          (OnWindows() ? "\xc3\xa9" : "\xe9") + "\\100%";
  ASSERT_TRUE(first.key->Set("history_0", String(odd)));
  ASSERT_TRUE(first.key->Set("history_1", String("")));
  ASSERT_TRUE(first.key->Set("canCreatePath", StoreValue{StoreValueType::kDword, "", 0}));
  ASSERT_TRUE(first.key->Set("x", StoreValue{StoreValueType::kExpandString, "%TEMP%", 0}));
  ASSERT_EQ(first.key->Close(), StoreFileStatus::kOk);

  OpenedSettingsKey second = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(second.key);
  EXPECT_FALSE(second.created);
  std::optional<StoreValue> history = second.key->Query("history_0");
  ASSERT_TRUE(history);
  EXPECT_EQ(history->type, StoreValueType::kString);
  EXPECT_EQ(history->text, odd);
  ASSERT_TRUE(second.key->Query("history_1"));
  EXPECT_EQ(second.key->Query("history_1")->text, "");
  std::optional<StoreValue> flag = second.key->Query("canCreatePath");
  ASSERT_TRUE(flag);
  EXPECT_EQ(flag->type, StoreValueType::kDword);
  EXPECT_EQ(flag->number, 0u);
  EXPECT_EQ(second.key->Query("x")->type, StoreValueType::kExpandString);
  EXPECT_EQ(second.key->Query("x")->text, "%TEMP%");
  // Replacing a value keeps one value of that name; a removed value is gone, the others stay.
  ASSERT_TRUE(second.key->Set("history_0", String("D:\\")));
  ASSERT_TRUE(second.key->Delete("history_1"));
  EXPECT_TRUE(second.key->Delete("never_there"));
  ASSERT_EQ(second.key->Close(), StoreFileStatus::kOk);
  OpenedSettingsKey third = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  EXPECT_EQ(third.key->Query("history_0")->text, "D:\\");
  EXPECT_EQ(third.key->Query("history_1"), std::nullopt);
  EXPECT_EQ(third.key->Query("x")->text, "%TEMP%");
}

TEST_F(StorePlatformTest, OpeningAnExistingKeyOnlyNeverCreatesOne) {
  ASSERT_TRUE(DeleteSettingsKey(key_));
  OpenedSettingsKey missing = OpenSettingsKey(key_, KeyOpening::kExistingOnly);
  EXPECT_FALSE(missing.key);
  EXPECT_EQ(missing.status, StoreFileStatus::kMissing);
  // Still missing: the create-on-open that follows reports the creation.
  OpenedSettingsKey created = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(created.key);
  EXPECT_TRUE(created.created);
  ASSERT_TRUE(created.key->Set("history_0", String("C:\\x")));
  ASSERT_EQ(created.key->Close(), StoreFileStatus::kOk);
  OpenedSettingsKey existing = OpenSettingsKey(key_, KeyOpening::kExistingOnly);
  ASSERT_TRUE(existing.key);
  EXPECT_FALSE(existing.created);
  EXPECT_EQ(existing.key->Query("history_0")->text, "C:\\x");
}

TEST_F(StorePlatformTest, AKeyIsGoneAfterDeletion) {
  ASSERT_TRUE(OpenSettingsKey(key_, KeyOpening::kCreateMissing).key);
  EXPECT_TRUE(DeleteSettingsKey(key_));
  EXPECT_TRUE(DeleteSettingsKey(key_));  // already gone
  OpenedSettingsKey again = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(again.key);
  EXPECT_TRUE(again.created);
}

TEST_F(StorePlatformTest, WindowsRegistryOtherTypesAndFailedWrites) {
  if (!OnWindows()) GTEST_SKIP() << "the real registry is on Windows";
  OpenedSettingsKey opened = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(opened.key);
  ASSERT_TRUE(opened.key->Set("bin", StoreValue{StoreValueType::kOther, "ab", 0}));
  EXPECT_EQ(opened.key->Query("bin")->type, StoreValueType::kOther);
  // A key removed while it is open can no longer take values.
  ASSERT_TRUE(DeleteSettingsKey(key_));
  EXPECT_FALSE(opened.key->Set("history_0", String("C:\\")));
  EXPECT_EQ(opened.key->Close(), StoreFileStatus::kOk);
}

// A string value holds the UTF-16 of the text, so other programs (regedit, reg query) read the
// same characters: accents, CJK, an emoji, and an unpaired surrogate that comes back exactly.
TEST_F(StorePlatformTest, WindowsRegistryStringsAreUtf16OfTheText) {
  if (!OnWindows()) GTEST_SKIP() << "the real registry is on Windows";
  const std::string text =
      "C:\\\xc3\x9c"  // U-umlaut
      "bung\\\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\\\xf0\x9f\x98\x80\\\xed\xa0\x80";
  const std::u16string units =
      u"C:\\\u00dcbung\\\u65e5\u672c\u8a9e\\\U0001F600\\" + std::u16string(1, char16_t(0xD800));
  OpenedSettingsKey opened = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(opened.key);
  ASSERT_TRUE(opened.key->Set("history_0", String(text)));
  ASSERT_TRUE(opened.key->Set("aliasName_1", String("\xe6\x97\xa5\xe6\x9c\xac")));
  ASSERT_EQ(opened.key->Close(), StoreFileStatus::kOk);
  EXPECT_EQ(test::RegistryStringUnits(key_, "history_0"), units);
  EXPECT_EQ(test::RegistryStringUnits(key_, "aliasName_1"), u"\u65e5\u672c");

  OpenedSettingsKey again = OpenSettingsKey(key_, KeyOpening::kExistingOnly);
  ASSERT_TRUE(again.key);
  EXPECT_EQ(again.key->Query("history_0")->text, text);
  EXPECT_EQ(again.key->Query("aliasName_1")->text, "\xe6\x97\xa5\xe6\x9c\xac");
}

TEST_F(StorePlatformTest, PosixKeyFileFormatDamageAndLinks) {
  if (OnWindows()) GTEST_SKIP() << "the key file exists only on POSIX";
  OpenedSettingsKey opened = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(opened.key);
  EXPECT_TRUE(fs::is_regular_file(key_));  // created on open, so the next run is not the first
  ASSERT_TRUE(opened.key->Set("history_0", String("/a\nb")));
  EXPECT_FALSE(opened.key->Set("bin", StoreValue{StoreValueType::kOther, "ab", 0}));
  ASSERT_EQ(opened.key->Close(), StoreFileStatus::kOk);
  const std::string text = ReadFile(key_);
  EXPECT_NE(text.find("\nhistory_0\tsz\t/a\\nb\n"), std::string::npos) << text;

  // A damaged line is skipped; the values around it still read, and the rewrite drops it.
  WriteFile(key_, text + "garbage\xff\x01line\ncanCreatePath\tdword\t0\n");
  OpenedSettingsKey damaged = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(damaged.key);
  EXPECT_EQ(damaged.key->Query("history_0")->text, "/a\nb");
  EXPECT_EQ(damaged.key->Query("canCreatePath")->number, 0u);
  ASSERT_TRUE(damaged.key->Set("history_1", String("/c")));
  ASSERT_EQ(damaged.key->Close(), StoreFileStatus::kOk);
  EXPECT_EQ(ReadFile(key_).find("garbage"), std::string::npos);
  EXPECT_NE(ReadFile(key_).find("canCreatePath\tdword\t0"), std::string::npos);

  // A key file reached through a link is updated in place; the link stays a link.
  const fs::path real = dir_ / "real-registry";
  fs::rename(key_, real);
  fs::create_symlink(real, key_);
  OpenedSettingsKey linked = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  ASSERT_TRUE(linked.key);
  EXPECT_FALSE(linked.created);
  ASSERT_TRUE(linked.key->Set("history_2", String("/d")));
  ASSERT_EQ(linked.key->Close(), StoreFileStatus::kOk);
  EXPECT_TRUE(fs::is_symlink(key_));
  EXPECT_NE(ReadFile(real).find("history_2\tsz\t/d"), std::string::npos);
}

TEST_F(StorePlatformTest, PosixDefaultLocationFollowsXdgConfigHome) {
  if (OnWindows()) {
    EXPECT_EQ(DefaultSettingsKeyLocation(), "SOFTWARE\\Brantel Software\\Dirhop");
    return;
  }
  test::ScopedEnv env;
  env.Set("XDG_CONFIG_HOME", "/some/config/");
  EXPECT_EQ(DefaultSettingsKeyLocation(), "/some/config/dirhop/registry");
  env.Set("XDG_CONFIG_HOME", "relative");  // not absolute: ignored, as the base-directory rules say
  const std::string home = GetEnv("HOME").value_or("");
  if (!home.empty()) {
    EXPECT_EQ(DefaultSettingsKeyLocation(), home + "/.config/dirhop/registry");
  }
  // A relative HOME counts as unset (the user's entry in the password file stands in): a
  // location taken from it would put a store in every directory the program is run from.
  env.Set("HOME", "relative/home");
  const std::string location = DefaultSettingsKeyLocation();
  EXPECT_EQ(location.find("relative"), std::string::npos) << location;
  if (!location.empty()) {
    EXPECT_EQ(location[0], '/') << location;
  }
}

TEST(PasswdEntryTest, TheHomeOfTheFirstLineWithTheUserId) {
  const std::string text =
      "root:x:0:0:root:/root:/bin/bash\n"
      "# a comment\n"
      "short:x:7\n"
      "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n"
      "ann:x:1000:1000:Ann,,,:/home/ann smith:/bin/zsh\n"
      "dup:x:1000:1000::/home/dup:/bin/sh\n"
      "rel:x:1001:1001::relative:/bin/sh\n"
      "nohome:x:1002:1002:::/bin/sh\n"
      "big:x:4294967294:1::/home/big:/bin/sh";  // no line end at the end of the text
  EXPECT_EQ(HomeInPasswdText(text, 0), "/root");
  EXPECT_EQ(HomeInPasswdText(text, 1), "/usr/sbin");
  EXPECT_EQ(HomeInPasswdText(text, 1000), "/home/ann smith");
  EXPECT_EQ(HomeInPasswdText(text, 4294967294UL), "/home/big");
  EXPECT_EQ(HomeInPasswdText(text, 1001), std::nullopt);  // not absolute
  EXPECT_EQ(HomeInPasswdText(text, 1002), std::nullopt);  // empty
  EXPECT_EQ(HomeInPasswdText(text, 7), std::nullopt);     // a malformed line
  EXPECT_EQ(HomeInPasswdText(text, 4242), std::nullopt);
  EXPECT_EQ(HomeInPasswdText("", 0), std::nullopt);
  // "10" is not "1", "+1" and " 1" are no user ids.
  EXPECT_EQ(HomeInPasswdText("a:x:10:0::/ten:/bin/sh\nb:x:+1:0::/p:/s\nc:x: 1:0::/s:/s\n", 1),
            std::nullopt);
}

TEST_F(StorePlatformTest, ReadingForUpdateTellsMissingFromUnreadable) {
  if (test::RerunWithoutPermissionBypass()) return;
  const fs::path file = dir_ / "data";
  EXPECT_EQ(ReadFileForUpdate(file.string(), 100).status, StoreFileStatus::kMissing);
  EXPECT_EQ(ReadFileForUpdate((dir_ / "no" / "data").string(), 100).status,
            StoreFileStatus::kMissing);
  WriteFile(file, std::string(300, 'x'));
  FileReadResult read = ReadFileForUpdate(file.string(), 1000);
  EXPECT_EQ(read.status, StoreFileStatus::kOk);
  EXPECT_EQ(read.bytes, std::string(300, 'x'));
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (!test::ReadOnlyIsEnforced(file)) GTEST_SKIP() << "this user writes anything";
  EXPECT_EQ(ReadFileForUpdate(file.string(), 1000).status, StoreFileStatus::kUnreadable);
  // A file the process may not write is never replaced, though its folder would allow it.
  EXPECT_EQ(ReplaceFileAtomically(file.string(), "new"), StoreFileStatus::kWriteFailed);
  EXPECT_EQ(ReadFile(file), std::string(300, 'x'));
  EXPECT_EQ(Entries(), std::vector<std::string>{"data"});
}

TEST_F(StorePlatformTest, AFileLongerThanTheLimitIsNeverCut) {
  const fs::path file = dir_ / "data";
  for (std::size_t size : {0u, 99u, 100u}) {
    WriteFile(file, std::string(size, 'x'));
    FileReadResult read = ReadFileForUpdate(file.string(), 100);
    EXPECT_EQ(read.status, StoreFileStatus::kOk) << size;
    EXPECT_EQ(read.bytes.size(), size);
  }
  for (std::size_t size : {101u, 100000u}) {
    WriteFile(file, std::string(size, 'x'));
    FileReadResult read = ReadFileForUpdate(file.string(), 100);
    EXPECT_EQ(read.status, StoreFileStatus::kTooLarge) << size;
    EXPECT_EQ(read.bytes, "");
  }
}

TEST_F(StorePlatformTest, OnlyRegularFilesAreReadOrReplaced) {
  // A folder everywhere; the null device on Windows; on POSIX a FIFO that another process holds
  // open (opening it to read would not block, but reading it would) and, as root, a null device.
  std::vector<std::string> nodes = {(dir_ / "folder").string()};
  fs::create_directories(nodes[0]);
  if (OnWindows()) nodes.push_back("NUL");
  const fs::path fifo = dir_ / "fifo";
  std::optional<std::ifstream> fifo_held;
  if (test::MakeFifo(fifo)) {
    nodes.push_back(fifo.string());
    fifo_held.emplace(fifo, std::ios::in | std::ios::out);
  }
  const fs::path null_device = dir_ / "null";
  if (test::MakeNullDevice(null_device)) nodes.push_back(null_device.string());
  for (const std::string& node : nodes) {
    SCOPED_TRACE(node);
    EXPECT_EQ(ReadFileForUpdate(node, 100).status, StoreFileStatus::kNotRegular);
    EXPECT_EQ(ReplaceFileAtomically(node, "x"), StoreFileStatus::kNotRegular);
  }
  EXPECT_TRUE(fs::is_directory(nodes[0]));
  if (fifo_held) {
    EXPECT_TRUE(fs::is_fifo(fifo));
  }
  if (fs::exists(null_device)) {
    EXPECT_TRUE(fs::is_character_file(null_device));
  }
  // Nothing was written beside them either.
  std::vector<std::string> expected = {"folder"};
  if (fifo_held) expected.push_back("fifo");
  if (fs::exists(null_device)) expected.push_back("null");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Entries(), expected);
}

TEST_F(StorePlatformTest, AtomicReplacementLeavesNoTemporaryFiles) {
  const fs::path file = dir_ / "data";
  ASSERT_EQ(ReplaceFileAtomically(file.string(), "first"), StoreFileStatus::kOk);
  EXPECT_EQ(ReadFile(file), "first");
  ASSERT_EQ(ReplaceFileAtomically(file.string(), std::string(20000, 'n')), StoreFileStatus::kOk);
  EXPECT_EQ(ReadFile(file), std::string(20000, 'n'));
  ASSERT_EQ(ReplaceFileAtomically(file.string(), ""), StoreFileStatus::kOk);
  EXPECT_EQ(fs::file_size(file), 0u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"data"});
  EXPECT_EQ(ReplaceFileAtomically((dir_ / "missing" / "data").string(), "x"),
            StoreFileStatus::kWriteFailed);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(StorePlatformTest, AStampTellsTheFileReadFromAnotherOfTheSameSizeAndTimes) {
  const fs::path file = dir_ / "data";
  WriteFile(file, "first");
  std::optional<FileReadResult> read = ReadFileForUpdate(file.string(), 100);
  ASSERT_EQ(read->status, StoreFileStatus::kOk);
  // Windows gives none: every save there reads the file again.
  if (OnWindows()) {
    EXPECT_FALSE(read->stamp);
    return;
  }
  ASSERT_TRUE(read->stamp);
  EXPECT_TRUE(StoreFileUnchanged(file.string(), *read->stamp));
  // Another run's save of as many bytes, given the first file's time, is still another file.
  const fs::file_time_type written = fs::last_write_time(file);
  ASSERT_EQ(ReplaceFileAtomically(file.string(), "other"), StoreFileStatus::kOk);
  fs::last_write_time(file, written);
  EXPECT_FALSE(StoreFileUnchanged(file.string(), *read->stamp));
  // A write in place is seen too.
  read = ReadFileForUpdate(file.string(), 100);
  ASSERT_TRUE(read->stamp);
  EXPECT_TRUE(StoreFileUnchanged(file.string(), *read->stamp));
  { std::ofstream(file, std::ios::binary | std::ios::app) << "!"; }
  EXPECT_FALSE(StoreFileUnchanged(file.string(), *read->stamp));
  fs::remove(file);
  EXPECT_FALSE(StoreFileUnchanged(file.string(), *read->stamp));
}

TEST_F(StorePlatformTest, AReplacementRemovesTheTemporaryFilesOfKilledSavesOnly) {
  const fs::path file = dir_ / "data";
  WriteFile(file, "old");
  WriteFile(dir_ / "data.~dirhop-0a1b2c", "stale");
  WriteFile(dir_ / "data.~dirhop-zzzzzz", "stale");
  WriteFile(dir_ / "data.~dirhop-held00", "held");
  WriteFile(dir_ / "data.~dirhop-0a1b2", "not ours");
  WriteFile(dir_ / "data.~dirhop-0A1B2C!", "not ours");
  WriteFile(dir_ / "datb.~dirhop-0a1b2c", "not ours");
  test::HeldLikeASave held(dir_ / "data.~dirhop-held00");
  ASSERT_TRUE(held.held());
  ASSERT_EQ(ReplaceFileAtomically(file.string(), "new"), StoreFileStatus::kOk);
  EXPECT_EQ(ReadFile(file), "new");
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"data", "data.~dirhop-0A1B2C!", "data.~dirhop-0a1b2",
                                      "data.~dirhop-held00", "datb.~dirhop-0a1b2c"}));
}

TEST_F(StorePlatformTest, PosixReplacementKeepsPermissionsAndLinks) {
  if (OnWindows()) GTEST_SKIP() << "POSIX modes and links";
  const fs::path real = dir_ / "real.dat";
  WriteFile(real, "old");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::path link = dir_ / "link.dat";
  fs::create_symlink(real, link);
  const fs::path chain = dir_ / "chain.dat";
  fs::create_symlink("link.dat", chain);
  EXPECT_EQ(ReadFileForUpdate(chain.string(), 100).bytes, "old");
  ASSERT_EQ(ReplaceFileAtomically(chain.string(), "new"), StoreFileStatus::kOk);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(chain));
  EXPECT_EQ(ReadFile(real), "new");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A dangling link of the user's own: its file is created where it points, if that folder is
  // there; a loop of links is no file at all.
  const fs::path dangling = dir_ / "dangling.dat";
  fs::create_symlink(dir_ / "sub" / "made.dat", dangling);
  EXPECT_EQ(ReadFileForUpdate(dangling.string(), 100).status, StoreFileStatus::kMissing);
  EXPECT_EQ(ReplaceFileAtomically(dangling.string(), "x"), StoreFileStatus::kWriteFailed);
  fs::create_directories(dir_ / "sub");
  ASSERT_EQ(ReplaceFileAtomically(dangling.string(), "made"), StoreFileStatus::kOk);
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(ReadFile(dir_ / "sub" / "made.dat"), "made");
  fs::create_symlink("loop2", dir_ / "loop1");
  fs::create_symlink("loop1", dir_ / "loop2");
  EXPECT_EQ(ReadFileForUpdate((dir_ / "loop1").string(), 100).status, StoreFileStatus::kNotRegular);
  EXPECT_EQ(ReplaceFileAtomically((dir_ / "loop1").string(), "x"), StoreFileStatus::kNotRegular);
  EXPECT_TRUE(fs::is_symlink(dir_ / "loop1"));
}

TEST_F(StorePlatformTest, PosixLinksAreFollowedOnlyFromTheUserOrRootToTheUsersFiles) {
  if (OnWindows()) GTEST_SKIP() << "POSIX owners";
  const fs::path notes = dir_ / "notes.txt";
  WriteFile(notes, "notes");
  const fs::path foreign = dir_ / "foreign.dat";
  fs::create_symlink(notes, foreign);
  if (!test::GiveToUser(foreign, test::kOtherUser)) GTEST_SKIP() << "only root gives links away";
  EXPECT_EQ(ReadFileForUpdate(foreign.string(), 100).status, StoreFileStatus::kForeignLink);
  EXPECT_EQ(ReplaceFileAtomically(foreign.string(), "x"), StoreFileStatus::kForeignLink);
  // Further down a chain, too; and a dangling link of someone else's is no invitation either.
  const fs::path chain = dir_ / "chain.dat";
  fs::create_symlink(foreign, chain);
  EXPECT_EQ(ReplaceFileAtomically(chain.string(), "x"), StoreFileStatus::kForeignLink);
  const fs::path dangling = dir_ / "dangling.dat";
  fs::create_symlink(dir_ / "planted.dat", dangling);
  ASSERT_TRUE(test::GiveToUser(dangling, test::kOtherUser));
  EXPECT_EQ(ReplaceFileAtomically(dangling.string(), "x"), StoreFileStatus::kForeignLink);
  EXPECT_FALSE(fs::exists(dir_ / "planted.dat"));
  EXPECT_EQ(ReadFile(notes), "notes");

  // The user's own link (root's counts as the user's) to a file of someone else's.
  const fs::path theirs = dir_ / "theirs.dat";
  WriteFile(theirs, "theirs");
  ASSERT_TRUE(test::GiveToUser(theirs, test::kOtherUser));
  const fs::path mine = dir_ / "mine.dat";
  fs::create_symlink(theirs, mine);
  EXPECT_EQ(ReadFileForUpdate(mine.string(), 100).status, StoreFileStatus::kForeignTarget);
  EXPECT_EQ(ReplaceFileAtomically(mine.string(), "x"), StoreFileStatus::kForeignTarget);
  EXPECT_EQ(ReadFile(theirs), "theirs");
  // A file of someone else's that is the store itself, not reached through a link, is for the
  // permissions to decide.
  EXPECT_EQ(ReadFileForUpdate(theirs.string(), 100).status, StoreFileStatus::kOk);
}

TEST_F(StorePlatformTest, PosixTemporaryFilesOfAnotherUserAreKept) {
  if (OnWindows()) GTEST_SKIP() << "POSIX owners";
  const fs::path theirs = dir_ / "data.~dirhop-theirs";
  WriteFile(theirs, "theirs");
  if (!test::GiveToUser(theirs, test::kOtherUser)) GTEST_SKIP() << "only root gives files away";
  fs::create_symlink("data.~dirhop-theirs", dir_ / "data.~dirhop-link00");
  ASSERT_EQ(ReplaceFileAtomically((dir_ / "data").string(), "new"), StoreFileStatus::kOk);
  EXPECT_EQ(ReadFile(theirs), "theirs");
  EXPECT_TRUE(fs::is_symlink(dir_ / "data.~dirhop-link00"));
}

TEST_F(StorePlatformTest, PosixKeyFileThatMayNotBeUsedIsNotOpened) {
  if (OnWindows()) GTEST_SKIP() << "the key file exists only on POSIX";
  fs::create_directories(fs::path(key_).parent_path());
  // Longer than the limit, with a value whose line the limit would cut: not loaded, not rewritten.
  const std::string big = "# " + std::string(kSettingsKeyFileLimit - 20, 'c') +
                          "\naliasdir_1\tsz\t/home/user/projects/important-client\n";
  WriteFile(key_, big);
  OpenedSettingsKey opened = OpenSettingsKey(key_, KeyOpening::kCreateMissing);
  EXPECT_FALSE(opened.key);
  EXPECT_EQ(opened.status, StoreFileStatus::kTooLarge);
  EXPECT_EQ(fs::file_size(key_), big.size());
  fs::remove(key_);
  fs::create_directories(key_);
  EXPECT_EQ(OpenSettingsKey(key_, KeyOpening::kCreateMissing).status, StoreFileStatus::kNotRegular);
  fs::remove(key_);
  // A folder that cannot be made is a failed write.
  WriteFile(fs::path(key_).parent_path().parent_path() / "blocked", "");
  const std::string blocked =
      (fs::path(key_).parent_path().parent_path() / "blocked" / "registry").string();
  OpenedSettingsKey failed = OpenSettingsKey(blocked, KeyOpening::kCreateMissing);
  EXPECT_FALSE(failed.key);
  EXPECT_EQ(failed.status, StoreFileStatus::kWriteFailed);
}

// Whether another thread (on Windows a mutex is its owner thread's, on POSIX a lock is its open
// file's) gets the lock of `store` within `wait`.
StoreLockOutcome OutcomeElsewhere(const std::string& store, LockedStore kind,
                                  std::chrono::milliseconds wait) {
  StoreLockOutcome outcome = StoreLockOutcome::kUnsupported;
  std::thread other([&] { outcome = LockStore(store, kind, wait).outcome; });
  other.join();
  return outcome;
}

TEST_F(StorePlatformTest, AStoreLockKeepsOthersOutUntilItEndsWhateverTheFileIsCalled) {
  using std::chrono::milliseconds;
  const fs::path file = dir_ / "longer store name.dat";
  fs::create_directory(dir_ / "SUB");
  WriteFile(dir_ / "other.dat", "");
  // Other names of the same file: another case and a detour (Windows), a link of the user's
  // (POSIX), and once it exists its Z: and short names (Windows).
  std::vector<std::string> names = {file.string()};
  if (OnWindows()) {
    names.push_back((dir_ / "SUB" / ".." / "LONGER STORE NAME.DAT").string());
  } else {
    fs::create_symlink(file.filename(), dir_ / "link.dat");
    names.push_back((dir_ / "link.dat").string());
  }
  for (const bool exists : {false, true}) {
    SCOPED_TRACE(exists ? "an existing file" : "a file not made yet");
    if (exists) {
      WriteFile(file, "old");
      for (const std::string& name : test::OtherWindowsNamesOf(file)) names.push_back(name);
      if (test::RunsUnderWine()) {
        ASSERT_GE(names.size(), 4u);
      }
    }
    for (const std::string& holder : names) {
      SCOPED_TRACE("held as " + holder);
      StoreLockResult held = LockStore(holder, LockedStore::kDataFile, milliseconds(0));
      ASSERT_EQ(held.outcome, StoreLockOutcome::kHeld);
      for (const std::string& name : names) {
        EXPECT_EQ(OutcomeElsewhere(name, LockedStore::kDataFile, milliseconds(50)),
                  StoreLockOutcome::kBusy)
            << name;
      }
      // Another store that exists is not held up.
      EXPECT_EQ(
          OutcomeElsewhere((dir_ / "other.dat").string(), LockedStore::kDataFile, milliseconds(0)),
          StoreLockOutcome::kHeld);
    }
    for (const std::string& name : names) {
      EXPECT_EQ(OutcomeElsewhere(name, LockedStore::kDataFile, milliseconds(0)),
                StoreLockOutcome::kHeld)
          << name;
    }
  }
  // A save that puts a new file in place while the lock is held changes nothing: the lock is on
  // the lock file beside it, which no save replaces.
  StoreLockResult first = LockStore(file.string(), LockedStore::kDataFile, milliseconds(0));
  ASSERT_EQ(first.outcome, StoreLockOutcome::kHeld);
  ASSERT_EQ(ReplaceFileAtomically(file.string(), "new"), StoreFileStatus::kOk);
  EXPECT_EQ(OutcomeElsewhere(file.string(), LockedStore::kDataFile, milliseconds(50)),
            StoreLockOutcome::kBusy);
  first = {};
  EXPECT_EQ(OutcomeElsewhere(file.string(), LockedStore::kDataFile, milliseconds(0)),
            StoreLockOutcome::kHeld);
}

TEST_F(StorePlatformTest, TheSettingsKeysLockIsOneForTheUser) {
  using std::chrono::milliseconds;
  StoreLockResult held = LockStore(key_, LockedStore::kSettingsKey, milliseconds(0));
  ASSERT_EQ(held.outcome, StoreLockOutcome::kHeld);
  EXPECT_EQ(OutcomeElsewhere(key_, LockedStore::kSettingsKey, milliseconds(50)),
            StoreLockOutcome::kBusy);
  // A data file is another store.
  EXPECT_EQ(OutcomeElsewhere((dir_ / "d.dat").string(), LockedStore::kDataFile, milliseconds(0)),
            StoreLockOutcome::kHeld);
  held = {};
  EXPECT_EQ(OutcomeElsewhere(key_, LockedStore::kSettingsKey, milliseconds(0)),
            StoreLockOutcome::kHeld);
  // Only the registry's values are read one at a time; files are read whole.
  EXPECT_EQ(ReadsTakeTheLock(LockedStore::kSettingsKey), OnWindows());
  EXPECT_FALSE(ReadsTakeTheLock(LockedStore::kDataFile));
}

TEST_F(StorePlatformTest, ALockFileIsTheUsersOwnAndAFoldersMadeForItArePrivate) {
  if (OnWindows()) GTEST_SKIP() << "POSIX modes and owners";
  using std::chrono::milliseconds;
  // The settings key's folder is made, private, before its lock is taken.
  {
    StoreLockResult held = LockStore(key_, LockedStore::kSettingsKey, milliseconds(0));
    ASSERT_EQ(held.outcome, StoreLockOutcome::kHeld);
  }
  const fs::path key_folder = fs::path(key_).parent_path();
  EXPECT_EQ(fs::status(key_folder).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(fs::status(key_ + ".lock").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  // A lock file another user may read is made the user's alone again.
  const fs::path data = dir_ / "d.dat";
  WriteFile(fs::path(data.string() + ".lock"), "");
  fs::permissions(data.string() + ".lock", fs::perms::owner_read | fs::perms::owner_write |
                                               fs::perms::group_read | fs::perms::others_read);
  {
    StoreLockResult held = LockStore(data.string(), LockedStore::kDataFile, milliseconds(0));
    ASSERT_EQ(held.outcome, StoreLockOutcome::kHeld);
    EXPECT_EQ(held.notice, StoreLockNotice::kNone);
  }
  EXPECT_EQ(fs::status(data.string() + ".lock").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  // A link in its place is not followed: the run goes without a lock, and says why.
  fs::remove(data.string() + ".lock");
  fs::create_symlink(dir_ / "elsewhere", data.string() + ".lock");
  StoreLockResult refused = LockStore(data.string(), LockedStore::kDataFile, milliseconds(0));
  EXPECT_EQ(refused.outcome, StoreLockOutcome::kUnsupported);
  EXPECT_EQ(refused.notice, StoreLockNotice::kLockFileNotUsable);
  EXPECT_EQ(refused.lock_file, data.string() + ".lock");
  EXPECT_FALSE(fs::exists(dir_ / "elsewhere"));
  // A folder no save could be made in gives no lock, and nothing to say.
  StoreLockResult nowhere =
      LockStore((dir_ / "missing" / "d.dat").string(), LockedStore::kDataFile, milliseconds(0));
  EXPECT_EQ(nowhere.outcome, StoreLockOutcome::kUnsupported);
  EXPECT_EQ(nowhere.notice, StoreLockNotice::kNone);
  // A new store file is private; a replaced one keeps the mode the user gave it.
  ASSERT_EQ(ReplaceFileAtomically(data.string(), "new"), StoreFileStatus::kOk);
  EXPECT_EQ(fs::status(data).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(data, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(ReplaceFileAtomically(data.string(), "newer"), StoreFileStatus::kOk);
  EXPECT_EQ(fs::status(data).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace dirhop::platform
