// The command line's first word: a path spec to search for, or an option that ends the run.
// Parsing only reads the words; RunOption is the one place where an option is carried out.
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

// What the command line asks for.
enum class OptionId {
  kPathSpec,      // a first word without '-': the words are a path spec
  kStartDir,      // no words: print the start directory
  kUsage,         // -?
  kAlias,         // -a
  kWelcome,       // -w
  kHistoryList,   // -l, -h
  kMail,          // -mail
  kManual,        // -manual, -help
  kExplorer,      // -x
  kHome,          // -home
  kBrantel,       // -brantel
  kHistoryIndex,  // any other first word beginning with '-'
};

// The command line read, nothing done yet.
struct ParsedCommandLine {
  OptionId option = OptionId::kStartDir;
  // kPathSpec: the words joined with one space; kAlias: the words after "-a"; kHistoryIndex: the
  // first word without its '-'; empty for the others.
  std::vector<std::string> words;
};

// Reads which option the words ask for (options compared ignoring case, in a fixed order).
ParsedCommandLine ParseCommandLine(const CommandWords& words);

// Carries out `parsed`, which is not kPathSpec, and ends the program: kStartDir prints the start
// directory (exit 0); the screens end with 250; a history index goes to that history entry, or
// reports an invalid or too-old index (exit 243); the others end as their operations do.
[[noreturn]] void RunOption(Run& run, const ParsedCommandLine& parsed);

}  // namespace dirhop
