#include "match/typo_meter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/case_folding.h"
#include "match/pattern.h"

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

}  // namespace
}  // namespace dirhop
