// Case folding for directory names, paths and typed words, the one place every layer takes it
// from: both sides are upper-cased byte by byte (ASCII letters only, on every build) and the
// results compared as unsigned bytes.
#pragma once

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

// True when `a` and `b` are equal once both are upper-cased (names and paths ignoring case).
bool SameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace dirhop
