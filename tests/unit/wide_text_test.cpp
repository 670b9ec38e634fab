#include "platform/wide_text.h"

#include <gtest/gtest.h>

namespace dirhop::platform {
namespace {

// Every form a Windows name can take comes back exactly: ASCII, accents, CJK, a pair (emoji),
// and unpaired surrogates at the start, middle and end.
TEST(WideText, EveryWideStringRoundTrips) {
  const std::u16string names[] = {
      u"",
      u"plain",
      u"\u00dcbung",
      u"\u65e5\u672c\u8a9e",
      u"a\U0001F600b",
      std::u16string(1, char16_t(0xD800)) + u"x",
      u"x" + std::u16string(1, char16_t(0xDC00)) + u"y",
      u"z" + std::u16string(1, char16_t(0xDBFF)),
      // a low surrogate before a high one is two unpaired units, not a pair
      std::u16string{char16_t(0xDC00), char16_t(0xD800)},
  };
  for (const std::u16string& name : names) EXPECT_EQ(Utf16FromText(TextFromUtf16(name)), name);
}

TEST(WideText, ValidTextIsUtf8AndUnpairedSurrogatesAreThreeBytes) {
  EXPECT_EQ(TextFromUtf16(u"\u00dc\u65e5\U0001F600"), "\xc3\x9c\xe6\x97\xa5\xf0\x9f\x98\x80");
  EXPECT_EQ(TextFromUtf16(std::u16string(1, char16_t(0xD83D))), "\xed\xa0\xbd");
  EXPECT_EQ(Utf16FromText("\xc3\x9c"
                          "bung"),
            u"\u00dcbung");
}

// Bytes that are not WTF-8 name nothing on Windows: each becomes U+FFFD rather than a guess.
TEST(WideText, BytesThatAreNotWtf8BecomeReplacementCharacters) {
  EXPECT_EQ(Utf16FromText("a\xff"
                          "b\xc3"),
            u"a\uFFFDb\uFFFD");
}

// A writer given text in pieces keeps back only the start of a character still to come.
TEST(WideText, IncompleteTailIsTheStartOfAnUnfinishedCharacter) {
  const std::string whole = "a\xc3\x9c\xe6\x97\xa5\xf0\x9f\x98\x80";
  // Cut after every byte: the tail held back is exactly what the cut took from the character.
  const std::size_t expected[] = {0, 0, 1, 0, 1, 2, 0, 1, 2, 3, 0};
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    EXPECT_EQ(IncompleteUtf8TailLength(whole.substr(0, cut)), expected[cut]) << cut;
  }
  // Bytes that begin nothing, or a sequence longer than its lead allows, are not held.
  EXPECT_EQ(IncompleteUtf8TailLength("a\xff"), 0u);
  EXPECT_EQ(IncompleteUtf8TailLength("\x80\x80"), 0u);
  EXPECT_EQ(IncompleteUtf8TailLength("\xc3\x9c\x9c"), 0u);
  EXPECT_EQ(IncompleteUtf8TailLength("\x9c\x9c\x9c\x9c"), 0u);
}

}  // namespace
}  // namespace dirhop::platform
