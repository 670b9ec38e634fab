#include "match/level_match.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/case_folding.h"
#include "base/unicode_fold.h"
#include "base/utf8.h"
#include "match/bit_parallel_distance.h"
#include "match/edit_distance.h"
#include "match/typo_plausibility.h"

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

// The same on folded texts, where `?` takes a character with the combining marks after it.
template <PartEnd end>
bool MatchFoldedPart(std::u32string_view pattern_part, std::u32string_view name) {
  std::size_t at = 0;  // the name's next symbol
  for (const char32_t symbol : pattern_part) {
    if (symbol == U'*') return true;
    if (at >= name.size() || (end == PartEnd::kFirstDot && name[at] == U'.')) return false;
    if (symbol == U'?') {
      ++at;
      while (at < name.size() && IsCombiningMark(name[at])) ++at;
    } else if (symbol != name[at++]) {
      return false;
    }
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

// A folded text cut at its first dot, as DotSplit cuts bytes.
struct FoldedDotSplit {
  std::u32string_view name;
  std::u32string_view extension;
};

// `text` (bytes or folded symbols) cut at its first dot, as `Split` holds the two parts.
template <typename Split, typename View>
Split CutAtFirstDot(View text) {
  const std::size_t at = text.find(static_cast<typename View::value_type>('.'));
  if (at == View::npos) return {text, View()};
  return {text.substr(0, at), text.substr(at + 1)};
}

FoldedDotSplit SplitFoldedAtDot(std::u32string_view text) {
  return CutAtFirstDot<FoldedDotSplit>(text);
}

// WildcardMatchParts on folded texts.
bool FoldedWildcardMatchParts(const FoldedDotSplit& pattern, std::u32string_view name) {
  if (pattern.extension.empty()) return MatchFoldedPart<PartEnd::kFirstDot>(pattern.name, name);
  const FoldedDotSplit n = SplitFoldedAtDot(name);
  return MatchFoldedPart<PartEnd::kWholeText>(pattern.name, n.name) &&
         MatchFoldedPart<PartEnd::kWholeText>(pattern.extension, n.extension);
}

// True when `name` is a leading part of `pattern` (NameIsPrefixOfPattern) and what was typed past
// it is no more than a plausible typo of the pattern's length adds: WINDOWSX finds WINDOWS, but
// apps-legacy does not take apps, nor docs-site docs. Such a name is left to the typo tier, where
// the rest typed past it is its distance.
bool IsPlausibleLeadingPart(std::string_view pattern, std::string_view name) {
  return NameIsPrefixOfPattern(pattern, name) &&
         pattern.size() - name.size() <= PlausibleTypoEdits(pattern.size());
}
bool IsPlausibleLeadingPart(std::u32string_view pattern, std::u32string_view name) {
  return NameIsPrefixOfPattern(pattern, name) &&
         TypedLength(pattern.substr(name.size())) <= PlausibleTypoEdits(TypedLength(pattern));
}

// The least level score a name of `length` can have by edit distance against a pattern of
// `pattern_length`: a distance is at least the difference of the lengths, and at least 1 (an
// equal name is exact).
std::uint8_t LeastTypoScore(std::size_t length, std::size_t pattern_length) {
  const std::size_t gap =
      length > pattern_length ? length - pattern_length : pattern_length - length;
  return TypoScore(std::max<std::uint8_t>(CapDistance(gap), 1));
}

// HasLettersInOrder over bytes (the name's case folded as it is read) or folded symbols.
template <typename Symbol, typename Fold>
bool LettersInOrder(std::basic_string_view<Symbol> pattern, std::basic_string_view<Symbol> name,
                    Fold fold) {
  if (pattern.empty() || name.empty() || fold(name.front()) != pattern.front()) return false;
  std::size_t at = 1;  // the next pattern symbol to find
  for (std::size_t i = 1; i < name.size() && at < pattern.size(); ++i) {
    if (fold(name[i]) == pattern[at]) ++at;
  }
  return at == pattern.size();
}

// Lists in level.far the names a level follows by a far-fetched typo. A component with `?` or `*`
// that reached the typos matched nothing: all of them. Otherwise the level's score gives the edit
// distance d of them all, a swap counting one as the rule counts it: each is plausible within the
// rule's limit for `typed_length` (TypedLength) and far beyond it; when the score is held at its
// cap (d is then unknown), `plausible(k)` decides for name k by its text.
template <typename Plausible>
void MarkFarTypos(LevelScore& level, std::size_t typed_length, bool has_wildcard,
                  Plausible plausible) {
  if (level.score <= kLettersScore || level.score == kNoMatchScore) return;
  const std::size_t limit = PlausibleTypoEdits(typed_length);
  const bool known = level.score < kMaxTypoScore;
  const std::size_t distance = level.score - 2u;  // TypoScore below the cap
  for (const std::size_t k : level.followed) {
    const bool far = has_wildcard || (known ? distance > limit : !plausible(k));
    if (far) level.far.push_back(k);
  }
}

// The match masks of a remainder short enough for the bit vectors.
ByteMasks MasksOf(std::string_view text) { return ByteMasks(text); }
CharacterMasks MasksOf(std::u32string_view text) { return CharacterMasks(text); }

// The distance of `s` and `t` (t no longer than s, shorter than kRowCells) by the rows of the
// recurrence with swaps of neighbours. Its own function, so that a fuzzing build can leave its
// cell-by-cell comparisons out of the coverage it traces (tests/fuzz/coverage-ignorelist.txt).
template <typename Symbol>
std::uint8_t RowDistance(std::basic_string_view<Symbol> s, std::basic_string_view<Symbol> t) {
  // Cells are held at the cap as they are computed: min(cap, x) commutes with the min-plus
  // recurrence, so the last cell is exactly min(cap, distance) and 8 bits never overflow.
  std::uint8_t rows[3][kRowCells];
  std::uint8_t* before = rows[0];  // row i - 2, for a swap of two neighbours
  std::uint8_t* previous = rows[1];
  std::uint8_t* current = rows[2];
  // Plain pointers and comparisons: no call per cell, inlined or not.
  const Symbol* const x = s.data();
  const Symbol* const y = t.data();
  for (std::size_t j = 0; j <= t.size(); ++j) previous[j] = CapDistance(j);
  for (std::size_t i = 1; i <= s.size(); ++i) {
    current[0] = CapDistance(i);
    for (std::size_t j = 1; j <= t.size(); ++j) {
      if (x[i - 1] == y[j - 1]) {
        current[j] = previous[j - 1];
        continue;
      }
      std::uint8_t nearest = previous[j - 1];
      if (previous[j] < nearest) nearest = previous[j];
      if (current[j - 1] < nearest) nearest = current[j - 1];
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1] &&
          before[j - 2] < nearest) {
        nearest = before[j - 2];
      }
      current[j] = CapDistance(nearest + 1u);
    }
    std::uint8_t* const oldest = before;
    before = previous;
    previous = current;
    current = oldest;
  }
  return previous[t.size()];
}

// EditDistance over bytes or folded symbols.
template <typename Symbol>
std::uint8_t DistanceOf(std::basic_string_view<Symbol> pattern,
                        std::basic_string_view<Symbol> name) {
  std::basic_string_view<Symbol> s = pattern;
  std::basic_string_view<Symbol> t = name;
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
    return CapDistance(BitParallelDistance(t.size(), MasksOf(t), s.data(), s.size()));
  }
  if (t.size() >= kRowCells) return kMaxEditDistance;
  return RowDistance(s, t);
}

// The typed component folded, for the names the byte tests cannot take: every name when the
// component is not ASCII, otherwise the names that are not. The names are folded with their
// diacritics when the component has any, without them when it has none.
class FoldedComponent {
 public:
  // The component folded by `folder`, which folds the names too and must outlive this.
  FoldedComponent(std::string_view component, TextFolder& folder)
      : folder_(folder),
        pattern_(FoldPattern(folder_, component, has_diacritics_)),
        parts_(SplitFoldedAtDot(pattern_)),
        typos_(pattern_) {}
  FoldedComponent(const FoldedComponent&) = delete;
  FoldedComponent& operator=(const FoldedComponent&) = delete;

  // The folded component.
  std::u32string_view Pattern() const { return pattern_; }
  // Whether the names keep their diacritics when folded: the component has some.
  bool KeepsDiacritics() const { return has_diacritics_; }
  // `name` folded as the component asks; valid until the next name is folded.
  FoldedText FoldName(std::string_view name) {
    return folder_.Fold(name, has_diacritics_ ? Diacritics::kKeep : Diacritics::kStrip);
  }
  // True when the folded `name` is a wildcard or prefix match.
  bool WildcardOrPrefix(std::u32string_view name) const {
    return FoldedWildcardMatchParts(parts_, name) || IsPlausibleLeadingPart(pattern_, name);
  }
  // The edit distance of the folded `name`.
  std::uint8_t Distance(std::u32string_view name) const { return typos_.Distance(name); }

 private:
  static std::u32string FoldPattern(TextFolder& folder, std::string_view component,
                                    bool& has_diacritics) {
    const FoldedText folded = folder.Fold(component, Diacritics::kKeep);
    has_diacritics = folded.has_diacritics;
    return std::u32string(folded.symbols);
  }

  TextFolder& folder_;  // first: the members after it are made with it
  bool has_diacritics_ = false;
  std::u32string pattern_;
  FoldedDotSplit parts_;
  CharacterTypoMeter typos_;
};

// Scores, the level's best, for one level: `scores[k]` is name k's score, kNoMatchScore for a
// name that was never measured. Gives the LevelScore of the names at the best score, walked
// last-listed first.
LevelScore FollowBest(const std::vector<std::uint8_t>& scores, std::uint8_t best) {
  LevelScore level;
  level.score = best;
  if (best == kNoMatchScore) return level;
  // Made the right size at once: a wide level can follow every one of thousands of names.
  level.followed.reserve(static_cast<std::size_t>(std::count(scores.begin(), scores.end(), best)));
  for (std::size_t k = scores.size(); k-- > 0;) {
    if (scores[k] == best) level.followed.push_back(k);
  }
  return level;
}

// The level that names only `k`, exactly.
LevelScore ExactAt(std::size_t k) {
  LevelScore level;
  level.score = kExactScore;
  level.followed.assign(1, k);
  return level;
}

// MatchLevel for an ASCII component and ASCII names, by the byte tests.
LevelScore MatchAsciiLevel(std::string_view component, const NameList& names) {
  const std::string pattern = UpperCase(component);
  std::vector<std::uint8_t> scores(names.size(), kNoMatchScore);
  std::uint8_t best = kNoMatchScore;
  // The names are walked last-listed first, the order in which the search keeps a level. It
  // decides which of two names equal apart from case wins (possible on POSIX) and the order of
  // the branches followed, hence of the creation candidates.
  const DotSplit pattern_parts = SplitAtDot(pattern);
  // The exact, wildcard and prefix tests fold each name's case as they compare, and so does the
  // meter, whose masks for the pattern are built once for every name, when a first name needs a
  // distance (a level settled by a name or a wildcard never does: 2 KiB of masks a level saved).
  std::optional<TypoMeter> typos;
  // A pattern's letters are where its wildcards put them, not in any order.
  const bool has_wildcard = ContainsWildcard(pattern);
  for (std::size_t k = names.size(); k-- > 0;) {
    const std::string_view name = names[k];
    if (SameAsciiIgnoringCase(name, pattern)) return ExactAt(k);
    if (WildcardMatchParts(pattern_parts, name) || IsPlausibleLeadingPart(pattern, name)) {
      scores[k] = kWildcardScore;
      best = kWildcardScore;
    } else if (best > kWildcardScore && !has_wildcard && HasLettersInOrder(pattern, name)) {
      scores[k] = kLettersScore;
      best = kLettersScore;
    } else if (best > kLettersScore && LeastTypoScore(name.size(), pattern.size()) <= best) {
      // Distances only matter while no better match has been seen, and only for a name that can
      // come as near as the nearest so far; the others are never followed, so their distances
      // are not computed (their scores stay above the level's).
      if (!typos) typos.emplace(pattern);
      scores[k] = TypoScore(typos->Distance(name));
      best = std::min(best, scores[k]);
    }
  }
  if (best == kLettersScore) {
    // A name of the typed length that is a plausible typo (a swap, a changed letter) is as likely
    // meant as one holding the letters in order: both are followed, so neither is entered alone.
    for (std::size_t k = 0; k < names.size(); ++k) {
      if (scores[k] != kLettersScore && names[k].size() == pattern.size() &&
          IsPlausibleTypo(pattern, UpperCase(names[k]))) {
        scores[k] = kLettersScore;
      }
    }
  }
  LevelScore level = FollowBest(scores, best);
  MarkFarTypos(level, pattern.size(), has_wildcard,
               [&](std::size_t k) { return IsPlausibleTypo(pattern, UpperCase(names[k])); });
  return level;
}

// MatchLevel for any other component or level: every name is folded, as the component asks.
LevelScore MatchFoldedLevel(std::string_view component, const NameList& names, TextFolder& folder) {
  FoldedComponent folded(component, folder);
  const std::u32string_view pattern = folded.Pattern();
  // A component that begins with `*` and has no dot matches every name, and equals only a name
  // that holds a `*` too (no other character folds to one): the others are not folded.
  const bool star_matches_all = !pattern.empty() && pattern.front() == U'*' &&
                                pattern.find(U'.') == std::u32string_view::npos;
  std::vector<std::uint8_t> scores(names.size(), kNoMatchScore);
  std::uint8_t best = kNoMatchScore;
  // The first name walked that is equal once its diacritics are left out: it wins unless a name
  // equal with them comes, so nothing else is scored after it.
  std::optional<std::size_t> exact_without_diacritics;
  const bool has_wildcard = ContainsWildcard(component);
  for (std::size_t k = names.size(); k-- > 0;) {
    if (star_matches_all && names[k].find('*') == std::string_view::npos) {
      scores[k] = kWildcardScore;
      best = kWildcardScore;
      continue;
    }
    const FoldedText name = folded.FoldName(names[k]);
    if (name.symbols == pattern) {
      if (!name.has_diacritics || folded.KeepsDiacritics()) return ExactAt(k);
      if (!exact_without_diacritics) exact_without_diacritics = k;
      continue;
    }
    if (exact_without_diacritics) continue;
    if (folded.WildcardOrPrefix(name.symbols)) {
      scores[k] = kWildcardScore;
      best = kWildcardScore;
    } else if (best > kWildcardScore && !has_wildcard && HasLettersInOrder(pattern, name.symbols)) {
      scores[k] = kLettersScore;
      best = kLettersScore;
    } else if (best > kLettersScore &&
               LeastTypoScore(name.symbols.size(), pattern.size()) <= best) {
      scores[k] = TypoScore(folded.Distance(name.symbols));
      best = std::min(best, scores[k]);
    }
  }
  if (exact_without_diacritics) return ExactAt(*exact_without_diacritics);
  if (best == kLettersScore) {
    // As for ASCII names: a plausible typo of the typed length is followed with the letters.
    for (std::size_t k = 0; k < names.size(); ++k) {
      if (scores[k] == kLettersScore) continue;
      const FoldedText name = folded.FoldName(names[k]);
      if (name.symbols.size() == pattern.size() && IsPlausibleTypo(pattern, name.symbols)) {
        scores[k] = kLettersScore;
      }
    }
  }
  LevelScore level = FollowBest(scores, best);
  MarkFarTypos(level, TypedLength(pattern), has_wildcard, [&](std::size_t k) {
    return IsPlausibleTypo(pattern, folded.FoldName(names[k]).symbols);
  });
  return level;
}

}  // namespace

ComponentSplit SplitFirstComponent(std::string_view spec, char separator) {
  const std::size_t at = spec.find(separator);
  if (at == std::string_view::npos) return {spec, std::string_view()};
  return {spec.substr(0, at), spec.substr(at + 1)};
}

DotSplit SplitAtDot(std::string_view text) { return CutAtFirstDot<DotSplit>(text); }

bool MatchPatternPart(std::string_view pattern_part, std::string_view name_part) {
  return MatchPart<PartEnd::kWholeText>(pattern_part, name_part);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  return WildcardMatchParts(SplitAtDot(pattern), name);
}

bool NameIsPrefixOfPattern(std::string_view pattern, std::string_view name) {
  return name.size() <= pattern.size() &&
         SameAsciiIgnoringCase(pattern.substr(0, name.size()), name);
}

std::uint8_t EditDistance(std::string_view pattern, std::string_view name) {
  return DistanceOf(pattern, name);
}

bool MatchPatternPart(std::u32string_view pattern_part, std::u32string_view name_part) {
  return MatchFoldedPart<PartEnd::kWholeText>(pattern_part, name_part);
}

bool WildcardMatch(std::u32string_view pattern, std::u32string_view name) {
  return FoldedWildcardMatchParts(SplitFoldedAtDot(pattern), name);
}

bool NameIsPrefixOfPattern(std::u32string_view pattern, std::u32string_view name) {
  return name.size() <= pattern.size() && pattern.substr(0, name.size()) == name;
}

std::uint8_t EditDistance(std::u32string_view pattern, std::u32string_view name) {
  return DistanceOf(pattern, name);
}

std::uint8_t TypoScore(std::uint8_t distance) {
  return static_cast<std::uint8_t>(std::min<unsigned>(distance + 2u, kMaxTypoScore));
}

bool HasLettersInOrder(std::string_view pattern, std::string_view name) {
  return LettersInOrder(pattern, name, [](char c) { return UpperChar(c); });
}

bool HasLettersInOrder(std::u32string_view pattern, std::u32string_view name) {
  return LettersInOrder(pattern, name, [](char32_t symbol) { return symbol; });
}

bool ContainsWildcard(std::string_view text) {
  // One pass over the bytes: find_first_of looks each byte up in the set of two, a call a byte.
  return std::any_of(text.begin(), text.end(), [](char c) { return c == '?' || c == '*'; });
}

LevelScore MatchLevel(std::string_view component, const NameList& names) {
  TextFolder folder;
  return MatchLevel(component, names, folder);
}

LevelScore MatchLevel(std::string_view component, const NameList& names, TextFolder& folder) {
  // One pass over the bytes of all names: mostly they are ASCII, as the component is, and the
  // byte tests take them.
  if (IsAscii(component) && names.AllAscii()) return MatchAsciiLevel(component, names);
  return MatchFoldedLevel(component, names, folder);
}

}  // namespace dirhop
