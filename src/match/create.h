// Creating a directory that the search could not find: the offer after a search that found
// nothing, and the level-by-level creation itself.
#pragma once

#include <string>
#include <vector>

#include "core/run.h"
#include "match/candidate.h"

namespace dirhop {

// Creates one directory and returns the system's error code for it in Windows numbering
// (0 success, 183 already exists, 5 access denied, 3 path not found, ...).
using CreateDirectoryFn = std::function<int(const std::string& path)>;

// Windows error code of a directory that already exists.
inline constexpr int kErrorAlreadyExists = 183;
// Windows error code for access denied.
inline constexpr int kErrorAccessDenied = 5;

// Creates every missing level of `path` (made absolute first), from the root down. Levels that
// exist, or that deny access (they may exist), are passed over. On failure reports
// "<error text> creating directory '<level>'" and returns false.
bool CreatePath(Run& run, const std::string& path, const CreateDirectoryFn& create);

// Reports that nothing matched the path spec; then, when `create_list` is not empty, offers to create
// one of its paths (a y/N prompt for one, the chooser for several), creates it and goes there.
// Returns when nothing was created; a refused prompt ends the program with exit code 255.
void OfferCreate(Run& run, const std::string& spec, std::vector<Candidate>& create_list,
                 const CreateDirectoryFn& create);

}  // namespace dirhop
