// The places a run remembers (its history entries, alias directories and memory of places) as
// roots of the search: the first component of a path spec is matched against the folders of
// each remembered path, and the directory it matches there is where the rest of the spec is
// searched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/unicode_fold.h"
#include "match/path_syntax.h"

namespace dirhop {

// A remembered place as the roots are matched against it.
struct RememberedPath {
  std::string_view path;  // absolute; a relative one names no place and is left out
};

// The remembered paths, read where the caller keeps them (a memory of thousands of places is not
// copied into a list for the match), in the order they count.
class RememberedPaths {
 public:
  virtual ~RememberedPaths() = default;
  // How many paths there are.
  virtual std::size_t size() const = 0;
  // Path `n` (below size()).
  virtual RememberedPath operator[](std::size_t n) const = 0;
};

// RememberedPaths over a list of them, which must outlive it.
class RememberedPathList final : public RememberedPaths {
 public:
  explicit RememberedPathList(const std::vector<RememberedPath>& paths) : paths_(paths) {}
  std::size_t size() const override { return paths_.size(); }
  RememberedPath operator[](std::size_t n) const override { return paths_[n]; }

 private:
  const std::vector<RememberedPath>& paths_;
};

// A remembered directory the first component of a spec leads to.
struct RememberedRoot {
  std::string dir;         // the remembered path cut after the matching component
  std::uint8_t score = 0;  // that component's level score (level_match.h), the same for every root
  // True when the component matched the last folder of a remembered place, so `dir` is that
  // place itself; false when it matched a folder above remembered places only.
  bool is_place = false;
};

// Which folders of the remembered paths may be roots.
enum class RootFolders {
  // The remembered places themselves when one of them matches well enough (see below), else
  // any folder.
  kPlacesFirst,
  // Any folder: the deepest of the best tier in each path.
  kAnyFolder,
};

// Matches `component` against the folders of every absolute path in `remembered` with the tiers
// of a live level (MatchLevel: exact, wildcard or prefix, letters in order, typo; a far-fetched
// typo never counts). The folders above `home` (the user's home folder: /home, C:\Users) are
// passed through by every path below them and name no place of the user's: they are no roots
// (unless remembered as places themselves). With kPlacesFirst the remembered places themselves
// come first: when the last folder of some place matches at the best tier of any folder, the
// roots are those places (`webs` finds the visited /srv/web before ~/projects/webshop, which only
// holds visited places). Otherwise, in each path, the deepest folder of the best tier over all
// folders is the root. Each directory once (ignoring case on Windows), in the order of
// `remembered`. A component of wildcards alone ("*", "?*") leads nowhere: it would make every
// folder of every place a root.
//
// Built for thousands of places: a folder name is hashed and matched only when the NameSieve of
// the component passes it (match/name_sieve.h), and then once however many paths hold it (one
// MatchLevel over the distinct names); a path costs a pass over the bytes it does not share with
// the path before it.
std::vector<RememberedRoot> MatchRememberedRoots(std::string_view component,
                                                 const RememberedPaths& remembered,
                                                 PathSyntax syntax, std::string_view home,
                                                 TextFolder& folder,
                                                 RootFolders which = RootFolders::kPlacesFirst);

}  // namespace dirhop
