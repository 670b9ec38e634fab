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

TEST(CaseFoldingTest, SameIgnoringCaseFoldsEveryScriptButNotStrayBytes) {
  EXPECT_TRUE(SameIgnoringCase("C:\\Windows", "c:\\WINDOWS"));
  EXPECT_TRUE(SameIgnoringCase("", ""));
  EXPECT_FALSE(SameIgnoringCase("C:\\A", "C:\\AB"));
  EXPECT_FALSE(SameIgnoringCase("ab", "ac"));
  // Every script folds, and composed and decomposed forms are one text, whatever their lengths
  // in bytes.
  EXPECT_TRUE(SameIgnoringCase("/home/Müller/Über", "/HOME/MU\xCC\x88LLER/über"));
  EXPECT_TRUE(SameIgnoringCase("C:\\Документы", "c:\\ДОКУМЕНТЫ"));
  EXPECT_TRUE(SameIgnoringCase("ΕΛΛΗΝΙΚΆ", "ελληνικά"));
  EXPECT_TRUE(SameIgnoringCase("Straße", "STRASSE"));
  // Diacritics count here: an alias or a history entry is one text, not a search.
  EXPECT_FALSE(SameIgnoringCase("café", "cafe"));
  EXPECT_FALSE(SameIgnoringCase("Müller", "Muller"));
  // Bytes outside UTF-8 match only themselves: e-acute and E-acute of Latin-1 stay different.
  EXPECT_FALSE(SameIgnoringCase("\xE9", "\xC9"));
  EXPECT_TRUE(SameIgnoringCase("a\xE9", "A\xE9"));
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
