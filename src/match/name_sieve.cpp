#include "match/name_sieve.h"

#include <cstdint>

#include "base/case_folding.h"
#include "base/utf8.h"
#include "match/level_match.h"
#include "match/typo_plausibility.h"

namespace dirhop {

namespace {

// The bit of each byte in a set of letters: the low six bits of the byte upper-cased, so that
// the letters in either case, the digits and the usual punctuation of names each take their own
// (two bytes that share a bit only make the sieve pass more names). A table, so that a name's
// set costs a look-up a byte.
struct LetterBits {
  std::uint64_t of[256] = {};
  constexpr LetterBits() {
    for (int c = 0; c < 256; ++c) {
      const int upper = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
      of[c] = std::uint64_t{1} << (upper & 63);
    }
  }
};
constexpr LetterBits kLetterBits;

std::uint64_t LetterBit(char c) { return kLetterBits.of[static_cast<unsigned char>(c)]; }

}  // namespace

NameSieve::NameSieve(std::string_view component)
    : passes_all_(component.empty() || !IsAscii(component) || ContainsWildcard(component) ||
                  component.front() == '.'),
      pattern_(UpperCase(component)),
      edits_(PlausibleTypoEdits(component.size())) {}

bool NameSieve::MayMatch(std::string_view name) const {
  return !IsAscii(name) || MayMatchAscii(name);
}

bool NameSieve::MayMatchAscii(std::string_view name) const {
  if (passes_all_ || name.empty() || UpperChar(name.front()) == pattern_.front()) return true;
  // Past the first letter only a plausible typo can match: an edit distance d of at most edits_
  // changes the length by d at most, and each of the component's letters that the name lacks
  // takes an edit (a swap moves two letters that are both there).
  const std::size_t gap =
      name.size() > pattern_.size() ? name.size() - pattern_.size() : pattern_.size() - name.size();
  if (gap > edits_) return false;
  std::uint64_t letters = 0;
  for (const char c : name) letters |= LetterBit(c);
  std::size_t lacking = 0;
  for (const char c : pattern_) {
    if ((letters & LetterBit(c)) == 0 && ++lacking > edits_) return false;
  }
  return true;
}

}  // namespace dirhop
