#include "state/place_import.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "base/drive_prefix.h"
#include "match/paths.h"

namespace dirhop {
namespace {

// A number such as "12", "3.5", ".5" or "1e3" filling all of `text`; nullopt otherwise.
std::optional<double> ReadNumber(std::string_view text) {
  if (text.empty() || text.size() > 64) return std::nullopt;
  double value = 0;
  std::size_t at = 0;
  bool digits = false;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, digits = true) {
    value = value * 10 + (text[at] - '0');
  }
  if (at < text.size() && text[at] == '.') {
    double unit = 0.1;
    for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, unit /= 10) {
      value += (text[at] - '0') * unit;
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    int exponent = 0;
    const std::size_t begin = at;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && exponent < 400; ++at) {
      exponent = exponent * 10 + (text[at] - '0');
    }
    if (at == begin) return std::nullopt;
    value *= std::pow(10.0, negative ? -exponent : exponent);
  }
  if (at != text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool IsAbsolute(std::string_view path, PathSyntax syntax) {
  if (!syntax.drives) return !path.empty() && path[0] == '/';
  return IsDriveAbsolute(path, '\\') || IsDriveAbsolute(path, '/') ||
         (path.size() > 2 && path[0] == '\\' && path[1] == '\\');
}

// One line of `format`, or nullopt when it is bad.
std::optional<ImportedPlace> ReadLine(ImportFormat format, std::string_view line, PathSyntax syntax,
                                      UnixSeconds now) {
  ImportedPlace place;
  std::string_view path;
  std::optional<double> count;
  switch (format) {
    case ImportFormat::kZ: {
      // The path may hold '|' itself: the two fields after it are found from the end.
      const std::size_t second = line.rfind('|');
      if (second == std::string_view::npos || second == 0) return std::nullopt;
      const std::size_t first = line.rfind('|', second - 1);
      if (first == std::string_view::npos) return std::nullopt;
      path = line.substr(0, first);
      count = ReadNumber(line.substr(first + 1, second - first - 1));
      const std::optional<double> time = ReadNumber(line.substr(second + 1));
      if (!time || *time < 0) return std::nullopt;
      place.last = std::min(static_cast<UnixSeconds>(*time), now);
      break;
    }
    case ImportFormat::kAutojump: {
      const std::size_t tab = line.find('\t');
      if (tab == std::string_view::npos) return std::nullopt;
      count = ReadNumber(line.substr(0, tab));
      if (count) count = (*count / 10) * (*count / 10);
      path = line.substr(tab + 1);
      place.last = now;
      break;
    }
    case ImportFormat::kZoxide: {
      const std::size_t begin = line.find_first_not_of(' ');
      if (begin == std::string_view::npos) return std::nullopt;
      const std::size_t space = line.find(' ', begin);
      if (space == std::string_view::npos) return std::nullopt;
      count = ReadNumber(line.substr(begin, space - begin));
      path = line.substr(space + 1);
      place.last = now;
      break;
    }
  }
  path = WithoutTrailingSeparators(path, syntax);
  if (!count || !(*count > 0) || !IsAbsolute(path, syntax)) return std::nullopt;
  place.visits = *count;
  place.path = std::string(path);
  return place;
}

}  // namespace

ParsedImport ParseImport(ImportFormat format, std::string_view text, PathSyntax syntax,
                         UnixSeconds now) {
  ParsedImport parsed;
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (std::optional<ImportedPlace> place = ReadLine(format, line, syntax, now)) {
      parsed.places.push_back(std::move(*place));
    } else {
      parsed.bad_lines.push_back(number);
    }
  }
  return parsed;
}

}  // namespace dirhop
