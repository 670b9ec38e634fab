#include "console/search_progress.h"

#include <gtest/gtest.h>

#include "platform/status_line.h"
#include "support/fake_host.h"

namespace dirhop {
namespace {

using Lines = std::vector<std::string>;

test::FakeHost TerminalHost(bool error_is_terminal) {
  test::FakeHost host(platform::HostKind::kPosix, "/usr/bin/dirhop");
  host.error_is_terminal = error_is_terminal;
  return host;
}

// Nothing within the delay; from then on the count and the level, at most once per refresh
// interval; erased once at the end, and nothing after it.
TEST(SearchProgressTest, ShownAfterTheDelayThrottledAndErasedOnce) {
  test::FakeHost host = TerminalHost(true);
  host.monotonic_ms = 10'000;
  {
    SearchProgress progress(host, 1000);
    ASSERT_TRUE(progress.HasLine());
    progress.BeforeListing(1);
    host.monotonic_ms = 10'999;
    progress.BeforeListing(2);
    EXPECT_EQ(host.status_line, Lines{});
    host.monotonic_ms = 11'000;
    progress.BeforeListing(2);
    EXPECT_EQ(host.status_line, Lines{"Show Searching... 3 folders looked at, level 2"});
    host.monotonic_ms = 11'000 + kSearchProgressRefreshMs - 1;
    progress.BeforeListing(3);
    EXPECT_EQ(host.status_line.size(), 1u);
    host.monotonic_ms = 11'000 + kSearchProgressRefreshMs;
    progress.BeforeListing(3);
    progress.Finish();
    progress.BeforeListing(3);
  }
  EXPECT_EQ(host.status_line, (Lines{"Show Searching... 3 folders looked at, level 2",
                                     "Show Searching... 5 folders looked at, level 3", "Erase"}));
}

// A search over before the delay shows and erases nothing; without a terminal on standard
// error there is no line at all.
TEST(SearchProgressTest, QuickSearchesAndPipesShowNothing) {
  test::FakeHost quick = TerminalHost(true);
  {
    SearchProgress progress(quick);
    quick.monotonic_ms += kSearchProgressDelayMs - 1;
    progress.BeforeListing(1);
  }
  EXPECT_EQ(quick.status_line, Lines{});

  test::FakeHost piped = TerminalHost(false);
  SearchProgress progress(piped);
  EXPECT_FALSE(progress.HasLine());
  piped.monotonic_ms += 10 * kSearchProgressDelayMs;
  progress.BeforeListing(1);
  progress.Finish();
  EXPECT_EQ(piped.status_line, Lines{});
}

// The bytes that draw the line: each text from the start of the line; a terminal's line is
// cleared to its end, a console's covered with blanks as far as the longer text before reached.
TEST(StatusLineBytesTest, EachTextReplacesTheLastAndTheEraseClearsIt) {
  platform::StatusLineBytes terminal(platform::LineClearing::kEraseToEnd);
  EXPECT_EQ(terminal.Erase(), "");
  EXPECT_EQ(terminal.Show("level 10", 80), "\rlevel 10\x1b[K");
  EXPECT_EQ(terminal.Show("level 9", 80), "\rlevel 9\x1b[K");
  EXPECT_EQ(terminal.Erase(), "\r\x1b[K");
  EXPECT_EQ(terminal.Erase(), "");

  platform::StatusLineBytes console(platform::LineClearing::kBlanks);
  EXPECT_EQ(console.Show("level 10", 80), "\rlevel 10");
  EXPECT_EQ(console.Show("level 9", 80), "\rlevel 9 \rlevel 9");
  EXPECT_EQ(console.Show("level 9", 80), "\rlevel 9");
  EXPECT_EQ(console.Show("a long text", 6), "\ra long \ra long");
  EXPECT_EQ(console.Erase(), "\r      \r");
  EXPECT_EQ(console.Erase(), "");
}

}  // namespace
}  // namespace dirhop
