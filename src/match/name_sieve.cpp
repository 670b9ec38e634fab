#include "match/name_sieve.h"

#include <cstdint>

#include "base/case_folding.h"
#include "base/utf8.h"
#include "match/pattern.h"
#include "match/typo_rule.h"

namespace dirhop {

namespace {

// The bit of a byte in a set of letters: its low six bits, so that the upper-cased letters,
// digits and the usual punctuation of names each take their own (two bytes that share a bit only
// make the test pass more names).
std::uint64_t LetterBit(char upper) {
  return std::uint64_t{1} << (static_cast<unsigned char>(upper) & 63);
}

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
  for (const char c : name) letters |= LetterBit(UpperChar(c));
  std::size_t lacking = 0;
  for (const char c : pattern_) {
    if ((letters & LetterBit(c)) == 0 && ++lacking > edits_) return false;
  }
  return true;
}

}  // namespace dirhop
