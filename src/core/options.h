// The command line's first word: a path spec to search for, or an option that ends the run.
// Parsing only reads the words; RunOption is the one place where an option is carried out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/exit_codes.h"
#include "core/command_line.h"
#include "core/run.h"

namespace dirhop {

// Reads an integer the way the run-time library does: leading blanks, an optional sign, then
// decimal digits or '$' and hexadecimal digits; nullopt for anything else, nothing, or overflow.
std::optional<long> ReadRuntimeInteger(std::string_view text);

// What the command line asks for.
enum class OptionId {
  kPathSpec,      // a first word without '-': the words are a path spec
  kStartDir,      // no words: print the start directory (Windows) or go home (POSIX)
  kUsage,         // -?
  kAlias,         // -a
  kWelcome,       // -w
  kHistoryList,   // -l, -h
  kMail,          // -mail
  kManual,        // -manual, -help
  kExplorer,      // -x
  kHome,          // -home
  kBrantel,       // -brantel
  kHelp,          // --help: the usage screen, as a query
  kVersion,       // --version
  kInit,          // --init SHELL: the shell's integration script
  kList,          // --list SPEC...: where a jump with SPEC would go
  kAliasNames,    // --aliases: the alias names
  kPlaces,        // --places: the remembered places with their scores
  kForget,        // --forget [DIR]: forgets a remembered place
  kImport,        // --import TOOL [FILE]: imports another tool's places
  kRecordVisit,   // --record-visit DIR: records a visit (the shell's hook)
  kUnknown,       // any other first word beginning with "--": reported, nothing done
  kHistoryIndex,  // any other first word beginning with '-'
};

// True for the options that only answer a question: they read the settings but never change
// them, never write the hand-off, and show no first-run screens. The options of the memory of
// places are among them: they change that memory only.
bool IsQuery(OptionId option);

// True for the options that use the memory of places only: the store is not even read.
bool IsPlacesOption(OptionId option);

// The command line read, nothing done yet.
struct ParsedCommandLine {
  OptionId option = OptionId::kStartDir;
  // kPathSpec: the words joined with one space; kAlias, kInit, kForget, kImport, kRecordVisit:
  // the words after the option;
  // kList: the words after it joined with one space; kHistoryIndex: the first word without its
  // '-'; kUnknown: the first word; empty for the others.
  std::vector<std::string> words;
};

// Reads which option the words ask for (options compared ignoring case, in a fixed order).
ParsedCommandLine ParseCommandLine(const CommandWords& words);

// Carries out `parsed`, which is not kPathSpec, and returns the run's exit code: kStartDir prints
// the start directory (exit 0) on Windows and goes to $HOME on POSIX (243 when HOME is unset); the
// screens end with 250 (--help with 0); a history index goes to that history entry, or reports an
// invalid or too-old index (exit 243); --list ends with 0 when it printed a directory and 1 when
// there is none (and then prints nothing at all); --init ends with 243 for a shell it has no script
// for; an unknown "--" word is reported with a pointer to --help (exit 243); a screen left at the
// pager's prompt ends with 0; the others end as their operations do.
ExitCode RunOption(Run& run, const ParsedCommandLine& parsed);

}  // namespace dirhop
