// Benchmark: what a spec resolved through the places Dirhop remembers costs, against the live
// search of the same depth from where the user is. Every run is `dirhop --list webshop/tests`
// (nothing saved); the history holds <scratch>/home/projects/webshop/src. Cases, interleaved in
// an order that turns from round to round, medians in ms:
//   from the base      in <scratch>/home/projects: found below the current directory
//   remembered, small  in <scratch>/usr/share (three folders): nothing here, then the history
//   remembered, /usr/share  in the real /usr/share: the same, after a failed search of a large
//                      folder
// Prints figures and the ratios to the search from the base; asserts nothing.
//
//   bench_remembered <path-to-dirhop> [rounds] [scratch-dir]

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_process.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <dirhop> [rounds] [scratch-dir]\n", argv[0]);
    return 2;
  }
  const std::string dirhop = fs::absolute(argv[1]).string();
  const int rounds = argc >= 3 ? std::max(3, std::atoi(argv[2])) : 201;
  const fs::path scratch = fs::path(argc >= 4 ? argv[3] : "/tmp") / "dirhop-bench-remembered";
  fs::remove_all(scratch);
  for (const char* dir : {"home/projects/webshop/src", "home/projects/webshop/tests",
                          "home/projects/api-server/tests", "usr/share/doc", "usr/share/fish",
                          "usr/share/debconf", "config/dirhop"}) {
    fs::create_directories(scratch / dir);
  }
  const std::string path = std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : "");
  const std::vector<std::string> env = {path, "HOME=" + (scratch / "home").string(),
                                        "XDG_CONFIG_HOME=" + (scratch / "config").string(),
                                        "DIRHOP_HANDOFF=" + (scratch / "handoff").string()};
  // The history: the project's source folder, entered from the project.
  RunProcess({dirhop, "-h"}, scratch, env);
  RunProcess({dirhop, "src"}, scratch / "home/projects/webshop", env);

  struct Case {
    const char* label;
    fs::path cwd;
    std::vector<double> ms;
  };
  std::vector<Case> cases = {{"from the base", scratch / "home/projects", {}},
                             {"remembered, small folder here", scratch / "usr/share", {}},
                             {"remembered, in /usr/share", "/usr/share", {}}};
  for (int round = -3; round < rounds; ++round) {
    for (std::size_t k = 0; k < cases.size(); ++k) {
      Case& c = cases[(k + static_cast<std::size_t>(round + 3)) % cases.size()];
      const double t = RunProcess({dirhop, "--list", "webshop/tests"}, c.cwd, env);
      if (round >= 0) c.ms.push_back(t);
    }
  }
  const double base = Median(cases[0].ms);
  std::printf("%-34s %10s %10s\n", "dirhop --list webshop/tests", "median ms", "÷base");
  for (const Case& c : cases) {
    const double m = Median(c.ms);
    std::printf("%-34s %10.3f %10.2f\n", c.label, m, m / base);
  }
  fs::remove_all(scratch);
  return 0;
}
