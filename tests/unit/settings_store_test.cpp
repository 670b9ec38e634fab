#include "state/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

#include "match/paths.h"
#include "platform/platform.h"
#include "support/fake_console.h"
#include "support/fake_file_system.h"
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

// The line a run writes, once and in the error colour, about a store it does not use.
std::string Refusal(const std::string& path, const std::string& reason) {
  return "Dirhop: Error - can't use '" + path + "' for settings: " + reason;
}

// The machine's file system, whose settings key must not be used: a data file is named.
class DataFileSystem : public SystemFileSystem {
 public:
  platform::OpenedSettingsKey OpenSettingsKey(const std::string&, platform::KeyOpening) override {
    ADD_FAILURE() << "the settings key must not be used when a data file is named";
    return platform::OpenedSettingsKey{};
  }
};

// The data file tests work on real files in a folder of their own, on both builds.
class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override { file_ = (dir_ / "dirhop.dat").string(); }

  std::string Text() { return test::Written(fake_); }

  static std::string RandomBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::mt19937 random(static_cast<unsigned>(size));
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
  }

  // Records `dir` in the history of `settings`, as a jump does, for the next save to write.
  static void RecordDirectory(Settings& settings, const std::string& dir) {
    AddHistoryEntry(settings.record, dir);
    settings.changes.push_back(HistoryAdded{dir});
  }

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
  DataFileSystem files_;
  Settings settings_{files_};
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
  // No temporary file left; the lock file stays.
  EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"dirhop.dat", "dirhop.dat.lock"}));
}

TEST_F(DataFileTest, AFileMadeNewOnPosixHoldsNoWindowsAliases) {
  settings_.windows_default_aliases = false;
  LoadSettings(*fake_.console, settings_, file_);
  SettingsRecord made;
  made.LoadImage(ReadFile(file_));
  EXPECT_TRUE(made.AliasFree(1));
  EXPECT_TRUE(made.AliasFree(2));
  EXPECT_TRUE(made.CanCreatePath());
  EXPECT_TRUE(settings_.record.AliasFree(1));
  // A file that exists keeps the aliases it holds, whatever the system.
  Settings again{files_};
  again.windows_default_aliases = false;
  SettingsRecord with_alias;
  test::WriteFile(file_, with_alias.Image());
  LoadSettings(*fake_.console, again, file_);
  SaveSettings(*fake_.console, again);
  made.LoadImage(ReadFile(file_));
  EXPECT_EQ(made.AliasName(2), "win");
}

TEST_F(DataFileTest, ReadingForAQueryNeverCreatesNorSavesTheFile) {
  LoadSettingsToRead(settings_, file_);
  EXPECT_TRUE(settings_.read_only);
  EXPECT_FALSE(settings_.first_run);
  EXPECT_EQ(settings_.record.Image(), SettingsRecord().Image());
  EXPECT_FALSE(SaveSettings(*fake_.console, settings_));
  EXPECT_TRUE(FilesInFolder().empty());
  EXPECT_EQ(Text(), "");

  SettingsRecord stored;
  stored.SetAlias(1, "w", "C:\\Web");
  test::WriteFile(file_, stored.Image());
  Settings reading(files_);
  LoadSettingsToRead(reading, file_);
  EXPECT_EQ(reading.record.AliasTarget(1), "C:\\Web");
  reading.record.SetAlias(1, "x", "C:\\Other");
  EXPECT_FALSE(SaveSettings(*fake_.console, reading));
  EXPECT_EQ(ReadFile(file_), stored.Image());
}

TEST_F(DataFileTest, SavingAndLoadingRoundTripsTheRecord) {
  SettingsRecord stored;
  stored.SetHistory(0, "C:\\Work");
  stored.SetAlias(1, "proj", "C:\\src\\proj");
  stored.SetCanCreatePath(false);
  WriteFile(file_, stored.Image());
  LoadSettings(*fake_.console, settings_, file_);
  settings_.changes.push_back(HistoryAdded{"C:\\Next"});
  AddHistoryEntry(settings_.record, "C:\\Next");
  ASSERT_TRUE(SaveSettings(*fake_.console, settings_));
  Settings loaded(files_);
  LoadSettings(*fake_.console, loaded, file_);
  EXPECT_EQ(Text(), "");
  EXPECT_FALSE(loaded.first_run);
  EXPECT_EQ(loaded.record.History(0), "C:\\Next");
  EXPECT_EQ(loaded.record.History(1), "C:\\Work");
  EXPECT_EQ(loaded.record.AliasName(1), "proj");
  EXPECT_EQ(loaded.record.AliasTarget(1), "C:\\src\\proj");
  EXPECT_FALSE(loaded.record.CanCreatePath());
  EXPECT_EQ(ReadFile(file_), settings_.record.Image());
  EXPECT_TRUE(settings_.changes.empty());
}

TEST_F(DataFileTest, ShortFilesLoadWithoutAWordAndSaveWhole) {
  for (std::size_t size : {0u, 1u, 5376u, 10735u, 10736u}) {
    SCOPED_TRACE(size);
    // Seven-bit bytes: the texts read the same whether or not the image is this release's.
    std::string bytes = RandomBytes(size);
    for (char& c : bytes) c = static_cast<char>(c & 0x7F);
    WriteFile(file_, bytes);
    Settings settings(files_);
    LoadSettings(*fake_.console, settings, file_);
    EXPECT_EQ(Text(), "");
    SettingsRecord expected;
    expected.LoadImage(bytes);
    EXPECT_EQ(settings.record.Image(), expected.Image());
    ASSERT_TRUE(SaveSettings(*fake_.console, settings));
    EXPECT_EQ(fs::file_size(file_), 10736u);
  }
}

TEST_F(DataFileTest, ALongerFileIsReportedOnceAndNeverLoadedNorRewritten) {
  for (std::size_t size : {10737u, 1048576u}) {
    SCOPED_TRACE(size);
    const std::string bytes = RandomBytes(size);
    WriteFile(file_, bytes);
    test::FakeConsole fake = test::MakeFakeConsole();
    Settings settings(files_);
    LoadSettings(*fake.console, settings, file_);
    const std::string refusal = Refusal(file_, "larger than 10736 bytes");
    EXPECT_EQ(fake.device->TextIn(kColourError), refusal);
    EXPECT_EQ(test::Written(fake), refusal + "\n");
    EXPECT_FALSE(settings.first_run);
    EXPECT_EQ(settings.record.Image(), SettingsRecord().Image());  // the run goes on with defaults
    settings.record.SetHistory(0, "C:\\changed");
    EXPECT_FALSE(SaveSettings(*fake.console, settings));
    EXPECT_FALSE(SaveSettings(*fake.console, settings));
    EXPECT_EQ(test::Written(fake), refusal + "\n");  // said once
    EXPECT_EQ(ReadFile(file_), bytes);
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
  EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"dirhop.dat", "dirhop.dat.lock"}));
}

TEST_F(DataFileTest, AFileInAMissingFolderIsReportedAndTheRunGoesOn) {
  const std::string missing = (dir_ / "no" / "such" / "dirhop.dat").string();
  LoadSettings(*fake_.console, settings_, missing);
  EXPECT_EQ(Text(), CannotReadNorWrite(missing));
  EXPECT_FALSE(settings_.first_run);
  EXPECT_EQ(settings_.record.AliasName(1), "dos");
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

TEST_F(DataFileTest, ANodeThatIsNotARegularFileIsReportedOnceAndLeftAlone) {
  // A folder everywhere; the null device on Windows; a FIFO that another process holds open, and
  // (as root) a null device node of its own on POSIX.
  std::vector<std::string> nodes = {file_};
  fs::create_directories(file_);
  if (platform::ThisHostKind() == platform::HostKind::kWindows) nodes.push_back("NUL");
  const fs::path fifo = dir_ / "fifo";
  std::optional<std::ifstream> fifo_held;
  if (test::MakeFifo(fifo)) {
    nodes.push_back(fifo.string());
    fifo_held.emplace(fifo, std::ios::in | std::ios::out);  // held open by "another" process
  }
  const fs::path null_device = dir_ / "null";
  if (test::MakeNullDevice(null_device)) nodes.push_back(null_device.string());
  for (const std::string& node : nodes) {
    SCOPED_TRACE(node);
    test::FakeConsole fake = test::MakeFakeConsole();
    Settings settings(files_);
    LoadSettings(*fake.console, settings, node);
    EXPECT_EQ(test::Written(fake), Refusal(node, "not a regular file") + "\n");
    EXPECT_EQ(fake.device->TextIn(kColourError), Refusal(node, "not a regular file"));
    EXPECT_EQ(settings.record.Image(), SettingsRecord().Image());
    EXPECT_FALSE(settings.first_run);
    EXPECT_FALSE(SaveSettings(*fake.console, settings));
    EXPECT_EQ(test::Written(fake), Refusal(node, "not a regular file") + "\n");  // no second word
  }
  EXPECT_TRUE(fs::is_directory(file_));
  if (fifo_held) {
    EXPECT_TRUE(fs::is_fifo(fifo));
  }
  if (fs::exists(null_device)) {
    EXPECT_TRUE(fs::is_character_file(null_device));
  }
}

TEST_F(DataFileTest, ANodeThatBecomesIrregularAfterLoadingIsReportedOnce) {
  WriteFile(file_, SettingsRecord().Image());
  LoadSettings(*fake_.console, settings_, file_);
  fs::remove(file_);
  fs::create_directories(file_);
  EXPECT_FALSE(SaveSettings(*fake_.console, settings_));
  EXPECT_FALSE(SaveSettings(*fake_.console, settings_));
  EXPECT_EQ(Text(), Refusal(file_, "not a regular file") + "\n");
  EXPECT_TRUE(fs::is_directory(file_));
}

TEST_F(DataFileTest, LinksOfAnotherUserAreNotFollowed) {
  if (platform::ThisHostKind() == platform::HostKind::kWindows) GTEST_SKIP() << "POSIX owners";
  // Someone else's link in a shared folder, leading to the user's own file.
  const fs::path notes = dir_ / "notes.txt";
  WriteFile(notes, "my notes");
  const fs::path shared = dir_ / "shared";
  fs::create_directories(shared);
  const fs::path planted = shared / "dirhop.dat";
  fs::create_symlink(notes, planted);
  if (!test::GiveToUser(planted, test::kOtherUser)) GTEST_SKIP() << "only root gives links away";
  LoadSettings(*fake_.console, settings_, planted.string());
  EXPECT_FALSE(SaveSettings(*fake_.console, settings_));
  EXPECT_EQ(Text(), Refusal(planted.string(), "a link owned by another user") + "\n");
  EXPECT_EQ(ReadFile(notes), "my notes");
  EXPECT_TRUE(fs::is_symlink(planted));

  // The user's own link to someone else's file.
  const fs::path theirs = dir_ / "theirs.dat";
  WriteFile(theirs, "their data");
  ASSERT_TRUE(test::GiveToUser(theirs, test::kOtherUser));
  const fs::path mine = dir_ / "mine.dat";
  fs::create_symlink(theirs, mine);
  test::FakeConsole fake = test::MakeFakeConsole();
  Settings settings(files_);
  LoadSettings(*fake.console, settings, mine.string());
  EXPECT_FALSE(SaveSettings(*fake.console, settings));
  EXPECT_EQ(test::Written(fake),
            Refusal(mine.string(), "a link to a file owned by another user") + "\n");
  EXPECT_EQ(ReadFile(theirs), "their data");
}

TEST_F(DataFileTest, TheUsersOwnLinkIsFollowedAndKept) {
  if (platform::ThisHostKind() == platform::HostKind::kWindows)
    GTEST_SKIP() << "links made on POSIX";
  const fs::path dotfiles = dir_ / "dotfiles";
  fs::create_directories(dotfiles);
  const fs::path real = dotfiles / "dirhop.dat";
  SettingsRecord stored;
  stored.SetHistory(0, "/stored");
  WriteFile(real, stored.Image());
  fs::create_symlink("dotfiles/dirhop.dat", file_);  // relative, as dotfile managers make them
  LoadSettings(*fake_.console, settings_, file_);
  EXPECT_EQ(settings_.record.History(0), "/stored");
  RecordDirectory(settings_, "/saved");
  ASSERT_TRUE(SaveSettings(*fake_.console, settings_));
  EXPECT_EQ(Text(), "");
  EXPECT_TRUE(fs::is_symlink(file_));
  EXPECT_EQ(ReadFile(real), settings_.record.Image());
  EXPECT_EQ(FilesInFolder().size(), 2u);  // the link and the folder: nothing left beside them
}

TEST_F(DataFileTest, ADanglingLinkOfTheUsersGetsItsFileCreated) {
  if (platform::ThisHostKind() == platform::HostKind::kWindows)
    GTEST_SKIP() << "links made on POSIX";
  const fs::path real = dir_ / "kept" / "dirhop.dat";
  fs::create_directories(real.parent_path());
  fs::create_symlink(real, file_);
  LoadSettings(*fake_.console, settings_, file_);
  EXPECT_EQ(Text(), "Dirhop: Error - can't read settings from '" + file_ +
                        "'\n        Creating new file\n\n");
  EXPECT_TRUE(settings_.first_run);
  EXPECT_TRUE(fs::is_symlink(file_));
  EXPECT_EQ(ReadFile(real), SettingsRecord().Image());
}

TEST_F(DataFileTest, ASaveRemovesWhatKilledSavesLeftAndNothingElse) {
  WriteFile(file_, SettingsRecord().Image());
  // Left by killed saves: removed.
  const std::vector<std::string> stale = {"dirhop.dat.~dirhop-abc123", "dirhop.dat.~dirhop-000000"};
  // Not a temporary file of this store, or one a save in progress holds: kept.
  const std::vector<std::string> kept = {"dirhop.dat.~dirhop-abc12",  "dirhop.dat.~dirhop-abc1234",
                                         "dirhop.dat.~dirhop-abc_23", "other.dat.~dirhop-abc123",
                                         "dirhop.dat.backup1",        "dirhop.dat.~dirhop-held00"};
  for (const std::string& name : stale) WriteFile(dir_ / name, "stale");
  for (const std::string& name : kept) WriteFile(dir_ / name, "kept");
  fs::create_directories(dir_ / "dirhop.dat.~dirhop-folder");
  test::HeldLikeASave held(dir_ / "dirhop.dat.~dirhop-held00");
  ASSERT_TRUE(held.held());
  settings_.data_file = file_;
  RecordDirectory(settings_, "/saved");
  ASSERT_TRUE(SaveSettings(*fake_.console, settings_));
  for (const std::string& name : stale) EXPECT_FALSE(fs::exists(dir_ / name)) << name;
  for (const std::string& name : kept) EXPECT_EQ(ReadFile(dir_ / name), "kept") << name;
  EXPECT_TRUE(fs::is_directory(dir_ / "dirhop.dat.~dirhop-folder"));
  EXPECT_EQ(ReadFile(file_), settings_.record.Image());
}

TEST_F(DataFileTest, TemporaryFilesOfAnotherUserAreKept) {
  if (platform::ThisHostKind() == platform::HostKind::kWindows) GTEST_SKIP() << "POSIX owners";
  const fs::path theirs = dir_ / "dirhop.dat.~dirhop-theirs";
  WriteFile(theirs, "theirs");
  if (!test::GiveToUser(theirs, test::kOtherUser)) GTEST_SKIP() << "only root gives files away";
  const fs::path link = dir_ / "dirhop.dat.~dirhop-link00";
  fs::create_symlink(theirs, link);
  settings_.data_file = file_;
  RecordDirectory(settings_, "/saved");
  ASSERT_TRUE(SaveSettings(*fake_.console, settings_));
  EXPECT_EQ(ReadFile(theirs), "theirs");
  EXPECT_TRUE(fs::is_symlink(link));
}

// Every run reaches its data file through the run's file system: the load, the creation and a
// refusal, on both builds alike (a link of another user cannot be made on Windows).
TEST(DataFileSeamTest, LoadCreationAndRefusalGoThroughTheFileSystem) {
  test::FakeFileSystem files(kPosixPaths, "/work");
  test::FakeConsole created = test::MakeFakeConsole();
  Settings settings(files);
  LoadSettings(*created.console, settings, std::string("/work/d.dat"));
  EXPECT_TRUE(settings.first_run);
  EXPECT_EQ(files.files["/work/d.dat"], SettingsRecord().Image());
  // The check and the creation under one lock: a run that finds the file missing at the same
  // time reads what this one creates.
  EXPECT_EQ(files.log, (std::vector<std::string>{
                           "LockStore /work/d.dat", "ReadFileForUpdate /work/d.dat",
                           "ReadFileForUpdate /work/d.dat", "ReplaceFileAtomically /work/d.dat",
                           "UnlockStore /work/d.dat"}));

  test::FakeFileSystem foreign(kPosixPaths, "/work");
  foreign.store_statuses["/work/d.dat"] = platform::StoreFileStatus::kForeignLink;
  test::FakeConsole refused_console = test::MakeFakeConsole();
  Settings refused(foreign);
  LoadSettings(*refused_console.console, refused, std::string("/work/d.dat"));
  refused.record.SetHistory(0, "/work");
  EXPECT_FALSE(SaveSettings(*refused_console.console, refused));
  EXPECT_EQ(test::Written(refused_console),
            Refusal("/work/d.dat", "a link owned by another user") + "\n");
  EXPECT_TRUE(foreign.Calls("ReplaceFileAtomically").empty());
}

// A data file of the release before UTF-8 (text form byte 0) holds OEM bytes: they are read as
// the characters meant, while a text that is already UTF-8 (kept by that release from a file of
// this one), and every text of a file this release saved, is taken as it is.
TEST(OldStoreTest, ADataFileOfTheOldReleaseIsReadInItsCodePage) {
  using platform::OldStore;
  test::FakeFileSystem files(kPosixPaths, "/work");
  const std::string long_oem(200, '\x81');  // 200 u-umlauts: 400 bytes in UTF-8
  files.old_store_texts = {
      {{OldStore::kDataFile,
        "\x81"
        "bung"},
       "\xc3\xbc"
       "bung"},
      {{OldStore::kDataFile, "abcdefghi\x81"}, "abcdefghi\xc3\xbc"},
      {{OldStore::kDataFile, long_oem}, std::string(400, 'u')},
      {{OldStore::kDataFile, "caf\xc3\xa9"}, "wrong"},  // never asked: valid UTF-8
  };
  SettingsRecord old;
  old.SetHistory(0,
                 "\x81"
                 "bung");
  old.SetHistory(1, "caf\xc3\xa9");
  old.SetHistory(2, long_oem);
  old.SetAlias(1, "abcdefghi\x81",
               "\x81"
               "bung");
  std::string image = old.Image();
  image[kTextFormOffset] = 0;
  test::FakeConsole console = test::MakeFakeConsole();
  // The record a data file holding `bytes` loads to.
  const auto load = [&](const std::string& bytes) {
    files.files["/work/d.dat"] = bytes;
    Settings settings(files);
    LoadSettings(*console.console, settings, std::string("/work/d.dat"));
    return settings.record;
  };
  const SettingsRecord loaded = load(image);
  EXPECT_EQ(loaded.History(0),
            "\xc3\xbc"
            "bung");
  EXPECT_EQ(loaded.History(1), "caf\xc3\xa9");
  EXPECT_TRUE(loaded.HistoryEmpty(2));          // grown past 255 bytes: a cut path would mislead
  EXPECT_EQ(loaded.AliasName(1), "abcdefghi");  // 10 bytes hold no half character
  EXPECT_EQ(loaded.AliasTarget(1),
            "\xc3\xbc"
            "bung");

  // Saved by this release, the same bytes are UTF-8 and stay as they are.
  const SettingsRecord marked = load(old.Image());
  EXPECT_EQ(marked.History(0),
            "\x81"
            "bung");
  EXPECT_EQ(marked.AliasName(1), "abcdefghi\x81");
}

// Registry values the release before UTF-8 set through the ANSI functions are converted; values
// this release set are listed in "textChecks" and kept, also after the old release has moved them
// to other slots; a list that is not this release's lists nothing.
TEST(OldStoreTest, RegistryValuesOfTheOldReleaseAreConvertedAndThisReleasesKept) {
  using platform::OldStore;
  FakeKeyStore store;
  store.files.old_store_texts = {
      {{OldStore::kSettingsKey,
        "\xc5\xa1"
        "bung"},
       "\xc3\x9c"
       "bung"},  // s-caron: OEM U-umlaut
      {{OldStore::kSettingsKey,
        "\xc3\x9c"
        "bung"},
       "wrong"},
  };
  store.Put("history_0", StoreValueType::kString,
            "\xc5\xa1"
            "bung");
  Settings settings = test::MakeSettingsOn(store);
  LoadFromSettingsKey(settings);
  EXPECT_EQ(settings.record.History(0),
            "\xc3\x9c"
            "bung");

  ASSERT_EQ(SaveToSettingsKey(settings), platform::StoreFileStatus::kOk);
  store.Put("history_1", StoreValueType::kString, *store.Text("history_0"));  // moved along
  store.Put("history_0", StoreValueType::kString,
            "\xc5\xa1"
            "bung");  // the old one's own
  Settings again = test::MakeSettingsOn(store);
  LoadFromSettingsKey(again);
  EXPECT_EQ(again.record.History(0),
            "\xc3\x9c"
            "bung");
  EXPECT_EQ(again.record.History(1),
            "\xc3\x9c"
            "bung");

  // Without the list the key is one only the release before wrote: every text is converted.
  store.values.erase("textChecks");
  Settings unlisted = test::MakeSettingsOn(store);
  LoadFromSettingsKey(unlisted);
  EXPECT_EQ(unlisted.record.History(1), "wrong");
}

// A "textChecks" value that no save of this release wrote (damaged, or of another type) tells
// nothing about the texts, and none of them is rewritten; a well-formed list converts exactly
// the texts it lacks.
TEST(OldStoreTest, ADamagedOrMistypedListConvertsNothing) {
  using platform::OldStore;
  const std::string cafe = "C:\\caf\xc3\xa9";
  FakeKeyStore store;
  store.files.old_store_texts = {{{OldStore::kSettingsKey, cafe}, "C:\\caf\xce\x98"}};
  store.Put("history_0", StoreValueType::kString, cafe);
  const std::vector<platform::StoreValue> damaged = {
      {StoreValueType::kString, "not a list", 0},
      {StoreValueType::kString, "0123456g", 0},
      {StoreValueType::kString, "0123456", 0},
      {StoreValueType::kString, "01234567 ", 0},
      {StoreValueType::kString, "01234567,89abcdef", 0},
      {StoreValueType::kString, "01234567  89abcdef", 0},
      {StoreValueType::kExpandString, "01234567", 0},
      {StoreValueType::kDword, "", 7},
      {StoreValueType::kOther, "01234567", 0},
  };
  for (const platform::StoreValue& value : damaged) {
    SCOPED_TRACE(value.text);
    store.values["textChecks"] = value;
    Settings settings = test::MakeSettingsOn(store);
    LoadFromSettingsKey(settings);
    EXPECT_EQ(settings.record.History(0), cafe);
  }
  for (const std::string& list :
       {std::string(), std::string("01234567"), std::string("01234567 89ABCDEF 00000000")}) {
    SCOPED_TRACE(list);
    store.Put("textChecks", StoreValueType::kString, list);
    Settings settings = test::MakeSettingsOn(store);
    LoadFromSettingsKey(settings);
    EXPECT_EQ(settings.record.History(0), "C:\\caf\xce\x98");
  }
}

// The machine's file system, for the current directories of a relative data file path.
SystemFileSystem system_files;

TEST(DataFilePathTest, UnsetOrEmptyMeansTheSettingsKey) {
  EXPECT_EQ(DataFilePath(std::nullopt, kWindowsPaths, system_files), std::nullopt);
  EXPECT_EQ(DataFilePath(std::string(), kPosixPaths, system_files), std::nullopt);
}

TEST(DataFilePathTest, TheNullDeviceKeepsNothingAndSaysNothing) {
  EXPECT_EQ(DataFilePath(std::string("/dev/null"), kPosixPaths, system_files), kNullDataFile);
  EXPECT_EQ(DataFilePath(std::string("NUL"), kWindowsPaths, system_files), kNullDataFile);
  EXPECT_EQ(DataFilePath(std::string("nul"), kWindowsPaths, system_files), kNullDataFile);
  // Elsewhere these are ordinary names.
  EXPECT_EQ(
      DataFilePath(std::string("/dev/null"), kWindowsPaths, system_files)->find(kNullDataFile),
      std::string::npos);
  EXPECT_NE(DataFilePath(std::string("NUL"), kPosixPaths, system_files), kNullDataFile);
  EXPECT_NE(DataFilePath(std::string("/dev/nullx"), kPosixPaths, system_files), kNullDataFile);

  for (bool query : {false, true}) {
    SCOPED_TRACE(query);
    test::FakeFileSystem files(kPosixPaths, "/work");
    test::FakeConsole console = test::MakeFakeConsole();
    Settings settings(files);
    if (query) {
      LoadSettingsToRead(settings, std::string(kNullDataFile));
    } else {
      LoadSettings(*console.console, settings, std::string(kNullDataFile));
    }
    EXPECT_FALSE(settings.first_run);
    EXPECT_EQ(settings.record.Image(), SettingsRecord().Image());  // the defaults
    settings.record.SetHistory(0, "/work");
    EXPECT_FALSE(SaveSettings(*console.console, settings));
    // No lock, no read, no write, no message.
    EXPECT_EQ(files.log, std::vector<std::string>{});
    EXPECT_EQ(test::Written(console), "");
  }
}

TEST(DataFilePathTest, AbsolutePathsAreKeptAsTyped) {
  EXPECT_EQ(DataFilePath(std::string("C:\\data\\d.dat"), kWindowsPaths, system_files),
            "C:\\data\\d.dat");
  EXPECT_EQ(DataFilePath(std::string("c:/data/d.dat"), kWindowsPaths, system_files),
            "c:/data/d.dat");
  EXPECT_EQ(DataFilePath(std::string("\\\\srv\\share\\d.dat"), kWindowsPaths, system_files),
            "\\\\srv\\share\\d.dat");
  EXPECT_EQ(DataFilePath(std::string("/home/u/d.dat"), kPosixPaths, system_files), "/home/u/d.dat");
  const std::string long_path = "/" + std::string(400, 'p');  // no 255-character limit
  EXPECT_EQ(DataFilePath(long_path, kPosixPaths, system_files), long_path);
}

TEST(DataFilePathTest, RelativePathsAreFixedToTheStartDirectory) {
  const std::string here = platform::CurrentDirectory();
  const PathSyntax syntax =
      platform::ThisHostKind() == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths;
  const std::string expected = AddTrailingSeparator(here, syntax) + "d.dat";
  EXPECT_EQ(DataFilePath(std::string("d.dat"), syntax, system_files), expected);
  // On Windows every "/" in the name reads as "\\".
  const std::string sub = AddTrailingSeparator(here, syntax) + "sub" + syntax.separator + "d.dat";
  EXPECT_EQ(DataFilePath(std::string("sub/d.dat"), syntax, system_files), sub);
  EXPECT_EQ(DataFilePath(std::string("./sub/d.dat"), syntax, system_files), sub);
  if (syntax.drives) {
    // Rooted on the current drive, whichever slash begins it.
    EXPECT_EQ(DataFilePath(std::string("/d.dat"), syntax, system_files),
              here.substr(0, 2) + "\\d.dat");
    EXPECT_EQ(DataFilePath(std::string("\\d.dat"), syntax, system_files),
              here.substr(0, 2) + "\\d.dat");
  }
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

TEST(SettingsKeyStoreTest, ReadingForAQueryOpensOnlyAnExistingKeyAndNeverWrites) {
  FakeKeyStore store;
  store.exists = false;
  Settings missing = test::MakeSettingsOn(store);
  LoadSettingsToRead(missing, std::nullopt);
  EXPECT_FALSE(store.exists);
  EXPECT_FALSE(missing.first_run);
  store.exists = true;
  store.Put("aliasname_1", platform::StoreValueType::kString, "w");
  Settings reading = test::MakeSettingsOn(store);
  LoadSettingsToRead(reading, std::nullopt);
  EXPECT_EQ(reading.record.AliasName(1), "w");
  test::FakeConsole fake = test::MakeFakeConsole();
  EXPECT_FALSE(SaveSettings(*fake.console, reading));
  EXPECT_EQ(store.sets, 0);
  EXPECT_EQ(store.closes, 1);  // the read closes the key; nothing was set
}

TEST(SettingsKeyStoreTest, SavingWritesAll61StringsTheirChecksAndNeverCanCreatePath) {
  FakeKeyStore store;
  store.Put("canCreatePath", StoreValueType::kDword, "", 0);
  Settings settings = test::MakeSettingsOn(store);
  settings.changes.push_back(HistoryAdded{"C:\\Work"});
  ASSERT_EQ(SaveToSettingsKey(settings), platform::StoreFileStatus::kOk);
  EXPECT_EQ(store.values.size(), 63u);  // and "textChecks", empty: every text is ASCII
  EXPECT_EQ(store.Text("textChecks"), "");
  EXPECT_EQ(store.values["canCreatePath"].number, 0u);  // read, never written
  EXPECT_EQ(store.Text("history_0"), "C:\\Work");
  EXPECT_EQ(store.Text("history_20"), "");
  EXPECT_EQ(store.Text("aliasname_1"), "");  // the key held no alias: no default comes back
  EXPECT_EQ(store.Text("aliasdir_20"), "");
  // The whole table went first, in a value that the save removed when it was done.
  EXPECT_EQ(store.sets, 63);
  EXPECT_EQ(store.deletes, 1);
  EXPECT_EQ(store.values.count("pendingSave"), 0u);
  EXPECT_EQ(store.closes, 1);
  EXPECT_FALSE(settings.record.CanCreatePath());
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
  LoadFromSettingsKey(settings);
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
  LoadFromSettingsKey(settings);
  EXPECT_FALSE(settings.record.CanCreatePath());
  store.Put("canCreatePath", StoreValueType::kDword, "", 2);
  LoadFromSettingsKey(settings);
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

TEST(SettingsKeyStoreTest, AValueThatCannotBeSetEndsTheRunWithItsName) {
  FakeKeyStore store;
  store.refuse = "aliasname_2";
  Settings settings = test::MakeSettingsOn(store);
  test::PutRecord(store, settings.record);
  store.values.erase("aliasdir_2");
  test::FakeConsole fake = test::MakeFakeConsole();
  try {
    SaveSettings(*fake.console, settings);
    FAIL() << "the failed write was not raised";
  } catch (const std::runtime_error& failure) {
    EXPECT_STREQ(failure.what(), "Failed to set data for 'aliasname_2'");
  }
  EXPECT_EQ(store.Text("aliasdir_1"), "c:\\dos");  // what was written before stays written
  EXPECT_EQ(store.values.count("aliasdir_2"), 0u);
}

TEST(SettingsKeyStoreTest, AKeyThatCannotBeWrittenOutIsReportedAtEverySaveAndTheRunGoesOn) {
  // The POSIX file takes the values only when the key is closed: a full disk fails there.
  FakeKeyStore store;
  store.refuse_close = true;
  Settings settings = test::MakeSettingsOn(store);
  test::FakeConsole fake = test::MakeFakeConsole();
  LoadSettings(*fake.console, settings, std::nullopt);
  EXPECT_EQ(test::Written(fake), "");
  EXPECT_FALSE(SaveSettings(*fake.console, settings));
  EXPECT_FALSE(SaveSettings(*fake.console, settings));
  const std::string line = "Dirhop: Error - can't write to 'fake'\n";
  EXPECT_EQ(test::Written(fake), line + line);
  EXPECT_EQ(fake.device->TextIn(kColourError),
            "Dirhop: Error - can't write to 'fake'Dirhop: Error - can't write to 'fake'");
  store.refuse_close = false;
  EXPECT_TRUE(SaveSettings(*fake.console, settings));
  EXPECT_EQ(test::Written(fake), line + line);
}

TEST(SettingsKeyStoreTest, AKeyThatCannotBeCreatedIsReportedAtLoadAndEverySave) {
  FakeKeyStore store;
  store.openable = false;
  store.open_failure = platform::StoreFileStatus::kWriteFailed;
  Settings settings = test::MakeSettingsOn(store);
  test::FakeConsole fake = test::MakeFakeConsole();
  LoadSettings(*fake.console, settings, std::nullopt);
  EXPECT_FALSE(SaveSettings(*fake.console, settings));
  const std::string line = "Dirhop: Error - can't write to 'fake'\n";
  EXPECT_EQ(test::Written(fake), line + line);
  EXPECT_EQ(store.opens, 2);
}

TEST(SettingsKeyStoreTest, ARefusedKeyIsReportedOnceAndNeverOpenedAgain) {
  const std::vector<std::pair<platform::StoreFileStatus, std::string>> refusals = {
      {platform::StoreFileStatus::kNotRegular, "not a regular file"},
      {platform::StoreFileStatus::kForeignLink, "a link owned by another user"},
      {platform::StoreFileStatus::kForeignTarget, "a link to a file owned by another user"},
      {platform::StoreFileStatus::kTooLarge, "larger than 16777216 bytes"},
  };
  for (const auto& [status, reason] : refusals) {
    SCOPED_TRACE(reason);
    FakeKeyStore store;
    store.openable = false;
    store.open_failure = status;
    Settings settings = test::MakeSettingsOn(store);
    test::FakeConsole fake = test::MakeFakeConsole();
    LoadSettings(*fake.console, settings, std::nullopt);
    EXPECT_EQ(settings.record.Image(), SettingsRecord().Image());
    EXPECT_FALSE(SaveSettings(*fake.console, settings));
    EXPECT_FALSE(SaveSettings(*fake.console, settings));
    EXPECT_EQ(test::Written(fake), Refusal("fake", reason) + "\n");
    EXPECT_EQ(fake.device->TextIn(kColourError), Refusal("fake", reason));
    EXPECT_EQ(store.opens, 1);
  }
}

// ---- A registry save cut short ----

// A full table of this release's: 21 history entries and 20 aliases, some of them not ASCII.
SettingsRecord FullTable() {
  SettingsRecord record;
  for (int slot = kHistorySlots - 1; slot >= 0; --slot) {
    AddHistoryEntry(record, "C:\\h" + std::to_string(slot) + (slot % 3 ? "" : "\xc3\xa9"));
  }
  for (int slot = kAliasSlots; slot >= 1; --slot) {
    UpdateAliasSlots(record, "al" + std::to_string(slot),
                     AliasDefinedAs("C:\\t" + std::to_string(slot) + (slot % 4 ? "" : "\xce\xa3")));
  }
  return record;
}

// The changes of a run that jumps through the alias in the last slot: every history slot and
// every alias slot moves.
std::vector<StoreChange> PromotionChanges() {
  return {AliasUpdated{"al20", kPromoteAlias}, HistoryAdded{"C:\\t20"}};
}

// The record `record` with `changes` made on it.
SettingsRecord Changed(SettingsRecord record, const std::vector<StoreChange>& changes) {
  for (const StoreChange& change : changes) ApplyChange(record, change);
  return record;
}

// The record a run that loads `files`' settings key now finds.
SettingsRecord Loaded(FileSystem& files) {
  Settings settings(files);
  EXPECT_EQ(LoadFromSettingsKey(settings), platform::StoreFileStatus::kOk);
  return settings.record;
}

// Saves `changes` on `files`' settings key; true when the save ran to its end, false when the run
// was cut.
bool SaveOrCut(FileSystem& files, const std::vector<StoreChange>& changes) {
  Settings settings(files);
  settings.changes = changes;
  try {
    EXPECT_EQ(SaveToSettingsKey(settings), platform::StoreFileStatus::kOk);
    return true;
  } catch (const test::RunCut&) {
    return false;
  }
}

// A cut after any change of a save leaves the key reading as the table before the save (cut
// before its first change) or the one after it; the next save puts every slot value right.
TEST(RegistryCutTest, ASaveCutAfterAnyChangeReadsAsTheOldTableOrTheNew) {
  const SettingsRecord before = FullTable();
  const SettingsRecord after = Changed(before, PromotionChanges());
  ASSERT_NE(before.AliasName(1), after.AliasName(1));
  bool finished = false;
  for (int cut = 0; !finished; ++cut) {
    SCOPED_TRACE("cut after " + std::to_string(cut) + " changes");
    FakeKeyStore store;
    test::PutRecord(store, before);
    store.Put("textChecks", StoreValueType::kString, "");  // every text is this release's
    store.cut_after = cut;
    finished = SaveOrCut(store.files, PromotionChanges());
    store.cut_after = -1;
    const SettingsRecord& whole = cut == 0 ? before : after;
    EXPECT_EQ(Loaded(store.files).Image(), whole.Image());
    // A save with nothing to change writes the table as it reads it into the slot values, which
    // are then all a release that reads only them needs.
    ASSERT_TRUE(SaveOrCut(store.files, {}));
    EXPECT_EQ(store.values.count("pendingSave"), 0u);
    EXPECT_EQ(Loaded(store.files).Image(), whole.Image());
    EXPECT_EQ(store.Text("aliasname_1"), whole.AliasName(1));
  }
}

// A release that knows only the slot values may save after a cut save: its table is read, not
// the one the cut save left waiting, and so is a waiting table that is damaged.
TEST(RegistryCutTest, SlotValuesWrittenAfterACutSaveWinOverItsWaitingTable) {
  const SettingsRecord before = FullTable();
  SettingsRecord theirs = before;
  AddHistoryEntry(theirs, "C:\\theirs");
  for (const int cut : {1, 2, 30, 63}) {
    SCOPED_TRACE("cut after " + std::to_string(cut) + " changes");
    FakeKeyStore store;
    test::PutRecord(store, before);
    store.Put("textChecks", StoreValueType::kString, "");
    store.cut_after = cut;
    ASSERT_FALSE(SaveOrCut(store.files, PromotionChanges()));
    store.cut_after = -1;
    ASSERT_TRUE(store.Text("pendingSave"));
    test::PutRecord(store, theirs);  // the older release's save: the slot values only
    EXPECT_EQ(Loaded(store.files).Image(), theirs.Image());
    ASSERT_TRUE(SaveOrCut(store.files, PromotionChanges()));
    EXPECT_EQ(Loaded(store.files).Image(), Changed(theirs, PromotionChanges()).Image());
  }
  FakeKeyStore store;
  test::PutRecord(store, before);
  for (const char* damaged : {"dirhop-save 1", "x\ny", "dirhop-save 2\n\\q"}) {
    store.Put("pendingSave", StoreValueType::kString, damaged);
    EXPECT_EQ(Loaded(store.files).Image(), before.Image());
  }
}

// The machine's settings key (the registry on Windows, the emulating file on POSIX) at a place
// of the test's own, whose keys are cut after `cut` changes when it is not negative.
class CutKeyFileSystem : public SystemFileSystem {
 public:
  explicit CutKeyFileSystem(std::string location) : location_(std::move(location)) {}
  std::string SettingsKeyLocation() override { return location_; }
  platform::OpenedSettingsKey OpenSettingsKey(const std::string& location,
                                              platform::KeyOpening opening) override {
    platform::OpenedSettingsKey opened = platform::OpenSettingsKey(location, opening);
    if (opened.key && cut >= 0) opened.key = test::CutAfter(std::move(opened.key), cut);
    return opened;
  }
  int cut = -1;

 private:
  std::string location_;
};

// The cut on the machine's own key: under Wine the registry takes each value as it is set, so
// a cut there leaves what was set before it.
TEST(RegistryCutTest, TheMachinesKeyCutAfterAnyValueReadsAsTheOldTableOrTheNew) {
  test::TempDir temp("dirhop_keycut");
  const bool windows = platform::ThisHostKind() == platform::HostKind::kWindows;
  const std::string location =
      windows ? "SOFTWARE\\Brantel Software\\DirhopTest_" + temp.path().filename().string()
              : (temp.path() / "registry").string();
  CutKeyFileSystem files(location);
  const SettingsRecord before = FullTable();
  const SettingsRecord after = Changed(before, PromotionChanges());
  bool finished = false;
  for (int cut = 0; !finished; ++cut) {
    SCOPED_TRACE("cut after " + std::to_string(cut) + " changes");
    ASSERT_TRUE(platform::DeleteSettingsKey(location));
    files.cut = -1;
    std::vector<StoreChange> table;  // the changes that make `before` on an empty key
    for (int slot = kHistorySlots - 1; slot >= 0; --slot) {
      table.push_back(HistoryAdded{before.History(slot)});
    }
    for (int slot = kAliasSlots; slot >= 1; --slot) {
      table.push_back(
          AliasUpdated{before.AliasName(slot), AliasDefinedAs(before.AliasTarget(slot))});
    }
    ASSERT_TRUE(SaveOrCut(files, table));
    ASSERT_EQ(Loaded(files).Image(), before.Image());
    files.cut = cut;
    finished = SaveOrCut(files, PromotionChanges());
    files.cut = -1;
    const std::string loaded = Loaded(files).Image();
    EXPECT_TRUE(loaded == before.Image() || loaded == after.Image());
    if (finished) {
      EXPECT_EQ(loaded, after.Image());
    }
  }
  platform::DeleteSettingsKey(location);
}

}  // namespace
}  // namespace dirhop
