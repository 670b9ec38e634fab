// Start-up and the main flow: one command line in, exactly one outcome out (a directory handed to
// the shell, a message or screen, or an interactive choice leading to one of those).
#pragma once

#include <string>
#include <vector>

#include "base/exit_codes.h"
#include "core/options.h"
#include "core/run.h"

namespace dirhop {

// The main flow after start-up, for the command line as ParseCommandLine read it: a query is
// answered at once; otherwise a directory reached since the last run is recorded, then an option
// is run or the path spec resolved (core/resolve.h) and acted on. Gives the run's exit code (0
// when it ends without a result).
ExitCode MainFlow(Run& run, const ParsedCommandLine& parsed);

// The whole program: start-up, main flow, and the exit code. `arguments` is argv without argv[0].
int RunProgram(const std::vector<std::string>& arguments);

}  // namespace dirhop
