#include "state/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>

#include "match/paths.h"
#include "platform/platform.h"
#include "support/fake_console.h"
#include "support/fake_settings_key.h"
#include "support/os_fixtures.h"
#include "support/test_files.h"

namespace dirhop {
namespace {

namespace fs = std::filesystem;
using platform::StoreValueType;
using test::FakeKeyStore;

using test::ReadFile;
using test::ReadOnlyIsEnforced;
using test::WriteFile;

// What a run says when the data file at `path` can be neither read nor created.
std::string CannotReadNorWrite(const std::string& path) {
  return "Dirhop: Error - can't read settings from '" + path +
         "'\n"
         "        Creating new file\n"
         "Dirhop: Error - can't write to '" +
         path + "'\n\n";
}

// The data file tests work on real files in a folder of their own, on both builds.
class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = (dir_ / "dirhop.dat").string();
    settings_.open_key = [this](const std::string&) {
      ADD_FAILURE() << "the settings key must not be used when a data file is named";
      return platform::OpenedSettingsKey{};
    };
  }

  std::string Text() { return test::Written(fake_); }

  std::vector<std::string> FilesInFolder() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  test::TempDir temp_{"dirhop_store"};
  const fs::path dir_ = temp_.path();
  std::string file_;
  test::FakeConsole fake_ = test::MakeFakeConsole();
  Settings settings_;
};

TEST_F(DataFileTest, AMissingFileIsReportedAndCreatedWithTheDefaults) {
  LoadSettings(*fake_.console, settings_, file_);
  EXPECT_EQ(Text(), "Dirhop: Error - can't read settings from '" + file_ +
                        "'\n"
                        "        Creating new file\n"
                        "\n");
  EXPECT_EQ(fake_.device->TextIn(kColourError), "Dirhop: Error - can't read settings from '" +
                                                    file_ + "'\n        Creating new file\n");
  EXPECT_EQ(ReadFile(file_), SettingsRecord().Image());
  EXPECT_TRUE(settings_.first_run);
  EXPECT_EQ(settings_.data_file, file_);
  EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"dirhop.dat"});  // no temporary file left
}

TEST_F(DataFileTest, SavingAndLoadingRoundTripsTheRecord) {
  settings_.data_file = file_;
  settings_.record.SetHistory(0, "C:\\Work");
  settings_.record.SetAlias(1, "proj", "C:\\src\\proj");
  settings_.record.SetCanCreatePath(false);
  ASSERT_TRUE(SaveSettings(*fake_.console, settings_));
  Settings loaded;
  LoadSettings(*fake_.console, loaded, file_);
  EXPECT_EQ(Text(), "");
  EXPECT_FALSE(loaded.first_run);
  EXPECT_EQ(loaded.record.History(0), "C:\\Work");
  EXPECT_EQ(loaded.record.AliasName(1), "proj");
  EXPECT_EQ(loaded.record.AliasTarget(1), "C:\\src\\proj");
  EXPECT_FALSE(loaded.record.CanCreatePath());
  EXPECT_EQ(ReadFile(file_), settings_.record.Image());
}

TEST_F(DataFileTest, ShortAndLongFilesLoadWithoutAWordAndSaveWhole) {
  for (std::size_t size : {0u, 1u, 5376u, 10735u, 10737u, 1048576u}) {
    SCOPED_TRACE(size);
    std::string bytes(size, '\0');
    std::mt19937 random(static_cast<unsigned>(size));
    for (char& c : bytes) c = static_cast<char>(random());
    WriteFile(file_, bytes);
    Settings settings;
    LoadSettings(*fake_.console, settings, file_);
    EXPECT_EQ(Text(), "");
    SettingsRecord expected;
    expected.LoadImage(bytes);
    EXPECT_EQ(settings.record.Image(), expected.Image());
    ASSERT_TRUE(SaveSettings(*fake_.console, settings));
    EXPECT_EQ(fs::file_size(file_), 10736u);
  }
}

TEST_F(DataFileTest, AFileOf5376BytesSetsTheHistoryAndKeepsTheDefaultAliases) {
  SettingsRecord written;
  written.SetHistory(3, "D:\\x");
  WriteFile(file_, written.Image().substr(0, 5376));
  LoadSettings(*fake_.console, settings_, file_);
  EXPECT_EQ(settings_.record.History(3), "D:\\x");
  EXPECT_EQ(settings_.record.AliasName(1), "dos");
  EXPECT_EQ(settings_.record.AliasName(2), "win");
}

TEST_F(DataFileTest, AReadOnlyFileIsNeverReplacedAndEverySaveSaysSo) {
  if (test::RerunWithoutPermissionBypass()) return;
  const std::string original = std::string(10736, '\x07');
  WriteFile(file_, original);
  fs::permissions(file_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (!ReadOnlyIsEnforced(file_)) GTEST_SKIP() << "this user may write read-only files";
  LoadSettings(*fake_.console, settings_, file_);
  EXPECT_EQ(Text(), CannotReadNorWrite(file_));
  EXPECT_FALSE(settings_.first_run);
  EXPECT_EQ(settings_.record.Image(), SettingsRecord().Image());  // the run goes on with defaults
  EXPECT_FALSE(SaveSettings(*fake_.console, settings_));
  EXPECT_FALSE(SaveSettings(*fake_.console, settings_));
  const std::string line = "Dirhop: Error - can't write to '" + file_ + "'\n";
  EXPECT_EQ(Text().substr(Text().size() - 2 * line.size()), line + line);
  EXPECT_EQ(ReadFile(file_), original);
  EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"dirhop.dat"});
}

TEST_F(DataFileTest, AFileInAMissingFolderIsReportedAndTheRunGoesOn) {
  const std::string missing = (dir_ / "no" / "such" / "dirhop.dat").string();
  LoadSettings(*fake_.console, settings_, missing);
  EXPECT_EQ(Text(), CannotReadNorWrite(missing));
  EXPECT_FALSE(settings_.first_run);
  EXPECT_EQ(settings_.record.AliasName(1), "dos");
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

TEST_F(DataFileTest, AFolderNamedAsTheDataFileIsLeftAlone) {
  fs::create_directories(file_);
  LoadSettings(*fake_.console, settings_, file_);
  EXPECT_NE(Text().find("Dirhop: Error - can't write to '" + file_ + "'"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(file_));
}

TEST(DataFilePathTest, UnsetOrEmptyMeansTheSettingsKey) {
  EXPECT_EQ(DataFilePath(std::nullopt, kWindowsPaths), std::nullopt);
  EXPECT_EQ(DataFilePath(std::string(), kPosixPaths), std::nullopt);
}

TEST(DataFilePathTest, AbsolutePathsAreKeptAsTyped) {
  EXPECT_EQ(DataFilePath(std::string("C:\\data\\d.dat"), kWindowsPaths), "C:\\data\\d.dat");
  EXPECT_EQ(DataFilePath(std::string("c:/data/d.dat"), kWindowsPaths), "c:/data/d.dat");
  EXPECT_EQ(DataFilePath(std::string("\\\\srv\\share\\d.dat"), kWindowsPaths),
            "\\\\srv\\share\\d.dat");
  EXPECT_EQ(DataFilePath(std::string("/home/u/d.dat"), kPosixPaths), "/home/u/d.dat");
  const std::string long_path = "/" + std::string(400, 'p');  // no 255-character limit
  EXPECT_EQ(DataFilePath(long_path, kPosixPaths), long_path);
}

TEST(DataFilePathTest, RelativePathsAreFixedToTheStartDirectory) {
  const std::string here = platform::CurrentDirectory();
  const PathSyntax syntax =
      platform::Host() == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths;
  const std::string expected = AddTrailingBackslash(here, syntax) + "d.dat";
  EXPECT_EQ(DataFilePath(std::string("d.dat"), syntax), expected);
}

// ---- The settings key (a fake here; the real registry and file are tested with the platform) --

TEST(SettingsKeyStoreTest, AFreshKeyLoadsEmptyAndIsTheFirstRun) {
  FakeKeyStore store;
  store.exists = false;
  Settings settings = test::MakeSettingsOn(store);
  test::FakeConsole fake = test::MakeFakeConsole();
  LoadSettings(*fake.console, settings, std::nullopt);
  EXPECT_TRUE(settings.first_run);
  EXPECT_TRUE(settings.data_file.empty());
  for (int slot = 1; slot <= kAliasSlots; ++slot) EXPECT_TRUE(settings.record.AliasFree(slot));
  EXPECT_TRUE(settings.record.HistoryEmpty(0));
  EXPECT_TRUE(settings.record.CanCreatePath());
  Settings again = test::MakeSettingsOn(store);
  LoadSettings(*fake.console, again, std::nullopt);
  EXPECT_FALSE(again.first_run);
}

TEST(SettingsKeyStoreTest, SavingWritesAll61StringsAndNeverCanCreatePath) {
  FakeKeyStore store;
  Settings settings = test::MakeSettingsOn(store);
  settings.record.SetHistory(0, "C:\\Work");
  settings.record.SetCanCreatePath(false);
  ASSERT_TRUE(SaveToRegistry(settings));
  EXPECT_EQ(store.values.size(), 61u);
  EXPECT_EQ(store.values.count("canCreatePath"), 0u);
  EXPECT_EQ(store.Text("history_0"), "C:\\Work");
  EXPECT_EQ(store.Text("history_20"), "");
  EXPECT_EQ(store.Text("aliasname_1"), "dos");
  EXPECT_EQ(store.Text("aliasdir_2"), "c:\\windows");
  EXPECT_EQ(store.Text("aliasname_20"), "");
  EXPECT_EQ(store.closes, 1);
}

TEST(SettingsKeyStoreTest, WrongTypesReadAsDefaultsAndLongValuesAreCut) {
  FakeKeyStore store;
  store.Put("canCreatePath", StoreValueType::kString, "0");  // a string: reads as true
  store.Put("history_0", StoreValueType::kString, "C:\\a");
  store.Put("history_3", StoreValueType::kDword, "", 7);
  store.Put("history_4", StoreValueType::kExpandString, "%TEMP%\\x");  // taken as it is
  store.Put("history_5", StoreValueType::kString, std::string(300, 'h'));
  store.Put("aliasname_1", StoreValueType::kString, "abcdefghijklmno");  // 15 characters
  store.Put("aliasdir_1", StoreValueType::kOther, "\x01\x02");
  store.Put("aliasname_3", StoreValueType::kString, "gap");
  store.Put("aliasdir_3", StoreValueType::kString, "C:\\gap");
  Settings settings = test::MakeSettingsOn(store);
  LoadFromRegistry(settings);
  const SettingsRecord& record = settings.record;
  EXPECT_TRUE(record.CanCreatePath());
  EXPECT_EQ(record.History(0), "C:\\a");
  EXPECT_TRUE(record.HistoryEmpty(3));
  EXPECT_EQ(record.History(4), "%TEMP%\\x");
  EXPECT_EQ(record.History(5), std::string(255, 'h'));
  EXPECT_EQ(record.AliasName(1), "abcdefghij");
  EXPECT_EQ(record.AliasTarget(1), "");
  EXPECT_TRUE(record.AliasFree(2));  // the defaults do not survive a registry load
  EXPECT_EQ(record.AliasName(3), "gap");
  EXPECT_EQ(record.AliasTarget(3), "C:\\gap");
}

TEST(SettingsKeyStoreTest, CanCreatePathIsADword) {
  FakeKeyStore store;
  Settings settings = test::MakeSettingsOn(store);
  store.Put("canCreatePath", StoreValueType::kDword, "", 0);
  LoadFromRegistry(settings);
  EXPECT_FALSE(settings.record.CanCreatePath());
  store.Put("canCreatePath", StoreValueType::kDword, "", 2);
  LoadFromRegistry(settings);
  EXPECT_TRUE(settings.record.CanCreatePath());
}

TEST(SettingsKeyStoreTest, AKeyThatCannotBeOpenedChangesNothingAndSaysNothing) {
  FakeKeyStore store;
  store.openable = false;
  Settings settings = test::MakeSettingsOn(store);
  test::FakeConsole fake = test::MakeFakeConsole();
  LoadSettings(*fake.console, settings, std::nullopt);
  EXPECT_EQ(settings.record.Image(), SettingsRecord().Image());
  EXPECT_FALSE(settings.first_run);
  EXPECT_FALSE(SaveSettings(*fake.console, settings));
  EXPECT_EQ(test::Written(fake), "");
}

TEST(SettingsKeyStoreTest, AValueThatCannotBeWrittenEndsTheRunWithItsName) {
  FakeKeyStore store;
  store.refuse = "aliasname_2";
  Settings settings = test::MakeSettingsOn(store);
  test::FakeConsole fake = test::MakeFakeConsole();
  try {
    SaveSettings(*fake.console, settings);
    FAIL() << "the failed write was not raised";
  } catch (const std::runtime_error& failure) {
    EXPECT_STREQ(failure.what(), "Failed to set data for 'aliasname_2'");
  }
  EXPECT_EQ(store.Text("aliasdir_1"), "c:\\dos");  // what was written before stays written
  EXPECT_EQ(store.values.count("aliasdir_2"), 0u);
  store.refuse.clear();
  store.refuse_close = true;
  EXPECT_THROW(SaveSettings(*fake.console, settings), std::runtime_error);
}

}  // namespace
}  // namespace dirhop
