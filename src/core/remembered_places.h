// The second reach of a search: when a relative path spec finds nothing plausible below the
// current directory, the places the run remembers (its history entries and alias directories)
// are searched as roots, live, with no index.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "core/resolve.h"
#include "core/run.h"

namespace dirhop {

// Matches the first component of `spec` (expanded, relative, without parent steps) against the
// components of the remembered places (match/remembered_roots.h) and searches the rest of `spec`
// below each directory so matched, creating nothing. The plausible candidates of the best rank,
// the start directory left out, as kMatches: entered at once only when there is one and the first
// component matched exactly (`ask_even_alone` otherwise). nullopt when nothing plausible is
// found. A remembered directory that is gone costs one failed listing and is left out silently;
// the store is not touched.
//
// Bounds: a remembered directory on a file system that can stop answering (network, FUSE,
// autofs: FileSystem::MountOf) is not looked at unless the run starts on that same mount, so a
// dead share never holds a run that does not go there. Every directory above a root is on the
// search's branch (DirectorySearch::SearchBelowPlace). The walk lists at most
// kRememberedPlaceListings directories; a spec that needs more gives kFailure, saying so.
std::optional<Resolution> ResolveFromRememberedPlaces(Run& run, std::string_view spec);

// How many directories the search from the remembered places lists at most.
inline constexpr std::size_t kRememberedPlaceListings = 2000;

}  // namespace dirhop
