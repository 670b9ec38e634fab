#include "console/visible_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/platform.h"

namespace dirhop {
namespace {

TEST(VisibleTextTest, PrintableAsciiAndValidUtf8PassUnchanged) {
  const std::string ascii = "C:\\Program Files\\a b/~!@#$%^&*()_+{}|:\"<>?`-=[];',./";
  EXPECT_EQ(VisibleText(ascii), ascii);
  EXPECT_EQ(VisibleText(""), "");
  // Latin, CJK, the first character past the C1 range, the last before the surrogates, the
  // first after them, a four-byte emoji and the last code point.
  const std::string utf8 =
      "\xc3\xbc"
      "ber \xe6\x97\xa5\xe6\x9c\xac \xc2\xa0 \xed\x9f\xbf \xee\x80\x80 "
      "\xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf";
  EXPECT_EQ(VisibleText(utf8), utf8);
}

TEST(VisibleTextTest, ControlsBecomeEscapes) {
  // The retitling and screen-clearing sequences a directory name could carry.
  EXPECT_EQ(VisibleText("evil\x1b]0;pwned\x07"), "evil\\e]0;pwned\\a");
  EXPECT_EQ(VisibleText("\x1b[2J"), "\\e[2J");
  EXPECT_EQ(VisibleText(std::string("\x00\x01\x08\x09\x0a\x0b\x0c\x0d\x1f\x7f", 10)),
            "\\x00\\x01\\b\\t\\n\\v\\f\\r\\x1f\\x7f");
  // C1 controls, CSI among them, are named by their code point.
  EXPECT_EQ(VisibleText("a\xc2\x80"
                        "b\xc2\x9b"
                        "2J\xc2\x9f"),
            "a\\u0080b\\u009b2J\\u009f");
  // A backslash stays as it is.
  EXPECT_EQ(VisibleText("C:\\e\\x1b"), "C:\\e\\x1b");
}

TEST(VisibleTextTest, FormatCharactersAndSeparatorsBecomeEscapes) {
  // A right-to-left override would reverse the rest of the row; isolates, zero-width characters
  // and the byte order mark make one name pass for another; the separators break the line.
  EXPECT_EQ(VisibleText("txt.\u202Eexe"), "txt.\\u202eexe");
  EXPECT_EQ(VisibleText("a\u2066b\u2069c\u200Bd\u200Fe\uFEFFf\u2028g\u2029"),
            "a\\u2066b\\u2069c\\u200bd\\u200fe\\ufefff\\u2028g\\u2029");
  EXPECT_EQ(VisibleText("flag\U000E0067"), "flag\\U000e0067");  // a tag, past the first plane
  // Each takes the columns of its escape, so a cut never ends inside one or just after a raw one.
  EXPECT_EQ(DisplayWidth("\u202E"), 6u);
  EXPECT_EQ(DisplayWidth("\U000E0067"), 10u);
  EXPECT_EQ(VisibleTextCut("ab\u202Ecd", 7), "ab");
  EXPECT_EQ(VisibleTextCut("ab\u202Ecd", 8), "ab\\u202e");
  // Letters of right-to-left scripts are no format characters: they show as they are.
  EXPECT_EQ(VisibleText("\u05E9\u05DC\u05D5\u05DD"), "\u05E9\u05DC\u05D5\u05DD");
}

TEST(VisibleTextTest, BytesThatAreNotValidUtf8BecomeOneEscapeEach) {
  EXPECT_EQ(VisibleText("\x9b"
                        "2J"),
            "\\x9b2J");                                       // a lone C1 byte, read by some as CSI
  EXPECT_EQ(VisibleText("caf\xe9"), "caf\\xe9");              // Latin-1
  EXPECT_EQ(VisibleText("\xc0\xaf"), "\\xc0\\xaf");           // overlong '/'
  EXPECT_EQ(VisibleText("\xe0\x9f\xbf"), "\\xe0\\x9f\\xbf");  // overlong three-byte form
  EXPECT_EQ(VisibleText("\xed\xa0\x80"), "\\xed\\xa0\\x80");  // a surrogate
  EXPECT_EQ(VisibleText("\xf4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");  // past U+10FFFF
  EXPECT_EQ(VisibleText("\xf8\xff"), "\\xf8\\xff");
  // A sequence cut short, by the end or by another character: the character after it survives.
  EXPECT_EQ(VisibleText("\xe6\x97"), "\\xe6\\x97");
  EXPECT_EQ(VisibleText("\xe6\x97"
                        "a\xc3\xbc"),
            "\\xe6\\x97a\xc3\xbc");
}

TEST(VisibleTextTest, CutAtCharacterKeepsWholeCharactersOfAField) {
  const std::string three = "ab\xe6\x97\xa5";  // two ASCII letters and a three-byte character
  EXPECT_EQ(CutAtCharacter(three, 5), three);
  EXPECT_EQ(CutAtCharacter(three, 4), "ab");
  EXPECT_EQ(CutAtCharacter(three, 3), "ab");
  EXPECT_EQ(CutAtCharacter(three, 2), "ab");
  // Bytes that are no character are cut where the limit falls.
  EXPECT_EQ(CutAtCharacter("ab\x97\x97\x97\x97", 4), "ab\x97\x97");
  EXPECT_EQ(CutAtCharacter("abc\xe6\x97x", 4), "abc\xe6");
  // A letter whose combining accent does not fit goes with it: "cafe" + U+0301 cut at 4 bytes
  // would keep a name that reads "cafe" and was never typed.
  EXPECT_EQ(CutAtCharacter("cafe\xcc\x81", 5), "caf");
  EXPECT_EQ(CutAtCharacter("cafe\xcc\x81", 6), "cafe\xcc\x81");
  EXPECT_EQ(CutAtCharacter("cafe\xcc\x81\xcc\x81x", 7), "caf");
  EXPECT_EQ(CutAtCharacter("cafe\xcc\x81\xcc\x81x", 8), "cafe\xcc\x81\xcc\x81");
  EXPECT_EQ(CutAtCharacter("\xcc\x81\xcc\x81", 3), "");
}

TEST(VisibleTextTest, CutNeverSplitsAnEscapeOrACharacter) {
  EXPECT_EQ(VisibleTextCut("abcdef", 4), "abcd");
  EXPECT_EQ(VisibleTextCut("abc", 10), "abc");
  EXPECT_EQ(VisibleTextCut("ab\x1b"
                           "cd",
                           3),
            "ab");  // "\e" needs two places
  EXPECT_EQ(VisibleTextCut("ab\x1b"
                           "cd",
                           4),
            "ab\\e");
  EXPECT_EQ(VisibleTextCut("ab\x1b"
                           "cd",
                           5),
            "ab\\ec");
  EXPECT_EQ(VisibleTextCut("a\xc2\x9b", 6), "a");  // "\u009b" needs six
  EXPECT_EQ(VisibleTextCut("x\xff", 0), "");
  EXPECT_EQ(VisibleTextCut("x\xff", 4), "x");  // "\xff" needs four
}

// Characters of the tests below.
const std::string kNichi = "\xe6\x97\xa5";     // U+65E5, a wide CJK character
const std::string kAcute = "\xcc\x81";         // U+0301 COMBINING ACUTE ACCENT
const std::string kEAcute = "\xc3\xa9";        // U+00E9, the composed form of e + U+0301
const std::string kGrin = "\xf0\x9f\x98\x80";  // U+1F600, a wide emoji

TEST(VisibleTextTest, DisplayWidthCountsTheColumnsOfTheVisibleForm) {
  EXPECT_EQ(DisplayWidth(""), 0u);
  EXPECT_EQ(DisplayWidth("C:\\Work dir"), 11u);
  EXPECT_EQ(DisplayWidth(kNichi + kNichi + "x"), 5u);
  EXPECT_EQ(DisplayWidth("caf" + kEAcute), 4u);
  EXPECT_EQ(DisplayWidth("cafe" + kAcute), 4u);  // the mark takes no column
  EXPECT_EQ(DisplayWidth(kGrin + "!"), 3u);
  EXPECT_EQ(DisplayWidth("\xc2\xa0"), 1u);  // NO-BREAK SPACE, just past the C1 range
  // Escapes take the columns they are shown in: `\e`, `\x01`, `\x9b` (a stray byte), `\u009b`.
  EXPECT_EQ(DisplayWidth("\x1b"), 2u);
  EXPECT_EQ(DisplayWidth("\x01"), 4u);
  EXPECT_EQ(DisplayWidth("caf\xe9"), 7u);
  EXPECT_EQ(DisplayWidth("\xc2\x9b"), 6u);
  EXPECT_EQ(DisplayWidth("\xe6\x97"), 8u);  // a cut character: two stray bytes
  // Raw or already visible, a text measures the same.
  const std::string mixed = "d\x1b]0;" + kNichi + "\x9b" + "e" + kAcute + "\xc2\x85" + kGrin;
  EXPECT_EQ(DisplayWidth(mixed), 1 + 2 + 3 + 2 + 4 + 1 + 6 + 2u);
  EXPECT_EQ(DisplayWidth(VisibleText(mixed)), DisplayWidth(mixed));
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
      EXPECT_EQ(VisibleText(text), expected) << place;
      EXPECT_EQ(DisplayWidth(text), expected.size()) << place;
      EXPECT_EQ(VisibleTextCut(text, 18 + shown.size()), expected) << place;
      // One column less: the last unit goes, whole.
      EXPECT_EQ(VisibleTextCut(text, 17 + shown.size()),
                place == 18 ? std::string(18, 'a') : expected.substr(0, expected.size() - 1))
          << place;
    }
  }
}

TEST(VisibleTextTest, CutCountsColumnsAndKeepsWideCharactersAndMarksWhole) {
  const std::string three = kNichi + kNichi + kNichi;  // 6 columns
  EXPECT_EQ(VisibleTextCut(three, 6), three);
  EXPECT_EQ(VisibleTextCut(three, 5), kNichi + kNichi);  // the third would need a 7th
  EXPECT_EQ(VisibleTextCut(three, 1), "");
  EXPECT_EQ(VisibleTextCut("a" + three, 4), "a" + kNichi);
  EXPECT_EQ(VisibleTextCut("ab" + kGrin + "c", 3), "ab");
  EXPECT_EQ(VisibleTextCut("ab" + kGrin + "c", 4), "ab" + kGrin);
  // Accented letters, composed and decomposed, are one column each: the decomposed one keeps its
  // mark when it is the last letter that fits, and the mark goes with a letter that does not fit.
  EXPECT_EQ(VisibleTextCut("caf" + kEAcute + "s", 4), "caf" + kEAcute);
  EXPECT_EQ(VisibleTextCut("cafe" + kAcute + "s", 4), "cafe" + kAcute);
  EXPECT_EQ(VisibleTextCut("cafe" + kAcute + kAcute + "s", 4), "cafe" + kAcute + kAcute);
  EXPECT_EQ(VisibleTextCut("cafe" + kAcute, 3), "caf");
  EXPECT_EQ(VisibleTextCut(kNichi + kAcute + "x", 1), "");
  // Escapes next to wide characters: `\e` needs two columns where one is left.
  EXPECT_EQ(VisibleTextCut("a" + kNichi + "\x1b", 4), "a" + kNichi);
  EXPECT_EQ(VisibleTextCut("a" + kNichi + "\x1b", 5), "a" + kNichi + "\\e");
  EXPECT_EQ(VisibleTextCut("caf\xe9" + kNichi, 7), "caf\\xe9");
  // Visible text cut again at the same width stays as it is.
  const std::string shown = VisibleTextCut("x\x9b" + kNichi + "e" + kAcute + "y", 8);
  EXPECT_EQ(shown, "x\\x9b" + kNichi + "e" + kAcute);
  EXPECT_EQ(VisibleTextCut(shown, 8), shown);
  EXPECT_EQ(DisplayWidth(shown), 8u);
}

}  // namespace
}  // namespace dirhop
