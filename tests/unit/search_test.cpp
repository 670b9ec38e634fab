#include "match/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "match/ordering.h"
#include "platform/platform.h"
#include "support/test_files.h"

namespace dirhop {
namespace {

namespace fs = std::filesystem;

// A directory tree held in memory: path -> subdirectory names in listing order.
class FakeTree {
 public:
  FakeTree& Add(const std::string& dir, std::vector<std::string> names) {
    dirs_[dir] = std::move(names);
    return *this;
  }
  ListSubdirectoriesFn Lister() {
    return [this](const std::string& dir) {
      ++listings;
      auto found = dirs_.find(dir);
      return found == dirs_.end() ? std::vector<std::string>{} : found->second;
    };
  }
  int listings = 0;

 private:
  std::map<std::string, std::vector<std::string>> dirs_;
};

using Found = std::vector<std::pair<std::string, int>>;

Found Sorted(std::vector<Candidate> list) {
  SortCandidates(list);
  Found result;
  for (const auto& c : list) result.emplace_back(c.path, c.rank);
  return result;
}

TEST(SearchTest, AbbreviatedTwoLevelSpecFindsBothPrefixMatches) {
  FakeTree tree;
  tree.Add("C:\\Work\\", {"Projects", "Prototype", "Other"})
      .Add("C:\\Work\\Projects\\", {"src", "doc"})
      .Add("C:\\Work\\Prototype\\", {"src"});
  DirectorySearch search(kWindowsPaths, true, tree.Lister());
  search.SearchLevel("pro\\sr", "C:\\Work", 0);
  EXPECT_EQ(Sorted(search.MatchList()),
            (Found{{"C:\\Work\\Projects\\src", 2}, {"C:\\Work\\Prototype\\src", 2}}));
  EXPECT_TRUE(search.CreateList().empty());
}

TEST(SearchTest, ExactNameWinsAloneAndCostsNothing) {
  FakeTree tree;
  tree.Add("C:\\", {"Windows", "WindowsApps", "Users"});
  DirectorySearch search(kWindowsPaths, true, tree.Lister());
  search.SearchLevel("windows", "C:\\", 0);
  EXPECT_EQ(Sorted(search.MatchList()), (Found{{"C:\\Windows", 0}}));
}

TEST(SearchTest, TypoFollowsTheNearestDirectoryOnly) {
  FakeTree tree;
  tree.Add("C:\\", {"Windows", "Users"});
  DirectorySearch search(kWindowsPaths, true, tree.Lister());
  search.SearchLevel("wndows", "C:\\", 0);
  EXPECT_EQ(Sorted(search.MatchList()), (Found{{"C:\\Windows", 2}}));
}

TEST(SearchTest, WildcardsPrefixesAndExtensions) {
  FakeTree tree;
  tree.Add("C:\\", {"DOC", "DOCUMENTS", "ALPHA", "ALPHA.BETA"});
  DirectorySearch docx(kWindowsPaths, true, tree.Lister());
  docx.SearchLevel("docx", "C:\\", 0);
  EXPECT_EQ(Sorted(docx.MatchList()), (Found{{"C:\\DOC", 1}}));
  DirectorySearch ab(kWindowsPaths, true, tree.Lister());
  ab.SearchLevel("a.b", "C:\\", 0);
  EXPECT_EQ(Sorted(ab.MatchList()), (Found{{"C:\\ALPHA.BETA", 1}}));
  DirectorySearch star(kWindowsPaths, true, tree.Lister());
  star.SearchLevel("*", "C:\\", 0);
  EXPECT_EQ(star.MatchList().size(), 4u);
}

TEST(SearchTest, WorkedExampleRanksAndDeadEnds) {
  FakeTree tree;
  tree.Add("C:\\", {"Projects", "Programs", "Music"})
      .Add("C:\\Projects\\", {"Music"})
      .Add("C:\\Programs\\", {"Tools"});
  DirectorySearch search(kWindowsPaths, true, tree.Lister());
  search.SearchLevel("pro*\\mu", "C:\\", 0);
  EXPECT_EQ(Sorted(search.MatchList()),
            (Found{{"C:\\Projects\\Music", 2}, {"C:\\Programs\\Tools", 7}}));
}

TEST(SearchTest, DeadEndsBecomeCreationCandidatesWithoutWildcards) {
  FakeTree tree;
  tree.Add("C:\\W\\", {"proj"});  // proj has no subdirectories
  DirectorySearch search(kWindowsPaths, true, tree.Lister());
  search.SearchLevel("pro*\\NewDir", "C:\\W", 0);
  EXPECT_TRUE(search.MatchList().empty());
  ASSERT_EQ(search.CreateList().size(), 1u);
  EXPECT_EQ(search.CreateList()[0].path, "C:\\W\\proj\\NewDir\\");  // typed case kept
  EXPECT_EQ(search.CreateList()[0].rank, kCreateRank);

  DirectorySearch wild(kWindowsPaths, true, tree.Lister());
  wild.SearchLevel("pro*\\new*", "C:\\W", 0);
  EXPECT_TRUE(wild.CreateList().empty());

  DirectorySearch off(kWindowsPaths, false, tree.Lister());
  off.SearchLevel("pro*\\NewDir", "C:\\W", 0);
  EXPECT_TRUE(off.CreateList().empty());

  DirectorySearch deeper(kWindowsPaths, true, tree.Lister());
  deeper.SearchLevel("x\\y\\z", "C:\\Empty", 0);  // an unlistable base is a dead end at once
  ASSERT_EQ(deeper.CreateList().size(), 1u);
  EXPECT_EQ(deeper.CreateList()[0].path, "C:\\Empty\\x\\y\\z");
}

TEST(SearchTest, LongSpecsSaturateInsteadOfWrapping) {
  // 300 levels of typos: each adds at least 2, the sum holds at 254 and never wraps to a low rank.
  FakeTree tree;
  std::string dir = "/r";
  std::string spec;
  for (int i = 0; i < 300; ++i) {
    tree.Add(dir + "/", {"aaaa"});
    dir += "/aaaa";
    spec += (i ? "/" : "") + std::string("bbbb");
  }
  DirectorySearch search(kPosixPaths, true, tree.Lister());
  search.SearchLevel(spec, "/r", 0);
  ASSERT_EQ(search.MatchList().size(), 1u);
  EXPECT_EQ(search.MatchList()[0].rank, kMaxMatchRank);

  FakeTree wide;
  wide.Add("/r/", {"x"});
  DirectorySearch long_component(kPosixPaths, true, wide.Lister());
  long_component.SearchLevel(std::string(1000, 'q'), "/r", 0);
  ASSERT_EQ(long_component.MatchList().size(), 1u);
  EXPECT_EQ(long_component.MatchList()[0].rank, kMaxMatchRank);
}

TEST(SearchTest, EachLevelIsListedOncePerVisit) {
  FakeTree tree;
  tree.Add("/a/", {"b1", "b2"}).Add("/a/b1/", {"c"}).Add("/a/b2/", {"c"});
  DirectorySearch search(kPosixPaths, true, tree.Lister());
  search.SearchLevel("b/c", "/a", 0);
  EXPECT_EQ(search.MatchList().size(), 2u);
  EXPECT_EQ(tree.listings, 3);
}

// The real directory listing of the platform, on a real tree.
class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "alpha");
    fs::create_directories(root_ / ".hidden");
    fs::create_directories(root_ / "with space");
    test::WriteFile(root_ / "file.txt", "x");
  }
  test::TempDir temp_{"dirhop-list"};
  const fs::path root_ = temp_.path();
};

TEST_F(ListingTest, ListsDirectoriesHiddenOnesIncludedButNoFilesOrDots) {
  auto names = platform::ListSubdirectories(root_.string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "alpha", "with space"}));
  // With a trailing separator as the search passes it.
  auto again = platform::ListSubdirectories(root_.string() + std::string(1, fs::path::preferred_separator));
  EXPECT_EQ(again.size(), 3u);
  EXPECT_TRUE(platform::ListSubdirectories((root_ / "missing").string()).empty());
  EXPECT_TRUE(platform::ListSubdirectories((root_ / "file.txt").string()).empty());
}

TEST_F(ListingTest, CreateOneDirectoryReportsWindowsCodes) {
  EXPECT_EQ(platform::CreateOneDirectory((root_ / "new").string()), 0);
  EXPECT_EQ(platform::CreateOneDirectory((root_ / "new").string()), 183);
  EXPECT_EQ(platform::CreateOneDirectory((root_ / "no" / "such").string()), 3);
  EXPECT_TRUE(fs::is_directory(root_ / "new"));
}

}  // namespace
}  // namespace dirhop
