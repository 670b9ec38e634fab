#include "match/typo_plausibility.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace dirhop {
namespace {

// Plain full-matrix optimal string alignment distance (a swap of neighbours is one edit), no
// limit: the oracle for SwapDistance.
template <typename Text>
std::size_t ReferenceSwapDistance(const Text& a, const Text& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1), d[i - 1][j] + 1, d[i][j - 1] + 1});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// Deterministic text over four letters, so that random pairs share letters and swaps.
std::string SmallAlphabetText(std::size_t length, std::uint32_t seed) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    text += "ABCD"[(seed >> 16) % 4];
  }
  return text;
}

TEST(TypoRuleTest, SwapDistanceAgreesWithTheFullMatrixUpToTheLimit) {
  for (std::uint32_t seed = 1; seed < 400; ++seed) {
    const std::string a = SmallAlphabetText(seed % 9, seed);
    const std::string b = SmallAlphabetText((seed / 9) % 9, seed * 7 + 3);
    const std::size_t expected = ReferenceSwapDistance(a, b);
    for (std::size_t limit : {0u, 1u, 2u, 3u, 8u}) {
      SCOPED_TRACE(a + " / " + b + " limit " + std::to_string(limit));
      EXPECT_EQ(SwapDistance(a, b, limit), std::min(expected, limit + 1));
      const std::u32string wide_a(a.begin(), a.end());
      const std::u32string wide_b(b.begin(), b.end());
      EXPECT_EQ(SwapDistance(wide_a, wide_b, limit), std::min(expected, limit + 1));
    }
  }
  // A swap is one edit here and two for Levenshtein; a swap across a third letter is two.
  EXPECT_EQ(SwapDistance("PORJECTS", "PROJECTS", 5), 1u);
  EXPECT_EQ(SwapDistance("ABC", "CBA", 5), 2u);
  EXPECT_EQ(SwapDistance("", "ABC", 5), 3u);
  EXPECT_EQ(SwapDistance(std::string(300, 'A'), std::string(301, 'A'), 2), 1u);
}

TEST(TypoRuleTest, PlausibilityGrowsWithTheLengthTyped) {
  EXPECT_EQ(PlausibleTypoEdits(0), 0);
  EXPECT_EQ(PlausibleTypoEdits(2), 0);
  EXPECT_EQ(PlausibleTypoEdits(3), 1);
  EXPECT_EQ(PlausibleTypoEdits(5), 1);
  EXPECT_EQ(PlausibleTypoEdits(6), 2);
  EXPECT_EQ(PlausibleTypoEdits(200), 2);
  struct Row {
    std::string typed;
    std::string name;
    bool plausible;
  };
  // Upper-cased, as the level compares them.
  const std::vector<Row> rows = {
      {"PORJECTS", "PROJECTS", true},    // a swap
      {"DOCUMETNS", "DOCUMENTS", true},  // a swap
      {"DOWNLAODS", "DOWNLOADS", true},  // a swap
      {"WEBHSOP", "WEBSHOP", true},      // a swap
      {"MSUIC", "MUSIC", true},          // a swap in five letters
      {"MUSICC", "MUSIC", true},         // a doubled letter
      {"VIDEOZ", "VIDEOS", true},        // a letter changed
      {"SSH", ".SSH", true},             // one letter added, three typed
      {"DESKTPOO", "DESKTOP", true},     // a swap and a doubled letter in eight
      {"NOTES.TXT", "DESKTOP", false},
      {"DRAFTS", "POSTS", false},
      {"XYZ", "DOCS", false},
      {"MAGIC", "MUSIC", false},  // two letters changed in five
      {"AB", "AC", false},        // two letters leave no room for an edit
      {"SECRET", "DESKTOP", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed + " for " + row.name);
    EXPECT_EQ(IsPlausibleTypo(row.typed, row.name), row.plausible);
    const std::u32string typed(row.typed.begin(), row.typed.end());
    const std::u32string name(row.name.begin(), row.name.end());
    EXPECT_EQ(IsPlausibleTypo(typed, name), row.plausible);
  }
  // Counted in characters: a CJK name with one of three characters changed is one edit.
  EXPECT_TRUE(IsPlausibleTypo(std::u32string(U"日夲語"), std::u32string(U"日本語")));
}

}  // namespace
}  // namespace dirhop
