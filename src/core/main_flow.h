// Start-up and the main flow: one command line in, exactly one outcome out (a directory handed to
// the shell, a message or screen, or an interactive choice leading to one of those).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/run.h"
#include "core/words.h"

namespace dirhop {

// Reads an integer the way the run-time library does: leading blanks, an optional sign, then
// decimal digits or '$' and hexadecimal digits; nullopt for anything else, nothing, or overflow.
std::optional<long> ReadRuntimeInteger(std::string_view text);

// Looks at the first word: no words prints the start directory (exit 0); a word beginning with
// '-' is an option or history index and ends the program; otherwise returns the joined words.
std::string ParseCommandLine(Run& run, const CommandWords& words);

// The main flow after start-up: expansion, the direct attempt, drive and parent steps, the search.
// Returns when the run ends without a result (exit code 0); every other ending is a ProgramExit.
void MainFlow(Run& run, const CommandWords& words);

// The whole program: start-up, main flow, and the exit code. `arguments` is argv without argv[0].
int RunProgram(const std::vector<std::string>& arguments);

}  // namespace dirhop
