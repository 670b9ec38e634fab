#include "match/remembered_roots.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <optional>
#include <unordered_map>
#include <utility>

#include "base/case_folding.h"
#include "base/name_list.h"
#include "match/paths.h"
#include "match/pattern.h"

namespace dirhop {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// One folder of a remembered path: which distinct name it is, and where it ends in the path.
struct Folder {
  std::uint32_t name = 0;
  std::size_t end = 0;
};

// True when `dir` is a folder strictly above `home`: `home` begins with it and a separator.
bool IsAboveHome(std::string_view dir, std::string_view home, PathSyntax syntax) {
  if (home.size() <= dir.size() || home[dir.size()] != syntax.separator) return false;
  const std::string_view start = home.substr(0, dir.size());
  return syntax.drives ? SameIgnoringCase(start, dir) : start == dir;
}

// The folders of every remembered path, each distinct folder name listed once, so that a name
// held by many paths (`src`, `home`) is matched once.
class FolderIndex {
 public:
  // The folders of `remembered`, but for those that lie strictly above `home` (a path of the
  // same spelling, compared ignoring case on Windows) and are not a place themselves.
  FolderIndex(const std::vector<RememberedPath>& remembered, PathSyntax syntax,
              std::string_view home)
      : spans_(remembered.size()) {
    for (std::size_t p = 0; p < remembered.size(); ++p) {
      const std::string_view path = remembered[p].path;
      const std::size_t root = RootLength(path, syntax);
      if (root == 0) continue;  // relative: no place until it is used
      Span& span = spans_[p];
      span.first = folders_.size();
      for (std::size_t at = root; at < path.size();) {
        std::size_t end = path.find(syntax.separator, at);
        if (end == std::string_view::npos) end = path.size();
        // A folder above the home folder is no root, unless it is the place itself.
        if (end > at && (end == path.size() || !IsAboveHome(path.substr(0, end), home, syntax))) {
          folders_.push_back(Folder{IdOf(path.substr(at, end - at)), end});
        }
        at = end + 1;
      }
      span.count = folders_.size() - span.first;
      if (span.count == 0) continue;  // a root alone
      const std::uint32_t last = folders_.back().name;
      if (last_index_[last] == kNone) {
        last_index_[last] = static_cast<std::uint32_t>(last_names_.size());
        last_names_.Add(names_[last]);
        last_ids_.push_back(last);
      }
    }
  }

  // Every distinct folder name, and the distinct names that end some path.
  const NameList& Names() const { return names_; }
  const NameList& LastNames() const { return last_names_; }
  // The name id of entry `index` of LastNames.
  std::uint32_t LastNameId(std::size_t index) const { return last_ids_[index]; }
  // The folders of path `p`, from the root down.
  const Folder* begin(std::size_t p) const { return folders_.data() + spans_[p].first; }
  const Folder* end(std::size_t p) const { return begin(p) + spans_[p].count; }

 private:
  struct Span {
    std::size_t first = 0;
    std::size_t count = 0;
  };

  // The id of `name`, given it when it is new. The ids are kept in an open-addressed table of
  // slots (a power of two, at most half full), probed linearly from the name's FNV-1a hash:
  // thousands of places add tens of thousands of names, and a node a name would cost more than
  // the matching.
  std::uint32_t IdOf(std::string_view name) {
    if (2 * (names_.size() + 1) > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = HashOf(name) & mask;; at = (at + 1) & mask) {
      const std::uint32_t id = slots_[at];
      if (id == kNone) {
        slots_[at] = static_cast<std::uint32_t>(names_.size());
        names_.Add(name);
        hashes_.push_back(HashOf(name));
        last_index_.push_back(kNone);
        return slots_[at];
      }
      if (names_[id] == name) return id;
    }
  }

  static std::uint64_t HashOf(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
  }

  // Doubles the table (64 slots at first) and puts every id back in its place.
  void Grow() {
    std::vector<std::uint32_t> slots(std::max<std::size_t>(64, 2 * slots_.size()), kNone);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 0; id < hashes_.size(); ++id) {
      std::size_t at = hashes_[id] & mask;
      while (slots[at] != kNone) at = (at + 1) & mask;
      slots[at] = id;
    }
    slots_ = std::move(slots);
  }

  std::vector<std::uint32_t> slots_;   // name ids, kNone where empty
  std::vector<std::uint64_t> hashes_;  // by name id: its hash, to grow the table without rehashing
  NameList names_;
  NameList last_names_;
  std::vector<std::uint32_t> last_ids_;
  std::vector<std::uint32_t> last_index_;  // by name id: its place in last_names_, or kNone
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

  void Add(std::string dir, std::uint8_t score, bool is_place, double frecency) {
    if (syntax_.drives) {
      // Windows names are equal ignoring case: the folded text is the key.
      const std::u32string_view symbols = folder_.Fold(dir, Diacritics::kKeep).symbols;
      key_.assign(reinterpret_cast<const char*>(symbols.data()), symbols.size() * sizeof(char32_t));
    } else {
      key_ = dir;
    }
    const auto [found, added] = index_.try_emplace(key_, roots_.size());
    if (added) {
      roots_.push_back(RememberedRoot{std::move(dir), score, is_place, is_place ? frecency : 0});
      return;
    }
    RememberedRoot& root = roots_[found->second];
    if (is_place) {
      root.frecency = root.is_place ? std::max(root.frecency, frecency) : frecency;
      root.is_place = true;
    }
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
                                                 const std::vector<RememberedPath>& remembered,
                                                 PathSyntax syntax, std::string_view home,
                                                 TextFolder& folder, RootFolders which) {
  // A component of wildcards alone matches every folder of every place: it names none of them.
  if (component.find_first_not_of("*?") == std::string_view::npos) return {};
  const FolderIndex index(remembered, syntax, home);
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
    for (std::size_t p = 0; p < remembered.size(); ++p) {
      if (index.begin(p) == index.end(p)) continue;
      const Folder& last = *(index.end(p) - 1);
      if (!matched[last.name]) continue;
      roots.Add(std::string(remembered[p].path.substr(0, last.end)), last_folder.score, true,
                remembered[p].frecency);
    }
    return roots.Take();
  }

  // Otherwise the deepest folder of the best tier in each path.
  const std::vector<bool> matched =
      PlausiblyMatched(any_folder, index.Names(), index.Names().size(), nullptr);
  for (std::size_t p = 0; p < remembered.size(); ++p) {
    const Folder* deepest = nullptr;
    for (const Folder* f = index.begin(p); f != index.end(p); ++f) {
      if (matched[f->name]) deepest = f;
    }
    if (deepest == nullptr) continue;
    const bool is_place = deepest == index.end(p) - 1;
    roots.Add(std::string(remembered[p].path.substr(0, deepest->end)), any_folder.score, is_place,
              remembered[p].frecency);
  }
  return roots.Take();
}

}  // namespace dirhop
