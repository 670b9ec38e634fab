#include "match/remembered_roots.h"

#include <algorithm>

#include "base/case_folding.h"
#include "base/drive_prefix.h"
#include "base/name_list.h"
#include "match/pattern.h"

namespace dirhop {

namespace {

// How many leading bytes of the absolute `path` are its root ("/", "C:\" or "\\server\share\");
// 0 when it is not absolute.
std::size_t RootLength(std::string_view path, PathSyntax syntax) {
  if (!syntax.drives) return !path.empty() && path[0] == '/' ? 1 : 0;
  if (path.size() >= 3 && HasDrivePrefix(path) && path[2] == '\\') return 3;
  if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    const std::size_t server_end = path.find('\\', 2);
    if (server_end == std::string_view::npos || server_end == 2) return 0;
    const std::size_t share_end = path.find('\\', server_end + 1);
    if (share_end == server_end + 1) return 0;
    return share_end == std::string_view::npos ? path.size() : share_end + 1;
  }
  return 0;
}

}  // namespace

std::vector<RememberedRoot> MatchRememberedRoots(std::string_view component,
                                                 const std::vector<std::string>& remembered,
                                                 PathSyntax syntax, TextFolder& folder) {
  std::vector<RememberedRoot> roots;
  std::uint8_t best = kNoMatchScore;
  for (const std::string& path : remembered) {
    const std::size_t root = RootLength(path, syntax);
    if (root == 0) continue;
    // The components, and where each one ends in the path.
    NameList names;
    std::vector<std::size_t> ends;
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
    }
    std::string dir = path.substr(0, ends[deepest]);
    const bool known = std::any_of(roots.begin(), roots.end(), [&](const RememberedRoot& r) {
      return syntax.drives ? SameIgnoringCase(r.dir, dir) : r.dir == dir;
    });
    if (!known) roots.push_back(RememberedRoot{std::move(dir), level.score});
  }
  return roots;
}

}  // namespace dirhop
