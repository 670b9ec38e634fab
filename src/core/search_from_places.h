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
// folders of the remembered places (the history, the aliases and the memory of places:
// match/place_folder_match.h) and searches the rest of `spec` below each directory so matched,
// creating nothing. The plausible candidates of the best rank, the start directory left out, as
// kMatches ordered most frecent first (`order` kAsGiven). Entered at once: the one candidate when
// the first component matched a folder's whole name, or the beginning of the last folder of one
// remembered place only; or the most frecent candidate alone when it is at least kClearLead
// times as frecent as the next (`candidates` then holds it alone). Otherwise the menu, even for
// one (`ask_even_alone`). nullopt when nothing plausible is found. A remembered directory that is
// gone costs one failed look and is left out; a place of the memory found gone on a local file
// system is forgotten, except by a query. The store is not touched.
//
// Bounds: a remembered directory on a file system that can stop answering (network, FUSE,
// autofs: FileSystem::MountOf) is not looked at unless the run starts on that same mount, so a
// dead share never holds a run that does not go there. Every directory above a root is on the
// search's branch (DirectorySearch::SearchBelowPlace). The walk lists at most
// kRememberedPlaceListings directories; a spec that needs more gives kFailure, saying so. Each
// listing is told to `observer` first, when there is one.
std::optional<Resolution> ResolveFromRememberedPlaces(Run& run, std::string_view spec,
                                                      SearchObserver* observer = nullptr);

// How many directories the search from the remembered places lists at most.
inline constexpr std::size_t kRememberedPlaceListings = 2000;

// How many times as frecent as the next the most frecent candidate from the remembered places
// must be to be taken without asking (measured on bench/remembered_week.py: see bench/README.md).
inline constexpr double kClearLead = 1.5;

}  // namespace dirhop
