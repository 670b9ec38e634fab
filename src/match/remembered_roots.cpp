#include "match/remembered_roots.h"

#include <algorithm>
#include <unordered_set>

#include "base/name_list.h"
#include "match/paths.h"
#include "match/pattern.h"

namespace dirhop {

std::vector<RememberedRoot> MatchRememberedRoots(std::string_view component,
                                                 const std::vector<std::string>& remembered,
                                                 PathSyntax syntax, TextFolder& folder) {
  std::vector<RememberedRoot> roots;
  // A component of wildcards alone matches every folder of every place: it names none of them.
  if (component.find_first_not_of("*?") == std::string_view::npos) return roots;
  std::uint8_t best = kNoMatchScore;
  // The roots kept so far, by their text (Windows: folded, as names are equal ignoring case), so
  // that each place costs one look-up however many there are.
  std::unordered_set<std::string> known;
  std::string key;
  // The components of one path, and where each one ends in it: filled again for every path.
  NameList names;
  std::vector<std::size_t> ends;
  for (const std::string& path : remembered) {
    const std::size_t root = RootLength(path, syntax);
    if (root == 0) continue;
    names.Clear();
    ends.clear();
    for (std::size_t at = root; at < path.size();) {
      std::size_t end = path.find(syntax.separator, at);
      if (end == std::string::npos) end = path.size();
      if (end > at) {
        names.Add(std::string_view(path).substr(at, end - at));
        ends.push_back(end);
      }
      at = end + 1;
    }
    const LevelScore level = MatchLevel(component, names, folder);
    if (level.followed.empty() || level.score > best) continue;
    // The deepest component of the level's tier that is not a far-fetched typo.
    std::size_t deepest = names.size();
    for (const std::size_t index : level.followed) {
      const bool far = std::find(level.far.begin(), level.far.end(), index) != level.far.end();
      if (!far && (deepest == names.size() || index > deepest)) deepest = index;
    }
    if (deepest == names.size()) continue;
    if (level.score < best) {
      best = level.score;
      roots.clear();
      known.clear();
    }
    std::string dir = path.substr(0, ends[deepest]);
    if (syntax.drives) {
      const std::u32string_view symbols = folder.Fold(dir, Diacritics::kKeep).symbols;
      key.assign(reinterpret_cast<const char*>(symbols.data()), symbols.size() * sizeof(char32_t));
    } else {
      key = dir;
    }
    if (known.insert(key).second) roots.push_back(RememberedRoot{std::move(dir), level.score});
  }
  return roots;
}

}  // namespace dirhop
