// The store services of the platform layer on real files and, on Windows, the real registry
// (under Wine in this project's test runs). Each test uses a key location of its own.
#include "platform/store_platform.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "support/os_fixtures.h"
#include "support/scoped_env.h"
#include "support/test_files.h"

namespace dirhop::platform {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::WriteFile;

bool OnWindows() { return Host() == HostKind::kWindows; }

StoreValue String(const std::string& text) { return {StoreValueType::kString, text, 0}; }

class StorePlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The folder's name is unique, so a registry key named after it is too.
    key_ = OnWindows() ? "SOFTWARE\\Brantel Software\\DirhopTest_" + dir_.filename().string()
                       : (dir_ / "config" / "dirhop" / "registry").string();
  }

  void TearDown() override { DeleteSettingsKey(key_); }

  test::TempDir temp_{"dirhop_storeplat"};
  const fs::path dir_ = temp_.path();
  std::string key_;
};

TEST_F(StorePlatformTest, OpeningCreatesTheKeyOnceAndValuesComeBackTyped) {
  OpenedSettingsKey first = OpenSettingsKey(key_);
  ASSERT_TRUE(first.key);
  EXPECT_TRUE(first.created);
  EXPECT_EQ(first.key->Query("history_0"), std::nullopt);
  const std::string odd = "C:\\with spaces\\tab\there\\caf\xe9\\100%";
  ASSERT_TRUE(first.key->Set("history_0", String(odd)));
  ASSERT_TRUE(first.key->Set("history_1", String("")));
  ASSERT_TRUE(first.key->Set("canCreatePath", StoreValue{StoreValueType::kDword, "", 0}));
  ASSERT_TRUE(first.key->Set("x", StoreValue{StoreValueType::kExpandString, "%TEMP%", 0}));
  ASSERT_TRUE(first.key->Close());

  OpenedSettingsKey second = OpenSettingsKey(key_);
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
  // Replacing a value keeps one value of that name.
  ASSERT_TRUE(second.key->Set("history_0", String("D:\\")));
  ASSERT_TRUE(second.key->Close());
  EXPECT_EQ(OpenSettingsKey(key_).key->Query("history_0")->text, "D:\\");
}

TEST_F(StorePlatformTest, AKeyIsGoneAfterDeletion) {
  ASSERT_TRUE(OpenSettingsKey(key_).key);
  EXPECT_TRUE(DeleteSettingsKey(key_));
  EXPECT_TRUE(DeleteSettingsKey(key_));  // already gone
  OpenedSettingsKey again = OpenSettingsKey(key_);
  ASSERT_TRUE(again.key);
  EXPECT_TRUE(again.created);
}

TEST_F(StorePlatformTest, WindowsRegistryOtherTypesAndFailedWrites) {
  if (!OnWindows()) GTEST_SKIP() << "the real registry is on Windows";
  OpenedSettingsKey opened = OpenSettingsKey(key_);
  ASSERT_TRUE(opened.key);
  ASSERT_TRUE(opened.key->Set("bin", StoreValue{StoreValueType::kOther, "ab", 0}));
  EXPECT_EQ(opened.key->Query("bin")->type, StoreValueType::kOther);
  // A key removed while it is open can no longer take values.
  ASSERT_TRUE(DeleteSettingsKey(key_));
  EXPECT_FALSE(opened.key->Set("history_0", String("C:\\")));
  EXPECT_TRUE(opened.key->Close());
}

TEST_F(StorePlatformTest, PosixKeyFileFormatDamageAndLinks) {
  if (OnWindows()) GTEST_SKIP() << "the key file exists only on POSIX";
  OpenedSettingsKey opened = OpenSettingsKey(key_);
  ASSERT_TRUE(opened.key);
  EXPECT_TRUE(fs::is_regular_file(key_));  // created on open, so the next run is not the first
  ASSERT_TRUE(opened.key->Set("history_0", String("/a\nb")));
  EXPECT_FALSE(opened.key->Set("bin", StoreValue{StoreValueType::kOther, "ab", 0}));
  ASSERT_TRUE(opened.key->Close());
  const std::string text = ReadFile(key_);
  EXPECT_NE(text.find("\nhistory_0\tsz\t/a\\nb\n"), std::string::npos) << text;

  // A damaged line is skipped; the values around it still read, and the rewrite drops it.
  WriteFile(key_, text + "garbage\xff\x01line\ncanCreatePath\tdword\t0\n");
  OpenedSettingsKey damaged = OpenSettingsKey(key_);
  ASSERT_TRUE(damaged.key);
  EXPECT_EQ(damaged.key->Query("history_0")->text, "/a\nb");
  EXPECT_EQ(damaged.key->Query("canCreatePath")->number, 0u);
  ASSERT_TRUE(damaged.key->Set("history_1", String("/c")));
  ASSERT_TRUE(damaged.key->Close());
  EXPECT_EQ(ReadFile(key_).find("garbage"), std::string::npos);
  EXPECT_NE(ReadFile(key_).find("canCreatePath\tdword\t0"), std::string::npos);

  // A key file reached through a link is updated in place; the link stays a link.
  const fs::path real = dir_ / "real-registry";
  fs::rename(key_, real);
  fs::create_symlink(real, key_);
  OpenedSettingsKey linked = OpenSettingsKey(key_);
  ASSERT_TRUE(linked.key);
  EXPECT_FALSE(linked.created);
  ASSERT_TRUE(linked.key->Set("history_2", String("/d")));
  ASSERT_TRUE(linked.key->Close());
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
}

TEST_F(StorePlatformTest, ReadingForUpdateTellsMissingFromUnreadable) {
  if (test::RerunWithoutPermissionBypass()) return;
  const fs::path file = dir_ / "data";
  EXPECT_EQ(ReadFileForUpdate(file.string(), 100).status, FileReadStatus::kMissing);
  EXPECT_EQ(ReadFileForUpdate((dir_ / "no" / "data").string(), 100).status,
            FileReadStatus::kMissing);
  WriteFile(file, std::string(300, 'x'));
  FileReadResult read = ReadFileForUpdate(file.string(), 100);
  EXPECT_EQ(read.status, FileReadStatus::kRead);
  EXPECT_EQ(read.bytes, std::string(100, 'x'));  // never more than asked for
  EXPECT_EQ(ReadFileForUpdate(file.string(), 1000).bytes.size(), 300u);
  EXPECT_EQ(ReadFileForUpdate(dir_.string(), 100).status, FileReadStatus::kUnreadable);
  EXPECT_TRUE(IsFileWritable(file.string()));
  EXPECT_TRUE(IsFileWritable((dir_ / "not-yet").string()));
  EXPECT_FALSE(IsFileWritable(dir_.string()));
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (!test::ReadOnlyIsEnforced(file)) GTEST_SKIP() << "this user writes anything";
  EXPECT_FALSE(IsFileWritable(file.string()));
  EXPECT_EQ(ReadFileForUpdate(file.string(), 100).status, FileReadStatus::kUnreadable);
}

TEST_F(StorePlatformTest, AtomicReplacementLeavesNoTemporaryFiles) {
  const fs::path file = dir_ / "data";
  ASSERT_TRUE(ReplaceFileAtomically(file.string(), "first"));
  EXPECT_EQ(ReadFile(file), "first");
  ASSERT_TRUE(ReplaceFileAtomically(file.string(), std::string(20000, 'n')));
  EXPECT_EQ(ReadFile(file), std::string(20000, 'n'));
  ASSERT_TRUE(ReplaceFileAtomically(file.string(), ""));
  EXPECT_EQ(fs::file_size(file), 0u);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(ReplaceFileAtomically((dir_ / "missing" / "data").string(), "x"));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(StorePlatformTest, PosixReplacementKeepsPermissionsAndLinks) {
  if (OnWindows()) GTEST_SKIP() << "POSIX modes and links";
  const fs::path real = dir_ / "real.dat";
  WriteFile(real, "old");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::path link = dir_ / "link.dat";
  fs::create_symlink(real, link);
  ASSERT_TRUE(ReplaceFileAtomically(link.string(), "new"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "new");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace dirhop::platform
