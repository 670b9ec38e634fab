// The edit distance from one typed component to every name of a directory level: the component's
// match masks are built once, then each name costs one bit-parallel pass. TypoMeter reads an
// ASCII name's bytes, its case folded by the masks instead of by a copy; CharacterTypoMeter reads
// folded names, a symbol a character.
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

  // EditDistance(pattern, UpperCase(name)), exactly: the edit distance (a swap counting one) held
  // at kMaxEditDistance, with `name`'s ASCII letters compared upper-cased.
  std::uint8_t Distance(std::string_view name);

 private:
  std::string_view pattern_;
  // The pattern's masks, those of a-z equal to those of A-Z (unused beyond
  // kMaxBitParallelPattern bytes).
  ByteMasks masks_;
  // The upper-cased name, for a pattern too long for the bit vectors.
  std::string upper_name_;
};

// Measures folded names (TextFolder) against one folded pattern, in characters.
class CharacterTypoMeter {
 public:
  // A meter for the folded `pattern`; it must outlive the meter.
  explicit CharacterTypoMeter(std::u32string_view pattern);

  // EditDistance(pattern, name) on folded texts, exactly.
  std::uint8_t Distance(std::u32string_view name) const;

 private:
  std::u32string_view pattern_;
  // The pattern's masks (unused beyond kMaxBitParallelPattern symbols).
  CharacterMasks masks_;
};

}  // namespace dirhop
