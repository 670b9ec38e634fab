// The command line's first word: a path spec to search for, or an option that ends the run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/run.h"
#include "core/words.h"

namespace dirhop {

// Reads an integer the way the run-time library does: leading blanks, an optional sign, then
// decimal digits or '$' and hexadecimal digits; nullopt for anything else, nothing, or overflow.
std::optional<long> ReadRuntimeInteger(std::string_view text);

// Looks at the first word: no words prints the start directory (exit 0); a word beginning with
// '-' is an option or history index and ends the program; otherwise returns the joined words.
std::string ParseCommandLine(Run& run, const CommandWords& words);

}  // namespace dirhop
