#include "match/place_folder_match.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>

#include "base/case_folding.h"
#include "base/name_list.h"
#include "base/text_index.h"
#include "base/utf8.h"
#include "match/level_match.h"
#include "match/name_sieve.h"
#include "match/paths.h"

namespace dirhop {

namespace {

// One folder of a remembered path that may match: which distinct name it is, where it ends in
// the path, and whether it is the path's last folder (the place itself).
struct Folder {
  std::uint32_t name = 0;
  std::size_t end = 0;
  bool is_last = false;
};

// True when `dir` is a folder strictly above `home`: `home` begins with it and a separator.
bool IsAboveHome(std::string_view dir, std::string_view home, PathSyntax syntax) {
  if (home.size() <= dir.size() || home[dir.size()] != syntax.separator) return false;
  const std::string_view start = home.substr(0, dir.size());
  return syntax.drives ? SameIgnoringCase(start, dir) : start == dir;
}

// How much of `path` (whose root is `root` bytes long) begins with the same folders as
// `previous`: the length up to and with the last separator within their common beginning; 0 when
// that is no more than the root.
std::size_t SharedFolders(std::string_view previous, std::string_view path, std::size_t root,
                          char separator) {
  const std::size_t most = std::min(previous.size(), path.size());
  std::size_t common = 0;
  // Eight bytes at a step while they are alike.
  for (std::uint64_t a = 0, b = 0; common + sizeof a <= most; common += sizeof a) {
    std::memcpy(&a, previous.data() + common, sizeof a);
    std::memcpy(&b, path.data() + common, sizeof b);
    if (a != b) break;
  }
  while (common < most && previous[common] == path[common]) ++common;
  while (common > root && path[common - 1] != separator) --common;
  return common > root ? common : 0;
}

// The folders of the remembered paths that the sieve lets through, each distinct folder name
// listed once, so that a name held by many paths (`src`, `home`) is matched once. A folder the
// sieve turns away costs a look at its first letter and length, and no hash.
class FolderIndex {
 public:
  // The folders of `remembered` that `sieve` passes, but for those that lie strictly above
  // `home` (a path of the same spelling, compared ignoring case on Windows) and are not a place
  // themselves.
  FolderIndex(const RememberedPaths& remembered, PathSyntax syntax, std::string_view home,
              const NameSieve& sieve) {
    // The path read before, and where its folders begin in folders_.
    std::string_view previous;
    std::size_t previous_root = 0;
    std::size_t previous_first = 0;
    // Where each kept folder of the path being read ends: the last one is the place itself.
    std::vector<std::size_t> kept_ends;
    for (std::size_t p = 0, count = remembered.size(); p < count; ++p) {
      const std::string_view path = remembered[p].path;
      const std::size_t root = RootLength(path, syntax);
      if (root == 0) continue;  // relative: no place until it is used
      const std::size_t first = folders_.size();
      // The folders this path shares with the one before, up to a separator both hold, are that
      // path's: the same names, passed or not by the sieve, above the home folder or not (a
      // memory's paths mostly begin alike: /home/user/projects/...).
      std::size_t at = root;
      const std::size_t shared = SharedFolders(previous, path, root, syntax.separator);
      if (shared > root && previous_root == root) {
        for (std::size_t f = previous_first; f < first && folders_[f].end < shared; ++f) {
          folders_.push_back(Folder{folders_[f].name, folders_[f].end});
        }
        while (!kept_ends.empty() && kept_ends.back() >= shared) kept_ends.pop_back();
        at = shared;
      } else {
        kept_ends.clear();
      }
      previous = path;
      previous_root = root;
      previous_first = first;
      const bool ascii = IsAscii(path.substr(at));
      for (; at < path.size();) {
        std::size_t end = path.find(syntax.separator, at);
        if (end == std::string_view::npos) end = path.size();
        // A folder above the home folder is no root, unless it is the place itself.
        if (end > at && (end == path.size() || !IsAboveHome(path.substr(0, end), home, syntax))) {
          kept_ends.push_back(end);
          const std::string_view name = path.substr(at, end - at);
          if (ascii ? sieve.MayMatchAscii(name) : sieve.MayMatch(name)) {
            folders_.push_back(Folder{IdOf(name), end});
          }
        }
        at = end + 1;
      }
      if (folders_.size() == first) continue;
      Folder& last = folders_.back();
      last.is_last = last.end == kept_ends.back();
      if (last.is_last && last_index_[last.name] == TextIndex::kAbsent) {
        last_index_[last.name] = static_cast<std::uint32_t>(last_names_.size());
        last_names_.Add(names_[last.name]);
        last_ids_.push_back(last.name);
      }
      spans_.push_back(Span{p, first, folders_.size() - first});
    }
  }

  // Every distinct folder name, and the distinct names that end some path.
  const NameList& Names() const { return names_; }
  const NameList& LastNames() const { return last_names_; }
  // The name id of entry `index` of LastNames.
  std::uint32_t LastNameId(std::size_t index) const { return last_ids_[index]; }
  // How many paths hold a folder of the index; the number in `remembered` of the n-th of them
  // (in the order of `remembered`), and its folders, from the root down.
  std::size_t PathCount() const { return spans_.size(); }
  std::size_t PathAt(std::size_t n) const { return spans_[n].path; }
  const Folder* begin(std::size_t n) const { return folders_.data() + spans_[n].first; }
  const Folder* end(std::size_t n) const { return begin(n) + spans_[n].count; }

 private:
  struct Span {
    std::size_t path = 0;
    std::size_t first = 0;
    std::size_t count = 0;
  };

  // The id of `name` (a view of a remembered path), given it when it is new.
  std::uint32_t IdOf(std::string_view name) {
    const TextIndex::Added id = ids_.Add(name);
    if (id.added) {
      names_.Add(name);
      last_index_.push_back(TextIndex::kAbsent);
    }
    return id.number;
  }

  TextIndex ids_;  // names (byte for byte) to their ids
  NameList names_;
  NameList last_names_;
  std::vector<std::uint32_t> last_ids_;
  std::vector<std::uint32_t> last_index_;  // by name id: its place in last_names_, or kAbsent
  std::vector<Folder> folders_;
  std::vector<Span> spans_;
};

// By name id: whether the name was followed at the level's tier by a plausible match. `names`
// are the names the level was scored over; `ids` maps their indices to name ids (none: they are
// the ids). At a live level an exact name wins alone, since two names that differ only in case
// are one on Windows and two folders side by side elsewhere; among the folders of many paths
// every name equal to it ignoring case is that same exact match.
std::vector<bool> PlausiblyMatched(const LevelScore& level, const NameList& names,
                                   std::size_t name_count, const std::vector<std::uint32_t>* ids) {
  std::vector<bool> matched(name_count, false);
  const auto mark = [&](std::size_t index) {
    matched[ids != nullptr ? (*ids)[index] : index] = true;
  };
  if (level.score == kExactScore && level.followed.size() == 1) {
    const std::string_view exact = names[level.followed.front()];
    for (std::size_t index = 0; index < names.size(); ++index) {
      if (SameIgnoringCase(names[index], exact)) mark(index);
    }
    return matched;
  }
  for (const std::size_t index : level.followed) {
    if (std::find(level.far.begin(), level.far.end(), index) != level.far.end()) continue;
    mark(index);
  }
  return matched;
}

// True when the level followed some name by more than a far-fetched typo.
bool HasPlausible(const LevelScore& level) { return level.far.size() < level.followed.size(); }

// The roots found so far, each directory once.
class RootSet {
 public:
  RootSet(PathSyntax syntax, TextFolder& folder) : syntax_(syntax), folder_(folder) {}

  void Add(std::string dir, std::uint8_t score, bool is_place) {
    if (syntax_.drives) {
      // Windows names are equal ignoring case: the folded text is the key.
      const std::u32string_view symbols = folder_.Fold(dir, Diacritics::kKeep).symbols;
      key_.assign(reinterpret_cast<const char*>(symbols.data()), symbols.size() * sizeof(char32_t));
    } else {
      key_ = dir;
    }
    const auto [found, added] = index_.try_emplace(key_, roots_.size());
    if (added) {
      roots_.push_back(RememberedRoot{std::move(dir), score, is_place});
      return;
    }
    if (is_place) roots_[found->second].is_place = true;
  }

  std::vector<RememberedRoot> Take() { return std::move(roots_); }

 private:
  PathSyntax syntax_;
  TextFolder& folder_;
  std::string key_;
  std::unordered_map<std::string, std::size_t> index_;
  std::vector<RememberedRoot> roots_;
};

}  // namespace

std::vector<RememberedRoot> MatchRememberedRoots(std::string_view component,
                                                 const RememberedPaths& remembered,
                                                 PathSyntax syntax, std::string_view home,
                                                 TextFolder& folder, RootFolders which) {
  // A component of wildcards alone matches every folder of every place: it names none of them.
  if (component.find_first_not_of("*?") == std::string_view::npos) return {};
  const FolderIndex index(remembered, syntax, home, NameSieve(component));
  if (index.Names().empty()) return {};
  const LevelScore any_folder = MatchLevel(component, index.Names(), folder);
  if (!HasPlausible(any_folder)) return {};
  RootSet roots(syntax, folder);

  // The places themselves, when one of them matches within one step of the best tier.
  const LevelScore last_folder = which == RootFolders::kPlacesFirst
                                     ? MatchLevel(component, index.LastNames(), folder)
                                     : LevelScore{};
  if (HasPlausible(last_folder) && last_folder.score <= any_folder.score) {
    std::vector<std::uint32_t> ids(index.LastNames().size());
    for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = index.LastNameId(i);
    const std::vector<bool> matched =
        PlausiblyMatched(last_folder, index.LastNames(), index.Names().size(), &ids);
    for (std::size_t n = 0; n < index.PathCount(); ++n) {
      const Folder& last = *(index.end(n) - 1);
      if (!last.is_last || !matched[last.name]) continue;
      const RememberedPath place = remembered[index.PathAt(n)];
      roots.Add(std::string(place.path.substr(0, last.end)), last_folder.score, true);
    }
    return roots.Take();
  }

  // Otherwise the deepest folder of the best tier in each path.
  const std::vector<bool> matched =
      PlausiblyMatched(any_folder, index.Names(), index.Names().size(), nullptr);
  for (std::size_t n = 0; n < index.PathCount(); ++n) {
    const Folder* deepest = nullptr;
    for (const Folder* f = index.begin(n); f != index.end(n); ++f) {
      if (matched[f->name]) deepest = f;
    }
    if (deepest == nullptr) continue;
    const RememberedPath place = remembered[index.PathAt(n)];
    roots.Add(std::string(place.path.substr(0, deepest->end)), any_folder.score, deepest->is_last);
  }
  return roots.Take();
}

}  // namespace dirhop
