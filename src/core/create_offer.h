// The offer to create a directory that the search could not find: the report, the y/N prompt or
// the chooser of creation candidates, the creation itself and the way there.
#pragma once

#include <string>
#include <vector>

#include "core/run.h"
#include "match/candidate.h"
#include "match/create.h"

namespace dirhop {

// Creates every missing level of `path` (made absolute first). On failure reports
// "<error text> creating directory '<level>'" and returns false.
bool CreatePathReporting(Run& run, const std::string& path, const CreateDirectoryFn& create);

// Reports that nothing matched the path spec; then, when `create_list` is not empty, offers to create
// one of its paths (a y/N prompt for one, the chooser for several), creates it and goes there.
// Returns when nothing was created; a refused prompt ends the program with exit code 255.
void OfferCreate(Run& run, const std::string& spec, std::vector<Candidate>& create_list,
                 const CreateDirectoryFn& create);

}  // namespace dirhop
