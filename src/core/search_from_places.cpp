#include "core/search_from_places.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/case_folding.h"
#include "console/visible_text.h"
#include "match/level_match.h"
#include "match/ordering.h"
#include "match/paths.h"
#include "match/place_folder_match.h"
#include "match/search.h"
#include "state/place_memory.h"

namespace dirhop {

namespace {

// The run's memory of places, read without a lock; empty when the run keeps none.
PlaceMemory LoadMemory(Run& run) {
  if (!run.places) return {};
  // The candidates are ranked here, by the places' scores: the memory's own order is not needed.
  return PlaceMemory::Load(run.fs, *run.places, run.host.UnixTime(), PlaceOrder::kAsStored);
}

// The frecency of `path` in `memory`; 0 when it is not remembered there.
double FrecencyOf(const PlaceMemory& memory, std::string_view path) {
  const RememberedPlace* place = memory.Find(path);
  return place != nullptr ? place->score : 0;
}

// The places a run remembers, read where they are kept: the history entries, most recent first,
// the alias directories, most recently used first, and the memory's places, most frecent first.
// The memory's places are not copied.
class RunPlaces final : public RememberedPaths {
 public:
  RunPlaces(const SettingsRecord& record, const PlaceMemory& memory) : memory_(memory) {
    for (int slot = 0; slot < kHistorySlots && !record.HistoryEmpty(slot); ++slot) {
      texts_.push_back(record.History(slot));
    }
    for (int slot = 1; slot <= kAliasSlots && !record.AliasFree(slot); ++slot) {
      texts_.push_back(record.AliasTarget(slot));
    }
  }

  std::size_t size() const override { return texts_.size() + memory_.places().size(); }
  RememberedPath operator[](std::size_t n) const override {
    if (n < texts_.size()) return RememberedPath{texts_[n]};
    return RememberedPath{memory_.places()[n - texts_.size()].path};
  }

 private:
  const PlaceMemory& memory_;
  std::vector<std::string> texts_;
};

// Whether `a` and `b` name the same mount point.
bool SameMount(const platform::MountPlace& a, const platform::MountPlace& b, PathSyntax syntax) {
  return syntax.drives ? SameIgnoringCase(a.point, b.point) : a.point == b.point;
}

// The candidates in the order the menu shows them: most frecent first, then as the menu sorts
// them (by path). `frecency[i]` belongs to candidate i.
void OrderByFrecency(CandidateList& candidates, const PlaceMemory& memory) {
  SortCandidates(candidates);
  std::vector<std::pair<double, std::size_t>> order;
  order.reserve(candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    order.emplace_back(FrecencyOf(memory, candidates[i].Path()), i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  CandidateList ordered;
  for (const auto& [frecency, index] : order) {
    ordered.Add(candidates[index].Path(), candidates[index].rank);
  }
  candidates = std::move(ordered);
}

// Whether the first of the candidates (ordered by OrderByFrecency) is so much more frecent than
// the second that it is taken without asking.
bool LeadsClearly(const CandidateList& candidates, const PlaceMemory& memory) {
  if (candidates.size() < 2) return false;
  const double first = FrecencyOf(memory, candidates[0].Path());
  const double second = FrecencyOf(memory, candidates[1].Path());
  return first > 0 && first >= kClearLead * second;
}

// The plausible candidates found below `roots` (the start directory left out), or the failure
// of a walk that ran out of listings. Remembered places found gone on a local file system are
// added to `gone`; `searched_places` counts the places below which something was found.
struct RootSearch {
  std::optional<Resolution> failure;
  CandidateList found;
  std::size_t searched_places = 0;
};

RootSearch SearchBelowRoots(Run& run, std::string_view spec, const ComponentSplit& split,
                            const std::vector<RememberedRoot>& roots,
                            std::vector<std::string>& gone, SearchObserver* observer) {
  const PathSyntax syntax = run.facts.syntax;
  const platform::MountPlace here = run.fs.MountOf(run.start_dir);
  DirectorySearch search(syntax, CreateOffer::kOff, run.fs);
  search.LimitListings(kRememberedPlaceListings);
  if (observer) search.ObserveWith(*observer);
  RootSearch result;
  for (const RememberedRoot& root : roots) {
    // A place on a mount that can stop answering is not touched from elsewhere: a run that does
    // not go there must not wait for it.
    const platform::MountPlace mount = run.fs.MountOf(root.dir);
    if (mount.remote && !SameMount(mount, here, syntax)) continue;
    // A directory that is gone is left out: one failed look, as a listing below it would be.
    // A remembered place found gone on a local file system is forgotten.
    if (split.rest.empty() && !run.fs.IdentifyDirectory(root.dir)) {
      if (root.is_place && !mount.remote) gone.push_back(root.dir);
      continue;
    }
    const std::size_t found_before = search.MatchList().size();
    search.SearchBelowPlace(split.rest, root.dir, root.score);
    // Only a place that led somewhere counts: one removed since leads nowhere.
    if (root.is_place && search.MatchList().size() > found_before) ++result.searched_places;
    if (search.ListingsRanOut()) {
      Resolution failure;
      failure.kind = Resolution::Kind::kFailure;
      failure.message = "Dirhop: Searching for '" + VisibleText(spec) +
                        "' from the remembered places would list more than " +
                        std::to_string(kRememberedPlaceListings) +
                        " folders; type more of the path";
      result.failure = std::move(failure);
      return result;
    }
  }
  result.found = std::move(search.MatchList());
  result.found.KeepIf([&](const Candidate& c) {
    return IsPlausibleRank(c.rank) && !c.PathIsIgnoringCase(run.start_dir);
  });
  return result;
}

}  // namespace

std::optional<Resolution> ResolveFromRememberedPlaces(Run& run, std::string_view spec,
                                                      SearchObserver* observer) {
  const PathSyntax syntax = run.facts.syntax;
  const ComponentSplit split = SplitFirstComponent(spec, syntax.separator);
  const PlaceMemory memory = LoadMemory(run);
  const RunPlaces remembered(run.settings.record, memory);
  // The folders above the home folder (/home, C:\Users) are on every path below them.
  const std::string home_variable =
      run.host.GetEnv(syntax.drives ? "USERPROFILE" : "HOME").value_or(std::string());
  const std::string_view home = WithoutTrailingSeparators(home_variable, syntax);
  TextFolder folder;
  std::vector<std::string> gone;
  std::vector<RememberedRoot> roots;
  RootSearch searched;
  // The remembered places first; when they lead nowhere (gone, or nothing below them fits), any
  // folder of them.
  for (const RootFolders which : {RootFolders::kPlacesFirst, RootFolders::kAnyFolder}) {
    roots = MatchRememberedRoots(split.component, remembered, syntax, home, folder, which);
    if (roots.empty()) break;
    searched = SearchBelowRoots(run, spec, split, roots, gone, observer);
    if (searched.failure) return std::move(searched.failure);
    if (!searched.found.empty()) break;
  }
  // A query leaves no trace; a run forgets what it found gone.
  if (!gone.empty() && run.places && !run.settings.read_only) {
    ForgetPlaces(run.fs, *run.places, gone, run.host.UnixTime());
  }
  if (searched.found.empty()) return std::nullopt;
  Resolution result;
  result.kind = Resolution::Kind::kMatches;
  result.candidates = std::move(searched.found);
  KeepBestRank(result.candidates);
  OrderByFrecency(result.candidates, memory);
  result.order = ListOrder::kAsGiven;
  result.by_place_name = std::all_of(roots.begin(), roots.end(), [](const RememberedRoot& root) {
    return root.is_place && root.score <= kWildcardScore;
  });
  // Taken at once: a candidate far more frecent than the next, which is then the only one; or
  // the one candidate when the first component matched a folder's whole name, or the beginning
  // of the last folder of one remembered place only.
  if (LeadsClearly(result.candidates, memory)) {
    CandidateList first;
    first.Add(result.candidates[0].Path(), result.candidates[0].rank);
    result.candidates = std::move(first);
    return result;
  }
  const bool one_place_by_prefix = roots.front().score == kWildcardScore &&
                                   roots.front().is_place && searched.searched_places == 1;
  result.ask_even_alone =
      result.candidates.size() != 1 || !(roots.front().score == kExactScore || one_place_by_prefix);
  return result;
}

}  // namespace dirhop
