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

// Where `name` stands in the listing, or nullopt when it is not listed.
std::optional<std::size_t> Find(const DirectoryListing& listing, const std::string& name) {
  for (std::size_t i = 0; i < listing.names.size(); ++i) {
    if (listing.names[i] == name) return i;
  }
  return std::nullopt;
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
  const DirectoryListing entries = ListSubdirectories(root_.string());
  ASSERT_EQ(entries.names.size(), 2u);
  EXPECT_TRUE(entries.links.empty());
  EXPECT_FALSE(entries.IdentityOf(0).has_value());
  EXPECT_FALSE(entries.IdentityOf(1).has_value());
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

  const DirectoryListing entries = ListSubdirectories(Path("tree"));
  const std::optional<std::size_t> up = Find(entries, "up");
  const std::optional<std::size_t> self = Find(entries, "self");
  const std::optional<std::size_t> away = Find(entries, "away");
  const std::optional<std::size_t> plain = Find(entries, "a");
  ASSERT_TRUE(up && self && away && plain);
  EXPECT_EQ(entries.IdentityOf(*up), IdentifyDirectory(Path("tree")));
  EXPECT_EQ(entries.IdentityOf(*self), IdentifyDirectory(Path("tree")));
  EXPECT_EQ(entries.IdentityOf(*away), IdentifyDirectory(Path("elsewhere")));
  EXPECT_TRUE(entries.IdentityOf(*up).has_value());
  EXPECT_NE(entries.IdentityOf(*away), entries.IdentityOf(*up));
  EXPECT_EQ(entries.links.size(), 3u);  // the plain subdirectory carries none
  EXPECT_FALSE(entries.IdentityOf(*plain).has_value());
  EXPECT_EQ(Find(entries, "to-file"), std::nullopt);  // a link to a file is no directory
}

TEST_F(DirectoriesTest, PathsLongerThanAChangeOfDirectoryTakesWhole) {
  if (ThisHostKind() == HostKind::kWindows) {
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
  const DirectoryListing entries = ListSubdirectories(deep);
  ASSERT_EQ(entries.names.size(), 1u);
  EXPECT_EQ(entries.names[0], "sub");
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
