// Benchmark: whole-process times of `dirhop` runs against two C programs, a process that does
// nothing (bench_nothing) and one that lists exactly the directories the search lists
// (bench_lister), all interleaved in one run, on a generated tree and on /usr. Prints figures
// and ratios; asserts nothing. `zoxide query` is timed beside them when zoxide is installed.
//
//   bench_search <path-to-dirhop> [runs] [tree-dir] [store-dir]
//
// store-dir (default /var/tmp) holds the data file and the hand-off file of the runs: it decides
// what a durable save (fsync) costs.
// The trees (default under /tmp/dirhop-bench-tree) are generated once and reused: a deep one of
// about 102,000 directories in three levels, and a flat one with a directory of 20,000 entries and
// directories of 10, 100, 1,000 and 10,000 entries whose names all tie for the spec.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/case_folding.h"
#include "bench_process.h"
#include "match/ordering.h"
#include "match/search.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "state/settings_record.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kLevel1 = 50;
constexpr int kLevel2 = 40;
constexpr int kLevel3 = 50;
constexpr int kWide = 20000;
constexpr int kTieCounts[] = {10, 100, 1000, 10000};

// Pronounceable names of 5 to 14 letters, like real folder names.
std::string MakeName(std::mt19937& random) {
  static const char* kSyllables[] = {"ar", "be", "con", "da", "el", "fi", "gro", "ha", "in",
                                     "jo", "ka", "lo",  "ma", "ne", "or", "pro", "qu", "ri",
                                     "sa", "te", "ul",  "ve", "wo", "xe", "yo",  "zu"};
  std::uniform_int_distribution<int> length(5, 14);
  std::uniform_int_distribution<int> pick(0, 25);
  const int want = length(random);
  std::string name;
  while (static_cast<int>(name.size()) < want) name += kSyllables[pick(random)];
  name.resize(want);
  name[0] = dirhop::UpperChar(name[0]);
  return name;
}

// Names unique within one directory.
std::vector<std::string> MakeNames(std::mt19937& random, int count) {
  std::set<std::string> names;
  while (static_cast<int>(names.size()) < count) names.insert(MakeName(random));
  std::vector<std::string> result(names.begin(), names.end());
  std::shuffle(result.begin(), result.end(), random);
  return result;
}

// deep/: 50 x 40 x 50 directories; flat/wide: 20,000 names; flat/tiesN: N names "Tie" + 5 digits,
// which all score alike for the spec "tie".
void BuildTrees(const fs::path& root) {
  if (fs::exists(root / ".trees-complete")) return;
  std::printf("Generating the trees under %s ...\n", root.c_str());
  std::fflush(stdout);
  fs::remove_all(root);
  std::mt19937 random(20261207);
  for (const auto& a : MakeNames(random, kLevel1)) {
    for (const auto& b : MakeNames(random, kLevel2)) {
      for (const auto& c : MakeNames(random, kLevel3))
        fs::create_directories(root / "deep" / a / b / c);
    }
  }
  for (const auto& name : MakeNames(random, kWide))
    fs::create_directories(root / "flat/wide" / name);
  for (const int count : kTieCounts) {
    const fs::path dir = root / "flat" / ("ties" + std::to_string(count));
    for (int n = 0; n < count; ++n) {
      char name[16];
      std::snprintf(name, sizeof name, "Tie%05d", n);
      fs::create_directories(dir / name);
    }
  }
  std::ofstream(root / ".trees-complete") << "complete\n";
}

// The first name (in sorted order) of a directory's subdirectories; empty when it has none.
std::string FirstSubdirectory(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    if (entry.is_directory() && !entry.is_symlink())
      names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names.empty() ? std::string() : names.front();
}

// `name` with its middle letter replaced.
std::string Typo(std::string name) {
  name[name.size() / 2] = name[name.size() / 2] == 'q' ? 'x' : 'q';
  return name;
}

// What a goal compares dirhop with.
enum class Goal { kNothing, kLister, kTies, kNone };

struct Case {
  std::string tree;
  std::string label;
  fs::path cwd;
  std::vector<std::string> words;  // dirhop's arguments
  Goal goal = Goal::kNothing;
  std::vector<std::string> zoxide;  // keywords for `zoxide query`; empty: not compared
  // Filled in before timing.
  std::vector<std::string> listed;
  long entries = 0;
  std::size_t candidates = 0;
  std::vector<double> dirhop_ms, nothing_ms, lister_ms, zoxide_ms;
};

Case MakeCase(std::string tree, std::string label, fs::path cwd, std::vector<std::string> words,
              Goal goal, std::vector<std::string> zoxide) {
  Case c;
  c.tree = std::move(tree);
  c.label = std::move(label);
  c.cwd = std::move(cwd);
  c.words = std::move(words);
  c.goal = goal;
  c.zoxide = std::move(zoxide);
  return c;
}

// The components of a relative spec, for `zoxide query`.
std::vector<std::string> Keywords(const std::string& spec) {
  std::vector<std::string> words;
  std::size_t from = 0;
  while (from <= spec.size()) {
    const std::size_t cut = std::min(spec.find('/', from), spec.size());
    words.push_back(spec.substr(from, cut - from));
    from = cut + 1;
  }
  return words;
}

// The small specs on a tree whose first three levels from `cwd` are a/b/c.
void AddSmallCases(std::vector<Case>& cases, const std::string& tree, const fs::path& cwd,
                   const std::string& a, const std::string& b, const std::string& c) {
  const std::string exact = a + "/" + b + "/" + c;
  const std::string abbreviated = a.substr(0, 3) + "/" + b.substr(0, 4) + "/" + c.substr(0, 3);
  const std::string typo = Typo(a) + "/" + Typo(b) + "/" + Typo(c);
  // Only a level without subdirectories matches nothing (failing all else the nearest name is
  // followed): c has none.
  const std::string nothing = exact + "/zz";
  cases.push_back(
      MakeCase(tree, "exact 3-level path", cwd, {exact}, Goal::kNothing, Keywords(exact)));
  cases.push_back(MakeCase(tree, "abbreviated 3-level", cwd, {abbreviated}, Goal::kNothing,
                           Keywords(abbreviated)));
  cases.push_back(
      MakeCase(tree, "typo at each level", cwd, {typo}, Goal::kNothing, Keywords(typo)));
  cases.push_back(MakeCase(tree, "no match", cwd, {nothing}, Goal::kNothing, Keywords(nothing)));
  cases.push_back(MakeCase(tree, "-h (history list)", cwd, {"-h"}, Goal::kNothing, {}));
}

// The machine's file system, recording each listing and its size in `test_case`.
class RecordingFileSystem : public dirhop::SystemFileSystem {
 public:
  explicit RecordingFileSystem(Case& test_case) : test_case_(test_case) {}
  dirhop::platform::DirectoryListing ListSubdirectories(const std::string& dir) override {
    test_case_.listed.push_back(dir);
    auto names = dirhop::SystemFileSystem::ListSubdirectories(dir);
    test_case_.entries += static_cast<long>(names.names.size());
    return names;
  }

 private:
  Case& test_case_;
};

// Which directories a run lists, and how many candidates it keeps: the same search as the main
// flow (an existing path is entered directly and lists nothing), with a recording lister.
void FindListings(Case& test_case) {
  const std::string& spec = test_case.words.front();
  if (spec[0] == '-' || fs::is_directory(test_case.cwd / spec)) return;
  RecordingFileSystem recording(test_case);
  dirhop::DirectorySearch search(dirhop::kPosixPaths, dirhop::CreateOffer::kOff, recording);
  search.SearchLevel(spec, test_case.cwd.string(), 0);
  dirhop::KeepBestRank(search.MatchList());
  test_case.candidates = search.MatchList().size();
}

// A z database (path|rank|time) of the directories in the first two levels of each tree and the
// exact targets, for `zoxide import`: an index that holds every answer.
void WriteZDatabase(const fs::path& file, const std::vector<fs::path>& tops,
                    const std::vector<Case>& cases) {
  std::ofstream out(file);
  auto put = [&out](const fs::path& dir) { out << dir.string() << "|10|1796601600\n"; };
  for (const fs::path& top : tops) {
    std::error_code error;
    for (const auto& one : fs::directory_iterator(top, error)) {
      if (!one.is_directory()) continue;
      put(one.path());
      for (const auto& two : fs::directory_iterator(one.path(), error)) {
        if (two.is_directory()) put(two.path());
      }
    }
  }
  for (const Case& c : cases) {
    if (c.goal == Goal::kNothing && c.label == "exact 3-level path") put(c.cwd / c.words.front());
  }
}

bool HaveZoxide() { return std::system("command -v zoxide >/dev/null 2>&1") == 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <path-to-dirhop> [runs] [tree-dir] [store-dir]\n", argv[0]);
    return 2;
  }
  const std::string dirhop = fs::absolute(argv[1]).string();
  const int runs = argc >= 3 ? std::max(3, std::atoi(argv[2])) : 31;
  const fs::path root = argc >= 4 ? fs::path(argv[3]) : fs::path("/tmp/dirhop-bench-tree");
  BuildTrees(root);
  const fs::path here = fs::canonical("/proc/self/exe").parent_path();
  const std::string nothing = (here / "bench_nothing").string();
  const std::string lister = (here / "bench_lister").string();

  std::vector<Case> cases;
  const fs::path deep = root / "deep";
  {
    const std::string a = FirstSubdirectory(deep);
    const std::string b = FirstSubdirectory(deep / a);
    AddSmallCases(cases, "gen", deep, a, b, FirstSubdirectory(deep / a / b));
  }
  cases.push_back(MakeCase("gen", "*/*/x", deep, {"*/*/x"}, Goal::kLister, {}));
  const fs::path flat = root / "flat";
  cases.push_back(MakeCase("gen", "20,000 entries, prefix", flat, {"wide/pro"}, Goal::kLister, {}));
  cases.push_back(MakeCase("gen", "20,000 entries, *", flat, {"wide/*"}, Goal::kLister, {}));
  for (const int count : kTieCounts) {
    cases.push_back(MakeCase("gen", std::to_string(count) + " ties", flat,
                             {"ties" + std::to_string(count) + "/tie"},
                             count == 10000 ? Goal::kTies : Goal::kNone, {}));
  }
  const fs::path usr = "/usr";
  {
    const std::string a = "share";
    const std::string b =
        fs::is_directory(usr / a / "zoneinfo") ? "zoneinfo" : FirstSubdirectory(usr / a);
    AddSmallCases(cases, "/usr", usr, a, b, FirstSubdirectory(usr / a / b));
  }
  cases.push_back(MakeCase("/usr", "*/*/x", usr, {"*/*/x"}, Goal::kLister, {}));

  // Every run shares one scratch directory, by default on the same file system as a user's home:
  // the hand-off file and the data file, whose creation flag is off (byte kCanCreatePathOffset 0),
  // so that a spec that matches nothing ends with the no-match line, without a prompt.
  const fs::path scratch =
      (argc >= 5 ? fs::path(argv[4]) : fs::path("/var/tmp")) / "dirhop-bench-scratch";
  fs::remove_all(scratch);
  fs::create_directories(scratch / "zoxide");
  {
    std::ofstream data(scratch / "dirhop.dat", std::ios::binary);
    const std::string zeros(dirhop::kSettingsRecordSize, '\0');
    data.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.push_back("DIRHOP_HANDOFF=" + (scratch / "handoff").string());
  env.push_back("DIRHOP=" + (scratch / "dirhop.dat").string());
  env.push_back("_ZO_DATA_DIR=" + (scratch / "zoxide").string());

  const bool zoxide = HaveZoxide();
  if (zoxide) {
    WriteZDatabase(scratch / "z", {deep, usr}, cases);
    const std::string import = "_ZO_DATA_DIR='" + (scratch / "zoxide").string() +
                               "' zoxide import '" + (scratch / "z").string() + "' >/dev/null";
    if (std::system(import.c_str()) != 0) std::fprintf(stderr, "zoxide import failed\n");
  }
  const std::string zoxide_path = zoxide ? "/usr/bin/zoxide" : "";

  for (Case& c : cases) FindListings(c);

  // The programs of one case, in one round: dirhop, the do-nothing process, the lister, zoxide.
  auto round = [&](Case& c, int turn, bool keep) {
    std::vector<std::string> dirhop_argv = {dirhop};
    dirhop_argv.insert(dirhop_argv.end(), c.words.begin(), c.words.end());
    std::vector<std::string> lister_argv = {lister};
    lister_argv.insert(lister_argv.end(), c.listed.begin(), c.listed.end());
    std::vector<std::string> zoxide_argv = {zoxide_path, "query"};
    zoxide_argv.insert(zoxide_argv.end(), c.zoxide.begin(), c.zoxide.end());
    const int programs = zoxide && !c.zoxide.empty() ? 4 : 3;
    for (int k = 0; k < programs; ++k) {
      // The order turns from round to round, so that no program always follows another.
      switch ((k + turn) % programs) {
        case 0: {
          const double t = RunProcess(dirhop_argv, c.cwd, env);
          if (keep) c.dirhop_ms.push_back(t);
          break;
        }
        case 1: {
          const double t = RunProcess({nothing}, c.cwd, env);
          if (keep) c.nothing_ms.push_back(t);
          break;
        }
        case 2: {
          const double t = RunProcess(lister_argv, c.cwd, env);
          if (keep) c.lister_ms.push_back(t);
          break;
        }
        default: {
          const double t = RunProcess(zoxide_argv, c.cwd, env);
          if (keep) c.zoxide_ms.push_back(t);
        }
      }
    }
  };
  for (Case& c : cases) round(c, 0, false);  // warm the caches
  for (int turn = 0; turn < runs; ++turn) {
    for (Case& c : cases) round(c, turn, true);
  }

  std::printf("\n%-5s %-23s %6s %7s %6s %8s %8s %8s %7s %7s %8s %8s  %s\n", "tree", "case",
              "listed", "entries", "cands", "dirhop", "nothing", "lister", "÷nothing", "÷lister",
              "zoxide", "zox÷dh", "goal");
  for (const Case& c : cases) {
    const double d = Median(c.dirhop_ms);
    const double n = Median(c.nothing_ms);
    const double l = Median(c.lister_ms);
    std::string goal;
    if (c.goal == Goal::kNothing) {
      goal = std::string(d / n <= 1.3 ? "met" : "MISSED") + " (<= 1.3x nothing)";
    } else if (c.goal == Goal::kLister) {
      goal = std::string(d / l <= 1.1 ? "met" : "MISSED") + " (<= 1.1x lister)";
    } else if (c.goal == Goal::kTies) {
      goal = std::string(d / l <= 1.5 ? "met" : "MISSED") + " (<= 1.5x lister)";
    }
    char zox[32] = "-";
    char zox_ratio[32] = "-";
    if (!c.zoxide_ms.empty()) {
      const double z = Median(c.zoxide_ms);
      std::snprintf(zox, sizeof zox, "%.2f", z);
      std::snprintf(zox_ratio, sizeof zox_ratio, "%.2f", z / d);
    }
    std::printf("%-5s %-23s %6zu %7ld %6zu %8.2f %8.2f %8.2f %8.2f %7.2f %8s %8s  %s\n",
                c.tree.c_str(), c.label.c_str(), c.listed.size(), c.entries, c.candidates, d, n, l,
                d / n, d / l, zox, zox_ratio, goal.c_str());
  }
  // What each further tied candidate costs dirhop beyond the lister, between one tie count and
  // the next: it must not grow with their number.
  std::printf("\nties, added cost per further candidate (dirhop - lister):");
  const Case* previous = nullptr;
  for (const Case& c : cases) {
    if (c.label.find(" ties") == std::string::npos) continue;
    if (previous) {
      const double before = Median(previous->dirhop_ms) - Median(previous->lister_ms);
      const double after = Median(c.dirhop_ms) - Median(c.lister_ms);
      std::printf(
          "  %zu->%zu: %.2f us", previous->candidates, c.candidates,
          1000.0 * (after - before) / static_cast<double>(c.candidates - previous->candidates));
    }
    previous = &c;
  }
  std::printf(
      "\n\nms: whole-process medians of %d interleaved rounds, warm cache. nothing: a C process\n"
      "that returns at once; lister: a C process that lists the directories dirhop lists.\n",
      runs);
  fs::remove_all(scratch);
  return 0;
}
