// The places a run remembers (its history entries and alias directories) as roots of the search:
// the first component of a path spec is matched against the components of each remembered path,
// and the directory it matches there is where the rest of the spec is searched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/unicode_fold.h"
#include "match/path_syntax.h"

namespace dirhop {

// A remembered directory the first component of a spec leads to.
struct RememberedRoot {
  std::string dir;         // the remembered path cut after the matching component
  std::uint8_t score = 0;  // that component's level score (pattern.h), the same for every root
};

// Matches `component` against the components of every absolute path in `remembered` with the
// tiers of a live level (MatchLevel: exact, wildcard or prefix, letters in order, typo; a
// far-fetched typo never counts). In each path the components are taken the last first, so the
// deepest one of the best tier is used. Only the roots of the best tier over all the paths are
// kept, each directory once (ignoring case on Windows), in the order of `remembered`. Relative
// paths are left out: they name no place until they are used. A component of wildcards alone
// ("*", "?*") leads nowhere: it would make every folder of every place a root. The cost is one
// pass over each path's components and one hash look-up per path.
std::vector<RememberedRoot> MatchRememberedRoots(std::string_view component,
                                                 const std::vector<std::string>& remembered,
                                                 PathSyntax syntax, TextFolder& folder);

}  // namespace dirhop
