// Benchmark: whole-process time of `dirhop` for a few specs on a large generated tree, against the
// cost of merely listing the directories that the search has to list (a minimal lister process
// that opens, reads and closes the same directories). Prints figures; asserts nothing.
//
//   bench_search <path-to-dirhop> [tree-dir] [runs]
//
// The tree (about 102,000 directories in three levels, names of 5 to 14 letters) is generated
// once under tree-dir (default /tmp/dirhop-bench-tree) and reused by later runs.

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "match/search.h"
#include "platform/platform.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kLevel1 = 50;
constexpr int kLevel2 = 40;
constexpr int kLevel3 = 50;

// Pronounceable names of 5 to 14 letters, like real folder names.
std::string MakeName(std::mt19937& random) {
  static const char* kSyllables[] = {"ar", "be", "con", "da", "el", "fi", "gro", "ha", "in",
                                     "jo",  "ka", "lo",  "ma", "ne", "or", "pro", "qu", "ri",
                                     "sa",  "te", "ul",  "ve", "wo", "xe", "yo",  "zu"};
  std::uniform_int_distribution<int> length(5, 14);
  std::uniform_int_distribution<int> pick(0, 25);
  const int want = length(random);
  std::string name;
  while (static_cast<int>(name.size()) < want) name += kSyllables[pick(random)];
  name.resize(want);
  name[0] = static_cast<char>(name[0] - 'a' + 'A');
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

void BuildTree(const fs::path& root) {
  if (fs::exists(root / ".complete")) return;
  std::printf("Generating the tree under %s ...\n", root.c_str());
  std::fflush(stdout);
  fs::remove_all(root);
  std::mt19937 random(20261207);
  long count = 0;
  for (const auto& a : MakeNames(random, kLevel1)) {
    for (const auto& b : MakeNames(random, kLevel2)) {
      for (const auto& c : MakeNames(random, kLevel3)) {
        fs::create_directories(root / a / b / c);
        ++count;
      }
      ++count;
    }
    ++count;
  }
  std::ofstream(root / ".complete") << count << "\n";
  std::printf("  %ld directories\n", count);
}

// The first name (in sorted order) of a directory's subdirectories.
std::string FirstSubdirectory(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names.front();
}

std::string Typo(std::string name) {
  name[name.size() / 2] = name[name.size() / 2] == 'q' ? 'x' : 'q';
  return name;
}

double RunProcess(const std::vector<std::string>& argv, const fs::path& cwd,
                  const std::vector<std::string>& extra_env) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> env_strings(extra_env);
  for (char** e = environ; *e; ++e) env_strings.emplace_back(*e);
  std::vector<char*> env;
  for (auto& e : env_strings) env.push_back(e.data());
  env.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const std::string old_cwd = fs::current_path().string();
  fs::current_path(cwd);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data()) != 0) {
    std::perror("posix_spawn");
    std::exit(2);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const auto stop = std::chrono::steady_clock::now();
  fs::current_path(old_cwd);
  posix_spawn_file_actions_destroy(&actions);
  return std::chrono::duration<double, std::milli>(stop - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The lister: opens, reads and closes each directory named on its command line, keeping the
// subdirectory names as the search does (d_type, "." and ".." skipped).
int ListDirectories(int argc, char** argv) {
  long kept = 0;
  for (int i = 2; i < argc; ++i) {
    DIR* dir = opendir(argv[i]);
    if (!dir) continue;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_type == DT_DIR && std::strcmp(entry->d_name, ".") != 0 &&
          std::strcmp(entry->d_name, "..") != 0) {
        names.emplace_back(entry->d_name);
      }
    }
    closedir(dir);
    kept += static_cast<long>(names.size());
  }
  return kept > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--list") == 0) return ListDirectories(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <path-to-dirhop> [tree-dir] [runs]\n", argv[0]);
    return 2;
  }
  const std::string dirhop = fs::absolute(argv[1]).string();
  const fs::path root = argc >= 3 ? fs::path(argv[2]) : fs::path("/tmp/dirhop-bench-tree");
  const int runs = argc >= 4 ? std::max(3, std::atoi(argv[3])) : 21;
  BuildTree(root);
  const std::string self = fs::canonical("/proc/self/exe").string();

  const std::string a = FirstSubdirectory(root);
  const std::string b = FirstSubdirectory(root / a);
  const std::string c = FirstSubdirectory(root / a / b);
  struct Case {
    std::string label;
    std::string spec;
  };
  const std::vector<Case> cases = {
      {"exact 3-level path", a + "/" + b + "/" + c},
      {"abbreviated 3-level", a.substr(0, 3) + "/" + b.substr(0, 3) + "/" + c.substr(0, 3)},
      {"typo at each level", Typo(a) + "/" + Typo(b) + "/" + Typo(c)},
      {"*/*/x", "*/*/x"},
  };

  const fs::path scratch = fs::temp_directory_path() / "dirhop-bench-scratch";
  fs::create_directories(scratch);
  const std::vector<std::string> env = {"DIRHOP_HANDOFF=" + (scratch / "handoff").string(),
                                        "XDG_CONFIG_HOME=" + scratch.string(),
                                        "DIRHOP=" + (scratch / "dirhop.dat").string()};

  // What starting a process costs on this machine: the lister with nothing to list.
  std::vector<double> start_times;
  for (int i = 0; i < runs; ++i) start_times.push_back(RunProcess({self, "--list"}, root, env));
  const double start_cost = Median(start_times);
  std::printf("\nprocess start alone (lister with nothing to list): %.2f ms\n", start_cost);
  std::printf("\n%-22s %7s %8s %10s %10s %6s %11s %11s %10s\n", "spec", "listed", "entries",
              "dirhop ms", "lister ms", "ratio", "dirhop net", "lister net", "search ms");
  for (const auto& test_case : cases) {
    // Which directories the search lists for this spec: the same search, with a recording lister.
    std::vector<std::string> listed;
    long entries = 0;
    dirhop::DirectorySource source = dirhop::SystemDirectories();
    source.list = [&](const std::string& dir) {
      listed.push_back(dir);
      auto names = dirhop::platform::ListSubdirectories(dir);
      entries += static_cast<long>(names.size());
      return names;
    };
    dirhop::DirectorySearch search(dirhop::kPosixPaths, dirhop::CreateOffer::kOn, source);
    const bool direct = fs::is_directory(root / test_case.spec);
    double search_ms = 0;
    if (!direct) {  // an existing path is entered directly: nothing is listed
      const auto start = std::chrono::steady_clock::now();
      search.SearchLevel(test_case.spec, root.string(), 0);
      search_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                            start).count();
    }
    std::vector<std::string> lister_argv = {self, "--list"};
    lister_argv.insert(lister_argv.end(), listed.begin(), listed.end());

    std::vector<double> dirhop_times;
    std::vector<double> lister_times;
    RunProcess({dirhop, test_case.spec}, root, env);  // warm the cache
    RunProcess(lister_argv, root, env);
    for (int i = 0; i < runs; ++i) {
      dirhop_times.push_back(RunProcess({dirhop, test_case.spec}, root, env));
      lister_times.push_back(RunProcess(lister_argv, root, env));
    }
    const double d = Median(dirhop_times);
    const double l = Median(lister_times);
    std::printf("%-22s %7zu %8ld %10.2f %10.2f %6.2f %11.2f %11.2f %10.3f\n",
                test_case.label.c_str(), listed.size(), entries, d, l, d / l, d - start_cost,
                l - start_cost, search_ms);
  }
  std::printf(
      "\nmedians of %d runs, warm cache. dirhop/lister ms: whole-process times; net: minus the\n"
      "process start; search ms: the search alone, in this process, with the real listing.\n",
      runs);
  fs::remove_all(scratch);
  return 0;
}
