// The edit distance from one typed component to every name of a directory level: the component's
// match masks are built once, then each name costs one bit-parallel pass over its bytes, with its
// case folded by the masks instead of by a copy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "match/bit_parallel_distance.h"

namespace dirhop {

// Measures names, in any case, against one upper-cased pattern.
class TypoMeter {
 public:
  // A meter for `pattern`, upper-cased (UpperCase); it must outlive the meter.
  explicit TypoMeter(std::string_view pattern);

  // EditDistance(pattern, UpperCase(name)), exactly: the Levenshtein distance held at
  // kMaxEditDistance, with `name`'s ASCII letters compared upper-cased.
  std::uint8_t Distance(std::string_view name);

 private:
  std::string_view pattern_;
  // The pattern's masks, those of a-z equal to those of A-Z (unused beyond
  // kMaxBitParallelPattern bytes).
  ByteMasks masks_;
  // The upper-cased name, for a pattern too long for the bit vectors.
  std::string upper_name_;
};

}  // namespace dirhop
