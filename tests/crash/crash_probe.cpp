// Sets up the crash report the way the program's start-up does, then ends in the way its first
// argument names: a real fault (access-violation, stack-overflow, division-by-zero) or an ordinary
// ending (exit-0, exit-1, exit-243) that must stay silent. Further arguments only show
// up in the report's command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/crash_report.h"
#include "platform/platform.h"

namespace {

// Each level keeps a page of stack busy and uses it after the deeper call returns, so that the
// compiler can neither drop the frame nor turn the recursion into a loop.
volatile int g_depth_limit = -1;

int Recurse(int depth) {
  volatile char page[4096];
  page[0] = static_cast<char>(depth);
  page[sizeof page - 1] = static_cast<char>(depth >> 8);
  if (depth == g_depth_limit) return page[0];
  return Recurse(depth + 1) + page[depth % sizeof page];
}

}  // namespace

int main(int argc, char** argv) {
  // As at start-up: the handler first, then the identity, then the words it prints.
  dirhop::InstallCrashReport();
  dirhop::SetCrashIdentity("Dirhop", "3.1");
  const auto raw = dirhop::platform::RawCommandLine();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const dirhop::CommandWords words =
      raw ? dirhop::CommandWords::FromRawCommandLine(*raw, dirhop::platform::OwnFilePath())
          : dirhop::CommandWords::FromArguments(arguments, dirhop::platform::OwnFilePath());
  dirhop::SetCrashCommandLine(words);

  const std::string kind = argc > 1 ? argv[1] : "";
  std::fputs("before the fault\n", stdout);
  std::fflush(stdout);
  if (kind == "access-violation") {
    int* volatile nowhere = nullptr;
    *nowhere = 1;
  } else if (kind == "stack-overflow") {
    return Recurse(0);
  } else if (kind == "division-by-zero") {
    // Both operands unknown to the compiler, which otherwise rewrites 1 / x without a division.
    volatile int numerator = 7;
    volatile int zero = 0;
    volatile int quotient = numerator / zero;
    (void)quotient;
    // Some processors (ARM) give 0 instead of trapping: nothing to report there.
    std::fputs("no trap\n", stdout);
    return 3;
  } else if (kind == "exit-0") {
    return 0;
  } else if (kind == "exit-1") {
    return 1;
  } else if (kind == "exit-243") {
    return 243;
  }
  std::fputs("unknown kind\n", stdout);
  return 4;
}
