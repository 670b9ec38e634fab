// Running a test again without root's power to pass permission checks (see os_fixtures.h).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "support/os_fixtures.h"

namespace dirhop::test {

namespace {

// CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH, as bits of the kernel's capability sets.
constexpr unsigned long long kPermissionBypass = (1ull << 1) | (1ull << 2);

// The effective capabilities of this process (Linux); 0 where the system has none.
unsigned long long EffectiveCapabilities() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("CapEff:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
  }
  return 0;
}

// The full path of `program` found on PATH; empty when it is not there.
std::string FindOnPath(const std::string& program) {
  std::stringstream path(platform::GetEnv("PATH").value_or(""));
  std::string dir;
  while (std::getline(path, dir, ':')) {
    const std::filesystem::path candidate = std::filesystem::path(dir) / program;
    std::error_code error;
    if (!dir.empty() && std::filesystem::is_regular_file(candidate, error)) {
      return candidate.string();
    }
  }
  return {};
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

bool RerunWithoutPermissionBypass() {
  // Under Wine the capabilities read would be the Wine process's, and there is no shell to ask.
  if (platform::ThisHostKind() != platform::HostKind::kPosix) return false;
  if ((EffectiveCapabilities() & kPermissionBypass) == 0) return false;
  const std::string setpriv = FindOnPath("setpriv");
  const std::string self = platform::OwnFilePath();
  if (setpriv.empty() || self.empty()) return false;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(test->test_suite_name()) + "." + test->name();
  const std::string command =
      ShellQuoted(setpriv) +
      " --inh-caps=-dac_override,-dac_read_search --bounding-set=-dac_override,-dac_read_search " +
      ShellQuoted(self) + " " + ShellQuoted("--gtest_filter=" + name);
  std::fflush(stdout);
  EXPECT_EQ(std::system(command.c_str()), 0)
      << name << " failed without the power to pass permission checks (its output is above)";
  return true;
}

}  // namespace dirhop::test
