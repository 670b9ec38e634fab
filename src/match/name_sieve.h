// A quick test of a folder name against a typed component, made before any matching: it passes
// every name that MatchLevel (match/level_match.h) could follow at a plausible tier and turns most
// others away by their first letter, their length and the letters they hold, so that a lookup
// over the folders of thousands of remembered paths hashes and matches only the few names that
// may count.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dirhop {

class NameSieve {
 public:
  // The sieve for the typed `component` (any case). A component that is not ASCII, holds `?` or
  // `*`, or begins with a dot (which a wildcard match may find past a name's first letter)
  // passes every name.
  explicit NameSieve(std::string_view component);

  // False only for a name that MatchLevel(component, names) never follows by more than a
  // far-fetched typo, whatever the names beside it: an ASCII name that neither begins with the
  // component's first letter (which every exact, wildcard, prefix and letters-in-order match
  // does) nor could be a plausible typo of it (within PlausibleTypoEdits of its length, and
  // lacking no more of its letters than that). A name that is not ASCII always passes: folded,
  // it may be anything.
  bool MayMatch(std::string_view name) const;
  // MayMatch for a name known to be ASCII (IsAscii): a folder of a path that is ASCII throughout
  // is not read again to learn it.
  bool MayMatchAscii(std::string_view name) const;

 private:
  bool passes_all_ = true;
  std::string pattern_;    // the component upper-cased
  std::size_t edits_ = 0;  // PlausibleTypoEdits of its length
};

}  // namespace dirhop
