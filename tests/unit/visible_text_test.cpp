#include "console/visible_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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
  // A letter whose combining accent does not fit goes with it: "cafe" + U+0301 cut at 4 bytes
  // would keep a name that reads "cafe" and was never typed.
  EXPECT_EQ(CutAtCharacter("cafe\xcc\x81", 5, kUtf8), "caf");
  EXPECT_EQ(CutAtCharacter("cafe\xcc\x81", 6, kUtf8), "cafe\xcc\x81");
  EXPECT_EQ(CutAtCharacter("cafe\xcc\x81\xcc\x81x", 7, kUtf8), "caf");
  EXPECT_EQ(CutAtCharacter("cafe\xcc\x81\xcc\x81x", 8, kUtf8), "cafe\xcc\x81\xcc\x81");
  EXPECT_EQ(CutAtCharacter("\xcc\x81\xcc\x81", 3, kUtf8), "");
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
  EXPECT_EQ(VisibleTextCut("x\xff", 0, kUtf8), "");
  EXPECT_EQ(VisibleTextCut("x\xff", 4, kUtf8), "x");  // "\xff" needs four
}

// Characters of the tests below.
const std::string kNichi = "\xe6\x97\xa5";     // U+65E5, a wide CJK character
const std::string kAcute = "\xcc\x81";         // U+0301 COMBINING ACUTE ACCENT
const std::string kEAcute = "\xc3\xa9";        // U+00E9, the composed form of e + U+0301
const std::string kGrin = "\xf0\x9f\x98\x80";  // U+1F600, a wide emoji

TEST(VisibleTextTest, DisplayWidthCountsTheColumnsOfTheVisibleForm) {
  EXPECT_EQ(DisplayWidth("", kUtf8), 0u);
  EXPECT_EQ(DisplayWidth("C:\\Work dir", kUtf8), 11u);
  EXPECT_EQ(DisplayWidth(kNichi + kNichi + "x", kUtf8), 5u);
  EXPECT_EQ(DisplayWidth("caf" + kEAcute, kUtf8), 4u);
  EXPECT_EQ(DisplayWidth("cafe" + kAcute, kUtf8), 4u);  // the mark takes no column
  EXPECT_EQ(DisplayWidth(kGrin + "!", kUtf8), 3u);
  EXPECT_EQ(DisplayWidth("\xc2\xa0", kUtf8), 1u);  // NO-BREAK SPACE, just past the C1 range
  // Escapes take the columns they are shown in: `\e`, `\x01`, `\x9b` (a stray byte), `\u009b`.
  EXPECT_EQ(DisplayWidth("\x1b", kUtf8), 2u);
  EXPECT_EQ(DisplayWidth("\x01", kUtf8), 4u);
  EXPECT_EQ(DisplayWidth("caf\xe9", kUtf8), 7u);
  EXPECT_EQ(DisplayWidth("\xc2\x9b", kUtf8), 6u);
  EXPECT_EQ(DisplayWidth("\xe6\x97", kUtf8), 8u);  // a cut character: two stray bytes
  // Raw or already visible, a text measures the same.
  const std::string mixed = "d\x1b]0;" + kNichi + "\x9b" + "e" + kAcute + "\xc2\x85" + kGrin;
  EXPECT_EQ(DisplayWidth(mixed, kUtf8), 1 + 2 + 3 + 2 + 4 + 1 + 6 + 2u);
  EXPECT_EQ(DisplayWidth(VisibleText(mixed, kUtf8), kUtf8), DisplayWidth(mixed, kUtf8));
  // Printable ASCII is measured eight bytes at a time: one byte at each place of a longer run,
  // at each edge of the printable range, is found wherever it stands.
  const std::pair<char, std::string> edges[] = {
      {'\x00', "\\x00"}, {'\x1b', "\\e"},   {'\x1f', "\\x1f"}, {' ', " "},
      {'~', "~"},        {'\x7f', "\\x7f"}, {'\x80', "\\x80"}, {'\xff', "\\xff"}};
  for (const auto& [byte, shown] : edges) {
    for (std::size_t place = 0; place < 19; ++place) {
      std::string text(19, 'a');
      text[place] = byte;
      const std::string expected = std::string(place, 'a') + shown + std::string(18 - place, 'a');
      EXPECT_EQ(VisibleText(text, kUtf8), expected) << place;
      EXPECT_EQ(DisplayWidth(text, kUtf8), expected.size()) << place;
      EXPECT_EQ(VisibleTextCut(text, 18 + shown.size(), kUtf8), expected) << place;
      // One column less: the last unit goes, whole.
      EXPECT_EQ(VisibleTextCut(text, 17 + shown.size(), kUtf8),
                place == 18 ? std::string(18, 'a') : expected.substr(0, expected.size() - 1))
          << place;
    }
  }
  // A code page: every byte from 0x80 up is one character of one column.
  EXPECT_EQ(DisplayWidth("\x81\x9b\xe6\x97\xa5\x1b", TextBytes::kCodePage), 7u);
}

TEST(VisibleTextTest, CutCountsColumnsAndKeepsWideCharactersAndMarksWhole) {
  const std::string three = kNichi + kNichi + kNichi;  // 6 columns
  EXPECT_EQ(VisibleTextCut(three, 6, kUtf8), three);
  EXPECT_EQ(VisibleTextCut(three, 5, kUtf8), kNichi + kNichi);  // the third would need a 7th
  EXPECT_EQ(VisibleTextCut(three, 1, kUtf8), "");
  EXPECT_EQ(VisibleTextCut("a" + three, 4, kUtf8), "a" + kNichi);
  EXPECT_EQ(VisibleTextCut("ab" + kGrin + "c", 3, kUtf8), "ab");
  EXPECT_EQ(VisibleTextCut("ab" + kGrin + "c", 4, kUtf8), "ab" + kGrin);
  // Accented letters, composed and decomposed, are one column each: the decomposed one keeps its
  // mark when it is the last letter that fits, and the mark goes with a letter that does not fit.
  EXPECT_EQ(VisibleTextCut("caf" + kEAcute + "s", 4, kUtf8), "caf" + kEAcute);
  EXPECT_EQ(VisibleTextCut("cafe" + kAcute + "s", 4, kUtf8), "cafe" + kAcute);
  EXPECT_EQ(VisibleTextCut("cafe" + kAcute + kAcute + "s", 4, kUtf8), "cafe" + kAcute + kAcute);
  EXPECT_EQ(VisibleTextCut("cafe" + kAcute, 3, kUtf8), "caf");
  EXPECT_EQ(VisibleTextCut(kNichi + kAcute + "x", 1, kUtf8), "");
  // Escapes next to wide characters: `\e` needs two columns where one is left.
  EXPECT_EQ(VisibleTextCut("a" + kNichi + "\x1b", 4, kUtf8), "a" + kNichi);
  EXPECT_EQ(VisibleTextCut("a" + kNichi + "\x1b", 5, kUtf8), "a" + kNichi + "\\e");
  EXPECT_EQ(VisibleTextCut("caf\xe9" + kNichi, 7, kUtf8), "caf\\xe9");
  // Visible text cut again at the same width stays as it is.
  const std::string shown = VisibleTextCut("x\x9b" + kNichi + "e" + kAcute + "y", 8, kUtf8);
  EXPECT_EQ(shown, "x\\x9b" + kNichi + "e" + kAcute);
  EXPECT_EQ(VisibleTextCut(shown, 8, kUtf8), shown);
  EXPECT_EQ(DisplayWidth(shown, kUtf8), 8u);
}

}  // namespace
}  // namespace dirhop
