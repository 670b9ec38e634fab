// The run's side of the memory of places (state/place_memory.h): where it is kept, which
// directories stay out of it, the visits a run records, and the options that show, forget,
// import and record places.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/exit_codes.h"
#include "core/host_facts.h"
#include "core/run.h"
#include "state/place_memory.h"

namespace dirhop {

// Where this run keeps its memory of places: beside the data file when DIRHOP names one (the
// data file's path with ".places" added), else ${XDG_DATA_HOME:-~/.local/share}/dirhop/places
// (POSIX) or %LOCALAPPDATA%\Dirhop\places (Windows). nullopt when nothing is kept: DIRHOP names
// the null device (`data_file` is kNullDataFile), or no such folder can be named.
std::optional<PlaceFile> PlaceFileFor(Host& host, const HostFacts& facts,
                                      const std::optional<std::string>& data_file);

// True when `dir` is kept out of the memory: it matches one of the globs of DIRHOP_EXCLUDE
// (separated by ':' on POSIX, ';' on Windows), or, when that is unset, it is the home folder
// itself ($HOME, %USERPROFILE%).
bool ExcludedPlace(Host& host, const HostFacts& facts, const std::string& dir);

// Records a visit of `dir` in the run's memory, unless the run keeps none, is private, or `dir`
// is excluded. Says nothing: a visit that cannot be recorded is left out.
void RememberVisit(Run& run, const std::string& dir);

// --places: every remembered place with its frecency, most frecent first. Exit 0.
ExitCode ListPlacesOption(Run& run, const std::vector<std::string>& words);

// --forget [DIR]: forgets DIR (the current directory when none is given). Exit 0 when it was
// remembered and is forgotten; 243, with a message, when it was not or the memory could not be
// changed.
ExitCode ForgetPlaceOption(Run& run, const std::vector<std::string>& words);

// --import z|fasd|autojump|zoxide [FILE]: adds another tool's places (from its default file when
// FILE is not given; zoxide has none that can be read). Bad lines are reported by number and
// the rest imported in one atomic change. Exit 0 when the memory was changed, else 243.
ExitCode ImportPlacesOption(Run& run, const std::vector<std::string>& words);

// --record-visit DIR: records a visit of the absolute DIR as a jump would (the shell's hook of
// --remember-cd runs it). Silent; exit 0, or 243 without DIR.
ExitCode RecordVisitOption(Run& run, const std::vector<std::string>& words);

}  // namespace dirhop
