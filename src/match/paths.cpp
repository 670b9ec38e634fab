#include "match/paths.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/case_folding.h"
#include "base/drive_prefix.h"

namespace dirhop {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// n-1 parent steps joined by separators: the meaning of a run of n dots.
std::string ParentChain(std::size_t dots, char separator) {
  std::string chain;
  for (std::size_t i = 1; i < dots; ++i) {
    if (!chain.empty()) chain += separator;
    chain += "..";
  }
  return chain;
}

// The names of `path` between its separators; the first is the root ("" for "/" or a UNC path,
// "C:" for a drive).
std::vector<std::string> PathNames(const std::string& path, char separator) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find(separator, start);
    std::string name = path.substr(start, end == std::string::npos ? end : end - start);
    if (names.empty() || !name.empty()) names.push_back(std::move(name));
    if (end == std::string::npos) return names;
    start = end + 1;
  }
}

}  // namespace

void UseNativeSeparators(std::string& spec, PathSyntax syntax) {
  if (syntax.separator != '\\') return;
  for (char& c : spec) {
    if (c == '/') c = '\\';
  }
}

void ExpandDoubleSeparators(std::string& spec, PathSyntax syntax) {
  const char sep = syntax.separator;
  std::string expanded;
  expanded.reserve(spec.size() * 2);
  for (std::size_t i = 0; i < spec.size(); ++i) {
    expanded += spec[i];
    if (spec[i] == sep && i + 1 < spec.size() && spec[i + 1] == sep) expanded += '*';
  }
  spec = std::move(expanded);
}

void ExpandDots(std::string& spec, PathSyntax syntax) {
  const char sep = syntax.separator;
  auto starts_component = [&](const std::string& s, std::size_t i, bool after_colon) {
    return i == 0 || s[i - 1] == sep || (after_colon && syntax.drives && s[i - 1] == ':');
  };

  // Lone dots: a component that is exactly "." (at the start, after a drive colon or after a
  // separator) means the parent directory.
  std::string lone;
  lone.reserve(spec.size() + 8);
  for (std::size_t i = 0; i < spec.size(); ++i) {
    lone += spec[i];
    if (spec[i] == '.' && starts_component(spec, i, true) &&
        (i + 1 == spec.size() || spec[i + 1] == sep)) {
      lone += '.';
    }
  }

  // Dot runs: three or more dots opening a component (never right after a drive colon) become a
  // chain of parent steps. What follows the run is not examined.
  std::string result;
  result.reserve(lone.size() * 2);
  std::size_t i = 0;
  while (i < lone.size()) {
    if (lone[i] == '.' && starts_component(lone, i, false)) {
      std::size_t end = i;
      while (end < lone.size() && lone[end] == '.') ++end;
      const std::size_t dots = end - i;
      result += dots >= 3 ? ParentChain(dots, sep) : lone.substr(i, dots);
      i = end;
    } else {
      result += lone[i++];
    }
  }
  spec = std::move(result);
}

std::string ExpandFullPath(const std::string& path, PathSyntax syntax, FileSystem& fs) {
  const char sep = syntax.separator;
  const std::string here = std::string(".") + sep;
  std::string rest = path;
  std::string base;
  if (syntax.drives) {
    if (IsDriveAbsolute(path, '\\')) return path;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return path;
    std::string prefix;
    if (HasDrivePrefix(path)) {
      prefix = path.substr(0, 2);
      rest = path.substr(2);
    } else {
      std::string process = fs.CurrentDirectory();
      prefix = std::string(1, process.empty() ? 'C' : process[0]) + ":";
    }
    if (!rest.empty() && rest[0] == '\\') return prefix + rest;
    base = fs.DriveCurrentDirectory(UpperChar(prefix[0]));
  } else {
    if (!rest.empty() && rest[0] == '/') return rest;
    base = fs.CurrentDirectory();
  }
  if (rest == "." || StartsWith(rest, here)) rest.erase(0, 2);
  TakeParentSteps(rest, base, syntax, ParentStep::kComponent);
  return AddTrailingSeparator(base, syntax) + rest;
}

std::string WithNamesAsStored(const std::string& path, PathSyntax syntax, FileSystem& fs) {
  if (!syntax.drives) return path;
  std::size_t at = 0;  // where the first level below the root begins
  if (IsDriveAbsolute(path, '\\')) {
    at = 3;
  } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    // \\server\share\: a share is no entry of a folder, and keeps its spelling.
    const std::size_t server_end = path.find('\\', 2);
    const std::size_t share_end =
        server_end == std::string::npos ? server_end : path.find('\\', server_end + 1);
    if (share_end == std::string::npos) return path;
    at = share_end + 1;
  } else {
    return path;
  }
  std::string stored = path.substr(0, at);
  while (at < path.size()) {
    std::size_t end = path.find('\\', at);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(at, end - at);
    if (!name.empty()) {
      const std::optional<std::string> found = fs.DirectoryItselfName(stored + name);
      stored += found ? *found : name;
    }
    if (end < path.size()) stored += '\\';
    at = end + 1;
  }
  return stored;
}

std::string ParentDir(const std::string& path, PathSyntax syntax) {
  // Positions count from 1 as in the walk-back rule: the last character is never examined, so a
  // trailing separator is passed over; the walk never goes above the root ("C:\" or "/").
  const std::size_t min_p = syntax.drives ? 4 : 2;
  std::size_t p = path.size();
  if (p > 0) --p;
  while (p > 0 && path[p - 1] != syntax.separator) --p;
  if (p < min_p) p = min_p;
  return path.substr(0, p - 1);
}

void TakeParentSteps(std::string& rest, std::string& base, PathSyntax syntax, ParentStep step) {
  for (;;) {
    const bool two_dots = rest.size() >= 2 && rest[0] == '.' && rest[1] == '.';
    const bool is_step = step == ParentStep::kTwoDots
                             ? two_dots
                             : two_dots && (rest.size() == 2 || rest[2] == syntax.separator);
    if (!is_step) return;
    rest.erase(0, 3);
    base = ParentDir(base, syntax);
  }
}

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

std::string_view WithoutTrailingSeparators(std::string_view path, PathSyntax syntax) {
  const std::size_t root = syntax.drives && HasDrivePrefix(path) && path.size() >= 3 ? 3 : 1;
  const auto is_separator = [syntax](char c) {
    return c == syntax.separator || (syntax.drives && c == '/');
  };
  while (path.size() > root && is_separator(path.back())) path.remove_suffix(1);
  return path;
}

std::string AddTrailingSeparator(std::string path, PathSyntax syntax) {
  if (path.empty() || path.back() != syntax.separator) path += syntax.separator;
  return path;
}

std::string RelativePath(const std::string& from, const std::string& to, PathSyntax syntax) {
  const std::vector<std::string> up = PathNames(from, syntax.separator);
  const std::vector<std::string> down = PathNames(to, syntax.separator);
  if (up.front() != down.front()) return {};
  std::size_t common = 1;
  while (common < up.size() && common < down.size() && up[common] == down[common]) ++common;
  std::string relative = ".";
  for (std::size_t i = common; i < up.size(); ++i) {
    relative += syntax.separator;
    relative += "..";
  }
  for (std::size_t i = common; i < down.size(); ++i) {
    relative += syntax.separator;
    relative += down[i];
  }
  return relative;
}

}  // namespace dirhop
