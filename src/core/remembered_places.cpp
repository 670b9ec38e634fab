#include "core/remembered_places.h"

#include <string>
#include <vector>

#include "base/case_folding.h"
#include "console/visible_text.h"
#include "match/ordering.h"
#include "match/pattern.h"
#include "match/remembered_roots.h"
#include "match/search.h"

namespace dirhop {

namespace {

// The history entries, most recent first, then the alias directories, most recently used first.
std::vector<std::string> RememberedPlaces(const SettingsRecord& record) {
  std::vector<std::string> places;
  for (int slot = 0; slot < kHistorySlots && !record.HistoryEmpty(slot); ++slot) {
    places.push_back(record.History(slot));
  }
  for (int slot = 1; slot <= kAliasSlots && !record.AliasFree(slot); ++slot) {
    places.push_back(record.AliasTarget(slot));
  }
  return places;
}

}  // namespace

std::optional<Resolution> ResolveFromRememberedPlaces(Run& run, std::string_view spec) {
  const PathSyntax syntax = run.facts.syntax;
  const ComponentSplit split = SplitFirstComponent(spec, syntax.separator);
  TextFolder folder;
  const std::vector<RememberedRoot> roots =
      MatchRememberedRoots(split.component, RememberedPlaces(run.settings.record), syntax, folder);
  if (roots.empty()) return std::nullopt;
  const platform::MountPlace here = run.fs.MountOf(run.start_dir);
  DirectorySearch search(syntax, CreateOffer::kOff, run.fs);
  search.LimitListings(kRememberedPlaceListings);
  for (const RememberedRoot& root : roots) {
    // A place on a mount that can stop answering is not touched from elsewhere: a run that does
    // not go there must not wait for it.
    const platform::MountPlace mount = run.fs.MountOf(root.dir);
    if (mount.remote &&
        !(syntax.drives ? SameIgnoringCase(mount.point, here.point) : mount.point == here.point)) {
      continue;
    }
    // A directory that is gone is left out: one failed look, as a listing below it would be.
    if (split.rest.empty() && !run.fs.IdentifyDirectory(root.dir)) continue;
    search.SearchBelowPlace(split.rest, root.dir, root.score);
    if (search.ListingsRanOut()) {
      Resolution result;
      result.kind = Resolution::Kind::kFailure;
      result.message = "Dirhop: Searching for '" + VisibleText(spec) +
                       "' from the remembered places would list more than " +
                       std::to_string(kRememberedPlaceListings) + " folders; type more of the path";
      return result;
    }
  }
  CandidateList& found = search.MatchList();
  found.KeepIf([&](const Candidate& c) {
    return IsPlausibleRank(c.rank) && !c.PathIsIgnoringCase(run.start_dir);
  });
  if (found.empty()) return std::nullopt;
  Resolution result;
  result.kind = Resolution::Kind::kMatches;
  result.candidates = std::move(found);
  KeepBestRank(result.candidates);
  result.ask_even_alone = roots.front().score != kExactScore || result.candidates.size() != 1;
  return result;
}

}  // namespace dirhop
