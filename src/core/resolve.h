// Where a path spec leads, worked out before anything is done about it: the main flow acts on
// the result (enters, offers a menu or a creation, reports), and the listing query prints it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/chooser.h"
#include "core/run.h"
#include "match/candidate_list.h"
#include "match/search_observer.h"

namespace dirhop {

// What a path spec resolves to.
struct Resolution {
  enum class Kind {
    kDirectory,  // one directory to enter: the spec as typed, an alias's target, or the base
    kMatches,    // the search's candidates of the best rank, in no order: users sort what they show
    // Nothing plausible found: `candidates` holds the far-fetched guesses of the best rank (in
    // no order), never to be entered without asking, and `creatable` the paths that could be
    // created instead.
    kFarMatches,
    kNoMatch,  // nothing found; `candidates` holds the paths that could be created
    kFailure,  // the path spec cannot be searched: `message` says why
  };
  Kind kind = Kind::kFailure;
  std::string directory;
  // kDirectory through an alias: the alias name as typed (it is promoted when used).
  std::optional<std::string> alias;
  CandidateList candidates;
  // kMatches found from a remembered place whose first component was not matched exactly: even a
  // single candidate is shown in the menu, to be taken by its key.
  bool ask_even_alone = false;
  // kMatches: the order the candidates are shown and listed in (from a remembered place: most
  // frecent first, as they are given).
  ListOrder order = ListOrder::kByRankAndPath;
  // kMatches from the remembered places: every root was a remembered place itself, matched by
  // its whole name or its beginning (not a folder above places, nor letters or a typo).
  bool by_place_name = false;
  // kFarMatches: the paths that could be created, in the order the search met them.
  CandidateList creatable;
  // kNoMatch, kFarMatches: a file met where a directory would have been created (its full path);
  // the paths through it are left out of `candidates` or `creatable`. Empty when none was met.
  std::string file_in_the_way;
  // The spec after slash, double-backslash and dot expansion (for the no-match report).
  std::string expanded_spec;
  std::string message;
};

// Resolves `spec` in the order the main flow tries things: expands it, tries it as typed (which
// changes run.fs's current directory when it names a directory) and as an alias, finds the base
// of the search (drive, root and parent steps) and searches the base; a relative spec (no drive,
// root or parent step) that finds nothing plausible there by names or beginnings is then searched
// from the remembered places (core/search_from_places.h); what is left falls back to creation.
// Every listing of the search is told to `observer` first, when there is one. Prints nothing and
// changes no setting.
Resolution ResolveSpec(Run& run, std::string spec, SearchObserver* observer = nullptr);

}  // namespace dirhop
