// Start-up and the main flow: one command line in, exactly one outcome out (a directory handed to
// the shell, a message or screen, or an interactive choice leading to one of those).
#pragma once

#include <string>
#include <vector>

#include "base/exit_codes.h"
#include "core/run.h"
#include "core/words.h"

namespace dirhop {

// The main flow after start-up: expansion, the direct attempt, drive and parent steps, the search.
// Gives the run's exit code (0 when it ends without a result).
ExitCode MainFlow(Run& run, const CommandWords& words);

// The whole program: start-up, main flow, and the exit code. `arguments` is argv without argv[0].
int RunProgram(const std::vector<std::string>& arguments);

}  // namespace dirhop
