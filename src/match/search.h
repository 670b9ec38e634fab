// The directory search: walks the live tree one level per typed component, following the
// best-scoring subdirectories, and collects every path that uses up the whole path spec (with the
// sum of its level scores) and every dead end that could be created.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unicode_fold.h"
#include "match/candidate_list.h"
#include "match/level_match.h"
#include "match/path_syntax.h"
#include "match/search_observer.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace dirhop {

// Whether a search collects the dead ends it meets as directories it may offer to create.
enum class CreateOffer { kOn, kOff };

// A branch of the search is the chain of directories from the base to the one being listed. A
// branch never enters a directory it is already inside: a subdirectory that leads to one of its
// chain (a link or junction back up the tree) is left out of the listing, as if it were not there.
// Work bound: with k components a branch lists at most k directories (the base and k-1 levels
// below it; names at the last level become candidates unlisted), all of them different. So the
// listings are at most the paths from the base, at most k-1 levels deep, that never pass through
// a directory twice: in a tree without links each directory followed is listed once, and a link
// loop adds nothing, since its target is on the chain. Only separate ways to one directory (links
// between branches) list it once per way; each way is a candidate of its own.
class DirectorySearch {
 public:
  // `create_offer` decides whether dead ends are collected as creation candidates. The search
  // lists and identifies directories through `fs` (ListSubdirectories, IdentifyDirectory), which
  // outlives it.
  DirectorySearch(PathSyntax syntax, CreateOffer create_offer, FileSystem& fs);

  // Matches `rest` below `base`, one level per component, with `rank` the score so far. Every
  // path that uses up `rest` goes to MatchList, a path that took a far-fetched typo with a rank
  // in the far band (candidate.h). A level on a plausible branch where nothing plausible can be
  // followed (no subdirectories, or only far-fetched typos) adds the rest of the spec below it,
  // as typed, to CreateList.
  void SearchLevel(std::string_view rest, std::string base, std::uint8_t rank);

  // SearchLevel from a place other than where the user is (a remembered one, given absolute):
  // every directory above `base` is on the branch too, as it is for a path typed from the root,
  // so a link below it that leads up (a link to "/") is left out instead of opening the disk.
  void SearchBelowPlace(std::string_view rest, const std::string& base, std::uint8_t rank);

  // From now on at most `count` more directories are listed; once they are used up the search
  // lists nothing more, and ListingsRanOut says so. Without a limit a search lists what its spec
  // leads to.
  void LimitListings(std::size_t count);

  // From now on every listing is told to `observer` first (SearchObserver::BeforeListing), which
  // outlives the search. Without one a search tells nothing.
  void ObserveWith(SearchObserver& observer) { observer_ = &observer; }

  // Whether the search stopped short because its listings ran out (LimitListings): what it
  // found is then only a part of what the spec leads to.
  bool ListingsRanOut() const { return listings_ran_out_; }

  // Adds `path` to CreateList with the creation rank, unless creating is off or the path holds a
  // `?` or `*`.
  void AddCreateCandidate(std::string path);

  // Whether MatchList holds a plausible candidate (IsPlausibleRank): when it does not, what was
  // found is a guess that the user is asked about, never entered at once.
  bool FoundPlausible() const;

  CandidateList& MatchList() { return match_list_; }
  CandidateList& CreateList() { return create_list_; }

 private:
  // One directory of the branch being searched; its identity is asked for only when a listing
  // below it holds an entry that could lead back to it.
  struct ChainLink {
    std::string path;
    std::optional<platform::DirectoryIdentity> identity;
    bool identified = false;
  };

  // Whether a level whose typed component is a whole name is looked up before it is listed.
  enum class LookUp {
    kFirst,  // the branch is the only one at its depth: a look-up that finds the name saves a
             // listing, and one that fails costs one call
    kNever,  // the level above led to several branches (`*/*/x`): a look-up would fail on most
             // of them, each before a listing, so the level is listed at once
  };

  // SearchLevel for a directory whose identity the listing above it may already know.
  void Search(std::string_view rest, std::string base, std::uint8_t rank,
              std::optional<platform::DirectoryIdentity> identity, LookUp look_up);

  // Lists `base` (the listing it takes from LimitListings) and follows the names its level scores
  // best against `split`'s component. When those are exact names and nothing plausible is found
  // below them, the level's other names are tried (FollowPassedOverNames). With `passed_over`
  // set, that name was looked up and led nowhere: only the others are tried.
  void ListLevel(const ComponentSplit& split, const std::string& base, std::uint8_t rank,
                 std::optional<platform::DirectoryIdentity> identity,
                 const std::string* passed_over);

  // Follows the names `level` chose in `listing` (base's listing): each one is a candidate at the
  // last level, otherwise the rest of `split` is searched below it.
  void FollowLevel(const ComponentSplit& split, const std::string& base, std::uint8_t rank,
                   platform::DirectoryListing& listing, const LevelScore& level);

  // The level of `listing` scored again without the names at `passed` (exact names that led to
  // nothing plausible): another exact name (the typed one in another case) is followed, and
  // while that leads nowhere too, the next; failing one, the wildcard and prefix matches. Looser
  // tiers are not tried, and nothing below these names is offered for creation. Costs nothing
  // unless an exact name led nowhere.
  void FollowPassedOverNames(const ComponentSplit& split, const std::string& base,
                             std::uint8_t rank, platform::DirectoryListing& listing,
                             std::vector<std::size_t> passed);

  // AddCreateCandidate for the rest of `split`, as typed, below the listed `base`.
  void AddDeadEnd(const std::string& base, const ComponentSplit& split);

  // Whether MatchList holds a plausible candidate from index `first` on.
  bool FoundPlausibleSince(std::size_t first) const;

  // Whether `component` can only match a subdirectory of exactly that name when one exists: no
  // wildcard, not "." or "..", and on Windows no trailing dot or space.
  bool IsWholeName(std::string_view component) const;

  // Removes the entries that lead to a directory of the current chain (the listed one included).
  void DropEntriesIntoChain(platform::DirectoryListing& listing);

  PathSyntax syntax_;
  CreateOffer create_offer_;
  FileSystem& fs_;
  std::vector<ChainLink> chain_;
  // The links of chain_ above the directory the search was given (SearchBelowPlace): a listing's
  // level counts the links below them.
  std::size_t links_above_base_ = 0;
  SearchObserver* observer_ = nullptr;
  TextFolder folder_;  // folds names that are not ASCII, for every level
  std::size_t listings_left_ = SIZE_MAX;
  bool listings_ran_out_ = false;
  CandidateList match_list_;
  CandidateList create_list_;
  std::string dead_end_;  // AddDeadEnd's text, kept to be filled again without an allocation
};

}  // namespace dirhop
