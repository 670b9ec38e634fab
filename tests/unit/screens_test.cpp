#include "core/screens.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/identity.h"
#include "core/launcher.h"
#include "support/fake_console.h"
#include "support/keys.h"

namespace dirhop {
namespace {

using test::Ch;
using test::FakeConsole;
using test::MakeFakeConsole;
using test::Written;
using test::WrittenIn;

const std::string kPrompt = " -- Press [Esc] to exit or any other key to continue -- ";

const std::string kWindowsUsage = R"usage(Usage:
  c [drive:][\][pathspec1][\pathspec2][\pathspec3]...
  c -?             displays this usage screen
  c -w             displays the welcome/contact screen
  c -[h|l]         displays the directory history list
  c -<num>         goes to history index <num> or blank for most recent
  c -a             displays the alias list
  c <alias>        uses an alias (aliases are case insensitive)
  c -a <alias>     removes an alias
  c -a <alias> .   defines an alias for the current directory (absolute)
  c -a <alias> <directory>
                   defines an alias (can be relative e.g. ..\..)
  c -x             starts Windows Explorer in current directory

  c -mail          send technical support email
  c -brantel       go to the Brantel Software web site
  c -home          go to the Dirhop home page
  c -manual        display the Dirhop user manual

The current directory is generally excluded from the list of choices. If the
specified directory does not exist it can be created. Long directory names
can be "quoted". Environment variable DIRHOP can be used to specify the
file for history and alias data to be written to.

Abbreviations supported:
    . -> ..     Go to parent directory
  ... -> ..\..  Go to parent's parent (works for ...., ..... etc)
    / -> \      Unix slash makes no difference
   \\ -> \*\    Saves hitting [Shift+8] (use to choose all matches)
    X -> X*.*   * is ALWAYS added

Examples:  (where D: is a drive letter)
  c \   c D:..   c *   c \T   c *\*   c D:B*   c D:..\*
)usage";

// POSIX: '/' paths, no drive letters, the file manager for -x, no slash-conversion line.
const std::string kPosixUsage = R"usage(Usage:
  c [/][pathspec1][/pathspec2][/pathspec3]...
  c -?             displays this usage screen
  c -w             displays the welcome/contact screen
  c -[h|l]         displays the directory history list
  c -<num>         goes to history index <num> or blank for most recent
  c -a             displays the alias list
  c <alias>        uses an alias (aliases are case insensitive)
  c -a <alias>     removes an alias
  c -a <alias> .   defines an alias for the current directory (absolute)
  c -a <alias> <directory>
                   defines an alias (can be relative e.g. ../..)
  c -x             starts the file manager in current directory

  c -mail          send technical support email
  c -home          go to the Dirhop home page
  c -manual        display the Dirhop user manual

The current directory is generally excluded from the list of choices. If the
specified directory does not exist it can be created. Long directory names
can be "quoted". Environment variable DIRHOP can be used to specify the
file for history and alias data to be written to.

Abbreviations supported:
    . -> ..     Go to parent directory
  ... -> ../..  Go to parent's parent (works for ...., ..... etc)
   // -> /*/    Saves typing the star (use to choose all matches)
    X -> X*     * is ALWAYS added

Examples:
  c /   c ..   c *   c /T   c */*   c B*   c ../*
)usage";

std::string WelcomeText(const std::string& first_paragraph_line) {
  const std::string site = MakerSiteAddress();
  const std::string email = SupportEmailAddress();
  const std::string site_lines =
      IsPlaceholderAddress(site)
          ? "For updates and information, see the Dirhop manual -\n  c -manual\n"
          : "For updates, information, mailing lists and other products, see our web page -\n  " +
                site + "\n";
  const std::string email_lines =
      IsPlaceholderAddress(email)
          ? "For comments, suggestions or bug reports, see the Dirhop manual -\n  c -manual\n"
          : "Send us email with your comments, suggestions or bug reports at\n  " + email + "\n";
  return BannerLine() + "\n\n" + first_paragraph_line + "\n" +
         "directories, save aliases for frequently-used directories, access a history\n"
         "of directories visited, automatically create a directory if it doesn't exist\n"
         "and much more. No index files required! It even matches typos!\n"
         "\n" +
         site_lines + "\n" + email_lines;
}

const std::string kWindowsWelcome =
    WelcomeText("Dirhop is the ultimate replacement for DOS's CD command. You can abbreviate");
const std::string kPosixWelcome =
    WelcomeText("Dirhop is the ultimate replacement for the cd command. You can abbreviate");

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A console tall enough that nothing pauses.
FakeConsole Tall() { return MakeFakeConsole({{80, 300}}); }

TEST(ScreensTest, UsageScreenIsWrittenByteForByteInTheNormalColour) {
  for (platform::HostKind host : {platform::HostKind::kWindows, platform::HostKind::kPosix}) {
    const bool windows = host == platform::HostKind::kWindows;
    SCOPED_TRACE(windows ? "windows" : "posix");
    FakeConsole fake = Tall();
    Pager pager(*fake.console);
    ShowUsageScreen(pager, host);
    const std::string& expected = windows ? kWindowsUsage : kPosixUsage;
    EXPECT_EQ(Written(fake), expected);
    EXPECT_EQ(WrittenIn(fake, kColourNormal), expected);
    // POSIX leaves out the slash line and, with no maker's site configured, the -brantel line.
    EXPECT_EQ(pager.PagerLineCount(), windows ? 33 : 31);
    EXPECT_TRUE(fake.device->text_at_key_read.empty());
  }
}

TEST(ScreensTest, UsageDescriptionsStartInColumnTwenty) {
  for (platform::HostKind host : {platform::HostKind::kWindows, platform::HostKind::kPosix}) {
    SCOPED_TRACE(host == platform::HostKind::kWindows ? "windows" : "posix");
    FakeConsole fake = Tall();
    Pager pager(*fake.console);
    ShowUsageScreen(pager, host);
    const std::vector<std::string> lines = SplitLines(Written(fake));
    ASSERT_GE(lines.size(), 18u);
    // Lines 3 to 13 and the options after the blank line; line 11 holds only the command, its
    // description is line 12.
    const bool windows = host == platform::HostKind::kWindows;
    for (int number : {3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 15, 16, 17}) {
      const std::string& line = lines[number - 1];
      SCOPED_TRACE(line);
      ASSERT_GT(line.size(), 20u);
      EXPECT_EQ(line[18], ' ');
      EXPECT_NE(line[19], ' ');
      if (number != 12) {
        EXPECT_EQ(line.substr(0, 4), "  c ");
      }
    }
    if (windows) {
      EXPECT_EQ(lines[17].substr(0, 4), "  c ");
    }
    // No usage line is wider than an 80-column console.
    for (const std::string& line : lines) EXPECT_LT(line.size(), 80u) << line;
  }
}

TEST(ScreensTest, WelcomeScreenWithBannerAndAddressesInTheNoticeColour) {
  for (platform::HostKind host : {platform::HostKind::kWindows, platform::HostKind::kPosix}) {
    SCOPED_TRACE(host == platform::HostKind::kWindows ? "windows" : "posix");
    FakeConsole fake = Tall();
    Pager pager(*fake.console);
    ShowWelcomeScreen(pager, host);
    EXPECT_EQ(Written(fake),
              host == platform::HostKind::kWindows ? kWindowsWelcome : kPosixWelcome);
    // Exactly the banner and the two address lines are yellow; their line ends are not. An
    // example address never shows: the manual stands in for it.
    const auto shown = [](const char* address) {
      return IsPlaceholderAddress(address) ? std::string("c -manual") : std::string(address);
    };
    EXPECT_EQ(WrittenIn(fake, kColourNotice), BannerLine() + "  " + shown(MakerSiteAddress()) +
                                                  "  " + shown(SupportEmailAddress()));
    EXPECT_EQ(Written(fake).find(".example"), std::string::npos);
    EXPECT_EQ(pager.PagerLineCount(), 12);
    EXPECT_EQ(fake.device->attribute(), kColourNormal);
    for (const std::string& line : SplitLines(Written(fake))) {
      EXPECT_LT(line.size(), 80u) << line;
    }
  }
}

TEST(ScreensTest, BannerNamesTheProductAndItsVersion) {
  const std::string banner = BannerLine();
  EXPECT_NE(banner.find("Dirhop"), std::string::npos);
  EXPECT_NE(banner.find("3.1"), std::string::npos);
  EXPECT_EQ(banner.find('\n'), std::string::npos);
  EXPECT_LT(banner.size(), 80u);
  EXPECT_STREQ(kProductName, "Dirhop");
  EXPECT_STREQ(kVersion, "3.1");
}

TEST(ScreensTest, UsageWithBannerIsBannerEmptyLineThenUsage) {
  FakeConsole fake = Tall();
  Pager pager(*fake.console);
  ShowUsageScreenWithBanner(pager, platform::HostKind::kWindows);
  EXPECT_EQ(Written(fake), BannerLine() + "\n\n" + kWindowsUsage);
  EXPECT_EQ(WrittenIn(fake, kColourNotice), BannerLine());
  EXPECT_EQ(pager.PagerLineCount(), 35);
}

TEST(ScreensTest, FirstRunScreensPageAsOneText) {
  // 25 rows: welcome (12 lines), an empty line, then the usage screen; the 25th line overall,
  // usage line 12, is the first one after a pause.
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ch(' ')});
  Pager pager(*fake.console);
  ShowFirstRunScreens(pager, platform::HostKind::kWindows);
  ASSERT_EQ(fake.device->text_at_key_read.size(), 1u);
  const std::string before = fake.device->text_at_key_read[0];
  EXPECT_EQ(SplitLines(before).size(), 25u);  // 24 lines and the prompt
  const std::vector<std::string> usage = SplitLines(kWindowsUsage);
  std::string first_usage_part;
  for (int i = 0; i < 11; ++i) first_usage_part += usage[i] + "\n";
  EXPECT_EQ(before, kWindowsWelcome + "\n" + first_usage_part + kPrompt);
  const std::string text = Written(fake);
  EXPECT_NE(text.find(kPrompt + std::string(64, '\b') + std::string(64, ' ') +
                      std::string(64, '\b') + usage[11] + "\n"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.size() - kWindowsUsage.size() + first_usage_part.size()),
            kWindowsUsage.substr(first_usage_part.size()));
}

TEST(ScreensTest, EscapeInASmallWindowLeavesTheScreenAndSkipsTheRest) {
  // 10 rows: -? pauses before its 10th line; Escape there leaves the screen (the run then ends
  // with 0 instead of 250).
  FakeConsole fake = MakeFakeConsole({{80, 10}}, {Ch('\x1b')});
  Pager pager(*fake.console);
  EXPECT_EQ(ShowUsageScreenWithBanner(pager, platform::HostKind::kWindows), PageResult::kLeft);
  const std::string text = Written(fake);
  // 9 lines, then the erased prompt.
  EXPECT_EQ(SplitLines(text).size(), 10u);
  EXPECT_EQ(text.find("uses an alias"), std::string::npos);  // usage line 8 never appeared
  EXPECT_NE(text.find("displays the alias list"), std::string::npos);
}

}  // namespace
}  // namespace dirhop
