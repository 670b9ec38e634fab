#include "match/pattern.h"

#include <algorithm>
#include <utility>

#include "base/case_folding.h"
#include "match/bit_parallel_distance.h"
#include "match/typo_meter.h"

namespace dirhop {

namespace {

// Cells per edit-distance row: a row spans the shorter string plus the empty prefix.
constexpr std::size_t kRowCells = 256;

std::uint8_t CapDistance(std::size_t value) {
  return static_cast<std::uint8_t>(std::min<std::size_t>(value, kMaxEditDistance));
}

// Where the part of a name that a pattern part is matched against ends.
enum class PartEnd {
  kWholeText,  // the text given is the part
  kFirstDot,   // the part ends at the text's first dot: a name's part, found without a split
};

// MatchPatternPart, with the part of `name` ending where `end` says. A template argument, so the
// dot test costs nothing where there is none.
template <PartEnd end>
bool MatchPart(std::string_view pattern_part, std::string_view name) {
  for (std::size_t i = 0; i < pattern_part.size(); ++i) {
    if (pattern_part[i] == '*') return true;
    if (i >= name.size() || (end == PartEnd::kFirstDot && name[i] == '.')) return false;
    if (pattern_part[i] != '?' && pattern_part[i] != UpperChar(name[i])) return false;
  }
  return true;
}

// WildcardMatch with the pattern already split at its dot: a level splits it once for all names.
// A pattern without an extension part matches every extension, so the name is not split then.
bool WildcardMatchParts(const DotSplit& pattern, std::string_view name) {
  if (pattern.extension.empty()) return MatchPart<PartEnd::kFirstDot>(pattern.name, name);
  const DotSplit n = SplitAtDot(name);
  return MatchPatternPart(pattern.name, n.name) && MatchPatternPart(pattern.extension, n.extension);
}

// The least level score a name of `length` can have by edit distance against a pattern of
// `pattern_length`: a distance is at least the difference of the lengths, and is held at
// kMaxEditDistance.
std::uint8_t LeastTypoScore(std::size_t length, std::size_t pattern_length) {
  const std::size_t gap =
      length > pattern_length ? length - pattern_length : pattern_length - length;
  return static_cast<std::uint8_t>(CapDistance(gap) + 1);
}

}  // namespace

ComponentSplit SplitFirstComponent(std::string_view spec, char separator) {
  const std::size_t at = spec.find(separator);
  if (at == std::string_view::npos) return {spec, std::string_view()};
  return {spec.substr(0, at), spec.substr(at + 1)};
}

DotSplit SplitAtDot(std::string_view text) {
  const std::size_t at = text.find('.');
  if (at == std::string_view::npos) return {text, std::string_view()};
  return {text.substr(0, at), text.substr(at + 1)};
}

bool MatchPatternPart(std::string_view pattern_part, std::string_view name_part) {
  return MatchPart<PartEnd::kWholeText>(pattern_part, name_part);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  return WildcardMatchParts(SplitAtDot(pattern), name);
}

bool NameIsPrefixOfPattern(std::string_view pattern, std::string_view name) {
  return name.size() <= pattern.size() && SameIgnoringCase(pattern.substr(0, name.size()), name);
}

std::uint8_t EditDistance(std::string_view pattern, std::string_view name) {
  std::string_view s = pattern;
  std::string_view t = name;
  // A common prefix or suffix never changes the distance. Setting them aside keeps long strings
  // that differ in a few places within the fixed rows.
  while (!s.empty() && !t.empty() && s.front() == t.front()) {
    s.remove_prefix(1);
    t.remove_prefix(1);
  }
  while (!s.empty() && !t.empty() && s.back() == t.back()) {
    s.remove_suffix(1);
    t.remove_suffix(1);
  }
  // The distance is symmetric, so the rows can run over whichever string is shorter.
  if (s.size() < t.size()) std::swap(s, t);
  // The distance is at least the difference of the lengths.
  if (s.size() - t.size() >= kMaxEditDistance) return kMaxEditDistance;
  if (t.empty()) return CapDistance(s.size());
  // A remainder that fits in the bit vectors is measured in one pass over the other.
  if (t.size() <= kMaxBitParallelPattern) {
    return CapDistance(BitParallelDistance(t.size(), ByteMasks(t), s.data(), s.size()));
  }
  if (t.size() >= kRowCells) return kMaxEditDistance;

  // Cells are held at the cap as they are computed: min(cap, x) commutes with the min-plus
  // recurrence, so the last cell is exactly min(cap, distance) and 8 bits never overflow.
  std::uint8_t rows[2][kRowCells];
  std::uint8_t* previous = rows[0];
  std::uint8_t* current = rows[1];
  for (std::size_t j = 0; j <= t.size(); ++j) previous[j] = CapDistance(j);
  for (std::size_t i = 1; i <= s.size(); ++i) {
    current[0] = CapDistance(i);
    for (std::size_t j = 1; j <= t.size(); ++j) {
      if (s[i - 1] == t[j - 1]) {
        current[j] = previous[j - 1];
      } else {
        const std::size_t nearest = std::min({previous[j - 1], previous[j], current[j - 1]});
        current[j] = CapDistance(nearest + 1);
      }
    }
    std::swap(previous, current);
  }
  return previous[t.size()];
}

bool ContainsWildcard(std::string_view text) {
  return text.find_first_of("?*") != std::string_view::npos;
}

LevelScore MatchLevel(std::string_view component, const NameList& names) {
  const std::string pattern = UpperCase(component);
  std::vector<std::uint8_t> scores(names.size(), kNoMatchScore);
  LevelScore level;
  // The names are walked last-listed first, the order in which the search keeps a level. It
  // decides which of two names equal apart from case wins (possible on POSIX) and the order of
  // the branches followed, hence of the creation candidates.
  const DotSplit pattern_parts = SplitAtDot(pattern);
  // The exact, wildcard and prefix tests fold each name's case as they compare, and so does the
  // meter, whose masks for the pattern are built once for every name.
  TypoMeter typos(pattern);
  for (std::size_t k = names.size(); k-- > 0;) {
    const std::string_view name = names[k];
    if (SameIgnoringCase(name, pattern)) {
      level.score = kExactScore;
      level.followed.assign(1, k);
      return level;
    }
    if (WildcardMatchParts(pattern_parts, name) || NameIsPrefixOfPattern(pattern, name)) {
      scores[k] = kWildcardScore;
      level.score = kWildcardScore;
    } else if (level.score > kWildcardScore &&
               LeastTypoScore(name.size(), pattern.size()) <= level.score) {
      // Distances only matter while no wildcard or prefix match has been seen, and only for a
      // name that can come as near as the nearest so far; the others are never followed, so
      // their distances are not computed (their scores stay above the level's).
      scores[k] = static_cast<std::uint8_t>(typos.Distance(name) + 1);
      level.score = std::min(level.score, scores[k]);
    }
  }
  if (level.score == kNoMatchScore) return level;
  // Made the right size at once: a wide level can follow every one of thousands of names.
  level.followed.reserve(
      static_cast<std::size_t>(std::count(scores.begin(), scores.end(), level.score)));
  for (std::size_t k = names.size(); k-- > 0;) {
    if (scores[k] == level.score) level.followed.push_back(k);
  }
  return level;
}

}  // namespace dirhop
