// The offer to create a directory that the search could not find: the report, the y/N prompt or
// the chooser of creation candidates, the creation itself and the way there.
#pragma once

#include <string>

#include "base/exit_codes.h"
#include "core/run.h"
#include "match/candidate_list.h"
#include "match/create.h"
#include "match/paths.h"
#include "platform/file_system.h"

namespace dirhop {

// Creates every missing level of `path` (made absolute first) through run.fs. On failure reports
// "<error text> creating directory '<level>'" and returns false.
bool CreatePathReporting(Run& run, const std::string& path);

// Reports that nothing matched the path spec; then, when `create_list` is not empty, offers to
// create one of its paths (a y/N prompt for one, the chooser for several), creates it and goes
// there, giving GoToDirectory's exit code. 0 when nothing was created; 255 when the prompt was
// refused. With nothing to offer because of a file where the directory would go
// (`file_in_the_way`, empty when there is none), the report says "'<file>' is a file, not a
// directory" instead.
ExitCode OfferCreate(Run& run, const std::string& spec, CandidateList& create_list,
                     const std::string& file_in_the_way = std::string());

// The line that says a path to create would lead through `file`.
std::string FileInTheWayText(const std::string& file);

}  // namespace dirhop
