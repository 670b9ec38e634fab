#include "match/level_match.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/unicode_fold.h"

namespace dirhop {
namespace {

using Indices = std::vector<std::size_t>;

// Plain full-matrix edit distance with swaps of neighbours (optimal string alignment), no cap:
// the oracle for EditDistance (over bytes) and for the distance of folded names (over symbols).
template <typename Text>
std::size_t ReferenceDistance(const Text& a, const Text& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t substitute = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      d[i][j] = std::min({substitute, d[i - 1][j] + 1, d[i][j - 1] + 1});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// Deterministic text of `length` bytes over a small alphabet, so that random pairs share letters.
std::string GeneratedText(std::size_t length, std::uint32_t seed) {
  static const char kAlphabet[] = "AB.C\xE9";
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    text += kAlphabet[(seed >> 16) % 5];
  }
  return text;
}

TEST(PatternSplitTest, FirstComponentUsesTheGivenSeparator) {
  struct Case {
    std::string text;
    char separator;
    std::string component, rest;
  };
  const std::vector<Case> cases = {
      {"pro\\sr\\x", '\\', "pro", "sr\\x"},
      {"newdir", '\\', "newdir", ""},
      {"a\\", '\\', "a", ""},
      {"\\a", '\\', "", "a"},
      {"", '\\', "", ""},
      // On POSIX a backslash is an ordinary character of a name.
      {"a\\b/c/d", '/', "a\\b", "c/d"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("splitting \"" + c.text + "\" at '" + c.separator + "'");
    const ComponentSplit s = SplitFirstComponent(c.text, c.separator);
    EXPECT_EQ(s.component, c.component);
    EXPECT_EQ(s.rest, c.rest);
  }
}

TEST(PatternSplitTest, AtDotCutsAtTheFirstDotOnly) {
  struct Case {
    std::string text, name, extension;
  };
  const std::vector<Case> cases = {
      {"ALPHA.BETA", "ALPHA", "BETA"},
      {"A.B.C", "A", "B.C"},
      {"NAME", "NAME", ""},
      {".GIT", "", "GIT"},
      {"X.", "X", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("splitting \"" + c.text + "\"");
    const DotSplit s = SplitAtDot(c.text);
    EXPECT_EQ(s.name, c.name);
    EXPECT_EQ(s.extension, c.extension);
  }
}

TEST(PatternWildcardTest, PatternPartIsAPrefixWithWildcards) {
  // A pattern part matches every name that begins with it: the implied trailing star.
  EXPECT_TRUE(MatchPatternPart("DOC", "DOC"));
  EXPECT_TRUE(MatchPatternPart("DOC", "DOCS"));
  EXPECT_TRUE(MatchPatternPart("DOC", "DOCUMENTS"));
  EXPECT_FALSE(MatchPatternPart("DOC", "DO"));
  EXPECT_FALSE(MatchPatternPart("DOCX", "DOCUMENTS"));
  EXPECT_TRUE(MatchPatternPart("", "ANYTHING"));
  EXPECT_TRUE(MatchPatternPart("", ""));
  // Everything after a star is ignored.
  EXPECT_TRUE(MatchPatternPart("A*Z", "ABC"));
  EXPECT_TRUE(MatchPatternPart("*", ""));
  EXPECT_FALSE(MatchPatternPart("B*", "ABC"));
  // A question mark needs a character to be there.
  EXPECT_TRUE(MatchPatternPart("AB?", "ABC"));
  EXPECT_FALSE(MatchPatternPart("AB?", "AB"));
  EXPECT_TRUE(MatchPatternPart("?B", "XBZ"));
  EXPECT_FALSE(MatchPatternPart("?B", "XC"));
}

TEST(PatternWildcardTest, NameAndExtensionMatchSeparately) {
  EXPECT_TRUE(WildcardMatch("A.B", "ALPHA.BETA"));
  EXPECT_FALSE(WildcardMatch("A.B", "ALPHA"));  // no extension part to match B
  EXPECT_FALSE(WildcardMatch("A.B", "ALPHA.GAMMA"));
  // A component without a dot matches any extension.
  EXPECT_TRUE(WildcardMatch("ALP", "ALPHA.BETA"));
  // A second dot stays in the extension part.
  EXPECT_TRUE(WildcardMatch("A.B.C", "AX.B.CD"));
  EXPECT_FALSE(WildcardMatch("A.B.C", "AX.BX.CD"));
  EXPECT_TRUE(WildcardMatch("PRO*", "PROJECTS"));
  EXPECT_FALSE(WildcardMatch("PRO*", "MUSIC"));
  EXPECT_TRUE(WildcardMatch("*.*", "ALPHA"));
  EXPECT_TRUE(WildcardMatch("*.B", "ALPHA.BETA"));
  EXPECT_FALSE(WildcardMatch("*.B", "ALPHA"));
}

TEST(PatternWildcardTest, NamesMatchInAnyCaseAgainstAnUpperCasedPattern) {
  EXPECT_TRUE(WildcardMatch("PRO*", "projects"));
  EXPECT_TRUE(WildcardMatch("A?.B", "alpha.beta"));
  EXPECT_TRUE(MatchPatternPart("DOC", "DocUments"));
  EXPECT_TRUE(NameIsPrefixOfPattern("WINDOWSX", "Windows"));
  EXPECT_FALSE(NameIsPrefixOfPattern("WIN", "Windows"));
  // Only ASCII letters fold: an accented capital is not its small letter.
  EXPECT_FALSE(MatchPatternPart("CAF\xC9", "caf\xE9"));
  EXPECT_FALSE(NameIsPrefixOfPattern("CAF\xC9S", "caf\xE9"));
}

TEST(PatternWildcardTest, ComponentsOfOnlyStarsOrQuestionMarks) {
  for (const char* name : {"A", "ALPHA.BETA", ".GIT", "$RECYCLE.BIN", "A.B.C", "\xE9T\xE9"}) {
    EXPECT_TRUE(WildcardMatch("*", name)) << name;
    EXPECT_TRUE(WildcardMatch("**", name)) << name;
  }
  EXPECT_TRUE(WildcardMatch("?", "A"));
  EXPECT_TRUE(WildcardMatch("?", "AB.C"));
  EXPECT_TRUE(WildcardMatch("?", "\xE9"));
  EXPECT_FALSE(WildcardMatch("?", ".GIT"));  // the name part before the dot is empty
  EXPECT_TRUE(WildcardMatch("??", "AB"));
  EXPECT_FALSE(WildcardMatch("??", "A"));
  EXPECT_FALSE(WildcardMatch("?.?", "AB"));
  EXPECT_TRUE(WildcardMatch("?.?", "A.B"));
}

TEST(PatternWildcardTest, NameIsPrefixOfPatternComparesTheNamesLength) {
  EXPECT_TRUE(NameIsPrefixOfPattern("WINDOWSX", "WINDOWS"));
  EXPECT_TRUE(NameIsPrefixOfPattern("WIN*", "WIN"));
  EXPECT_TRUE(NameIsPrefixOfPattern("DOCX", "DOC"));
  EXPECT_TRUE(NameIsPrefixOfPattern("AB?", "AB"));
  EXPECT_FALSE(NameIsPrefixOfPattern("DOCX", "DOCUMENTS"));
  EXPECT_FALSE(NameIsPrefixOfPattern("WINDOWS", "WINDOWSX"));
  EXPECT_FALSE(NameIsPrefixOfPattern("WIN?", "WINX"));  // wildcards are literal here
}

TEST(PatternWildcardTest, ContainsWildcardFindsStarAndQuestionMark) {
  EXPECT_TRUE(ContainsWildcard("C:\\pro*\\new"));
  EXPECT_TRUE(ContainsWildcard("a?b"));
  EXPECT_FALSE(ContainsWildcard("C:\\Work\\newdir\\"));
  EXPECT_FALSE(ContainsWildcard(""));
}

TEST(PatternEditDistanceTest, KnownDistances) {
  EXPECT_EQ(EditDistance("WNDOWS", "WINDOWS"), 1);
  EXPECT_EQ(EditDistance("WNDOWS", "USERS"), 5);
  EXPECT_EQ(EditDistance("MU", "TOOLS"), 5);
  EXPECT_EQ(EditDistance("DOCX", "DOCUMENTS"), 6);
  EXPECT_EQ(EditDistance("KITTEN", "SITTING"), 3);
  EXPECT_EQ(EditDistance("FLAW", "LAWN"), 2);
  EXPECT_EQ(EditDistance("PROJECTS", "PROJETCS"), 1);  // a swap of neighbours counts one
  EXPECT_EQ(EditDistance("T4190", "T4109"), 1);
  EXPECT_EQ(EditDistance("A.B", "AXB"), 1);  // dots count like any character
  EXPECT_EQ(EditDistance("", "ABC"), 3);
  EXPECT_EQ(EditDistance("ABC", ""), 3);
  EXPECT_EQ(EditDistance("", ""), 0);
  EXPECT_EQ(EditDistance("SAME", "SAME"), 0);
  EXPECT_EQ(EditDistance("\xE9T\xE9", "\xC9T\xC9"), 2);  // bytes above 127 do not fold
}

TEST(PatternEditDistanceTest, AgreesWithFullMatrixUpToTheCap) {
  // Lengths around the row size (255, 256) and beyond; the shorter side fits in a row, so the
  // answer must be exact up to the cap.
  const std::size_t lengths[] = {0, 1, 7, 40, 200, 254, 255, 256, 300, 460, 600};
  std::uint32_t seed = 1;
  for (std::size_t a : lengths) {
    for (std::size_t b : lengths) {
      if (std::min(a, b) > 255) continue;
      const std::string s = GeneratedText(a, seed++);
      const std::string t = GeneratedText(b, seed++);
      const std::size_t expected = std::min<std::size_t>(ReferenceDistance(s, t), 253);
      EXPECT_EQ(EditDistance(s, t), expected) << "lengths " << a << " and " << b;
    }
  }
  // Near-equal long texts: small distances far from both ends.
  const std::string base = GeneratedText(240, 99);
  std::string edited = base;
  edited[100] = 'Z';
  edited.erase(20, 3);
  edited.insert(200, "QQ");
  EXPECT_EQ(EditDistance(base, edited), ReferenceDistance(base, edited));
}

// Deterministic text of `length` bytes drawn from every byte value but zero.
std::string AnyBytes(std::size_t length, std::uint32_t seed) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    text += static_cast<char>(1 + (seed >> 16) % 255);
  }
  return text;
}

TEST(PatternEditDistanceTest, AgreesWithFullMatrixAroundTheBitVectorWidth) {
  // A shorter remainder of up to 64 characters is measured by bit vectors, a longer one by rows:
  // lengths on both sides of that width, bare and inside a common prefix and suffix (which are
  // set aside first), over a small alphabet and over all bytes.
  const std::size_t lengths[] = {0, 1, 2, 5, 31, 32, 33, 62, 63, 64, 65, 66, 100, 128, 129};
  const std::string prefix = GeneratedText(70, 7);
  const std::string suffix = "\xFF" + GeneratedText(9, 8);
  std::uint32_t seed = 1000;
  for (std::size_t a : lengths) {
    for (std::size_t b : lengths) {
      for (int variant = 0; variant < 4; ++variant) {
        std::string s = variant % 2 ? AnyBytes(a, seed++) : GeneratedText(a, seed++);
        std::string t = variant % 2 ? AnyBytes(b, seed++) : GeneratedText(b, seed++);
        if (variant >= 2) {
          s = prefix + s + suffix;
          t = prefix + t + suffix;
        }
        const std::size_t expected = std::min<std::size_t>(ReferenceDistance(s, t), 253);
        EXPECT_EQ(EditDistance(s, t), expected)
            << "lengths " << a << " and " << b << ", variant " << variant;
        EXPECT_EQ(EditDistance(t, s), expected)
            << "lengths " << b << " and " << a << ", variant " << variant;
      }
    }
  }
  // Equal texts, and texts one edit apart at each end and in the middle, at those widths.
  for (std::size_t length : lengths) {
    const std::string text = GeneratedText(length, seed++);
    EXPECT_EQ(EditDistance(text, text), 0);
    for (const std::string& edited : {"Z" + text, text + "Z", "Z" + text + "Z"}) {
      EXPECT_EQ(EditDistance(text, edited), ReferenceDistance(text, edited)) << length;
    }
    if (length > 2) {
      std::string changed = text;
      changed[length / 2] = 'Z';
      EXPECT_EQ(EditDistance(changed, text), 1) << length;
    }
  }
}

TEST(PatternEditDistanceTest, LongInputsSaturateWithoutCrashing) {
  const std::string thousand(1000, 'X');
  EXPECT_EQ(EditDistance(thousand, "A"), kMaxEditDistance);
  EXPECT_EQ(EditDistance("A", thousand), kMaxEditDistance);
  EXPECT_EQ(EditDistance(thousand, std::string(1000, 'Y')), kMaxEditDistance);
  EXPECT_EQ(EditDistance(std::string(255, 'X'), std::string(255, 'Y')), kMaxEditDistance);
  EXPECT_EQ(EditDistance(std::string(253, 'X'), ""), 253);
  EXPECT_EQ(EditDistance(std::string(252, 'X'), ""), 252);
  EXPECT_EQ(EditDistance(thousand, thousand), 0);
  // Long texts that differ in one place in the middle keep their true, small distance.
  std::string one_changed = thousand;
  one_changed[500] = 'Q';
  EXPECT_EQ(EditDistance(thousand, one_changed), 1);
  std::string one_inserted = thousand;
  one_inserted.insert(400, "Q");
  EXPECT_EQ(EditDistance(one_inserted, thousand), 1);
}

TEST(PatternMatchLevelTest, ExactNameWinsAloneIgnoringCase) {
  const NameList names = {"WinApps", "Windows", "Win", "Users"};
  const LevelScore level = MatchLevel("windows", names);
  EXPECT_EQ(level.score, kExactScore);
  EXPECT_EQ(level.followed, Indices{1});
  // Two names equal apart from case (a case-sensitive file system): the last listed is taken.
  const LevelScore twins = MatchLevel("foo", {"foo", "Foo.bar", "FOO"});
  EXPECT_EQ(twins.score, kExactScore);
  EXPECT_EQ(twins.followed, Indices{2});
}

TEST(PatternMatchLevelTest, EveryWildcardOrPrefixMatchIsFollowed) {
  const NameList names = {"Projects", "Users", "Programs", "Music"};
  const LevelScore level = MatchLevel("pro*", names);
  EXPECT_EQ(level.score, kWildcardScore);
  EXPECT_EQ(level.followed, (Indices{2, 0}));  // walked last-listed first
  // A leading part of the typed component counts like a wildcard match while what was typed past
  // it is no more than a plausible typo adds (two characters for eight); past that it is only a
  // typo, far-fetched when it is that far: a longer word is not taken for its first part.
  const LevelScore prefix = MatchLevel("windowsx", {"Windows", "Win.old", "Wind"});
  EXPECT_EQ(prefix.score, kWildcardScore);
  EXPECT_EQ(prefix.followed, (Indices{0}));
  const LevelScore longer = MatchLevel("apps-legacy", {"apps", "blog"});
  EXPECT_EQ(longer.score, TypoScore(7));
  EXPECT_EQ(longer.followed, Indices{0});
  EXPECT_EQ(longer.far, Indices{0});
  EXPECT_EQ(MatchLevel("Videos-old", {"Videos"}).far, Indices{0});
  EXPECT_EQ(MatchLevel("café-old", {"Café"}).score, TypoScore(4));  // folded names alike
}

TEST(PatternMatchLevelTest, ASwapOfTheTypedLengthIsFollowedBesideLettersInOrder) {
  // dco holds the letters of debconf in order, and is doc with two neighbours swapped: neither is
  // more likely meant, so both are followed and the user is asked.
  const LevelScore level = MatchLevel("dco", {"debconf", "doc", "dict"});
  EXPECT_EQ(level.score, kLettersScore);
  EXPECT_EQ(level.followed, (Indices{1, 0}));
  // Folded names alike; a name of another length is no such typo.
  EXPECT_EQ(MatchLevel("dcö", {"döc", "dxcö"}).followed, (Indices{1, 0}));
  EXPECT_EQ(MatchLevel("dco", {"debconf", "docs"}).followed, (Indices{0}));
}

TEST(PatternMatchLevelTest, AWideCharacterCountsAsTwoForThePlausibleTypo) {
  // Two CJK characters are a whole word: one wrong character is a plausible slip.
  const LevelScore level = MatchLevel("月本", {"日本", "中国語"});
  EXPECT_EQ(level.score, TypoScore(1));
  EXPECT_EQ(level.followed, Indices{0});
  EXPECT_TRUE(level.far.empty());
  // Two letters are not: one changed is another name.
  EXPECT_EQ(MatchLevel("ab", {"xb"}).far, Indices{0});
}

TEST(PatternMatchLevelTest, DocxFollowsDocButNotDocuments) {
  // DOC is a leading part of DOCX; DOCUMENTS fails at the fourth character and is not nearest
  // once a prefix match exists, whichever of the two is listed first.
  for (const NameList& names : {NameList{"DOC", "DOCUMENTS"}, NameList{"DOCUMENTS", "DOC"}}) {
    const LevelScore level = MatchLevel("docx", names);
    EXPECT_EQ(level.score, kWildcardScore);
    ASSERT_EQ(level.followed.size(), 1u);
    EXPECT_EQ(names[level.followed[0]], "DOC");
  }
}

TEST(PatternMatchLevelTest, DottedComponentNeedsAnExtension) {
  const LevelScore level = MatchLevel("a.b", {"ALPHA", "ALPHA.BETA", "Beta"});
  EXPECT_EQ(level.score, kWildcardScore);
  EXPECT_EQ(level.followed, Indices{1});
}

TEST(PatternMatchLevelTest, TyposFollowTheNearestNamesAndMarkTheFarFetched) {
  // A typo scores its distance plus 2, after every letters-in-order match (2).
  const LevelScore wimdows = MatchLevel("wimdows", {"Users", "Windows"});
  EXPECT_EQ(wimdows.score, 3);  // distance 1; Users is at distance 6
  EXPECT_EQ(wimdows.followed, Indices{1});
  EXPECT_TRUE(wimdows.far.empty());
  // Ties at the smallest distance are all followed; at a distance too far for the length typed
  // every one of them is far-fetched.
  const LevelScore mu = MatchLevel("mu", {"Tools", "Boots", "Bin"});
  EXPECT_EQ(mu.score, 5);  // MU to BIN: 3
  EXPECT_EQ(mu.followed, Indices{2});
  EXPECT_EQ(mu.far, Indices{2});
  const LevelScore tie = MatchLevel("mu", {"Tools", "Boots"});
  EXPECT_EQ(tie.score, 7);
  EXPECT_EQ(tie.followed, (Indices{1, 0}));
  EXPECT_EQ(tie.far, (Indices{1, 0}));
  const LevelScore far = MatchLevel("zzzzzzzz", {"abc"});
  EXPECT_EQ(far.score, 10);
  EXPECT_EQ(far.followed, Indices{0});
  EXPECT_EQ(far.far, Indices{0});
  // Two neighbours swapped are one edit, nearer than two letters changed: only Music is followed.
  const LevelScore swapped = MatchLevel("msuic", {"Music", "Magic"});
  EXPECT_EQ(swapped.score, TypoScore(1));
  EXPECT_EQ(swapped.followed, (Indices{0}));
  EXPECT_TRUE(swapped.far.empty());
  // A swap and a changed letter tie: t4190 offers t4109 beside t4100 and t4110.
  EXPECT_EQ(MatchLevel("t4190", {"t4100", "t4109", "t4110", "t4200"}).followed, (Indices{2, 1, 0}));
  // Eight letters may take two edits of any kind.
  EXPECT_TRUE(MatchLevel("porjects", {"Projects", "Pojrects"}).far.empty());
  EXPECT_EQ(MatchLevel("xyzw", {"xaby"}).far, Indices{0});
  // A wildcard component that matched nothing: whatever it follows by distance is far-fetched.
  const LevelScore pattern = MatchLevel("zz*", {"blog", "zap"});
  EXPECT_EQ(pattern.followed, Indices{1});
  EXPECT_EQ(pattern.far, Indices{1});
  // Exact, wildcard, prefix and letters-in-order matches are never far-fetched.
  EXPECT_TRUE(MatchLevel("pro*", {"Projects"}).far.empty());
  EXPECT_TRUE(MatchLevel("pjs", {"Projects"}).far.empty());
}

TEST(PatternMatchLevelTest, LettersInOrderComeAfterPrefixesAndBeforeTypos) {
  // A home directory: each abbreviation finds the names holding its letters in order and
  // beginning with its first one; a prefix or wildcard match elsewhere at the level wins.
  const NameList home = {".local",   ".ssh",   "Desktop",   "Documents", "Downloads", "Music",
                         "Pictures", "Public", "Templates", "Videos",    "projects",  "Dropbox"};
  struct Row {
    std::string typed;
    std::uint8_t score;
    std::vector<std::string> followed;
  };
  const std::vector<Row> rows = {
      {"prj", kLettersScore, {"projects"}},
      {"pjs", kLettersScore, {"projects"}},
      {"dl", kLettersScore, {"Downloads"}},
      {"docs", kLettersScore, {"Documents"}},
      {"dcs", kLettersScore, {"Documents"}},
      {"tmpl", kLettersScore, {"Templates"}},
      {"dwnl", kLettersScore, {"Downloads"}},
      {"dtp", kLettersScore, {"Desktop"}},
      {"ds", kLettersScore, {"Downloads", "Documents", "Desktop"}},  // all three, to choose
      {"pic", kWildcardScore, {"Pictures"}},                         // a prefix first
      {"DOWNLOADS", kExactScore, {"Downloads"}},
      // The first letter must begin the name: "ocs" is not in order from the start of any.
      {"ocs", TypoScore(1), {"Docs"}},
      // A wildcard places its letters itself.
      {"d*x", kWildcardScore, {"Dropbox", "Downloads", "Documents", "Desktop"}},
  };
  NameList with_docs = home;
  with_docs.Add("Docs");
  for (const Row& row : rows) {
    SCOPED_TRACE("typed \"" + row.typed + "\"");
    const NameList& names = row.typed == "ocs" ? with_docs : home;
    const LevelScore level = MatchLevel(row.typed, names);
    EXPECT_EQ(level.score, row.score);
    std::vector<std::string> followed;
    for (std::size_t index : level.followed) followed.emplace_back(names[index]);
    EXPECT_EQ(followed, row.followed);
  }
  EXPECT_TRUE(HasLettersInOrder("DL", "Downloads"));
  EXPECT_FALSE(HasLettersInOrder("LD", "Downloads"));
  EXPECT_FALSE(HasLettersInOrder("DLX", "Downloads"));
  EXPECT_FALSE(HasLettersInOrder("", "Downloads"));
  EXPECT_FALSE(HasLettersInOrder("D", ""));
  // Ignoring case and, when none is typed, diacritics; by characters in every script.
  const NameList german = {"Öffentlich", "Schreibtisch", "Bilder"};
  EXPECT_EQ(MatchLevel("oftl", german).followed, Indices{0});
  EXPECT_EQ(MatchLevel("öftl", german).followed, Indices{0});
  EXPECT_EQ(MatchLevel("schrt", german).score, kLettersScore);
  const NameList russian = {"Документы", "Загрузки"};
  EXPECT_EQ(MatchLevel("дкм", russian).followed, Indices{0});
  EXPECT_EQ(MatchLevel("згр", russian).score, kLettersScore);
}

TEST(PatternMatchLevelTest, ANameAsFarByLengthAloneAsTheNearestStillTies) {
  // CDAB is two longer than AB, and two edits away: as near as XY, in either listing order.
  EXPECT_EQ(MatchLevel("ab", {"CDAB", "XY"}).followed, (Indices{1, 0}));
  EXPECT_EQ(MatchLevel("ab", {"XY", "CDAB"}).followed, (Indices{1, 0}));
  // One longer still, it cannot come as near, whichever is met first.
  EXPECT_EQ(MatchLevel("ab", {"CDEAB", "XY"}).followed, Indices{1});
  EXPECT_EQ(MatchLevel("ab", {"XY", "CDEAB"}).followed, Indices{0});
  EXPECT_EQ(MatchLevel("ab", {"XY", "CDEAB"}).score, TypoScore(2));
}

TEST(PatternMatchLevelTest, StarAndQuestionMarkComponents) {
  const NameList names = {"A", ".git", "$Recycle.Bin", "bc.d.e"};
  const LevelScore star = MatchLevel("*", names);
  EXPECT_EQ(star.score, kWildcardScore);
  EXPECT_EQ(star.followed, (Indices{3, 2, 1, 0}));
  // `?` needs a character before the first dot, so .git is left out.
  const LevelScore question = MatchLevel("?", names);
  EXPECT_EQ(question.score, kWildcardScore);
  EXPECT_EQ(question.followed, (Indices{3, 2, 0}));
}

TEST(PatternMatchLevelTest, EmptyLevelFollowsNothing) {
  const LevelScore level = MatchLevel("newdir", {});
  EXPECT_EQ(level.score, kNoMatchScore);
  EXPECT_TRUE(level.followed.empty());
}

TEST(PatternMatchLevelTest, LongComponentSaturatesBelowTheNoMatchScore) {
  // A 1,000-character component against ordinary names: an 8-bit score that wrapped would rank a
  // far name as a near one, and 255 would drop the level. Both are held at 254 and followed.
  const std::string component(1000, 'q');
  const LevelScore level = MatchLevel(component, {"a", "bb"});
  EXPECT_EQ(level.score, 254);
  EXPECT_EQ(level.followed, (Indices{1, 0}));
  // Names of 255 characters that share nothing with a component of 255: still followed.
  const LevelScore wide = MatchLevel(std::string(255, 'x'), {std::string(255, 'y')});
  EXPECT_EQ(wide.score, 254);
  EXPECT_EQ(wide.followed, Indices{0});
  EXPECT_EQ(level.far, (Indices{1, 0}));
  // Two long texts that differ only at both ends: the distance is beyond what the rows measure
  // (the score is held at the cap), but two edits in 302 letters are a plausible typo.
  const std::string middle(300, 'a');
  const LevelScore ends = MatchLevel("x" + middle + "y", {"z" + middle + "w"});
  EXPECT_EQ(ends.score, 254);
  EXPECT_TRUE(ends.far.empty());
  // The long component equal to a listed name apart from case is an exact hit.
  const LevelScore exact = MatchLevel(component, {"a", std::string(1000, 'Q')});
  EXPECT_EQ(exact.score, kExactScore);
  EXPECT_EQ(exact.followed, Indices{1});
}

TEST(PatternMatchLevelTest, BytesAbove127AreNotFolded) {
  // e-acute (0xE9) and E-acute (0xC9) are different names: only the byte-equal one matches. The
  // other is listed last, so it is walked (and rejected) first.
  const LevelScore exact = MatchLevel("\xE9t\xE9", {"\xE9T\xE9", "\xC9T\xC9"});
  EXPECT_EQ(exact.score, kExactScore);
  EXPECT_EQ(exact.followed, Indices{0});
  const LevelScore prefix = MatchLevel("caf\xE9", {"Caf\xE9s", "CAF\xC9S"});
  EXPECT_EQ(prefix.score, kWildcardScore);
  EXPECT_EQ(prefix.followed, Indices{0});
}

// The names a level follows, in the order MatchLevel gives them.
std::vector<std::string> FollowedNames(const LevelScore& level, const NameList& names) {
  std::vector<std::string> followed;
  for (std::size_t index : level.followed) followed.emplace_back(names[index]);
  return followed;
}

TEST(PatternUnicodeTest, EveryScriptMatchesByCharactersIgnoringCase) {
  // The desktop folders of German, Russian and Greek systems, and others; each row a typed
  // component, the level's score and the names followed.
  const NameList german = {"Bilder",     "Dokumente",    "Downloads", "Musik",
                           "Öffentlich", "Schreibtisch", "Videos",    "Vorlagen"};
  const NameList russian = {"Видео",  "Документы",     "Загрузки",     "Изображения",
                            "Музыка", "Общедоступные", "Рабочий стол", "Шаблоны"};
  const NameList greek = {"Έγγραφα", "ΕΛΛΗΝΙΚΆ", "Μουσική", "Λήψεις"};
  const NameList mixed = {"Über", "Uber",       "cage",   "café", "日本語",
                          "日本", "O\xCC\x88l", "Straße", "कि",   "caf\xE9"};
  struct Row {
    const NameList* names;
    std::string typed;
    std::uint8_t score;
    std::vector<std::string> followed;
  };
  const std::vector<Row> rows = {
      // A prefix typed with its diacritic, without it, or in the other case.
      {&german, "öff", kWildcardScore, {"Öffentlich"}},
      {&german, "Off", kWildcardScore, {"Öffentlich"}},
      {&german, "ÖFFENTLICH", kExactScore, {"Öffentlich"}},
      {&german, "offentlich", kExactScore, {"Öffentlich"}},
      {&german,
       "O\xCC\x88"
       "ffentlich",
       kExactScore,
       {"Öffentlich"}},  // typed decomposed
      {&german, "mus", kWildcardScore, {"Musik"}},
      {&german, "Öfentlich", kLettersScore, {"Öffentlich"}},  // one letter missing: in order
      // Cyrillic and Greek: case folds, a typo counts characters.
      {&russian, "док", kWildcardScore, {"Документы"}},
      {&russian, "загр", kWildcardScore, {"Загрузки"}},
      {&russian, "ДОКУМЕНТЫ", kExactScore, {"Документы"}},
      {&russian, "докумнты", kLettersScore, {"Документы"}},
      {&russian, "видио", TypoScore(1), {"Видео"}},
      {&greek, "ελληνικά", kExactScore, {"ΕΛΛΗΝΙΚΆ"}},
      {&greek, "ελληνικα", kExactScore, {"ΕΛΛΗΝΙΚΆ"}},
      {&greek, "εγγ", kWildcardScore, {"Έγγραφα"}},
      {&greek, "μουσικη", kExactScore, {"Μουσική"}},
      // `?` takes one character, `*` any; a component typed with its diacritic wants it.
      {&mixed, "?ber", kWildcardScore, {"Uber", "Über"}},
      {&mixed, "Ü*", kWildcardScore, {"Über"}},
      {&mixed, "u*", kWildcardScore, {"Uber", "Über"}},
      {&mixed, "?l", kWildcardScore, {"O\xCC\x88l"}},  // a decomposed letter is one character
      // A letter with its vowel sign is one character: too short for "??".
      {&mixed,
       "??",
       kWildcardScore,
       {"caf\xE9", "Straße", "O\xCC\x88l", "日本", "日本語", "café", "cage", "Uber", "Über"}},
      {&mixed, "日?語", kWildcardScore, {"日本語"}},
      {&mixed, "日本", kExactScore, {"日本"}},
      {&mixed, "日夲語", TypoScore(1), {"日本語"}},  // one character changed: one edit
      // Full folding: sharp s is ss.
      {&mixed, "STRASSE", kExactScore, {"Straße"}},
      // Bytes outside UTF-8 still match themselves alone, byte for byte.
      {&mixed, "CAF\xE9", kExactScore, {"caf\xE9"}},
      {&mixed, "caf\xC9", TypoScore(1), {"caf\xE9", "café"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("typed \"" + row.typed + "\"");
    const LevelScore level = MatchLevel(row.typed, *row.names);
    EXPECT_EQ(level.score, row.score);
    EXPECT_EQ(FollowedNames(level, *row.names), row.followed);
  }
}

TEST(PatternUnicodeTest, DiacriticsTypedMustMatchThoseLeftOutNeedNot) {
  // "cafe" finds "café" as exactly as "café" does, but a name equal with its diacritics (the
  // bare "cafe") wins over one equal without them, in either listing order; a typed diacritic
  // never matches another one or none exactly: such a name is one edit away.
  struct Row {
    NameList names;
    std::string typed;
    std::uint8_t score;
    std::vector<std::string> followed;
  };
  const std::vector<Row> rows = {
      {{"cage", "café"}, "cafe", kExactScore, {"café"}},
      {{"café", "cage"}, "cafe", kExactScore, {"café"}},
      {{"cage", "café"}, "café", kExactScore, {"café"}},
      {{"cage", "CAFE\xCC\x81"}, "café", kExactScore, {"CAFE\xCC\x81"}},
      {{"cafe", "café"}, "cafe", kExactScore, {"cafe"}},
      {{"café", "cafe"}, "cafe", kExactScore, {"cafe"}},
      {{"Café", "cafe\xCC\x81"}, "cafe", kExactScore, {"cafe\xCC\x81"}},  // the first walked
      {{"cafe", "cage"}, "café", TypoScore(1), {"cafe"}},
      {{"café", "cafe", "cage"}, "cafè", TypoScore(1), {"cafe", "café"}},
      {{"Crème", "Creme"}, "crème", kExactScore, {"Crème"}},
      {{"Crème", "Creme"}, "crem", kWildcardScore, {"Creme", "Crème"}},
      {{"Crème", "Creme"}, "crèm", kWildcardScore, {"Crème"}},
      // A name that holds a star may equal "*" once its diacritics are left out.
      {{"\xCC\x81*", "z"}, "*", kExactScore, {"\xCC\x81*"}},
      // A decomposed name is as near as the composed one: one edit, not three.
      {{"Mu\xCC\x88ller", "Miller"}, "Mülker", TypoScore(1), {"Mu\xCC\x88ller"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("typed \"" + row.typed + "\" among " + std::string(row.names[0]));
    const LevelScore level = MatchLevel(row.typed, row.names);
    EXPECT_EQ(level.score, row.score);
    EXPECT_EQ(FollowedNames(level, row.names), row.followed);
  }
}

// Deterministic folded text of `length` symbols over letters, accented and CJK characters, a
// dot and stray-byte symbols, so that random pairs share symbols.
std::u32string GeneratedSymbols(std::size_t length, std::uint32_t seed) {
  static const char32_t kAlphabet[] = {
      U'a', U'b', U'.', U'é', U'ü', U'日', U'本', kByteSymbolBase + 0xE9, kByteSymbolBase + 0x41};
  std::u32string text;
  for (std::size_t i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    text += kAlphabet[(seed >> 16) % (sizeof(kAlphabet) / sizeof(kAlphabet[0]))];
  }
  return text;
}

TEST(PatternUnicodeTest, FoldedDistancesAgreeWithFullMatrix) {
  // Lengths on both sides of the bit vectors' width and of the rows', bare and inside a common
  // prefix and suffix.
  const std::size_t lengths[] = {0, 1, 3, 31, 63, 64, 65, 100, 255, 256, 300};
  const std::u32string prefix = GeneratedSymbols(70, 5);
  const std::u32string suffix = GeneratedSymbols(9, 6);
  std::uint32_t seed = 77;
  for (std::size_t a : lengths) {
    for (std::size_t b : lengths) {
      if (std::min(a, b) > 255) continue;
      for (int variant = 0; variant < 2; ++variant) {
        std::u32string s = GeneratedSymbols(a, seed++);
        std::u32string t = GeneratedSymbols(b, seed++);
        if (variant == 1) {
          s = prefix + s + suffix;
          t = prefix + t + suffix;
        }
        const std::size_t expected = std::min<std::size_t>(ReferenceDistance(s, t), 253);
        EXPECT_EQ(EditDistance(s, t), expected) << a << " and " << b << ", variant " << variant;
        EXPECT_EQ(EditDistance(t, s), expected) << b << " and " << a << ", variant " << variant;
      }
    }
  }
}

TEST(PatternUnicodeTest, FoldedWildcardsTakeCharactersWithTheirMarks) {
  // q + combining tilde has no composed form: `?` takes both, the prefix test compares symbols.
  const std::u32string q_tilde = U"q\x0303";
  EXPECT_TRUE(MatchPatternPart(U"?x", q_tilde + U"x"));
  EXPECT_FALSE(MatchPatternPart(U"??x", q_tilde + U"x"));
  EXPECT_TRUE(MatchPatternPart(U"?", U"\x0303"));  // a mark with nothing before it is a character
  EXPECT_TRUE(WildcardMatch(U"?.?", U"日.本"));
  EXPECT_FALSE(WildcardMatch(U"?.?", U"日本"));
  EXPECT_TRUE(WildcardMatch(U"*.本", U"日.本語"));
  EXPECT_TRUE(NameIsPrefixOfPattern(U"日本語x", U"日本語"));
  EXPECT_FALSE(NameIsPrefixOfPattern(U"日本", U"日本語"));
}

}  // namespace
}  // namespace dirhop
