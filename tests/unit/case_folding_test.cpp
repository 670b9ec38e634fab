#include "base/case_folding.h"

#include <gtest/gtest.h>

#include <string>

namespace dirhop {
namespace {

TEST(CaseFoldingTest, MapsOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("abc-xyz_09 Az"), "ABC-XYZ_09 AZ");
  // The bytes just outside a-z, and bytes above 127, are left alone.
  EXPECT_EQ(UpperCase("`{@["), "`{@[");
  EXPECT_EQ(UpperCase("caf\xE9 \x80\xFF"), "CAF\xE9 \x80\xFF");
  EXPECT_EQ(UpperCase(std::string("a\0b", 3)), std::string("A\0B", 3));
  EXPECT_EQ(UpperCase(""), "");
}

TEST(CaseFoldingTest, SameIgnoringCaseComparesUpperCasedBytes) {
  EXPECT_TRUE(SameIgnoringCase("C:\\Windows", "c:\\WINDOWS"));
  EXPECT_TRUE(SameIgnoringCase("", ""));
  EXPECT_FALSE(SameIgnoringCase("C:\\A", "C:\\AB"));
  EXPECT_FALSE(SameIgnoringCase("ab", "ac"));
  // Only ASCII letters fold: e-acute and E-acute of Latin-1 stay different.
  EXPECT_FALSE(SameIgnoringCase("\xE9", "\xC9"));
}

TEST(CaseFoldingTest, UpperCaseIntoReplacesWhatTheBufferHeld) {
  std::string buffer = "a longer name held before";
  UpperCaseInto("ab.c", buffer);
  EXPECT_EQ(buffer, "AB.C");
  UpperCaseInto("", buffer);
  EXPECT_EQ(buffer, "");
}

}  // namespace
}  // namespace dirhop
