// Benchmark: specs of wildcards alone, many levels deep, typed where they match nothing, against
// the release before the search from the remembered places. The history of each program holds a
// project folder and a Wine prefix (whose dosdevices/z: is a link to "/"), so the search from the
// remembered places has places to start from. Every run is `--list <spec>` in a small tree of
// three levels (nothing saved). Cases, the two programs interleaved in an order that turns from
// round to round, medians in ms:
//   */*/*/*/*/*     six levels
//   20 levels       of */
//   5,000 levels    of */
// Prints figures and the ratio of the program to the one before; asserts nothing.
//
//   bench_deep_wildcards <path-to-dirhop> <path-to-dirhop-before> [rounds] [scratch-dir]

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_process.h"

namespace fs = std::filesystem;

namespace {

std::string Stars(int levels) {
  std::string spec = "*";
  for (int i = 1; i < levels; ++i) spec += "/*";
  return spec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <dirhop> <dirhop-before> [rounds] [scratch-dir]\n", argv[0]);
    return 2;
  }
  const std::string programs[2] = {fs::absolute(argv[1]).string(), fs::absolute(argv[2]).string()};
  const int rounds = argc >= 4 ? std::max(3, std::atoi(argv[3])) : 31;
  const fs::path scratch = fs::path(argc >= 5 ? argv[4] : "/tmp") / "dirhop-bench-deep";
  fs::remove_all(scratch);
  for (const char* dir : {"home/projects/webshop/src", "home/projects/webshop/tests",
                          "home/wine/dosdevices", "home/wine/drive_c/windows/system32",
                          "small/a/b/c", "small/d/e", "config0/dirhop", "config1/dirhop"}) {
    fs::create_directories(scratch / dir);
  }
  fs::create_directory_symlink("/", scratch / "home/wine/dosdevices/z:");
  fs::create_directory_symlink("../drive_c", scratch / "home/wine/dosdevices/c:");
  const std::string path = std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : "");
  std::vector<std::string> envs[2];
  for (int p = 0; p < 2; ++p) {
    const fs::path config = scratch / ("config" + std::to_string(p));
    std::ofstream(config / "dirhop" / "registry").close();  // a store: not a first run
    envs[p] = {path, "HOME=" + (scratch / "home").string(), "XDG_CONFIG_HOME=" + config.string(),
               "DIRHOP_HANDOFF=" + (scratch / ("handoff" + std::to_string(p))).string()};
    // The history: the project's source folder and the Wine prefix.
    RunProcess({programs[p], "src"}, scratch / "home/projects/webshop", envs[p]);
    RunProcess({programs[p], "wine"}, scratch / "home", envs[p]);
  }

  struct Case {
    const char* label;
    std::string spec;
    std::vector<double> ms[2];
  };
  std::vector<Case> cases = {{"*/*/*/*/*/*", Stars(6), {}},
                             {"20 levels of */", Stars(20), {}},
                             {"5,000 levels of */", Stars(5000), {}}};
  const std::size_t runs = cases.size() * 2;
  for (int round = -2; round < rounds; ++round) {
    for (std::size_t k = 0; k < runs; ++k) {
      const std::size_t n = (k + static_cast<std::size_t>(round + 2)) % runs;
      Case& c = cases[n / 2];
      const int p = static_cast<int>(n % 2);
      const double t = RunProcess({programs[p], "--list", c.spec}, scratch / "small", envs[p]);
      if (round >= 0) c.ms[p].push_back(t);
    }
  }
  std::printf("%-22s %12s %12s %10s\n", "--list in small/", "before ms", "now ms", "now÷before");
  for (const Case& c : cases) {
    const double now = Median(c.ms[0]);
    const double before = Median(c.ms[1]);
    std::printf("%-22s %12.3f %12.3f %10.3f\n", c.label, before, now, now / before);
  }
  fs::remove_all(scratch);
  return 0;
}
