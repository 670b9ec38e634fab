#include "core/command_line.h"

#include <gtest/gtest.h>

namespace dirhop {
namespace {

std::vector<std::string> Split(std::string_view line) {
  CommandWords words = CommandWords::FromRawCommandLine(line, "C:\\bin\\dirhop.exe");
  std::vector<std::string> result;
  for (int n = 1; n <= words.WordCount(); ++n) result.push_back(words.Word(n));
  return result;
}

using Words = std::vector<std::string>;

TEST(CommandWordsTest, SplitsRawLinesLikeTheShellWrapperPassesThem) {
  EXPECT_EQ(Split("c"), Words{});
  EXPECT_EQ(Split("c   "), Words{});
  EXPECT_EQ(Split("c pro\\sr"), Words{"pro\\sr"});
  EXPECT_EQ(Split("c\tone\t two"), (Words{"one", "two"}));  // tabs separate like spaces
  EXPECT_EQ(Split("c \"a b\"c"), Words{"a bc"});
  EXPECT_EQ(Split("c ab\"c d\"e"), Words{"abc de"});
  EXPECT_EQ(Split("c \"unclosed name"), Words{"unclosed name"});
  EXPECT_EQ(Split("c x \"\" y"), (Words{"x", "y"}));
  EXPECT_EQ(Split("c \"\" x"), Words{"x"});
  EXPECT_EQ(Split("\"C:\\Program Files\\c.exe\" x"), Words{"x"});  // quoted program name skipped
  EXPECT_EQ(Split("c \"tab\tinside\""), Words{"tab\tinside"});
}

TEST(CommandWordsTest, LineEndsAtFirstNulAndControlCharactersSeparate) {
  std::string line("c a\0b", 5);
  EXPECT_EQ(Split(line), Words{"a"});
  EXPECT_EQ(Split("c a\x01"
                  "b\x1f"
                  "c"),
            (Words{"a", "b", "c"}));
}

TEST(CommandWordsTest, QuotedEmptyWordInsideAnotherWordIsKept) {
  // A pair of quotes only vanishes where a word would begin; inside a word it just adds nothing.
  EXPECT_EQ(Split("c a\"\"b"), Words{"ab"});
}

TEST(CommandWordsTest, WordZeroIsOwnPathAndOutOfRangeIsEmpty) {
  CommandWords words = CommandWords::FromRawCommandLine("c one two", "C:\\bin\\dirhop.exe");
  EXPECT_EQ(words.WordCount(), 2);
  EXPECT_EQ(words.Word(0), "C:\\bin\\dirhop.exe");
  EXPECT_EQ(words.Word(2), "two");
  EXPECT_EQ(words.Word(3), "");
  EXPECT_EQ(words.Word(-1), "");
}

TEST(CommandWordsTest, JoinWordsUsesSingleSpaces) {
  EXPECT_EQ(CommandWords::FromRawCommandLine("c Program   Files", "").JoinWords(), "Program Files");
  EXPECT_EQ(CommandWords::FromRawCommandLine("c \"Program Files\"", "").JoinWords(),
            "Program Files");
  EXPECT_EQ(CommandWords::FromRawCommandLine("c", "").JoinWords(), "");
}

TEST(CommandWordsTest, LongWordsAndManyWordsAreKeptWhole) {
  std::string long_word(1000, 'x');
  std::string line = "c " + long_word;
  for (int i = 0; i < 300; ++i) line += " w";
  CommandWords words = CommandWords::FromRawCommandLine(line, "");
  EXPECT_EQ(words.WordCount(), 301);
  EXPECT_EQ(words.Word(1), long_word);
}

TEST(CommandWordsTest, PosixArgumentsDropEmptyOnesAndKeepEverythingElse) {
  CommandWords words =
      CommandWords::FromArguments({"", "a b", "", "it's", "\"q\""}, "/usr/bin/dirhop");
  EXPECT_EQ(words.WordCount(), 3);
  EXPECT_EQ(words.Word(1), "a b");
  EXPECT_EQ(words.Word(2), "it's");
  EXPECT_EQ(words.Word(3), "\"q\"");  // the shell already removed its quotes; these are literal
  EXPECT_EQ(words.JoinWords(), "a b it's \"q\"");
  EXPECT_EQ(words.Word(0), "/usr/bin/dirhop");
}

}  // namespace
}  // namespace dirhop
