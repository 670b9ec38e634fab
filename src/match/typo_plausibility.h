// When a typo is plausible: how many edits a typed component of a given length may take and still
// be taken for a slip of the fingers rather than another name. Counted in characters, on texts
// folded alike (upper-cased bytes, or the folded symbols of base/unicode_fold.h), with two
// neighbours swapped counting as one edit. The limits were measured by bench/typo_rule.cpp on
// typing slips and missing names in a home directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dirhop {

// The most edits a typo of a component `length` characters long may take to be plausible: none
// up to 2 characters, 1 from 3 to 5, 2 from 6 on.
std::uint8_t PlausibleTypoEdits(std::size_t length);

// The length of the folded `pattern` as the rule counts it: a character each, a wide character
// (two terminal columns: CJK, emoji) two, since one such character carries as much of a name as
// two letters do (日本 is a whole word).
std::size_t TypedLength(std::u32string_view pattern);

// The edit distance of `pattern` and `name` with a swap of two neighbours counting as one edit
// (optimal string alignment), held at `limit` + 1: the answer is exact when it is at most `limit`.
std::size_t SwapDistance(std::string_view pattern, std::string_view name, std::size_t limit);
// The same on folded texts, a symbol a character.
std::size_t SwapDistance(std::u32string_view pattern, std::u32string_view name, std::size_t limit);

// True when `name` is a plausible typo of `pattern` (both folded alike): SwapDistance at most
// PlausibleTypoEdits of the pattern's length (TypedLength for folded texts).
bool IsPlausibleTypo(std::string_view pattern, std::string_view name);
// The same on folded texts.
bool IsPlausibleTypo(std::u32string_view pattern, std::u32string_view name);

}  // namespace dirhop
