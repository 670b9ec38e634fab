#include "console/visible_text.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace dirhop {
namespace {

constexpr TextBytes kUtf8 = TextBytes::kUtf8;

TEST(VisibleTextTest, PrintableAsciiAndValidUtf8PassUnchanged) {
  const std::string ascii = "C:\\Program Files\\a b/~!@#$%^&*()_+{}|:\"<>?`-=[];',./";
  EXPECT_EQ(VisibleText(ascii, kUtf8), ascii);
  EXPECT_EQ(VisibleText("", kUtf8), "");
  // Latin, CJK, the first character past the C1 range, the last before the surrogates, the
  // first after them, a four-byte emoji and the last code point.
  const std::string utf8 =
      "\xc3\xbc"
      "ber \xe6\x97\xa5\xe6\x9c\xac \xc2\xa0 \xed\x9f\xbf \xee\x80\x80 "
      "\xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf";
  EXPECT_EQ(VisibleText(utf8, kUtf8), utf8);
}

TEST(VisibleTextTest, ControlsBecomeEscapes) {
  // The retitling and screen-clearing sequences a directory name could carry.
  EXPECT_EQ(VisibleText("evil\x1b]0;pwned\x07", kUtf8), "evil\\e]0;pwned\\a");
  EXPECT_EQ(VisibleText("\x1b[2J", kUtf8), "\\e[2J");
  EXPECT_EQ(VisibleText(std::string("\x00\x01\x08\x09\x0a\x0b\x0c\x0d\x1f\x7f", 10), kUtf8),
            "\\x00\\x01\\b\\t\\n\\v\\f\\r\\x1f\\x7f");
  // C1 controls, CSI among them, are named by their code point.
  EXPECT_EQ(VisibleText("a\xc2\x80"
                        "b\xc2\x9b"
                        "2J\xc2\x9f",
                        kUtf8),
            "a\\u0080b\\u009b2J\\u009f");
  // A backslash stays as it is.
  EXPECT_EQ(VisibleText("C:\\e\\x1b", kUtf8), "C:\\e\\x1b");
}

TEST(VisibleTextTest, BytesThatAreNotValidUtf8BecomeOneEscapeEach) {
  EXPECT_EQ(VisibleText("\x9b"
                        "2J",
                        kUtf8),
            "\\x9b2J");                                     // a lone C1 byte, read by some as CSI
  EXPECT_EQ(VisibleText("caf\xe9", kUtf8), "caf\\xe9");     // Latin-1
  EXPECT_EQ(VisibleText("\xc0\xaf", kUtf8), "\\xc0\\xaf");  // overlong '/'
  EXPECT_EQ(VisibleText("\xe0\x9f\xbf", kUtf8), "\\xe0\\x9f\\xbf");  // overlong three-byte form
  EXPECT_EQ(VisibleText("\xed\xa0\x80", kUtf8), "\\xed\\xa0\\x80");  // a surrogate
  EXPECT_EQ(VisibleText("\xf4\x90\x80\x80", kUtf8), "\\xf4\\x90\\x80\\x80");  // past U+10FFFF
  EXPECT_EQ(VisibleText("\xf8\xff", kUtf8), "\\xf8\\xff");
  // A sequence cut short, by the end or by another character: the character after it survives.
  EXPECT_EQ(VisibleText("\xe6\x97", kUtf8), "\\xe6\\x97");
  EXPECT_EQ(VisibleText("\xe6\x97"
                        "a\xc3\xbc",
                        kUtf8),
            "\\xe6\\x97a\xc3\xbc");
}

TEST(VisibleTextTest, CodePageTextEscapesOnlyTheControlsEveryCodePageShares) {
  // Code page 850: 0x81 is u-umlaut, 0x9B o-slash; neither is a control there.
  EXPECT_EQ(VisibleText("\x81"
                        "ber \x9b\x1b[2J\x7f",
                        TextBytes::kCodePage),
            "\x81"
            "ber \x9b\\e[2J\\x7f");
  EXPECT_EQ(VisibleTextCut("ab\x81\x1b", 4, TextBytes::kCodePage), "ab\x81");
  EXPECT_EQ(HostTextBytes(), TextBytes::kUtf8);  // on both builds
}

TEST(VisibleTextTest, CutAtCharacterKeepsWholeCharactersOfAField) {
  const std::string three = "ab\xe6\x97\xa5";  // two ASCII letters and a three-byte character
  EXPECT_EQ(CutAtCharacter(three, 5, kUtf8), three);
  EXPECT_EQ(CutAtCharacter(three, 4, kUtf8), "ab");
  EXPECT_EQ(CutAtCharacter(three, 3, kUtf8), "ab");
  EXPECT_EQ(CutAtCharacter(three, 2, kUtf8), "ab");
  EXPECT_EQ(CutAtCharacter(three, 4, TextBytes::kCodePage), three.substr(0, 4));
  // Bytes that are no character are cut where the limit falls.
  EXPECT_EQ(CutAtCharacter("ab\x97\x97\x97\x97", 4, kUtf8), "ab\x97\x97");
  EXPECT_EQ(CutAtCharacter("abc\xe6\x97x", 4, kUtf8), "abc\xe6");
}

TEST(VisibleTextTest, CutNeverSplitsAnEscapeOrACharacter) {
  EXPECT_EQ(VisibleTextCut("abcdef", 4, kUtf8), "abcd");
  EXPECT_EQ(VisibleTextCut("abc", 10, kUtf8), "abc");
  EXPECT_EQ(VisibleTextCut("ab\x1b"
                           "cd",
                           3, kUtf8),
            "ab");  // "\e" needs two places
  EXPECT_EQ(VisibleTextCut("ab\x1b"
                           "cd",
                           4, kUtf8),
            "ab\\e");
  EXPECT_EQ(VisibleTextCut("ab\x1b"
                           "cd",
                           5, kUtf8),
            "ab\\ec");
  EXPECT_EQ(VisibleTextCut("a\xc2\x9b", 6, kUtf8), "a");  // "\u009b" needs six
  EXPECT_EQ(VisibleTextCut("a\xc3\xbc"
                           "b",
                           2, kUtf8),
            "a");  // a two-byte character is not split
  EXPECT_EQ(VisibleTextCut("a\xc3\xbc"
                           "b",
                           3, kUtf8),
            "a\xc3\xbc");
  EXPECT_EQ(VisibleTextCut("x\xff", 0, kUtf8), "");
}

}  // namespace
}  // namespace dirhop
