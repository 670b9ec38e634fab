#include "match/ordering.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "match/candidate_list.h"

namespace dirhop {
namespace {

std::vector<std::string> Paths(const CandidateList& candidates) {
  std::vector<std::string> paths;
  for (const Candidate& c : candidates) paths.push_back(c.Path());
  return paths;
}

// The sign of CompareCandidates, checked both ways round so a one-sided answer is caught.
void ExpectFirst(Candidate first, Candidate second) {
  EXPECT_LT(CompareCandidates(first, second), 0) << first.Path() << " before " << second.Path();
  EXPECT_GT(CompareCandidates(second, first), 0) << first.Path() << " before " << second.Path();
}

TEST(OrderingRankTest, AddRankSaturatesAtTheTopOfItsBand) {
  EXPECT_EQ(AddRank(0, 0), 0);
  EXPECT_EQ(AddRank(2, 1), 3);
  // A plausible path stays plausible however long: its sum holds below the far band.
  EXPECT_EQ(AddRank(1, 125), 126);
  EXPECT_EQ(AddRank(1, 253), kFarRank - 1);
  EXPECT_EQ(AddRank(120, 120), kFarRank - 1);
  EXPECT_TRUE(IsPlausibleRank(AddRank(127, 254)));
  // A far path holds below the creation rank.
  EXPECT_EQ(AddRank(kFarRank, 126), 254);
  EXPECT_EQ(AddRank(200, 100), kMaxMatchRank);  // would wrap to 44 in 8 bits
  EXPECT_EQ(AddRank(254, 254), kMaxMatchRank);  // would wrap to 252
  // Taking a far-fetched typo moves a path into the far band once, keeping its sum there.
  EXPECT_EQ(FarRank(0), kFarRank);
  EXPECT_EQ(FarRank(5), kFarRank + 5);
  EXPECT_EQ(FarRank(kFarRank - 1), kMaxMatchRank);
  EXPECT_EQ(FarRank(FarRank(5)), kFarRank + 5);
  EXPECT_FALSE(IsPlausibleRank(FarRank(0)));
  EXPECT_LT(FarRank(kFarRank - 1), kCreateRank);
}

TEST(OrderingCompareTest, LowerRankGoesFirstWhateverThePath) {
  ExpectFirst({"C:\\Z", 2}, {"C:\\A", 3});
  ExpectFirst({"C:\\Programs\\Tools", 6}, {"C:\\Projects\\Music", 7});
  ExpectFirst({"C:\\Z", 0}, {"C:\\A", 254});
  // The worst sum a found directory can reach still goes before every creation candidate.
  ExpectFirst({"C:\\Z", AddRank(254, 254)}, {"C:\\A", kCreateRank});
}

TEST(OrderingCompareTest, EqualRanksGoByUpperCasedPath) {
  ExpectFirst({"C:\\A\\Music", 2}, {"C:\\A\\music2", 2});
  ExpectFirst({"C:\\A", 2}, {"C:\\A\\B", 2});
  ExpectFirst({"c:\\a", 1}, {"C:\\B", 1});
  // Upper-cased, 'a' becomes 'A' (65), which sorts before '_' (95); lower-case it would not.
  ExpectFirst({"C:\\apple", 1}, {"C:\\_x", 1});
  // Bytes are unsigned: e-acute (0xE9) sorts after 'Z', not before it as a signed char would.
  ExpectFirst({"C:\\Z", 1}, {"C:\\\xE9t\xE9", 1});
  ExpectFirst({"C:\\\xC9", 1}, {"C:\\\xE9", 1});
}

TEST(OrderingCompareTest, PathsEqualApartFromCaseCompareEqual) {
  EXPECT_EQ(CompareCandidates({"C:\\Work\\Src", 3}, {"c:\\WORK\\src", 3}), 0);
  EXPECT_EQ(CompareCandidates({"", 0}, {"", 0}), 0);
  EXPECT_NE(CompareCandidates({"C:\\Work", 3}, {"C:\\Work", 4}), 0);
}

TEST(OrderingCompareTest, OtherCharactersSortAfterAsciiByTheirFoldedForm) {
  // At the first place the paths differ, any character but ASCII sorts after every ASCII one,
  // by its code point once folded; the ASCII letters around it still sort upper-cased.
  ExpectFirst({"/x/Zebra", 1}, {"/x/Über", 1});
  ExpectFirst({"/x/Zebra", 1}, {"/x/U\xCC\x88"
                                "ber",
                                1});  // decomposed: Ü, not U
  ExpectFirst({"/x/éa", 1}, {"/x/Éb", 1});
  ExpectFirst({"/x/école", 1}, {"/x/Ωmega", 1});
  ExpectFirst({"/x/überb", 1}, {"/x/Über_a", 1});  // 'B' before '_', as in ASCII paths
  ExpectFirst({"/x/Über", 1}, {"/x/Übers", 1});
  EXPECT_EQ(CompareCandidates({"/x/Über", 2}, {"/X/U\xCC\x88"
                                               "BER",
                                               2}),
            0);
  EXPECT_EQ(CompareCandidates({"/Документы", 2}, {"/ДОКУМЕНТЫ", 2}), 0);
  // A stray byte sorts as itself, against characters too.
  ExpectFirst({"/x/\xC3(", 1}, {"/x/é", 1});
}

TEST(OrderingKeepBestTest, SortedListKeepsOnlyTheBestRank) {
  CandidateList list = {{"C:\\Programs\\Tools", 7},
                        {"C:\\Projects\\src", 2},
                        {"C:\\Prototype\\x", 3},
                        {"C:\\Projects\\Music", 2}};
  SortCandidates(list);
  EXPECT_EQ(Paths(list), (std::vector<std::string>{"C:\\Projects\\Music", "C:\\Projects\\src",
                                                   "C:\\Prototype\\x", "C:\\Programs\\Tools"}));
  KeepBestRank(list);
  EXPECT_EQ(Paths(list), (std::vector<std::string>{"C:\\Projects\\Music", "C:\\Projects\\src"}));
  for (const Candidate& c : list) EXPECT_EQ(c.rank, 2);
}

TEST(OrderingKeepBestTest, FirstCandidateAlwaysStays) {
  CandidateList single = {{"C:\\Far\\Away", 254}};
  KeepBestRank(single);
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0].Path(), "C:\\Far\\Away");
  EXPECT_EQ(single[0].rank, 254);

  // The start directory alone at the best rank survives; worse ranks are gone before any chooser.
  CandidateList start = {{"C:\\Work\\a", 5}, {"C:\\Work", 1}, {"C:\\Work\\b", 5}};
  SortCandidates(start);
  KeepBestRank(start);
  EXPECT_EQ(Paths(start), std::vector<std::string>{"C:\\Work"});

  CandidateList same = {{"C:\\B", 3}, {"C:\\A", 3}, {"C:\\C", 3}};
  SortCandidates(same);
  KeepBestRank(same);
  EXPECT_EQ(Paths(same), (std::vector<std::string>{"C:\\A", "C:\\B", "C:\\C"}));

  CandidateList empty;
  KeepBestRank(empty);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace dirhop

namespace dirhop {
namespace {

TEST(OrderingTest, KeepingTheBestRankBeforeTheSortEqualsSortThenKeep) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    CandidateList list;
    const int count = static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) {
      std::string path = "C:\\";
      for (int k = static_cast<int>(random() % 4); k >= 0; --k) path += "aAbB\\"[random() % 5];
      list.Add(path, static_cast<std::uint8_t>(random() % 4));
    }
    CandidateList expected = list;
    SortCandidates(expected);
    KeepBestRank(expected);
    KeepBestRank(list);
    SortCandidates(list);
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(list[i].rank, expected[i].rank);
      EXPECT_EQ(CompareCandidates(list[i], expected[i]), 0) << list[i].Path();
    }
  }
}

// A list for round `round` of a property test: mixed case, bytes above 127, paths that begin
// others and paths that share their first bytes. Every tenth list is long enough for the sort by
// head bytes that long lists take, with few letters, so that many first seven bytes tie.
CandidateList AwkwardList(std::mt19937& random, int round) {
  const std::string bytes = "aAzZ_\\\x7f\x80\xc3\xff";
  CandidateList list;
  const bool long_list = round % 10 == 0;
  const int count = static_cast<int>(long_list ? 256 + random() % 1500 : random() % 40);
  const std::size_t letters = long_list ? 3 : bytes.size();
  for (int i = 0; i < count; ++i) {
    // Half the lists share a base, as the candidates of one search do.
    std::string path = round % 2 ? "C:\\Base\\" : "";
    // Folders that begin with the same 7, 15 or 23 bytes in some case: ties that only bytes
    // far down the paths decide.
    static const char* const kFolders[] = {"", "Projects\\src\\", "PROJECTS\\Src\\Library\\",
                                           "projects\\SRC\\library\\Tests\\"};
    path += kFolders[random() % 4];
    // Up to 11 bytes after them: keys whose heads tie compare on.
    for (int k = static_cast<int>(random() % 12); k > 0; --k) path += bytes[random() % letters];
    // Half the lists keep their base once for all names, as a listing's candidates do.
    if (round % 4 < 2) {
      list.Add(path, static_cast<std::uint8_t>(random() % 3));
    } else {
      const std::size_t cut = random() % (path.size() + 1);
      list.Add(list.AddDirectory(path.substr(0, cut)), path.substr(cut),
               static_cast<std::uint8_t>(random() % 3));
    }
  }
  return list;
}

// The paths and ranks of `list`, in any order.
std::multiset<std::pair<std::string, int>> Contents(const CandidateList& list) {
  std::multiset<std::pair<std::string, int>> contents;
  for (const Candidate& c : list) contents.insert({c.Path(), c.rank});
  return contents;
}

TEST(OrderingTest, SortingGivesCompareCandidatesOrderForAnyBytes) {
  // Every neighbour pair in order, and the same candidates as before.
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const CandidateList list = AwkwardList(random, round);
    CandidateList sorted = list;
    SortCandidates(sorted);
    for (std::size_t i = 1; i < sorted.size(); ++i) {
      EXPECT_LE(CompareCandidates(sorted[i - 1], sorted[i]), 0)
          << sorted[i - 1].Path() << " / " << sorted[i].Path();
    }
    EXPECT_EQ(Contents(list), Contents(sorted));
  }
}

TEST(OrderingTest, AsciiPathsKeepTheirOrderAmongOthers) {
  CandidateList list = {{"/t/U\xCC\x88"
                         "ber",
                         1},
                        {"/t/b_x", 1},
                        {"/t/Über", 1},
                        {"/t/Zeta", 1},
                        {"/t/ábc", 1},
                        {"/t/Ba", 1},
                        {"/t/Abc", 1},
                        {"/t/日本", 1},
                        {"/t/Zeta", 0}};
  SortCandidates(list);
  const std::vector<std::string> paths = Paths(list);
  ASSERT_EQ(paths.size(), 9u);
  EXPECT_EQ(
      std::vector<std::string>(paths.begin(), paths.begin() + 6),
      (std::vector<std::string>{"/t/Zeta", "/t/Abc", "/t/Ba", "/t/b_x", "/t/Zeta", "/t/ábc"}));
  // The two spellings of Über tie; the CJK name comes last.
  EXPECT_EQ(CompareCandidates(list[6], list[7]), 0);
  EXPECT_EQ(std::set<std::string>(paths.begin() + 6, paths.begin() + 8),
            (std::set<std::string>{"/t/U\xCC\x88"
                                   "ber",
                                   "/t/Über"}));
  EXPECT_EQ(paths[8], "/t/日本");
}

// A list for round `round` of a property test over characters: names built of ASCII letters,
// '_', accented letters composed and decomposed, CJK and stray bytes, so that the order of folded
// forms is taken; one list in four is ASCII only, sorted as ASCII lists are.
CandidateList CharacterList(std::mt19937& random, int round) {
  static const char* const kPieces[] = {
      "a", "A", "_", "z", "\xC3\xA9", "\xC3\x89", "e\xCC\x81", "\xE6\x97\xA5", "\xFF", "\xC3"};
  const std::size_t pieces = round % 4 == 0 ? 4 : sizeof(kPieces) / sizeof(kPieces[0]);
  CandidateList list;
  const int count = static_cast<int>(random() % (round % 10 == 0 ? 400 : 40));
  for (int i = 0; i < count; ++i) {
    std::string name;
    for (int k = static_cast<int>(random() % 6); k > 0; --k) name += kPieces[random() % pieces];
    list.Add(list.AddDirectory(round % 2 ? "/base/" : "/other/"), name,
             static_cast<std::uint8_t>(random() % 2));
  }
  return list;
}

TEST(OrderingTest, CharacterListsSortWholeAndPageByPageInCompareCandidatesOrder) {
  std::mt19937 random(31);
  for (int round = 0; round < 200; ++round) {
    CandidateList paged = CharacterList(random, round);
    CandidateList whole = paged;
    SortCandidates(whole);
    for (std::size_t i = 1; i < whole.size(); ++i) {
      ASSERT_LE(CompareCandidates(whole[i - 1], whole[i]), 0)
          << whole[i - 1].Path() << " / " << whole[i].Path();
    }
    std::size_t done = 0;
    while (done < paged.size()) {
      const std::size_t end = done + 1 + random() % 30;
      SortFirst(paged, done, end);
      done = std::min(end, paged.size());
      for (std::size_t i = 0; i < done; ++i) {
        ASSERT_EQ(CompareCandidates(paged[i], whole[i]), 0) << "place " << i;
      }
    }
    ASSERT_EQ(Contents(paged), Contents(whole));
  }
}

TEST(OrderingTest, SortingPageByPageGivesTheSameFirstPlacesAsAWholeSort) {
  // Pages of random sizes, as the menu turns them, and a jump to the end: after each step the
  // places so far are those of the whole sort, and no candidate is lost or doubled.
  std::mt19937 random(23);
  for (int round = 0; round < 200; ++round) {
    CandidateList paged = AwkwardList(random, round);
    CandidateList whole = paged;
    SortCandidates(whole);
    std::size_t done = 0;
    while (done < paged.size()) {
      const std::size_t end = random() % 8 == 0 ? paged.size() : done + 1 + random() % 62;
      SortFirst(paged, done, end);
      done = std::min(end, paged.size());
      for (std::size_t i = 0; i < done; ++i) {
        ASSERT_EQ(CompareCandidates(paged[i], whole[i]), 0)
            << "place " << i << " of " << paged.size() << ": " << paged[i].Path() << " / "
            << whole[i].Path();
      }
      ASSERT_EQ(Contents(paged), Contents(whole));
    }
  }
}

}  // namespace
}  // namespace dirhop
