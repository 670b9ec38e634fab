// Matching one typed path component against directory names: the split of a path spec into
// components, the wildcard and prefix tests, the edit distance for typos, and the scoring of one
// directory level. Nothing here touches the file system; the directory search calls these with
// the names it has listed.
//
// Every typed component behaves as if a star ended both its name part and its extension part, so
// "doc" matches DOCUMENTS and "a.b" matches ALPHA.BETA.
//
// MatchLevel compares by characters in every script (base/unicode_fold.h): case, the
// normalisation form and, for a component typed without diacritics, the names' diacritics do not
// count. The tests below come twice. On bytes, for ASCII: callers pass the pattern upper-cased;
// the wildcard and prefix tests fold the name's case as they compare, and EditDistance compares
// byte for byte (both upper-cased). On folded texts (TextFolder::Fold, both sides folded alike):
// symbols are compared as they are, one a character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/name_list.h"
#include "base/unicode_fold.h"

namespace dirhop {

// Level score of a name equal to the component (ignoring case).
inline constexpr std::uint8_t kExactScore = 0;
// Level score of a wildcard or prefix match.
inline constexpr std::uint8_t kWildcardScore = 1;
// Level score of a name that holds the typed letters in order, beginning with the first one.
inline constexpr std::uint8_t kLettersScore = 2;
// Largest edit distance reported; longer distances are held here so a typo score stays below 255.
inline constexpr std::uint8_t kMaxEditDistance = 253;
// Highest level score of a typo: TypoScore holds its sums here, below kNoMatchScore.
inline constexpr std::uint8_t kMaxTypoScore = 254;
// Level score when nothing at the level can be followed (the level has no subdirectories).
inline constexpr std::uint8_t kNoMatchScore = 255;

// A path spec cut after its first component: both are views into the text that was split.
struct ComponentSplit {
  std::string_view component;  // everything before the first separator (all of it if none)
  std::string_view rest;       // everything after that separator (empty if none)
};

// Splits the path spec at its first `separator` ('\\' on Windows, '/' on POSIX).
ComponentSplit SplitFirstComponent(std::string_view spec, char separator);

// A name or pattern cut at its first dot: both are views into the text that was split.
struct DotSplit {
  std::string_view name;       // before the first dot (all of it if there is no dot)
  std::string_view extension;  // after the first dot, later dots included (empty if no dot)
};

// Splits `text` at its first dot.
DotSplit SplitAtDot(std::string_view text);

// True when `name_part` (any case) matches `pattern_part`: `?` takes any one character, `*` matches
// whatever follows (the rest of the pattern is ignored), and a pattern used up without a mismatch
// matches whatever is left of the name, so every pattern part is a prefix.
bool MatchPatternPart(std::string_view pattern_part, std::string_view name_part);

// True when the name and extension parts of `name` both match those of `pattern`
// (MatchPatternPart).
bool WildcardMatch(std::string_view pattern, std::string_view name);

// True when `name` (any case) is a leading part of `pattern` (directory Windows for component
// WINDOWSX). MatchLevel takes such a name as a prefix match only while what was typed past it is
// within the plausible-typo bound of the pattern's length (match/typo_plausibility.h).
bool NameIsPrefixOfPattern(std::string_view pattern, std::string_view name);

// Edit distance between `pattern` and `name` (insert, delete, substitute, and swap two neighbours
// cost 1 each, dots included: the optimal string alignment distance), held at kMaxEditDistance. No
// heap: after the common prefix and suffix are set aside, a shorter remainder of at most 64
// characters is measured by bit vectors, a longer one by two fixed rows of 256 cells. Exact for any
// lengths as long as that shorter remainder has at most 255 characters; when both remainders are
// longer the answer is kMaxEditDistance.
std::uint8_t EditDistance(std::string_view pattern, std::string_view name);

// MatchPatternPart on folded texts: `?` takes one character of the name together with the
// combining marks that follow it (IsCombiningMark).
bool MatchPatternPart(std::u32string_view pattern_part, std::u32string_view name_part);

// WildcardMatch on folded texts.
bool WildcardMatch(std::u32string_view pattern, std::u32string_view name);

// NameIsPrefixOfPattern on folded texts.
bool NameIsPrefixOfPattern(std::u32string_view pattern, std::u32string_view name);

// EditDistance on folded texts: the same limits, counted in characters.
std::uint8_t EditDistance(std::u32string_view pattern, std::u32string_view name);

// The level score of a typo at edit distance `distance` (at least 1): distance + 2, after every
// letters-in-order match, held at kMaxTypoScore.
std::uint8_t TypoScore(std::uint8_t distance);

// True when `name` (any case) holds the letters of `pattern` (upper-cased) in order and begins
// with its first one: PRJ for "projects", DL for "Downloads". An empty pattern holds none.
bool HasLettersInOrder(std::string_view pattern, std::string_view name);

// HasLettersInOrder on folded texts.
bool HasLettersInOrder(std::u32string_view pattern, std::u32string_view name);

// True when `text` holds `?` or `*` (such a path is never offered for creation).
bool ContainsWildcard(std::string_view text);

// Outcome of scoring one directory level against one typed component.
struct LevelScore {
  std::uint8_t score = kNoMatchScore;  // score of every followed name, the level's best
  std::vector<std::size_t> followed;   // indices into the names, in the order they were walked
  // The followed names taken by a far-fetched typo (in `followed` too, in the same order): a typo
  // that is not plausible for the component's length (IsPlausibleTypo), or any typo of a
  // component that holds `?` or `*` (a pattern that matched nothing).
  std::vector<std::size_t> far;
};

// Scores the subdirectory `names` of one level (as listed, case preserved) against the typed
// `component` (any case), walking them last-listed first. Both are compared folded: ignoring
// case and the normalisation form; when the component holds no diacritic, the names' diacritics
// are left out too ("cafe" is "Café"), and when it holds one, they count ("café" is not "cafe",
// but one edit from it). An exact name wins alone (score 0): the first one walked that is equal
// with its diacritics, failing that the first one equal once they are left out. Failing that
// every wildcard or prefix match is followed (score 1; a name that is a leading part of the
// component counts only within the plausible-typo bound); failing that, for a component without
// `?` or `*`, every name that holds its letters in order (kLettersScore), together with every name
// of the component's length that is a plausible typo of it; failing that every name at
// the smallest edit distance in characters (TypoScore), those that are far-fetched listed in
// `far` as well. With no names the score is kNoMatchScore and nothing is followed. An ASCII
// component and ASCII names take the byte tests.
LevelScore MatchLevel(std::string_view component, const NameList& names);

// MatchLevel with the names folded by `folder`, whose cache of folded characters then serves
// every level of a search.
LevelScore MatchLevel(std::string_view component, const NameList& names, TextFolder& folder);

}  // namespace dirhop
