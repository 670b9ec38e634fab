// Fuzz target: component matching. EditDistance (on bytes and on folded texts) is checked against
// a plain full-matrix distance (swaps of neighbours counting one); MatchLevel against the selection
// its contract describes, built from the folded matching primitives and that plain distance for
// every name (without the ASCII byte path, the shortcuts and the pruning that MatchLevel takes);
// the splits and the wildcard tests against the properties they promise.
//
// Input: lines, read up to kMaxInputBytes. The first is the typed component, the others are the
// names listed at one level (at most kMaxNames of them).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/case_folding.h"
#include "base/unicode_fold.h"
#include "fuzz_check.h"
#include "match/level_match.h"
#include "match/typo_plausibility.h"

namespace {

using namespace dirhop;

constexpr std::size_t kMaxNames = 64;

// The bytes of an input that are read. Every way of measuring a distance is reached well within
// it (bit vectors up to 64 characters, rows up to 255, the caps for a longer remainder or a length
// difference of 253), while the distances' work grows with the product of the lengths: the 4 KiB
// inputs libFuzzer grows to would hold it to a few hundred runs a second.
constexpr std::size_t kMaxInputBytes = 1024;

// The edit distance with swaps of neighbours (optimal string alignment) by the textbook
// recurrence over the whole matrix, no cell skipped and none capped, keeping the three rows it
// reads: cell (i, j) takes the cheapest of a change, a deletion, an insertion and a swap, from
// rows i - 1 and i - 2. Its work is the product of the lengths and guides no search:
// it is left out of the coverage feedback and the sanitizers, and calls no library function that
// would be instrumented, so the code under test keeps the time.
template <typename Text>
__attribute__((no_sanitize("coverage", "address", "undefined"))) std::size_t FullMatrixDistance(
    const Text& a, const Text& b) {
  const auto* const x = a.data();
  const auto* const y = b.data();
  const std::size_t width = b.size() + 1;
  std::vector<std::uint32_t> rows(3 * width);
  std::uint32_t* before = rows.data();  // row i - 2
  std::uint32_t* previous = before + width;
  std::uint32_t* current = previous + width;
  for (std::size_t j = 0; j < width; ++j) previous[j] = static_cast<std::uint32_t>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = static_cast<std::uint32_t>(i);
    for (std::size_t j = 1; j < width; ++j) {
      std::uint32_t cell = previous[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1);
      if (previous[j] + 1 < cell) cell = previous[j] + 1;
      if (current[j - 1] + 1 < cell) cell = current[j - 1] + 1;
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1] &&
          before[j - 2] + 1 < cell) {
        cell = before[j - 2] + 1;
      }
      current[j] = cell;
    }
    std::uint32_t* const oldest = before;
    before = previous;
    previous = current;
    current = oldest;
  }
  return previous[b.size()];
}

// What EditDistance promises: the distance held at kMaxEditDistance, exact while the shorter of
// the two strings, once their common prefix and suffix are set aside, has at most 255 characters.
template <typename Text>
std::uint8_t ExpectedDistance(const Text& a, const Text& b) {
  std::size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
         a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
    ++suffix;
  }
  const std::size_t shorter = std::min(a.size(), b.size()) - prefix - suffix;
  if (shorter > 255) return kMaxEditDistance;
  return static_cast<std::uint8_t>(
      std::min<std::size_t>(FullMatrixDistance(a, b), kMaxEditDistance));
}

template <typename Text>
void CheckDistance(const Text& a, const Text& b) {
  const std::uint8_t distance = EditDistance(a, b);
  const std::uint8_t expected = ExpectedDistance(a, b);
  if (distance != expected) {
    std::fprintf(stderr, "EditDistance gives %u, the full matrix %u\n", distance, expected);
    std::abort();
  }
}

// The folded forms of a component and a name: their distance in characters, and what folding
// promises whatever the bytes (ASCII case never matters; a folded text matches itself).
void CheckFolded(std::string_view typed, std::string_view name) {
  TextFolder folder;
  const std::u32string a(folder.Fold(typed, Diacritics::kKeep).symbols);
  const std::u32string b(folder.Fold(name, Diacritics::kStrip).symbols);
  CheckDistance(std::u32string_view(a), std::u32string_view(b));
  FUZZ_CHECK(std::u32string(folder.Fold(UpperCase(typed), Diacritics::kKeep).symbols) == a,
             "ASCII case never changes a fold");
  FUZZ_CHECK(SameIgnoringCase(typed, UpperCase(typed)), "a text is itself in any ASCII case");
  FUZZ_CHECK(WildcardMatch(b, b) && NameIsPrefixOfPattern(b, b), "a folded name matches itself");
  FUZZ_CHECK(folder.Fold(name, Diacritics::kStrip).symbols.size() <=
                 folder.Fold(name, Diacritics::kKeep).symbols.size(),
             "leaving diacritics out never lengthens a fold");
}

void CheckSplits(std::string_view text) {
  for (char separator : {'\\', '/'}) {
    const ComponentSplit split = SplitFirstComponent(text, separator);
    FUZZ_CHECK(split.component.find(separator) == std::string_view::npos,
               "a component holds no separator");
    if (split.component.size() < text.size()) {
      FUZZ_CHECK(std::string(split.component) + separator + std::string(split.rest) == text,
                 "component, separator and rest make the spec");
    } else {
      FUZZ_CHECK(split.component == text && split.rest.empty(), "no separator: all component");
    }
  }
  const DotSplit dot = SplitAtDot(text);
  FUZZ_CHECK(dot.name.find('.') == std::string_view::npos, "a name part holds no dot");
  if (dot.name.size() < text.size()) {
    FUZZ_CHECK(std::string(dot.name) + '.' + std::string(dot.extension) == text,
               "name, dot and extension make the text");
  } else {
    FUZZ_CHECK(dot.extension.empty(), "no dot: no extension");
  }
}

// Patterns come upper-cased, as MatchLevel passes them; names in the case they were typed in.
void CheckWildcards(std::string_view typed, std::string_view name) {
  const std::string pattern = UpperCase(typed);
  const std::string upper_name = UpperCase(name);
  FUZZ_CHECK(WildcardMatch(upper_name, name), "a name matches itself, in any case");
  FUZZ_CHECK(MatchPatternPart(upper_name, name), "a name part matches itself, in any case");
  FUZZ_CHECK(NameIsPrefixOfPattern(upper_name, name), "a name is a leading part of itself");
  FUZZ_CHECK(WildcardMatch(pattern, name) == WildcardMatch(pattern, upper_name),
             "the name's case never changes a wildcard match");
  FUZZ_CHECK(NameIsPrefixOfPattern(pattern, name) == NameIsPrefixOfPattern(pattern, upper_name),
             "the name's case never changes a prefix match");
  const bool wild = ContainsWildcard(pattern);
  FUZZ_CHECK(wild == (pattern.find_first_of("?*") != std::string_view::npos),
             "wildcards are ? and *");
  const bool part_match = MatchPatternPart(pattern, name);
  if (!wild) {
    FUZZ_CHECK(part_match == (upper_name.substr(0, pattern.size()) == pattern),
               "a part without wildcards matches the names it begins");
  }
  if (part_match) {
    FUZZ_CHECK(MatchPatternPart(pattern, std::string(name) + "TAIL"),
               "a part that matches a name matches it with anything after it");
  }
}

// The selection MatchLevel's contract describes, from the folded matching primitives: every name
// folded as the component asks, a name equal with its diacritics before one equal without them.
LevelScore ExpectedLevel(std::string_view component, const std::vector<std::string>& names) {
  LevelScore level;
  if (names.empty()) return level;
  TextFolder folder;
  const FoldedText typed = folder.Fold(component, Diacritics::kKeep);
  const std::u32string pattern(typed.symbols);
  const Diacritics of_names = typed.has_diacritics ? Diacritics::kKeep : Diacritics::kStrip;
  std::vector<std::u32string> folded;
  std::vector<bool> stripped;
  for (const auto& name : names) {
    const FoldedText f = folder.Fold(name, of_names);
    folded.emplace_back(f.symbols);
    stripped.push_back(f.has_diacritics && of_names == Diacritics::kStrip);
  }
  for (bool without_diacritics : {false, true}) {
    for (std::size_t k = names.size(); k-- > 0;) {
      if (folded[k] == pattern && (without_diacritics || !stripped[k])) {
        level.score = kExactScore;
        level.followed = {k};
        return level;
      }
    }
  }
  const bool has_wildcard = ContainsWildcard(component);
  std::vector<std::uint8_t> scores;
  const std::size_t limit = PlausibleTypoEdits(TypedLength(pattern));
  for (const auto& name : folded) {
    const bool leading =
        NameIsPrefixOfPattern(pattern, name) && TypedLength(pattern.substr(name.size())) <= limit;
    const bool wild = WildcardMatch(pattern, name) || leading;
    const bool letters = !has_wildcard && HasLettersInOrder(pattern, name);
    scores.push_back(wild      ? kWildcardScore
                     : letters ? kLettersScore
                               : TypoScore(ExpectedDistance(std::u32string_view(pattern),
                                                            std::u32string_view(name))));
  }
  level.score = *std::min_element(scores.begin(), scores.end());
  if (level.score == kLettersScore) {
    for (std::size_t k = 0; k < folded.size(); ++k) {
      if (folded[k].size() == pattern.size() && IsPlausibleTypo(pattern, folded[k])) {
        scores[k] = kLettersScore;
      }
    }
  }
  for (std::size_t k = names.size(); k-- > 0;) {
    if (scores[k] != level.score) continue;
    level.followed.push_back(k);
    if (level.score > kLettersScore && (has_wildcard || !IsPlausibleTypo(pattern, folded[k]))) {
      level.far.push_back(k);
    }
  }
  return level;
}

void CheckLevel(std::string_view component, const std::vector<std::string>& names) {
  NameList listed;
  for (const std::string& name : names) listed.Add(name);
  const LevelScore level = MatchLevel(component, listed);
  const LevelScore expected = ExpectedLevel(component, names);
  FUZZ_CHECK(level.score == expected.score, "the level's score");
  FUZZ_CHECK(level.followed == expected.followed, "the names followed, last listed first");
  FUZZ_CHECK(level.far == expected.far, "the far-fetched typos among them");
  if (!names.empty()) {
    FUZZ_CHECK(level.score < kNoMatchScore, "a level with names always has a way on");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), std::min(size, kMaxInputBytes));
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = input.find('\n', start);
    lines.emplace_back(input.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos || lines.size() > kMaxNames) break;
    start = end + 1;
  }
  const std::string component = lines.front();
  const std::vector<std::string> names(lines.begin() + 1, lines.end());

  CheckSplits(component);
  for (const auto& name : names) {
    CheckDistance(std::string_view(component), std::string_view(name));
    CheckWildcards(component, name);
    CheckFolded(component, name);
  }
  if (names.empty()) CheckDistance(std::string_view(component), std::string_view());
  CheckLevel(component, names);
  return 0;
}
