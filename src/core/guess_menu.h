// The menu for a path spec that matched nothing plausibly: the nearest guesses, never entered
// without a key, beside the directories that could be created as typed.
#pragma once

#include <string>

#include "base/exit_codes.h"
#include "core/run.h"
#include "match/candidate_list.h"

namespace dirhop {

// Says that nothing close to `spec` was found, then shows `guesses` (far-fetched candidates, in
// any order; one is shown too) and after them `creatable` (paths to create, marked "new"), and
// enters or creates and enters the one chosen by its key, giving GoToDirectory's exit code. 0
// when the user leaves or the creation fails (the failure reported). With nothing to create
// because of a file where the directory would go (`file_in_the_way`, empty when there is none),
// that is said first.
ExitCode OfferFarMatches(Run& run, const std::string& spec, CandidateList& guesses,
                         const CandidateList& creatable,
                         const std::string& file_in_the_way = std::string());

}  // namespace dirhop
