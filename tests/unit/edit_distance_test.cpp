#include "match/edit_distance.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/case_folding.h"
#include "base/unicode_fold.h"
#include "match/level_match.h"

namespace dirhop {
namespace {

// Deterministic text of `length` bytes over letters of both cases, the bytes next to them ('@',
// '[', '`', '{'), a dot and bytes above 127, so that random pairs share symbols.
std::string MixedCaseText(std::size_t length, std::uint32_t seed) {
  static const char kAlphabet[] = "aAbBzZ@[`{.\xE9\xC9\x80\xFF";
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    text += kAlphabet[(seed >> 16) % (sizeof(kAlphabet) - 1)];
  }
  return text;
}

TEST(TypoMeterTest, MeasuresAsEditDistanceOnTheUpperCasedName) {
  // Patterns on both sides of the bit vectors' width (longer ones take the rows), names shorter
  // and longer, in any case.
  const std::size_t pattern_lengths[] = {0, 1, 3, 8, 63, 64, 65, 90};
  const std::size_t name_lengths[] = {0, 1, 4, 9, 40, 63, 64, 65, 70, 200, 300};
  std::uint32_t seed = 1;
  for (std::size_t p : pattern_lengths) {
    const std::string pattern = UpperCase(MixedCaseText(p, seed++));
    TypoMeter meter(pattern);
    for (std::size_t n : name_lengths) {
      for (int round = 0; round < 3; ++round) {
        const std::string name = MixedCaseText(n, seed++);
        EXPECT_EQ(meter.Distance(name), EditDistance(pattern, UpperCase(name)))
            << "pattern length " << p << ", name length " << n;
      }
    }
    // The pattern itself in another case is at distance 0, and one letter away at distance 1.
    std::string lower = pattern;
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    EXPECT_EQ(meter.Distance(lower), 0) << p;
    EXPECT_EQ(meter.Distance(lower + "q"), 1) << p;
  }
}

TEST(TypoMeterTest, FoldsOnlyAsciiLetters) {
  TypoMeter meter("A@[\xC9");
  EXPECT_EQ(meter.Distance("a@[\xC9"), 0);
  EXPECT_EQ(meter.Distance("A`{\xC9"), 2);  // '`' and '{' are not the lower case of '@' and '['
  EXPECT_EQ(meter.Distance("A@[\xE9"), 1);  // bytes above 127 do not fold
}

// Deterministic folded text of `length` symbols drawn from `alphabet`.
std::u32string SymbolText(std::u32string_view alphabet, std::size_t length, std::uint32_t seed) {
  std::u32string text;
  for (std::size_t i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    text += alphabet[(seed >> 16) % alphabet.size()];
  }
  return text;
}

TEST(CharacterTypoMeterTest, MeasuresAsEditDistanceOnFoldedTexts) {
  // Patterns on both sides of the bit vectors' width over a few symbols (ASCII, accented, CJK,
  // stray bytes) and over 64 different CJK characters, the most a pattern's masks hold apart.
  std::u32string many;
  for (char32_t c = 0x4E00; c < 0x4E40; ++c) many += c;
  const std::u32string few = {U'a', U'é', U'日', U'.', kByteSymbolBase + 0xE9};
  const std::size_t pattern_lengths[] = {0, 1, 5, 63, 64, 65, 90};
  const std::size_t name_lengths[] = {0, 1, 4, 40, 64, 65, 200};
  std::uint32_t seed = 3;
  for (const std::u32string& alphabet : {few, many}) {
    for (std::size_t p : pattern_lengths) {
      const std::u32string pattern = SymbolText(alphabet, p, seed++);
      const CharacterTypoMeter meter(pattern);
      for (std::size_t n : name_lengths) {
        const std::u32string name = SymbolText(alphabet, n, seed++);
        EXPECT_EQ(meter.Distance(name), EditDistance(pattern, name))
            << "pattern length " << p << ", name length " << n;
      }
      EXPECT_EQ(meter.Distance(pattern), 0) << p;
      EXPECT_EQ(meter.Distance(pattern + U'本'), 1) << p;
    }
  }
  // The masks of 64 distinct characters, each found where it stands.
  const CharacterMasks masks(many);
  for (std::size_t i = 0; i < many.size(); ++i) EXPECT_EQ(masks(many[i]), std::uint64_t{1} << i);
  EXPECT_EQ(masks(U'a'), 0u);
  EXPECT_EQ(masks(0x4E40), 0u);
}

}  // namespace
}  // namespace dirhop
