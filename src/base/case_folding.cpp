#include "base/case_folding.h"

#include "base/unicode_fold.h"
#include "base/utf8.h"

namespace dirhop {

std::string UpperCase(std::string_view text) {
  std::string upper;
  UpperCaseInto(text, upper);
  return upper;
}

namespace {

// SameIgnoringCase for texts beyond ASCII. Out of line: its two folders take 16 KB of stack,
// which the ASCII comparison of every run would otherwise reserve, and touch, too.
[[gnu::noinline]] bool SameFoldedText(std::string_view a, std::string_view b) {
  // A folded text lasts until its folder folds again: one folder each.
  TextFolder first;
  TextFolder second;
  return first.Fold(a, Diacritics::kKeep).symbols == second.Fold(b, Diacritics::kKeep).symbols;
}

}  // namespace

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) return SameAsciiIgnoringCase(a, b);
  return SameFoldedText(a, b);
}

}  // namespace dirhop
