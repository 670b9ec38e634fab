// Case folding for directory names, paths and typed words, the one place every layer takes it
// from. Texts are compared by characters: SameIgnoringCase folds both sides with Unicode case
// folding and canonical normalisation (base/unicode_fold.h), the same on every build. The
// byte-wise upper-casing below folds ASCII letters only: it serves texts that can only be ASCII
// (drive letters, option words, key answers) and the fast path of matching and sorting, taken
// only where every byte compared is ASCII, so that it agrees with the Unicode folding there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dirhop {

// `c` with a-z mapped to A-Z; every other byte, those above 127 included, is returned unchanged.
constexpr char UpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Makes `out` a copy of `text` with every byte passed through UpperChar, in the buffer `out`
// already has: a loop over many names upper-cases each without a heap block of its own.
inline void UpperCaseInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) c = UpperChar(c);
}

// A copy of `text` with every byte passed through UpperChar; the length never changes.
std::string UpperCase(std::string_view text);

// True when `a` and `b` are the same bytes once passed through UpperChar: SameIgnoringCase for
// two texts the caller knows to be ASCII, without looking at their bytes for others first.
inline bool SameAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

// True when `a` and `b` are the same text ignoring case, in any script, and the normalisation
// form (a composed and a decomposed "é" are equal); diacritics count ("cafe" is not "café"), and
// bytes outside valid UTF-8 match only themselves. Two ASCII texts are compared byte by byte.
bool SameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace dirhop
