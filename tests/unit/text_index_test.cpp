// The index of texts: each distinct text keeps the number it was first given, through the growth
// of the table, and texts compare byte for byte or with ASCII case aside.
#include "base/text_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dirhop {
namespace {

TEST(TextIndexTest, EachDistinctTextKeepsItsFirstNumberThroughGrowth) {
  std::vector<std::string> texts;
  for (int i = 0; i < 20000; ++i) texts.push_back("/home/u/p" + std::to_string(i));
  texts.push_back("");
  texts.push_back(std::string("nul\0inside", 10));
  TextIndex index;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const TextIndex::Added added = index.Add(texts[i]);
    EXPECT_TRUE(added.added);
    EXPECT_EQ(added.number, i);
  }
  ASSERT_EQ(index.size(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string copy = texts[i];  // equal text elsewhere
    EXPECT_EQ(index.Find(copy), i);
    const TextIndex::Added again = index.Add(copy);
    EXPECT_FALSE(again.added);
    EXPECT_EQ(again.number, i);
    EXPECT_EQ(index[static_cast<std::uint32_t>(i)].data(), texts[i].data());  // the first one
  }
  EXPECT_EQ(index.size(), texts.size());
  EXPECT_EQ(index.Find("/home/u/p20000"), TextIndex::kAbsent);
  EXPECT_EQ(index.Find(std::string("nul", 3)), TextIndex::kAbsent);
  EXPECT_EQ(TextIndex().Find("x"), TextIndex::kAbsent);
}

TEST(TextIndexTest, AsciiCaseCountsOnlyWhereAsked) {
  TextIndex exact;
  EXPECT_TRUE(exact.Add("C:\\Work").added);
  EXPECT_TRUE(exact.Add("c:\\WORK").added);
  TextIndex any_case(TextCase::kAsciiIgnored);
  EXPECT_TRUE(any_case.Add("C:\\Work").added);
  EXPECT_FALSE(any_case.Add("c:\\WORK").added);
  EXPECT_EQ(any_case.Find("C:\\work"), 0u);
  EXPECT_EQ(any_case.Find("C:\\Works"), TextIndex::kAbsent);
  // Only ASCII letters: É and é are other bytes.
  EXPECT_TRUE(any_case.Add("C:\\Été").added);
  EXPECT_TRUE(any_case.Add("C:\\été").added);
  EXPECT_FALSE(any_case.Add("c:\\ÉTé").added);
  EXPECT_EQ(any_case.size(), 3u);
}

}  // namespace
}  // namespace dirhop
