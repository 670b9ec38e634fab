// The places a run remembers as roots of the search: which directory a first component leads to,
// and when the search from them is made and what it offers.

#include "core/search_from_places.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/main_flow.h"
#include "core/resolve.h"
#include "match/place_folder_match.h"
#include "state/place_memory.h"
#include "support/fake_run.h"
#include "support/keys.h"

namespace dirhop {
namespace {

using platform::HostKind;
using test::FakeRun;

std::vector<std::string> Roots(std::string_view component, const std::vector<std::string>& places,
                               PathSyntax syntax = kPosixPaths) {
  TextFolder folder;
  std::vector<RememberedPath> remembered;
  for (const std::string& place : places) remembered.push_back({place});
  std::vector<std::string> dirs;
  for (const RememberedRoot& root :
       MatchRememberedRoots(component, RememberedPathList(remembered), syntax, "/home/u", folder)) {
    dirs.push_back(root.dir + " " + std::to_string(root.score));
  }
  return dirs;
}

TEST(RememberedRootsTest, TheDeepestComponentOfTheBestTierOverAllPlacesIsTheRoot) {
  const std::vector<std::string> places = {"/home/u/projects/webshop/src", "/srv/web",
                                           "/home/u/projects/api-server", "relative/webshop"};
  // Exact in one place beats a prefix in another; the deepest of a tier in a path wins.
  EXPECT_EQ(Roots("web", places), std::vector<std::string>{"/srv/web 0"});
  // (A name that begins the component is of the prefix tier too, as at a live level.) A place
  // itself comes before a folder that is only above places: /srv/web was visited, webshop only
  // holds what was.
  EXPECT_EQ(Roots("webs", places), std::vector<std::string>{"/srv/web 1"});
  EXPECT_EQ(Roots("home", {"/home/u/projects/homelab", "/home/u/notes"}),
            std::vector<std::string>{"/home/u/projects/homelab 1"});
  // A typo of a place does not beat a folder above places that matches better; the folders
  // above the home folder are no roots, unless remembered themselves.
  EXPECT_EQ(Roots("tmp", {"/tmp/x/tnp"}), std::vector<std::string>{"/tmp 0"});
  EXPECT_TRUE(Roots("home", {"/home/u/notes"}).empty());
  EXPECT_EQ(Roots("home", {"/home"}), std::vector<std::string>{"/home 0"});
  // An exact folder above places beats a place that only begins with the word.
  EXPECT_EQ(Roots("webshop", {"/h/webshop/tests", "/h/webshop-admin"}),
            std::vector<std::string>{"/h/webshop 0"});
  // Any folder, when asked for: the deepest of the best tier in each path.
  TextFolder folder;
  const std::vector<RememberedPath> both = {{"/home/u/projects/webshop/src"}, {"/srv/web"}};
  EXPECT_EQ(MatchRememberedRoots("webs", RememberedPathList(both), kPosixPaths, "", folder,
                                 RootFolders::kAnyFolder)
                .size(),
            2u);
  EXPECT_EQ(Roots("api", places), std::vector<std::string>{"/home/u/projects/api-server 1"});
  EXPECT_EQ(Roots("pro", {"/p/q/projects/x"}), std::vector<std::string>{"/p/q/projects 1"});
  // Letters in order, then a plausible typo; a far-fetched one leads nowhere.
  EXPECT_EQ(Roots("wbshp", places), std::vector<std::string>{"/home/u/projects/webshop 2"});
  EXPECT_EQ(Roots("porjects", places), std::vector<std::string>{"/home/u/projects 3"});
  EXPECT_EQ(Roots("rpojects", places), std::vector<std::string>{"/home/u/projects 3"});
  // The last folder of a path that ends in a separator is the place.
  EXPECT_EQ(Roots("web", {"/srv/web/", "/srv/web/x"}), std::vector<std::string>{"/srv/web 0"});
  EXPECT_TRUE(Roots("xyz", places).empty());
  // Wildcards alone name no place (they would make every folder of every path a root); a
  // wildcard beside a letter does.
  EXPECT_TRUE(Roots("*", places).empty());
  EXPECT_TRUE(Roots("?*", places).empty());
  EXPECT_EQ(Roots("a*", places), std::vector<std::string>{"/home/u/projects/api-server 1"});
  // Each directory once: two entries below one project lead to it once.
  EXPECT_EQ(Roots("projects", {"/h/projects/a", "/h/projects/b", "/h/projects"}),
            std::vector<std::string>{"/h/projects 0"});
  // Windows: drive and UNC roots are not components; one directory in any case is one root.
  EXPECT_EQ(Roots("share", {"\\\\server\\share\\docs", "C:\\Share\\x", "c:\\share\\y", "x\\share"},
                  kWindowsPaths),
            std::vector<std::string>{"C:\\Share 0"});
}

// A POSIX run in /usr/share (debconf, fish) whose history holds a project's source folder and
// whose alias "doc" names /usr/share/doc.
struct RememberingRun : FakeRun {
  RememberingRun(std::initializer_list<Key> keys = {})
      : FakeRun(HostKind::kPosix, "/usr/share", {{80, 25}}, keys) {
    for (const char* dir : {"/usr/share/debconf", "/usr/share/fish", "/usr/share/doc/bash",
                            "/home/u/projects/webshop/src", "/home/u/projects/webshop/tests",
                            "/home/u/projects/api-server/tests", "/tmp"}) {
      fs.AddDirectory(dir);
    }
    settings.record.SetHistory(0, "/usr/share");
    settings.record.SetHistory(1, "/home/u/projects/webshop/src");
    settings.record.SetHistory(2, "/home/u/projects/api-server");
    settings.record.SetHistory(3, "/home/u/gone/webshop");  // removed since
    settings.record.SetAlias(1, "doc", "/usr/share/doc");
  }

  // Where `spec` resolves, as --list prints it, and whether a single one would be asked about.
  std::vector<std::string> Resolve(const std::string& spec, bool* ask = nullptr) {
    Resolution resolution = ResolveSpec(run, spec);
    if (ask != nullptr) *ask = resolution.ask_even_alone;
    std::vector<std::string> paths;
    if (resolution.kind == Resolution::Kind::kDirectory) paths.push_back(resolution.directory);
    if (resolution.kind == Resolution::Kind::kMatches) {
      for (const Candidate& c : resolution.candidates) paths.push_back(c.Path());
    }
    return paths;
  }
};

TEST(RememberedPlacesTest, ARelativeSpecThatFindsNothingHereStartsAtARememberedPlace) {
  RememberingRun faked;
  bool ask = true;
  EXPECT_EQ(faked.Resolve("webshop", &ask), std::vector<std::string>{"/home/u/projects/webshop"});
  EXPECT_FALSE(ask);
  EXPECT_EQ(faked.Resolve("webshop/tests", &ask),
            std::vector<std::string>{"/home/u/projects/webshop/tests"});
  EXPECT_FALSE(ask);
  // A first component matched only by its beginning is asked about, even alone.
  EXPECT_EQ(faked.Resolve("web/te", &ask),
            std::vector<std::string>{"/home/u/projects/webshop/tests"});
  EXPECT_TRUE(ask);
  // The beginning of the last folder of one remembered place only is taken at once.
  EXPECT_EQ(faked.Resolve("api/tests", &ask),
            std::vector<std::string>{"/home/u/projects/api-server/tests"});
  EXPECT_FALSE(ask);
  // An alias's directory is a remembered place too.
  faked.fs.ChangeDirectory("/tmp");
  EXPECT_EQ(faked.Resolve("doc/bash", &ask), std::vector<std::string>{"/usr/share/doc/bash"});
  EXPECT_FALSE(ask);
  // No remembered place is tried for a spec with a root or parent steps, nor for one that found
  // something plausible here: the search from here lists nothing remembered.
  EXPECT_TRUE(faked.Resolve("/webshop").empty());
  EXPECT_TRUE(faked.Resolve("../webshop").empty());
  faked.fs.ChangeDirectory("/usr/share");
  faked.fs.log.clear();
  EXPECT_EQ(faked.Resolve("fi"), std::vector<std::string>{"/usr/share/fish"});
  EXPECT_EQ(faked.fs.Calls("ListSubdirectories"),
            std::vector<std::string>{"ListSubdirectories /usr/share/"});
}

TEST(RememberedPlacesTest, GonePlacesAndTheCurrentDirectoryAreNeverOffered) {
  RememberingRun faked;
  faked.settings.record.SetHistory(4, "/home/u/projects/webshop/src/share");
  // "share" leads to /usr/share, where the run is, and to a remembered folder that is gone.
  EXPECT_TRUE(faked.Resolve("share").empty());
  faked.fs.AddDirectory("/home/u/projects/webshop/src/share");
  EXPECT_EQ(faked.Resolve("share"), std::vector<std::string>{"/home/u/projects/webshop/src/share"});
}

// The calls that reached below `dir`, MountOf (which touches nothing) left out.
std::vector<std::string> CallsBelow(const test::FakeFileSystem& fs, const std::string& dir) {
  std::vector<std::string> calls;
  for (const std::string& call : fs.log) {
    if (call.find(" " + dir) != std::string::npos && call.rfind("MountOf ", 0) != 0) {
      calls.push_back(call);
    }
  }
  return calls;
}

TEST(RememberedPlacesTest, APlaceOnAMountThatCanStopAnsweringIsLookedAtOnlyFromThatMount) {
  RememberingRun faked;  // started in /usr/share
  faked.fs.remote_mounts = {"/usr", "/home/u/projects"};
  faked.fs.ChangeDirectory("/tmp");
  faked.fs.log.clear();
  EXPECT_TRUE(faked.Resolve("webshop").empty());
  EXPECT_TRUE(faked.Resolve("webshop/tests").empty());
  EXPECT_TRUE(faked.Resolve("api/tests").empty());
  EXPECT_EQ(CallsBelow(faked.fs, "/home/u/projects"), std::vector<std::string>{});
  // The run started on the mount of /usr: the alias's folder there is looked at.
  EXPECT_EQ(faked.Resolve("doc/bash"), std::vector<std::string>{"/usr/share/doc/bash"});
}

TEST(RememberedPlacesTest, TheWalkFromThePlacesIsBounded) {
  RememberingRun faked;
  faked.fs.ChangeDirectory("/tmp");
  faked.fs.log.clear();
  // Wildcards alone as the first part lead to no place: "*" would be every remembered folder.
  EXPECT_TRUE(faked.Resolve("*/tests").empty());
  EXPECT_TRUE(faked.Resolve("*").empty());
  EXPECT_EQ(faked.fs.Calls("ListSubdirectories"),
            (std::vector<std::string>{"ListSubdirectories /tmp/", "ListSubdirectories /tmp/"}));
  // A spec that would list more folders than the walk may says so instead of running on.
  for (std::size_t i = 0; i <= kRememberedPlaceListings; ++i) {
    faked.fs.AddDirectory("/home/u/projects/webshop/src/d" + std::to_string(i) + "/x");
  }
  faked.fs.log.clear();
  const Resolution wide = ResolveSpec(faked.run, "src/*/*");
  EXPECT_EQ(wide.kind, Resolution::Kind::kFailure);
  EXPECT_EQ(wide.message,
            "Dirhop: Searching for 'src/*/*' from the remembered places would list "
            "more than " +
                std::to_string(kRememberedPlaceListings) + " folders; type more of the path");
  EXPECT_EQ(faked.fs.Calls("ListSubdirectories").size(), kRememberedPlaceListings + 1);
  EXPECT_EQ(faked.Resolve("src/d7/*"),
            std::vector<std::string>{"/home/u/projects/webshop/src/d7/x"});
}

// A run in /etc whose memory of places holds projects visited `visits` times each, just now.
struct MemoryRun : RememberingRun {
  explicit MemoryRun(const std::vector<std::pair<std::string, int>>& visits) {
    run.places = PlaceFile{"/data/places", PathCase::kSensitive};
    fs.ChangeDirectory("/tmp");
    for (const auto& [dir, times] : visits) {
      fs.AddDirectory(dir);
      for (int n = 0; n < times; ++n) RecordVisit(fs, *run.places, dir, host.unix_time);
    }
  }
};

TEST(RememberedPlacesTest, TheMemoryOrdersByFrecencyAndAClearLeadGoesAtOnce) {
  MemoryRun faked({{"/p/webshop", 6},
                   {"/p/webshop-admin", 3},
                   {"/p/infra", 3},
                   {"/p/infra-docs", 4},
                   {"/p/k8s/tests", 1}});
  bool ask = true;
  // At least half again as frecent as the next (kClearLead): taken at once, and --list says only
  // that one.
  EXPECT_EQ(faked.Resolve("webs", &ask), std::vector<std::string>{"/p/webshop"});
  EXPECT_FALSE(ask);
  // Less than that: the menu, most frecent first.
  EXPECT_EQ(faked.Resolve("inf", &ask), (std::vector<std::string>{"/p/infra-docs", "/p/infra"}));
  EXPECT_TRUE(ask);
  // A folder above a place, then the rest below it, from anywhere.
  EXPECT_EQ(faked.Resolve("k8s/tests", &ask), std::vector<std::string>{"/p/k8s/tests"});
  EXPECT_FALSE(ask);
}

TEST(RememberedPlacesTest, AFolderHereFoundOnlyByLettersGivesWayToARememberedPlaceByItsName) {
  MemoryRun faked({{"/p/game-engine", 2}});
  faked.fs.AddDirectory("/tmp/gstreamer");
  bool ask = true;
  EXPECT_EQ(faked.Resolve("gam", &ask), std::vector<std::string>{"/p/game-engine"});
  EXPECT_FALSE(ask);
  // A folder here that begins with the word is still taken first.
  faked.fs.AddDirectory("/tmp/games");
  EXPECT_EQ(faked.Resolve("gam", &ask), std::vector<std::string>{"/tmp/games"});
}

TEST(RememberedPlacesTest, APlaceFoundGoneIsForgottenByARunButNotByAQuery) {
  MemoryRun faked({{"/p/kept", 1}});
  // Remembered, and removed since.
  RecordVisit(faked.fs, *faked.run.places, "/p/gone-project", faked.host.unix_time);
  const auto remembered = [&faked] {
    std::vector<std::string> paths;
    const PlaceMemory memory = PlaceMemory::Load(faked.fs, *faked.run.places, faked.host.unix_time);
    for (const RememberedPlace& place : memory.places()) paths.emplace_back(place.path);
    std::sort(paths.begin(), paths.end());
    return paths;
  };
  faked.settings.read_only = true;  // a query: --list, completion
  EXPECT_TRUE(faked.Resolve("gone-project").empty());
  EXPECT_EQ(remembered(), (std::vector<std::string>{"/p/gone-project", "/p/kept"}));
  faked.settings.read_only = false;
  EXPECT_TRUE(faked.Resolve("gone-project").empty());
  EXPECT_EQ(remembered(), std::vector<std::string>{"/p/kept"});
}

TEST(RememberedPlacesTest, TheMenuShowsAnAskedCandidateAloneAndItsKeyTakesIt) {
  RememberingRun faked({test::Ch('a')});
  const CommandWords words = CommandWords::FromArguments({"web/te"}, faked.run.facts.own_file_path);
  EXPECT_EQ(MainFlow(faked.run, ParseCommandLine(words)), kExitOk);
  EXPECT_NE(test::Written(faked.fake).find("/home/u/projects/webshop/tests"), std::string::npos);
  EXPECT_EQ(faked.fs.files[test::kPosixHandoffPath], "cd -- '/home/u/projects/webshop/tests'\n");
}

}  // namespace
}  // namespace dirhop
