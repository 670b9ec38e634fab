#include "core/handoff.h"

#include <gtest/gtest.h>

#include "core/main_flow.h"
#include "core/options.h"

namespace dirhop {
namespace {

TEST(HandOffTextTest, BatchDriveAndChdirLines) {
  EXPECT_EQ(HandOffText("C:\\Work\\projects\\src", HandoffFormat::kBatch),
            "C:\r\nchdir \"\\Work\\projects\\src\"");
  EXPECT_EQ(HandOffText("D:\\", HandoffFormat::kBatch), "D:\r\nchdir \"\\\"");
  EXPECT_EQ(HandOffText("d:\\x", HandoffFormat::kBatch), "d:\r\nchdir \"\\x\"");  // as written
  EXPECT_EQ(HandOffText("C:\\Program Files", HandoffFormat::kBatch),
            "C:\r\nchdir \"\\Program Files\"");
}

TEST(HandOffTextTest, BatchUncPathIsOneLine) {
  EXPECT_EQ(HandOffText("\\\\server\\share\\dir", HandoffFormat::kBatch),
            "chdir \"\\\\server\\share\\dir\"");
}

TEST(HandOffTextTest, BatchDoublesPercentSignsSoCmdKeepsThem) {
  EXPECT_EQ(HandOffText("C:\\x\\100%", HandoffFormat::kBatch), "C:\r\nchdir \"\\x\\100%%\"");
  EXPECT_EQ(HandOffText("C:\\a%PATH%b", HandoffFormat::kBatch), "C:\r\nchdir \"\\a%%PATH%%b\"");
  EXPECT_EQ(HandOffText("\\\\s\\%x", HandoffFormat::kBatch), "chdir \"\\\\s\\%%x\"");
}

TEST(HandOffTextTest, BatchEntersNamesWithABangWithoutDelayedExpansion) {
  // Inside setlocal, with the directory kept past endlocal by pushd . and popd.
  EXPECT_EQ(HandOffText("C:\\x\\a!PATH!b", HandoffFormat::kBatch),
            "setlocal DisableDelayedExpansion\r\nC:\r\nchdir \"\\x\\a!PATH!b\"\r\n"
            "pushd .\r\nendlocal\r\npopd");
  EXPECT_EQ(HandOffText("D:\\100%!^&", HandoffFormat::kBatch),
            "setlocal DisableDelayedExpansion\r\nD:\r\nchdir \"\\100%%!^&\"\r\n"
            "pushd .\r\nendlocal\r\npopd");
  EXPECT_EQ(HandOffText("\\\\s\\bang!", HandoffFormat::kBatch),
            "setlocal DisableDelayedExpansion\r\nchdir \"\\\\s\\bang!\"\r\n"
            "pushd .\r\nendlocal\r\npopd");
  // A caret without a ! means the same either way: the plain lines.
  EXPECT_EQ(HandOffText("C:\\c^d", HandoffFormat::kBatch), "C:\r\nchdir \"\\c^d\"");
}

TEST(HandOffTextTest, BatchKeepsLongPathsWhole) {
  std::string dir = "C:\\" + std::string(400, 'a');
  EXPECT_EQ(HandOffText(dir, HandoffFormat::kBatch),
            "C:\r\nchdir \"\\" + std::string(400, 'a') + "\"");
}

TEST(HandOffTextTest, PosixShellQuotingSurvivesAnyName) {
  EXPECT_EQ(HandOffText("/tmp/a b", HandoffFormat::kPosixShell), "cd -- '/tmp/a b'");
  EXPECT_EQ(HandOffText("/tmp/it's", HandoffFormat::kPosixShell), "cd -- '/tmp/it'\\''s'");
  EXPECT_EQ(HandOffText("/t/$x`y`\\n\nz", HandoffFormat::kPosixShell), "cd -- '/t/$x`y`\\n\nz'");
  EXPECT_EQ(HandOffText("/-x", HandoffFormat::kPosixShell), "cd -- '/-x'");
}

TEST(HandOffTextTest, FishQuotingEscapesBackslashAndQuote) {
  EXPECT_EQ(HandOffText("/t/a\\", HandoffFormat::kFishShell), "cd -- '/t/a\\\\'");
  EXPECT_EQ(HandOffText("/t/it's", HandoffFormat::kFishShell), "cd -- '/t/it\\'s'");
  EXPECT_EQ(HandOffText("/t/$x y", HandoffFormat::kFishShell), "cd -- '/t/$x y'");
}

TEST(HandOffTextTest, PlaceholdersChangeNothing) {
  EXPECT_EQ(HandoffPlaceholder(HandoffFormat::kBatch), "rem");
  EXPECT_EQ(HandoffPlaceholder(HandoffFormat::kPosixShell), "# rem");
  EXPECT_EQ(HandoffPlaceholder(HandoffFormat::kFishShell), "# rem");
}

TEST(ReadRuntimeIntegerTest, ReadsDecimalHexAndSigns) {
  EXPECT_EQ(ReadRuntimeInteger("5"), 5);
  EXPECT_EQ(ReadRuntimeInteger("  12"), 12);
  EXPECT_EQ(ReadRuntimeInteger("+3"), 3);
  EXPECT_EQ(ReadRuntimeInteger("-3"), -3);
  EXPECT_EQ(ReadRuntimeInteger("$A"), 10);
  EXPECT_EQ(ReadRuntimeInteger("$a"), 10);
  EXPECT_EQ(ReadRuntimeInteger("-$14"), -20);
  EXPECT_EQ(ReadRuntimeInteger("007"), 7);
  EXPECT_EQ(ReadRuntimeInteger("2147483647"), 2147483647);
  EXPECT_EQ(ReadRuntimeInteger("-2147483648"), -2147483647L - 1);
}

TEST(ReadRuntimeIntegerTest, RejectsEverythingElse) {
  for (const char* text : {"", " ", "abc", "1x", "x1", "$", "-", "+", "$G", "1 ", "2147483648",
                           "99999999999999999999", "1.5", "--3", "$$1"}) {
    EXPECT_FALSE(ReadRuntimeInteger(text).has_value()) << "'" << text << "'";
  }
}

}  // namespace
}  // namespace dirhop
