// The platform's directory services on real trees: identities and links, paths longer than a
// change of directory takes whole, a current directory that has been removed. Built for every
// host; a case that needs what a system cannot do (make directory links, keep a current directory
// longer than MAX_PATH, remove the current directory) skips itself there.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "support/test_files.h"

namespace dirhop::platform {
namespace {

namespace fs = std::filesystem;

const DirectoryEntry* Find(const std::vector<DirectoryEntry>& entries, const std::string& name) {
  auto found = std::find_if(entries.begin(), entries.end(),
                            [&name](const DirectoryEntry& entry) { return entry.name == name; });
  return found == entries.end() ? nullptr : &*found;
}

class DirectoriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = CurrentDirectory();
    ASSERT_FALSE(saved_.empty());
    temp_.emplace("dirhop_directories");
    root_ = fs::canonical(temp_->path());
  }

  // The folder is removed only after the process has left it.
  void TearDown() override { ChangeDirectory(saved_); }

  std::string Path(const std::string& relative) const { return (root_ / relative).string(); }

  std::string saved_;
  std::optional<test::TempDir> temp_;
  fs::path root_;
};

TEST_F(DirectoriesTest, IdentityTellsDirectoriesApartHoweverTheyAreNamed) {
  fs::create_directories(root_ / "a" / "inner");
  fs::create_directories(root_ / "b");
  test::WriteFile(root_ / "file.txt", "x");
  const std::optional<DirectoryIdentity> a = IdentifyDirectory(Path("a"));
  ASSERT_TRUE(a.has_value());
  const std::string separator = fs::path("/").make_preferred().string();
  EXPECT_EQ(IdentifyDirectory(Path("a") + separator), a);
  EXPECT_EQ(IdentifyDirectory(Path("a") + separator + "inner" + separator + ".."), a);
  EXPECT_NE(IdentifyDirectory(Path("b")), a);
  EXPECT_NE(IdentifyDirectory(Path("a") + separator + "inner"), a);
  ASSERT_TRUE(ChangeDirectory(Path("a")));
  EXPECT_EQ(IdentifyDirectory(""), a);  // the current directory
  EXPECT_EQ(IdentifyDirectory("."), a);
  EXPECT_EQ(IdentifyDirectory(Path("missing")), std::nullopt);
  EXPECT_EQ(IdentifyDirectory(Path("file.txt")), std::nullopt);
  // Plain subdirectories are listed without an identity: they cannot lead back up.
  const std::vector<DirectoryEntry> entries = ListSubdirectories(root_.string());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_FALSE(entries[0].identity.has_value());
  EXPECT_FALSE(entries[1].identity.has_value());
}

TEST_F(DirectoriesTest, LinksAreListedWithTheIdentityOfTheirTarget) {
  fs::create_directories(root_ / "tree" / "a");
  fs::create_directories(root_ / "elsewhere");
  test::WriteFile(root_ / "file.txt", "x");
  std::error_code error;
  fs::create_directory_symlink(root_ / "tree", root_ / "tree" / "up", error);
  if (error || !fs::is_symlink(root_ / "tree" / "up")) {
    GTEST_SKIP() << "this system makes no directory links here";
  }
  fs::create_directory_symlink(".", root_ / "tree" / "self");
  fs::create_directory_symlink(root_ / "elsewhere", root_ / "tree" / "away");
  fs::create_symlink(root_ / "file.txt", root_ / "tree" / "to-file");

  const std::vector<DirectoryEntry> entries = ListSubdirectories(Path("tree"));
  const DirectoryEntry* up = Find(entries, "up");
  const DirectoryEntry* self = Find(entries, "self");
  const DirectoryEntry* away = Find(entries, "away");
  ASSERT_TRUE(up && self && away && Find(entries, "a"));
  EXPECT_EQ(up->identity, IdentifyDirectory(Path("tree")));
  EXPECT_EQ(self->identity, IdentifyDirectory(Path("tree")));
  EXPECT_EQ(away->identity, IdentifyDirectory(Path("elsewhere")));
  EXPECT_TRUE(up->identity.has_value());
  EXPECT_NE(away->identity, up->identity);
  EXPECT_EQ(Find(entries, "to-file"), nullptr);  // a link to a file is no directory
}

TEST_F(DirectoriesTest, PathsLongerThanAChangeOfDirectoryTakesWhole) {
  if (Host() == HostKind::kWindows) {
    // Windows refuses such a current directory; Wine enters it but cannot name it then.
    GTEST_SKIP() << "no current directory longer than MAX_PATH on Windows";
  }
  // Built from inside, one name at a time: only relative steps are short enough.
  const std::string name(200, 'n');
  const std::string separator = fs::path("/").make_preferred().string();
  ASSERT_TRUE(ChangeDirectory(root_.string()));
  std::string deep = root_.string();
  while (deep.size() <= LongestWholePath() + 1) {
    fs::create_directory(name);
    ASSERT_TRUE(ChangeDirectory(name));
    deep += separator + name;
  }
  fs::create_directory("sub");
  ASSERT_EQ(CurrentDirectory(), deep);
  ASSERT_TRUE(ChangeDirectory(root_.string()));

  ASSERT_TRUE(ChangeDirectory(deep));
  EXPECT_EQ(CurrentDirectory(), deep);
  const std::vector<DirectoryEntry> entries = ListSubdirectories(deep);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "sub");
  EXPECT_EQ(IdentifyDirectory(deep), IdentifyDirectory("."));
  EXPECT_TRUE(IdentifyDirectory(deep).has_value());
  EXPECT_EQ(CreateOneDirectory(deep + separator + "new" + separator), 0);
  EXPECT_EQ(CreateOneDirectory(deep + separator + "new"), 183);
  EXPECT_EQ(CreateOneDirectory(deep + separator + "no" + separator + "such"), 3);
  EXPECT_TRUE(fs::is_directory("new"));
  ASSERT_TRUE(ChangeDirectory(root_.string()));
  EXPECT_FALSE(ChangeDirectory(deep + separator + "missing"));
  EXPECT_EQ(CurrentDirectory(), root_.string());
  ASSERT_TRUE(ChangeDirectory(deep + separator + "sub"));
  EXPECT_EQ(CurrentDirectory(), deep + separator + "sub");

  // Taken apart from inside again: the removal of the folder goes by whole paths.
  ASSERT_TRUE(ChangeDirectory(deep));
  fs::remove("sub");
  fs::remove("new");
  while (CurrentDirectory() != root_.string()) {
    ASSERT_TRUE(ChangeDirectory(".."));
    fs::remove(name);
  }
}

TEST_F(DirectoriesTest, ACurrentDirectoryRemovedByOthersIsToldApart) {
  fs::create_directories(root_ / "gone");
  ASSERT_TRUE(ChangeDirectory(Path("gone")));
  EXPECT_FALSE(CurrentDirectoryRemoved());
  std::error_code error;
  fs::remove(root_ / "gone", error);
  if (error || fs::exists(root_ / "gone")) {
    GTEST_SKIP() << "this system does not remove a current directory";
  }
  EXPECT_TRUE(CurrentDirectoryRemoved());
  ASSERT_TRUE(ChangeDirectory(root_.string()));
  EXPECT_FALSE(CurrentDirectoryRemoved());
}

}  // namespace
}  // namespace dirhop::platform
