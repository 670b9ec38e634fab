#include "match/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>

#include "match/level_match.h"
#include "match/ordering.h"
#include "platform/platform.h"
#include "support/fake_file_system.h"
#include "support/test_files.h"

namespace dirhop {
namespace {

namespace fs = std::filesystem;

// A directory tree held in memory: path -> subdirectory names in listing order. Directories have
// no identity.
class FakeTree : public test::FakeFileSystem {
 public:
  FakeTree() : FakeFileSystem(kPosixPaths, "/") {}
  FakeTree& Add(const std::string& dir, std::vector<std::string> names) {
    dirs_[dir] = std::move(names);
    return *this;
  }
  platform::DirectoryListing ListSubdirectories(const std::string& dir) override {
    ++listings;
    platform::DirectoryListing entries;
    auto found = dirs_.find(dir);
    if (found == dirs_.end()) return entries;
    for (const std::string& name : found->second) entries.Add(name);
    return entries;
  }
  std::optional<platform::DirectoryIdentity> IdentifyDirectory(const std::string&) override {
    return std::nullopt;
  }
  // Every level is listed: a tree of names only.
  std::optional<std::string> DirectoryItselfName(const std::string&) override {
    return std::nullopt;
  }
  int listings = 0;

 private:
  std::map<std::string, std::vector<std::string>> dirs_;
};

using Found = std::vector<std::pair<std::string, int>>;

Found Sorted(CandidateList list) {
  SortCandidates(list);
  Found result;
  for (const Candidate& c : list) result.emplace_back(c.Path(), c.rank);
  return result;
}

TEST(SearchTest, AbbreviatedTwoLevelSpecFindsBothPrefixMatches) {
  FakeTree tree;
  tree.Add("C:\\Work\\", {"Projects", "Prototype", "Other"})
      .Add("C:\\Work\\Projects\\", {"src", "doc"})
      .Add("C:\\Work\\Prototype\\", {"src"});
  DirectorySearch search(kWindowsPaths, CreateOffer::kOn, tree);
  search.SearchLevel("pro\\sr", "C:\\Work", 0);
  EXPECT_EQ(Sorted(search.MatchList()),
            (Found{{"C:\\Work\\Projects\\src", 2}, {"C:\\Work\\Prototype\\src", 2}}));
  EXPECT_TRUE(search.CreateList().empty());
}

// Records the level of every listing it is told of.
class ListingLevels : public SearchObserver {
 public:
  void BeforeListing(std::size_t level) override { levels.push_back(level); }
  std::vector<std::size_t> levels;
};

// An observer is told of every listing, before it, with the level of the spec it is for,
// counted from the directory the search was given, a remembered place's too.
TEST(SearchTest, AnObserverIsToldOfEveryListingAndItsLevel) {
  FakeTree tree;
  tree.Add("/r/", {"a", "b"}).Add("/r/a/", {"x"}).Add("/r/b/", {"y"}).Add("/r/a/x/", {"z"});
  for (const bool below_place : {false, true}) {
    SCOPED_TRACE(below_place ? "below a place" : "from here");
    tree.listings = 0;
    ListingLevels observer;
    DirectorySearch search(kPosixPaths, CreateOffer::kOff, tree);
    search.ObserveWith(observer);
    if (below_place) {
      search.SearchBelowPlace("*/*/z", "/r", 0);
    } else {
      search.SearchLevel("*/*/z", "/r", 0);
    }
    EXPECT_EQ(observer.levels, (std::vector<std::size_t>{1, 2, 3, 2, 3}));
    EXPECT_EQ(tree.listings, 5);
    EXPECT_EQ(Sorted(search.MatchList()), (Found{{"/r/a/x/z", 2}}));
  }
}

TEST(SearchTest, ExactNameWinsAloneAndCostsNothing) {
  FakeTree tree;
  tree.Add("C:\\", {"Windows", "WindowsApps", "Users"});
  DirectorySearch search(kWindowsPaths, CreateOffer::kOn, tree);
  search.SearchLevel("windows", "C:\\", 0);
  EXPECT_EQ(Sorted(search.MatchList()), (Found{{"C:\\Windows", 0}}));
}

// A level typed whole is looked up rather than listed, and the path goes on with the name as the
// disk holds it: what is shown, handed off and recorded carries each level's real case.
TEST(SearchTest, LevelsLookedUpGoOnWithTheirNamesAsStored) {
  test::FakeFileSystem tree(kWindowsPaths, "C:\\");
  tree.AddDirectory("C:\\lp\\Clients\\Archive\\Reports");
  const std::string templates = "\xd0\xa8\xd0\xb0\xd0\xb1\xd0\xbb\xd0\xbe\xd0\xbd\xd1\x8b";
  tree.AddDirectory("C:\\lp\\" + templates + "\\\xce\x91\xcf\x81\xcf\x87\xce\xb5\xce\xaf\xce\xbf");
  const std::vector<std::pair<std::string, Found>> cases = {
      {"lp\\clients\\archive\\rep", {{"C:\\lp\\Clients\\Archive\\Reports", 1}}},
      {"LP\\CLIENTS\\ARCHIVE\\REPORTS", {{"C:\\lp\\Clients\\Archive\\Reports", 0}}},
      // шаблоны\αρχείο: Шаблоны\Αρχείο
      {"lp\\\xd1\x88\xd0\xb0\xd0\xb1\xd0\xbb\xd0\xbe\xd0\xbd\xd1\x8b\\\xce\xb1\xcf\x81\xcf\x87\xce"
       "\xb5\xce\xaf\xce\xbf",
       {{"C:\\lp\\" + templates + "\\\xce\x91\xcf\x81\xcf\x87\xce\xb5\xce\xaf\xce\xbf", 0}}},
  };
  for (const auto& [spec, found] : cases) {
    SCOPED_TRACE(spec);
    tree.log.clear();
    DirectorySearch search(kWindowsPaths, CreateOffer::kOn, tree);
    search.SearchLevel(spec, "C:\\", 0);
    EXPECT_EQ(Sorted(search.MatchList()), found);
    EXPECT_LE(tree.Calls("ListSubdirectories").size(), 1u);  // only an abbreviated last level
  }
}

// An exact name that leads to nothing plausible below does not hide the level's other names: the
// same name in another case, then the prefix matches. Creation stays below the exact name, and a
// level where the exact name leads somewhere costs no more than before.
TEST(SearchTest, AnExactNameThatLeadsNowhereGivesWayToItsSiblings) {
  test::FakeFileSystem looked_up(kPosixPaths, "/");
  looked_up.AddDirectory("/p/pod");
  looked_up.AddDirectory("/p/Pod/Text");
  looked_up.AddDirectory("/p/Pod/Simple");
  looked_up.AddDirectory("/p/projects/src");
  looked_up.AddDirectory("/p/projects-old/tests");
  looked_up.AddDirectory("/p/projects-old/src");
  const std::vector<std::tuple<std::string, Found, std::vector<std::string>>> cases = {
      {"pod/tex", {{"/p/Pod/Text", 1}}, {"/p/pod/tex/"}},
      {"projects/tes", {{"/p/projects-old/tests", 2}}, {"/p/projects/tes/"}},
      {"projects/src", {{"/p/projects/src", 0}}, {}},
      {"projects/zzz", {}, {"/p/projects/zzz/"}},
  };
  for (const auto& [spec, found, created] : cases) {
    SCOPED_TRACE(spec);
    DirectorySearch search(kPosixPaths, CreateOffer::kOn, looked_up);
    search.SearchLevel(spec, "/p", 0);
    Found plausible;
    for (const auto& path : Sorted(search.MatchList())) {
      if (IsPlausibleRank(static_cast<std::uint8_t>(path.second))) plausible.push_back(path);
    }
    EXPECT_EQ(plausible, found);
    std::vector<std::string> offered;
    for (const Candidate& c : search.CreateList()) offered.push_back(c.Path());
    EXPECT_EQ(offered, created);
  }
  looked_up.log.clear();
  DirectorySearch direct(kPosixPaths, CreateOffer::kOn, looked_up);
  direct.SearchLevel("projects/src", "/p", 0);
  EXPECT_TRUE(looked_up.Calls("ListSubdirectories").empty());

  // Found by a listing: the exact name walked first leads nowhere, the other case does.
  FakeTree listed;
  listed.Add("/p/", {"Pod", "pod"}).Add("/p/pod/", {}).Add("/p/Pod/", {"Text"});
  DirectorySearch search(kPosixPaths, CreateOffer::kOn, listed);
  search.SearchLevel("pod/tex", "/p", 0);
  EXPECT_EQ(Sorted(search.MatchList()), (Found{{"/p/Pod/Text", 1}}));
  EXPECT_EQ(listed.listings, 3);
}

TEST(SearchTest, TypoFollowsTheNearestDirectoryOnly) {
  FakeTree tree;
  tree.Add("C:\\", {"Windows", "Users"});
  DirectorySearch search(kWindowsPaths, CreateOffer::kOn, tree);
  search.SearchLevel("wndows", "C:\\", 0);
  EXPECT_EQ(Sorted(search.MatchList()), (Found{{"C:\\Windows", 2}}));
}

TEST(SearchTest, WildcardsPrefixesAndExtensions) {
  FakeTree tree;
  tree.Add("C:\\", {"DOC", "DOCUMENTS", "ALPHA", "ALPHA.BETA"});
  DirectorySearch docx(kWindowsPaths, CreateOffer::kOn, tree);
  docx.SearchLevel("docx", "C:\\", 0);
  EXPECT_EQ(Sorted(docx.MatchList()), (Found{{"C:\\DOC", 1}}));
  DirectorySearch ab(kWindowsPaths, CreateOffer::kOn, tree);
  ab.SearchLevel("a.b", "C:\\", 0);
  EXPECT_EQ(Sorted(ab.MatchList()), (Found{{"C:\\ALPHA.BETA", 1}}));
  DirectorySearch star(kWindowsPaths, CreateOffer::kOn, tree);
  star.SearchLevel("*", "C:\\", 0);
  EXPECT_EQ(star.MatchList().size(), 4u);
}

TEST(SearchTest, WorkedExampleRanksAndDeadEnds) {
  FakeTree tree;
  tree.Add("C:\\", {"Projects", "Programs", "Music"})
      .Add("C:\\Projects\\", {"Music"})
      .Add("C:\\Programs\\", {"Tools"});
  DirectorySearch search(kWindowsPaths, CreateOffer::kOn, tree);
  search.SearchLevel("pro*\\mu", "C:\\", 0);
  // MU to TOOLS is 5 edits (typo score 7): far-fetched for two letters, so Tools ranks in the
  // far band, after every plausible path, and the place where MU could be made is offered.
  EXPECT_EQ(Sorted(search.MatchList()),
            (Found{{"C:\\Projects\\Music", 2}, {"C:\\Programs\\Tools", FarRank(1 + 7)}}));
  EXPECT_TRUE(search.FoundPlausible());
  ASSERT_EQ(search.CreateList().size(), 1u);
  EXPECT_EQ(search.CreateList()[0].Path(), "C:\\Programs\\mu\\");
}

TEST(SearchTest, PlausibleSlipsLandAndFarTyposAreMarked) {
  // A home directory as people keep it; each row a typed spec, the best candidates and whether
  // they are plausible.
  FakeTree tree;
  tree.Add("/home/u/", {".local", ".ssh", "Desktop", "Documents", "Downloads", "Music", "Pictures",
                        "Videos", "Templates", "projects", "Windows"})
      .Add("/home/u/projects/", {"webshop", "api-server", "blog"})
      .Add("/home/u/projects/blog/", {"content", "src"})
      .Add("/home/u/projects/blog/content/", {"posts"})
      .Add("/home/u/projects/blog/content/posts/", {})
      .Add("/home/u/Documents/", {"docs"});
  struct Row {
    std::string spec;
    Found best;
    bool plausible;
  };
  const std::vector<Row> rows = {
      {"wndows", {{"/home/u/Windows", kLettersScore}}, true},
      {"porjects", {{"/home/u/projects", TypoScore(1)}}, true},
      {"Documetns", {{"/home/u/Documents", TypoScore(1)}}, true},
      {"Downlaods", {{"/home/u/Downloads", TypoScore(1)}}, true},
      {"pro/webhsop", {{"/home/u/projects/webshop", 1 + TypoScore(1)}}, true},
      {"pro/api-sever", {{"/home/u/projects/api-server", 1 + kLettersScore}}, true},
      {"prj", {{"/home/u/projects", kLettersScore}}, true},
      {"dl", {{"/home/u/Downloads", kLettersScore}}, true},
      {"docs", {{"/home/u/Documents", kLettersScore}}, true},
      {"notes.txt", {{"/home/u/Desktop", FarRank(TypoScore(6))}}, false},
      {"pro/blog/content/drafts",
       {{"/home/u/projects/blog/content/posts", FarRank(1 + TypoScore(4))}},
       false},
      {"pro/blog/zz*", {{"/home/u/projects/blog/src", FarRank(1 + TypoScore(3))}}, false},
      {"Documents/xyz", {{"/home/u/Documents/docs", FarRank(TypoScore(4))}}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("spec " + row.spec);
    DirectorySearch search(kPosixPaths, CreateOffer::kOn, tree);
    search.SearchLevel(row.spec, "/home/u", 0);
    CandidateList best = search.MatchList();
    KeepBestRank(best);
    EXPECT_EQ(Sorted(best), row.best);
    EXPECT_EQ(search.FoundPlausible(), row.plausible);
  }
}

TEST(SearchTest, LettersInOrderRankBeforeTheNearestTypoOnAnyBranch) {
  // Below a1 the letters of DCUMENTS are in order in Documents; below a2 Dcumentz is one letter
  // off. Once they tied at rank 2; now the letters in order come first, alone.
  FakeTree tree;
  tree.Add("/r/", {"a1", "a2"}).Add("/r/a1/", {"Documents"}).Add("/r/a2/", {"Dcumentz"});
  DirectorySearch search(kPosixPaths, CreateOffer::kOn, tree);
  search.SearchLevel("a*/dcuments", "/r", 0);
  EXPECT_EQ(Sorted(search.MatchList()),
            (Found{{"/r/a1/Documents", 1 + kLettersScore}, {"/r/a2/Dcumentz", 1 + TypoScore(1)}}));
  CandidateList best = search.MatchList();
  KeepBestRank(best);
  EXPECT_EQ(Sorted(best), (Found{{"/r/a1/Documents", 1 + kLettersScore}}));
}

TEST(SearchTest, CreationIsOfferedWhereNothingPlausibleWasFound) {
  FakeTree tree;
  tree.Add("/h/", {"projects", "Music"})
      .Add("/h/projects/", {"blog"})
      .Add("/h/projects/blog/", {"content"})
      .Add("/h/projects/blog/content/", {"posts"})
      .Add("/h/Music/", {"Jazz"});
  // Only a far typo at the last level: the rest is offered there, below the directories that
  // exist, never as the abbreviations typed.
  DirectorySearch drafts(kPosixPaths, CreateOffer::kOn, tree);
  drafts.SearchLevel("pro/blog/content/drafts", "/h", 0);
  EXPECT_FALSE(drafts.FoundPlausible());
  ASSERT_EQ(drafts.CreateList().size(), 1u);
  EXPECT_EQ(drafts.CreateList()[0].Path(), "/h/projects/blog/content/drafts/");
  // A far typo in the middle: offered once, where the branch went astray; nothing below the far
  // guess (Jazz has no subdirectories, and would be a dead end) is offered.
  DirectorySearch middle(kPosixPaths, CreateOffer::kOn, tree);
  middle.SearchLevel("Music/xyzzy/newthing", "/h", 0);
  EXPECT_EQ(Sorted(middle.MatchList()), Found{});
  ASSERT_EQ(middle.CreateList().size(), 1u);
  EXPECT_EQ(middle.CreateList()[0].Path(), "/h/Music/xyzzy/newthing");
  // A wildcard that matched nothing offers nothing to create; creating off offers nothing.
  DirectorySearch pattern(kPosixPaths, CreateOffer::kOn, tree);
  pattern.SearchLevel("projects/zz*", "/h", 0);
  EXPECT_EQ(pattern.MatchList().size(), 1u);
  EXPECT_TRUE(pattern.CreateList().empty());
  DirectorySearch off(kPosixPaths, CreateOffer::kOff, tree);
  off.SearchLevel("pro/blog/content/drafts", "/h", 0);
  EXPECT_TRUE(off.CreateList().empty());
  // A plausible match anywhere: it ranks first, whatever the far ones.
  DirectorySearch mixed(kPosixPaths, CreateOffer::kOn, tree);
  mixed.SearchLevel("*/xyzzy", "/h", 0);
  EXPECT_FALSE(mixed.FoundPlausible());
  DirectorySearch plausible(kPosixPaths, CreateOffer::kOn, tree);
  plausible.SearchLevel("*/blg", "/h", 0);
  EXPECT_TRUE(plausible.FoundPlausible());
  CandidateList best = plausible.MatchList();
  KeepBestRank(best);
  EXPECT_EQ(Sorted(best), (Found{{"/h/projects/blog", 1 + kLettersScore}}));
}

TEST(SearchTest, DeadEndsBecomeCreationCandidatesWithoutWildcards) {
  FakeTree tree;
  tree.Add("C:\\W\\", {"proj"});  // proj has no subdirectories
  DirectorySearch search(kWindowsPaths, CreateOffer::kOn, tree);
  search.SearchLevel("pro*\\NewDir", "C:\\W", 0);
  EXPECT_TRUE(search.MatchList().empty());
  ASSERT_EQ(search.CreateList().size(), 1u);
  EXPECT_EQ(search.CreateList()[0].Path(), "C:\\W\\proj\\NewDir\\");  // typed case kept
  EXPECT_EQ(search.CreateList()[0].rank, kCreateRank);

  DirectorySearch wild(kWindowsPaths, CreateOffer::kOn, tree);
  wild.SearchLevel("pro*\\new*", "C:\\W", 0);
  EXPECT_TRUE(wild.CreateList().empty());

  DirectorySearch off(kWindowsPaths, CreateOffer::kOff, tree);
  off.SearchLevel("pro*\\NewDir", "C:\\W", 0);
  EXPECT_TRUE(off.CreateList().empty());

  DirectorySearch deeper(kWindowsPaths, CreateOffer::kOn, tree);
  deeper.SearchLevel("x\\y\\z", "C:\\Empty", 0);  // an unlistable base is a dead end at once
  ASSERT_EQ(deeper.CreateList().size(), 1u);
  EXPECT_EQ(deeper.CreateList()[0].Path(), "C:\\Empty\\x\\y\\z");
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
  DirectorySearch search(kPosixPaths, CreateOffer::kOn, tree);
  search.SearchLevel(spec, "/r", 0);
  ASSERT_EQ(search.MatchList().size(), 1u);
  EXPECT_EQ(search.MatchList()[0].rank, kMaxMatchRank);

  FakeTree wide;
  wide.Add("/r/", {"x"});
  DirectorySearch long_component(kPosixPaths, CreateOffer::kOn, wide);
  long_component.SearchLevel(std::string(1000, 'q'), "/r", 0);
  ASSERT_EQ(long_component.MatchList().size(), 1u);
  EXPECT_EQ(long_component.MatchList()[0].rank, kMaxMatchRank);
}

TEST(SearchTest, EachLevelIsListedOncePerVisit) {
  FakeTree tree;
  tree.Add("/a/", {"b1", "b2"}).Add("/a/b1/", {"c"}).Add("/a/b2/", {"c"});
  DirectorySearch search(kPosixPaths, CreateOffer::kOn, tree);
  search.SearchLevel("b/c", "/a", 0);
  EXPECT_EQ(search.MatchList().size(), 2u);
  EXPECT_EQ(tree.listings, 3);
}

// A directory graph held in memory in which links may lead anywhere, loops included. Paths are
// resolved name by name from the root "/r", as the system resolves them; links carry the
// identity of their target, plain subdirectories none, as the real listings give them.
class FakeGraph : public test::FakeFileSystem {
 public:
  FakeGraph() : FakeFileSystem(kPosixPaths, "/") {}
  static constexpr int kRoot = 0;
  // A new plain directory `name` in `parent`; returns its number.
  int Dir(int parent, const std::string& name) {
    children_.emplace_back();
    const int dir = static_cast<int>(children_.size()) - 1;
    children_[parent].push_back({name, dir, false});
    return dir;
  }
  // A link `name` in `parent` that leads to directory `target`.
  void Link(int parent, const std::string& name, int target) {
    children_[parent].push_back({name, target, true});
  }
  platform::DirectoryListing ListSubdirectories(const std::string& dir) override {
    ++listings;
    platform::DirectoryListing entries;
    if (std::optional<int> found = Resolve(dir)) {
      for (const Child& child : children_[*found]) {
        entries.Add(child.name, child.link ? std::optional(Identity(child.dir)) : std::nullopt);
      }
    }
    return entries;
  }
  std::optional<platform::DirectoryIdentity> IdentifyDirectory(const std::string& dir) override {
    ++identified;
    std::optional<int> found = Resolve(dir);
    if (!found) return std::nullopt;
    return Identity(*found);
  }
  std::optional<std::string> DirectoryItselfName(const std::string& path) override {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    std::optional<int> parent = Resolve(path.substr(0, slash));
    if (!parent) return std::nullopt;
    const std::string name = path.substr(slash + 1);
    const auto& children = children_[*parent];
    if (std::none_of(children.begin(), children.end(),
                     [&name](const Child& c) { return c.name == name && !c.link; })) {
      return std::nullopt;
    }
    return name;
  }
  int listings = 0;
  int identified = 0;

 private:
  struct Child {
    std::string name;
    int dir;
    bool link;
  };
  static platform::DirectoryIdentity Identity(int dir) {
    return {7, 0, static_cast<std::uint64_t>(dir)};
  }
  std::optional<int> Resolve(const std::string& path) const {
    if (path.compare(0, 2, "/r") != 0) return std::nullopt;
    int dir = kRoot;
    std::size_t start = 2;
    while (start < path.size()) {
      std::size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      const std::string name = path.substr(start, end - start);
      start = end + 1;
      if (name.empty()) continue;
      const auto& children = children_[dir];
      auto child = std::find_if(children.begin(), children.end(),
                                [&name](const Child& c) { return c.name == name; });
      if (child == children.end()) return std::nullopt;
      dir = child->dir;
    }
    return dir;
  }
  std::vector<std::vector<Child>> children_{1};
};

std::string Repeated(const std::string& component, int times) {
  std::string spec;
  for (int i = 0; i < times; ++i) spec += (i ? "/" : "") + component;
  return spec;
}

TEST(SearchLinkTest, ALinkLoopIsNeverEntered) {
  // Two links to the directory itself: without the check, 20 levels of l* are 2^20 paths.
  FakeGraph graph;
  graph.Link(FakeGraph::kRoot, "l1", FakeGraph::kRoot);
  graph.Link(FakeGraph::kRoot, "l2", FakeGraph::kRoot);
  DirectorySearch search(kPosixPaths, CreateOffer::kOn, graph);
  search.SearchLevel(Repeated("l*", 20), "/r", 0);
  EXPECT_TRUE(search.MatchList().empty());
  EXPECT_TRUE(search.CreateList().empty());
  EXPECT_EQ(graph.listings, 1);

  // Every directory of a chain holds links to the root, to itself and to its parent: each
  // branch still lists each real directory once, however many levels are typed.
  FakeGraph chain;
  int dir = FakeGraph::kRoot;
  int parent = FakeGraph::kRoot;
  for (int level = 0; level < 5; ++level) {
    parent = dir;
    dir = chain.Dir(dir, "d");
    chain.Link(dir, "root", FakeGraph::kRoot);
    chain.Link(dir, "self", dir);
    chain.Link(dir, "parent", parent);
  }
  DirectorySearch deep(kPosixPaths, CreateOffer::kOn, chain);
  deep.SearchLevel(Repeated("*", 12), "/r", 0);
  EXPECT_TRUE(deep.MatchList().empty());
  EXPECT_EQ(chain.listings, 6);  // the root and the five real levels
}

TEST(SearchLinkTest, ALinkUpIsLeftOutAsIfItWereNotThere) {
  FakeGraph graph;
  const int a = graph.Dir(FakeGraph::kRoot, "a");
  const int b = graph.Dir(a, "b");
  const int c = graph.Dir(b, "c");
  const int elsewhere = graph.Dir(FakeGraph::kRoot, "elsewhere");
  graph.Dir(elsewhere, "e");
  graph.Link(c, "up", a);
  graph.Link(c, "self", c);
  graph.Link(c, "side", elsewhere);  // a link to another place is a directory like any other
  graph.Link(c, "x", a);
  graph.Dir(c, "xylo");
  DirectorySearch star(kPosixPaths, CreateOffer::kOn, graph);
  star.SearchLevel("a/b/c/*", "/r", 0);
  EXPECT_EQ(Sorted(star.MatchList()), (Found{{"/r/a/b/c/side", 1}, {"/r/a/b/c/xylo", 1}}));
  DirectorySearch deeper(kPosixPaths, CreateOffer::kOn, graph);
  deeper.SearchLevel("a/b/c/*/*", "/r", 0);
  EXPECT_EQ(Sorted(deeper.MatchList()), (Found{{"/r/a/b/c/side/e", 2}}));
  // The link "x" would be the exact name; left out, "xylo" matches as a prefix.
  DirectorySearch exact(kPosixPaths, CreateOffer::kOn, graph);
  exact.SearchLevel("a/b/c/x", "/r", 0);
  EXPECT_EQ(Sorted(exact.MatchList()), (Found{{"/r/a/b/c/xylo", 1}}));
}

TEST(SearchLinkTest, BelowAPlaceTheFoldersAboveItAreOnTheBranch) {
  // A Wine prefix: dosdevices/z: leads to the root, c: to the prefix's own drive_c.
  FakeGraph graph;
  const int home = graph.Dir(FakeGraph::kRoot, "home");
  const int wine = graph.Dir(home, "wine");
  const int dosdevices = graph.Dir(wine, "dosdevices");
  const int drive_c = graph.Dir(wine, "drive_c");
  graph.Link(dosdevices, "z:", FakeGraph::kRoot);
  graph.Link(dosdevices, "c:", drive_c);
  graph.Dir(drive_c, "windows");
  DirectorySearch below(kPosixPaths, CreateOffer::kOff, graph);
  below.SearchBelowPlace("*/*", "/r/home/wine", 0);
  EXPECT_EQ(Sorted(below.MatchList()),
            (Found{{"/r/home/wine/dosdevices/c:", 2}, {"/r/home/wine/drive_c/windows", 2}}));
  // From the place as a start of its own, z: leads up and out.
  DirectorySearch level(kPosixPaths, CreateOffer::kOff, graph);
  level.SearchLevel("*/*", "/r/home/wine", 0);
  EXPECT_EQ(Sorted(level.MatchList()), (Found{{"/r/home/wine/dosdevices/c:", 2},
                                              {"/r/home/wine/dosdevices/z:", 2},
                                              {"/r/home/wine/drive_c/windows", 2}}));
}

TEST(SearchLinkTest, LevelsTypedWholeAreLookedUpAndOnlyAbbreviatedOnesListed) {
  FakeGraph graph;
  const int a = graph.Dir(FakeGraph::kRoot, "a");
  const int b = graph.Dir(a, "b");
  graph.Dir(a, "bee");
  graph.Dir(b, "xylo");
  graph.Dir(b, "xenon");
  DirectorySearch abbreviated(kPosixPaths, CreateOffer::kOn, graph);
  abbreviated.SearchLevel("a/b/xy", "/r", 0);
  EXPECT_EQ(Sorted(abbreviated.MatchList()), (Found{{"/r/a/b/xylo", 1}}));
  EXPECT_EQ(graph.listings, 1);  // only /r/a/b/, where "xy" is abbreviated
  DirectorySearch whole(kPosixPaths, CreateOffer::kOn, graph);
  whole.SearchLevel("a/b", "/r", 0);
  EXPECT_EQ(Sorted(whole.MatchList()), (Found{{"/r/a/b", 0}}));
  EXPECT_EQ(graph.listings, 1);
  EXPECT_EQ(graph.identified, 0);
}

TEST(SearchLinkTest, TwoWaysToOneDirectoryAreTwoCandidates) {
  FakeGraph graph;
  const int p = graph.Dir(FakeGraph::kRoot, "p");
  const int q = graph.Dir(FakeGraph::kRoot, "q");
  const int target = graph.Dir(p, "t");
  graph.Dir(target, "z");
  graph.Link(q, "lt", target);
  DirectorySearch search(kPosixPaths, CreateOffer::kOn, graph);
  search.SearchLevel("*/*/z", "/r", 0);
  EXPECT_EQ(Sorted(search.MatchList()), (Found{{"/r/p/t/z", 2}, {"/r/q/lt/z", 2}}));
}

TEST(SearchLinkTest, IdentitiesAreAskedForOnlyWhenALinkIsListed) {
  FakeGraph plain;
  const int a = plain.Dir(FakeGraph::kRoot, "a");
  const int b = plain.Dir(a, "b");
  plain.Dir(b, "c");
  DirectorySearch search(kPosixPaths, CreateOffer::kOn, plain);
  search.SearchLevel("a/b/c", "/r", 0);
  EXPECT_EQ(Sorted(search.MatchList()), (Found{{"/r/a/b/c", 0}}));
  EXPECT_EQ(plain.identified, 0);

  // A link at the third level: the three directories of the chain are identified once each, the
  // one reached through a link not at all (the listing above it knew it).
  FakeGraph linked;
  const int la = linked.Dir(FakeGraph::kRoot, "a");
  const int lb = linked.Dir(la, "b");
  const int lc = linked.Dir(lb, "c");
  linked.Link(lb, "back", la);
  linked.Link(lb, "to-c", lc);
  linked.Link(lc, "home", FakeGraph::kRoot);
  DirectorySearch with_links(kPosixPaths, CreateOffer::kOn, linked);
  with_links.SearchLevel("a/b/to*/*", "/r", 0);
  EXPECT_TRUE(with_links.MatchList().empty());
  EXPECT_EQ(linked.identified, 3);
}

std::vector<std::string> Names(const platform::DirectoryListing& listing) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < listing.names.size(); ++i) names.emplace_back(listing.names[i]);
  return names;
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
  auto names = Names(platform::ListSubdirectories(root_.string()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "alpha", "with space"}));
  // With a trailing separator as the search passes it.
  auto again =
      platform::ListSubdirectories(root_.string() + std::string(1, fs::path::preferred_separator));
  EXPECT_EQ(again.names.size(), 3u);
  EXPECT_TRUE(platform::ListSubdirectories((root_ / "missing").string()).names.empty());
  EXPECT_TRUE(platform::ListSubdirectories((root_ / "file.txt").string()).names.empty());
}

TEST_F(ListingTest, CreateOneDirectoryReportsWindowsCodes) {
  EXPECT_EQ(platform::CreateOneDirectory((root_ / "new").string()), 0);
  EXPECT_EQ(platform::CreateOneDirectory((root_ / "new").string()), 183);
  EXPECT_EQ(platform::CreateOneDirectory((root_ / "no" / "such").string()), 3);
  EXPECT_TRUE(fs::is_directory(root_ / "new"));
}

}  // namespace
}  // namespace dirhop
