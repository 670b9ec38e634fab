// The candidate list: paths come back whole whether a candidate keeps a path of its own or a name
// below a shared directory, the list's own views survive its growth through copies, and the
// reordering calls keep every candidate exactly once.
#include "match/candidate_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dirhop {
namespace {

std::vector<std::string> Paths(const CandidateList& list) {
  std::vector<std::string> paths;
  for (const Candidate& c : list) paths.push_back(c.Path() + "#" + std::to_string(c.rank));
  return paths;
}

TEST(CandidateListTest, PathsOfBothKindsComeBackWholePastManyGrowths) {
  CandidateList list;
  list.Add("C:\\Work\\new\\", kCreateRank);
  const CandidateList::DirectoryId dir = list.AddDirectory("/home/u/");
  for (int i = 0; i < 3000; ++i) list.Add(dir, "d" + std::to_string(i), 2);
  list.Add("", 0);  // an empty path is kept as one
  ASSERT_EQ(list.size(), 3002u);
  EXPECT_EQ(list.front().Path(), "C:\\Work\\new\\");
  EXPECT_EQ(list.front().rank, kCreateRank);
  EXPECT_EQ(list[1].dir, "/home/u/");
  EXPECT_EQ(list[1].name, "d0");
  EXPECT_EQ(list[3000].Path(), "/home/u/d2999");
  EXPECT_EQ(list[3001].Path(), "");
  // Copies hold views of their own text.
  CandidateList copy = list;
  list.Add(dir, "later", 1);
  EXPECT_EQ(copy[3000].Path(), "/home/u/d2999");
  EXPECT_NE(copy[3000].dir.data(), list[3000].dir.data());
}

TEST(CandidateListTest, ListedNamesAreTakenOverInTheOrderOfTheirIndices) {
  CandidateList list;
  list.Add("C:\\before", 1);
  NameList names{"Alpha", "", "Gamma", "Delta"};
  list.AddListed("C:\\d\\", names, std::vector<std::size_t>{3, 0, 1}, 2);
  EXPECT_TRUE(names.empty());  // the bytes now belong to the candidates
  NameList more{"x"};
  list.AddListed("/r/", more, std::vector<std::size_t>{0}, 4);
  list.Add("C:\\after", 5);
  EXPECT_EQ(Paths(list),
            (std::vector<std::string>{"C:\\before#1", "C:\\d\\Delta#2", "C:\\d\\Alpha#2",
                                      "C:\\d\\#2", "/r/x#4", "C:\\after#5"}));
  EXPECT_EQ(list[1].dir, "C:\\d\\");
  EXPECT_EQ(list[1].name, "Delta");
  // One name of five is copied: the listing is left as it was, and outlives nothing.
  NameList wide{"p", "q", "r", "s", "t"};
  CandidateList few;
  few.AddListed("/w/", wide, std::vector<std::size_t>{2}, 1);
  EXPECT_EQ(wide.size(), 5u);
  wide = NameList();
  EXPECT_EQ(few.front().Path(), "/w/r");
  // A copy keeps names of its own.
  const CandidateList copy = list;
  list = CandidateList();
  EXPECT_EQ(copy[2].Path(), "C:\\d\\Alpha");
}

TEST(CandidateListTest, ANameLongerThanAnyOnDiskIsKeptAsAPathOfItsOwn) {
  CandidateList list;
  const CandidateList::DirectoryId dir = list.AddDirectory("C:\\d\\");
  const std::string long_name(70000, 'n');
  list.Add(dir, long_name, 3);
  list.Add(dir, "short", 3);
  NameList listed{"a", long_name};
  list.AddListed("/l/", listed, std::vector<std::size_t>{1, 0}, 3);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[2].Path(), "/l/" + long_name);
  EXPECT_EQ(list[3].Path(), "/l/a");
  EXPECT_EQ(list[0].Path(), "C:\\d\\" + long_name);
  EXPECT_EQ(list[0].PathSize(), 5 + long_name.size());
  EXPECT_EQ(list[1].Path(), "C:\\d\\short");
}

TEST(CandidateListTest, KeepIfAndArrangeKeepEveryCandidateOnce) {
  CandidateList list{{"a", 1}, {"b", 2}, {"c", 1}, {"d", 3}, {"e", 1}};
  list.KeepIf([](const Candidate& c) { return c.rank == 1; });
  EXPECT_EQ(Paths(list), (std::vector<std::string>{"a#1", "c#1", "e#1"}));
  // From place 1 on: place 1 takes 1 + 1 ("e"), place 2 takes 1 + 0 ("c").
  std::vector<std::size_t> order{1, 0};
  list.Arrange(1, order.data());
  EXPECT_EQ(Paths(list), (std::vector<std::string>{"a#1", "e#1", "c#1"}));
  EXPECT_EQ(order, (std::vector<std::size_t>{0, 1}));  // used up: every place points at itself
  // A longer cycle and a fixed point: place j takes the candidate at order[j].
  CandidateList five{{"0", 0}, {"1", 0}, {"2", 0}, {"3", 0}, {"4", 0}};
  std::vector<std::size_t> cycle{2, 0, 3, 1, 4};
  five.Arrange(0, cycle.data());
  EXPECT_EQ(Paths(five), (std::vector<std::string>{"2#0", "0#0", "3#0", "1#0", "4#0"}));
  // The same list compared ignoring case, as the menu removes the start directory.
  EXPECT_TRUE(five[0].PathIsIgnoringCase("2"));
  CandidateList split;
  split.Add(split.AddDirectory("C:\\Work\\"), "Src", 0);
  EXPECT_TRUE(split[0].PathIsIgnoringCase("c:\\work\\SRC"));
  EXPECT_FALSE(split[0].PathIsIgnoringCase("c:\\work\\SRC\\"));
  EXPECT_FALSE(split[0].PathIsIgnoringCase("c:\\workS\\rc"));
}

}  // namespace
}  // namespace dirhop
