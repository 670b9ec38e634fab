// Benchmark: what a jump that saves the store costs, against a static process that does nothing.
// In most cases every dirhop run enters the other of two directories, so each one records a
// directory and saves; the store is the data file (DIRHOP) or the settings key file
// (XDG_CONFIG_HOME) in store-dir (default /var/tmp: on the disk, where a durable save waits for
// it), and once more in /dev/shm, where a save costs no flush. In the "to the front" cases every
// run enters the same directory, the one at the front of the history, so the store's bytes stay
// as they are (the memory of places still gets its visit records). All cases run interleaved,
// in an order that turns from round to round; the figures are medians in ms. A second dirhop (an
// older build, say) adds its cases on the disk to the same rounds. Prints figures; asserts
// nothing.
//
//   bench_save <path-to-dirhop> <path-to-static-nothing> [rounds] [store-dir] [other-dirhop]

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_process.h"

namespace fs = std::filesystem;

namespace {

struct Case {
  std::string label;
  std::vector<std::string> env;  // added to the environment of every run
  bool jump = true;              // false: the do-nothing process
  std::string program;           // the dirhop that jumps
  fs::path scratch;              // the folder of its store and of the directories it enters
  bool to_front = false;         // every run enters "a", already at the front of the history
  std::vector<double> ms;
};

// A scratch folder with the two directories the jumps go between.
fs::path MakeScratch(const fs::path& base, const std::string& name) {
  const fs::path scratch = base / name;
  fs::remove_all(scratch);
  fs::create_directories(scratch / "a");
  fs::create_directories(scratch / "b");
  fs::create_directories(scratch / "config" / "dirhop");
  return scratch;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: %s <dirhop> <static-nothing> [rounds] [store-dir] [other-dirhop]\n",
                 argv[0]);
    return 2;
  }
  const std::string dirhop = fs::absolute(argv[1]).string();
  const std::string nothing = fs::absolute(argv[2]).string();
  const int rounds = argc >= 4 ? std::max(3, std::atoi(argv[3])) : 201;
  const fs::path disk = fs::path(argc >= 5 ? argv[4] : "/var/tmp");
  const fs::path on_disk = MakeScratch(disk, "dirhop-bench-save");
  const fs::path in_memory = MakeScratch("/dev/shm", "dirhop-bench-save");
  const std::string path = std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : "");

  const fs::path front = MakeScratch(disk, "dirhop-bench-save-front");
  const auto data = [](const fs::path& scratch) {
    return "DIRHOP=" + (scratch / "dirhop.dat").string();
  };
  const auto key = [](const fs::path& scratch) {
    return "XDG_CONFIG_HOME=" + (scratch / "config").string();
  };
  std::vector<Case> cases = {
      {"static do-nothing process", {}, false, {}, on_disk, false, {}},
      {"jump, data file on the disk", {data(on_disk)}, true, dirhop, on_disk, false, {}},
      {"jump, settings key file on the disk", {key(on_disk)}, true, dirhop, on_disk, false, {}},
      {"jump, data file in /dev/shm", {data(in_memory)}, true, dirhop, in_memory, false, {}},
      {"to the front, data file on the disk", {data(front)}, true, dirhop, front, true, {}},
      {"to the front, settings key file on the disk", {key(front)}, true, dirhop, front, true, {}},
  };
  std::vector<fs::path> scratches = {on_disk, in_memory, front};
  if (argc >= 6) {
    // The other build keeps its stores in scratch folders of its own: the two never share one.
    const std::string other = fs::absolute(argv[5]).string();
    const fs::path other_disk = MakeScratch(disk, "dirhop-bench-save-other");
    const fs::path other_front = MakeScratch(disk, "dirhop-bench-save-other-front");
    cases.push_back({"other: jump, data file on the disk",
                     {data(other_disk)},
                     true,
                     other,
                     other_disk,
                     false,
                     {}});
    cases.push_back({"other: jump, settings key file on the disk",
                     {key(other_disk)},
                     true,
                     other,
                     other_disk,
                     false,
                     {}});
    cases.push_back({"other: to the front, data file on the disk",
                     {data(other_front)},
                     true,
                     other,
                     other_front,
                     true,
                     {}});
    cases.push_back({"other: to the front, settings key file on the disk",
                     {key(other_front)},
                     true,
                     other,
                     other_front,
                     true,
                     {}});
    scratches.push_back(other_disk);
    scratches.push_back(other_front);
  }
  for (int round = -3; round < rounds; ++round) {  // three rounds to warm up, not counted
    for (std::size_t k = 0; k < cases.size(); ++k) {
      Case& c = cases[(k + static_cast<std::size_t>(round + 3)) % cases.size()];
      std::vector<std::string> env = {path, "HOME=" + c.scratch.string(),
                                      "DIRHOP_HANDOFF=" + (c.scratch / "handoff").string()};
      env.insert(env.end(), c.env.begin(), c.env.end());
      const bool to_a = c.to_front || round % 2 == 0;
      const double t = c.jump ? RunProcess({c.program, to_a ? "a" : "b"}, c.scratch, env)
                              : RunProcess({nothing}, c.scratch, env);
      if (round >= 0) c.ms.push_back(t);
    }
  }
  const double base = Median(cases[0].ms);
  std::printf("%-52s %10s %10s\n", "case", "median ms", "÷nothing");
  for (const Case& c : cases) {
    const double m = Median(c.ms);
    std::printf("%-52s %10.3f %10.2f\n", c.label.c_str(), m, m / base);
  }
  for (const fs::path& scratch : scratches) fs::remove_all(scratch);
  return 0;
}
