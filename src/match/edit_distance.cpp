#include "match/edit_distance.h"

#include <algorithm>
#include <cstddef>

#include "base/case_folding.h"
#include "match/level_match.h"

namespace dirhop {

TypoMeter::TypoMeter(std::string_view pattern) : pattern_(pattern), masks_(pattern) {
  // A name's letter a-z matches where its upper case does: UpperChar folds nothing else.
  for (char c = 'a'; c <= 'z'; ++c) masks_.of[static_cast<unsigned char>(c)] = masks_(UpperChar(c));
}

std::uint8_t TypoMeter::Distance(std::string_view name) {
  if (pattern_.size() > kMaxBitParallelPattern) {
    UpperCaseInto(name, upper_name_);
    return EditDistance(pattern_, upper_name_);
  }
  // The pattern is at most 64 bytes, so EditDistance's limit on long remainders never applies:
  // its answer is the distance held at the cap.
  const std::size_t distance =
      pattern_.empty() ? name.size()
                       : BitParallelDistance(pattern_.size(), masks_, name.data(), name.size());
  return static_cast<std::uint8_t>(std::min<std::size_t>(distance, kMaxEditDistance));
}

CharacterTypoMeter::CharacterTypoMeter(std::u32string_view pattern)
    : pattern_(pattern), masks_(pattern) {}

std::uint8_t CharacterTypoMeter::Distance(std::u32string_view name) const {
  if (pattern_.size() > kMaxBitParallelPattern) return EditDistance(pattern_, name);
  const std::size_t distance =
      pattern_.empty() ? name.size()
                       : BitParallelDistance(pattern_.size(), masks_, name.data(), name.size());
  return static_cast<std::uint8_t>(std::min<std::size_t>(distance, kMaxEditDistance));
}

}  // namespace dirhop
