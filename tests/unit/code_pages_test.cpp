// The code pages where cmd and the old release's stores meet the program's UTF-8: measured on the
// system's own tables under Windows (Wine), and the identities that stand for them on POSIX.
#include "platform/code_pages.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace dirhop::platform {
namespace {

const char kUbung[] =
    "\xc3\x9c"
    "bung";  // U-umlaut: 0x9a in code pages 437 and 850

TEST(CodePagesTest, TextGoesIntoACodePageOnlyWhenEveryCharacterIsThere) {
  EXPECT_EQ(TextInCodePage(kUbung, kUtf8CodePage), kUbung);
  EXPECT_EQ(TextInCodePage("caf\xe9", kUtf8CodePage), std::nullopt);  // not UTF-8
  if (ThisHostKind() != HostKind::kWindows) {
    EXPECT_EQ(ConsoleCodePage(), kUtf8CodePage);
    EXPECT_EQ(TextInCodePage(kUbung, 850), std::nullopt);
    EXPECT_EQ(TextFromOldStore("\x9a"
                               "bung",
                               OldStore::kDataFile),
              "\x9a"
              "bung");
    return;
  }
  EXPECT_EQ(TextInCodePage(kUbung, 850),
            "\x9a"
            "bung");
  EXPECT_EQ(TextInCodePage("\xc3\xbc", 1252), "\xfc");
  EXPECT_EQ(TextInCodePage("\xe6\x97\xa5\xe6\x9c\xac", 932), "\x93\xfa\x96\x7b");  // Japanese
  EXPECT_EQ(TextInCodePage("\xe6\x97\xa5", 850), std::nullopt);
  EXPECT_EQ(TextInCodePage("\xc4\x81", 1252), std::nullopt);  // a-macron: no best-fit "a"
  EXPECT_EQ(TextInCodePage("\xed\xa0\x80", kUtf8CodePage), std::nullopt);  // a lone surrogate
}

// The old release's data file held the bytes of the OEM code page, which is also the page a
// process without a console hands off in.
TEST(CodePagesTest, OldDataFileBytesReadAsTheOemCodePage) {
  if (ThisHostKind() != HostKind::kWindows) GTEST_SKIP() << "no code pages on POSIX";
  const std::optional<std::string> oem = TextInCodePage(kUbung, ConsoleCodePage());
  if (!oem) GTEST_SKIP() << "U-umlaut is not in OEM code page " << ConsoleCodePage();
  EXPECT_EQ(TextFromOldStore(*oem, OldStore::kDataFile), kUbung);
  EXPECT_EQ(TextFromOldStore("C:\\plain", OldStore::kSettingsKey), "C:\\plain");
}

}  // namespace
}  // namespace dirhop::platform
