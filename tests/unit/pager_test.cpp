#include "console/pager.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "support/fake_console.h"
#include "support/keys.h"

namespace dirhop {
namespace {

using test::Ch;
using test::FakeConsole;
using test::MakeFakeConsole;
using test::MakeRedirectedFakeConsole;
using test::Written;
using test::WrittenIn;

const std::string kPrompt = " -- Press [Esc] to exit or any other key to continue -- ";
const std::string kErase = std::string(64, '\b') + std::string(64, ' ') + std::string(64, '\b');

std::string Line(int n) { return "line " + std::to_string(n); }

int CountLines(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

// The numbers of the lines (1-based, over the whole run) before which each pause came.
std::vector<int> PausePoints(const FakeConsole& fake) {
  std::vector<int> points;
  for (const std::string& seen : fake.device->text_at_key_read) {
    points.push_back(CountLines(seen) + 1);
  }
  return points;
}

TEST(PagerTest, PausesWhenTheLineAfterAFullScreenIsDue) {
  struct Case {
    int rows;
    int lines;
    std::vector<int> pauses;
  };
  // 25 rows: 24 lines fit, the 25th pauses; after a pause the next line starts a fresh count,
  // so each later pause comes 25 lines on. 200 rows pass a count of 127, which a narrow counter
  // could not reach. One row pauses before every line.
  // clang-format off
  const Case cases[] = {
      {25, 24, {}},
      {25, 25, {25}},
      {25, 100, {25, 50, 75, 100}},
      {10, 35, {10, 20, 30}},
      {200, 199, {}},
      {200, 401, {200, 400}},
      {1, 3, {1, 2, 3}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE("rows " + std::to_string(c.rows) + ", lines " + std::to_string(c.lines));
    FakeConsole fake = MakeFakeConsole({{80, c.rows}});
    for (std::size_t i = 0; i < c.pauses.size(); ++i) fake.device->PushKeys({Ch(' ')});
    Pager pager(*fake.console);
    for (int n = 1; n <= c.lines; ++n) pager.PageLine(Line(n));
    EXPECT_EQ(PausePoints(fake), c.pauses);
    EXPECT_EQ(fake.device->keys_left(), 0u);
  }
}

TEST(PagerTest, OutputToAFileOrPipeNeverWaitsForAKey) {
  // A terminal of unknown size pauses after 24 lines; the same text into a file or a pipe goes
  // through to its end without a prompt or a key read, even with keys waiting.
  FakeConsole screen = MakeFakeConsole(std::nullopt, {Ch('x')});
  Pager screen_pager(*screen.console);
  for (int n = 1; n <= 30; ++n) screen_pager.PageLine(Line(n));
  EXPECT_EQ(PausePoints(screen), std::vector<int>{25});
  EXPECT_NE(Written(screen).find(kPrompt + kErase + "line 25\n"), std::string::npos);

  FakeConsole file = MakeRedirectedFakeConsole({Ch('\x1b')});
  Pager file_pager(*file.console);
  for (int n = 1; n <= 100; ++n) EXPECT_EQ(file_pager.PageLine(Line(n)), PageResult::kShown);
  EXPECT_TRUE(file.device->text_at_key_read.empty());
  EXPECT_EQ(file.device->keys_left(), 1u);
  const std::string text = Written(file);
  EXPECT_EQ(text.find(kPrompt), std::string::npos);
  EXPECT_EQ(CountLines(text), 100);
  EXPECT_NE(text.find("line 99\nline 100\n"), std::string::npos);
}

TEST(PagerTest, CountRunsAcrossScreensAndRestartsAfterAPause) {
  FakeConsole fake = MakeFakeConsole({{80, 10}}, {Ch('a'), Ch('b')});
  Pager pager(*fake.console);
  EXPECT_EQ(pager.PagerLineCount(), 0);
  for (int n = 1; n <= 6; ++n) pager.PageLine(Line(n));  // one screen
  EXPECT_EQ(pager.PagerLineCount(), 6);
  for (int n = 7; n <= 12; ++n) pager.PageLine(Line(n));  // the next continues its count
  EXPECT_EQ(PausePoints(fake), std::vector<int>{10});
  EXPECT_EQ(pager.PagerLineCount(), 2);  // lines 11 and 12; line 10 itself is not counted
  // Empty lines and lines wider than the screen each count as one line.
  pager.PageLine("");
  pager.PageLine(std::string(300, 'w'));
  EXPECT_EQ(pager.PagerLineCount(), 4);
  for (int n = 13; n <= 18; ++n) pager.PageLine(Line(n));
  EXPECT_EQ(PausePoints(fake), (std::vector<int>{10, 20}));
}

TEST(PagerTest, PromptInNoticeColourThenErasedInNormalColour) {
  FakeConsole fake = MakeFakeConsole({{80, 3}}, {Ch('q')});
  Pager pager(*fake.console);
  for (int n = 1; n <= 3; ++n) pager.PageLine(Line(n));

  EXPECT_EQ(fake.device->text_at_key_read.at(0), "line 1\nline 2\n" + kPrompt);
  EXPECT_EQ(Written(fake), "line 1\nline 2\n" + kPrompt + kErase + "line 3\n");
  EXPECT_EQ(WrittenIn(fake, kColourNotice), kPrompt);

  // Prompt, then the three erasing runs each sent on its own, then the pending line.
  const auto& pieces = fake.device->pieces;
  std::size_t prompt_at = 0;
  while (prompt_at < pieces.size() && pieces[prompt_at].text != kPrompt) ++prompt_at;
  ASSERT_LT(prompt_at + 4, pieces.size());
  EXPECT_EQ(pieces[prompt_at].colour, kColourNotice);
  EXPECT_EQ(pieces[prompt_at + 1].text, std::string(64, '\b'));
  EXPECT_EQ(pieces[prompt_at + 2].text, std::string(64, ' '));
  EXPECT_EQ(pieces[prompt_at + 3].text, std::string(64, '\b'));
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(pieces[prompt_at + i].colour, kColourNormal);
  EXPECT_EQ(pieces[prompt_at + 4].text, "line 3");
  EXPECT_EQ(fake.device->attribute(), kColourNormal);
}

TEST(PagerTest, EscapeOrCtrlCEndsWithExitCodeZeroAndWritesNothingMore) {
  for (char leave : {'\x1b', '\x03'}) {
    SCOPED_TRACE(static_cast<int>(leave));
    FakeConsole fake = MakeFakeConsole({{80, 5}}, {Ch(leave), Ch(' ')});
    Pager pager(*fake.console);
    int written = 0;
    PageResult result = PageResult::kShown;
    for (int n = 1; n <= 20 && result == PageResult::kShown; ++n) {
      result = pager.PageLine(Line(n));
      if (result == PageResult::kShown) written = n;
    }
    ASSERT_EQ(result, PageResult::kLeft);
    EXPECT_EQ(written, 4);  // the fifth line was due and never written
    EXPECT_EQ(fake.device->keys_left(), 1u);
    EXPECT_EQ(Written(fake), fake.device->text_at_key_read.at(0) + kErase);
    EXPECT_EQ(fake.device->attribute(), kColourNormal);
  }
}

TEST(PagerTest, AnyOtherKeyOrAFailedReadContinues) {
  // A letter, Enter, arrow keys, and a key read that fails (the script runs dry).
  FakeConsole fake = MakeFakeConsole({{80, 2}}, {Ch('y'), Ch('\r'), Key{0, 72}, Key{0, 80}});
  Pager pager(*fake.console);
  for (int n = 1; n <= 11; ++n) pager.PageLine(Line(n));
  EXPECT_EQ(PausePoints(fake), (std::vector<int>{2, 4, 6, 8, 10}));
  std::string expected = Line(1) + "\n";
  for (int n = 2; n <= 11; ++n) {
    if (n % 2 == 0) expected += kPrompt + kErase;
    expected += Line(n) + "\n";
  }
  EXPECT_EQ(Written(fake), expected);
}

TEST(PagerTest, CallersColourAppliesToItsLineEvenAcrossAPause) {
  FakeConsole fake = MakeFakeConsole({{80, 3}}, {Ch('k')});
  Pager pager(*fake.console);
  fake.console->SetTextColour(kColourNotice);
  pager.PageLine("banner");
  pager.PageLine("plain 1");
  fake.console->SetTextColour(kColourNotice);
  pager.PageLine("after the pause");  // the pause comes before this line
  pager.PageLine("plain 2");

  EXPECT_EQ(WrittenIn(fake, kColourNotice), "banner" + kPrompt + "after the pause");
  EXPECT_EQ(WrittenIn(fake, kColourNormal), "\nplain 1\n" + kErase + "\nplain 2\n");
  // Line ends come after the switch back to normal, so nothing coloured reaches the next row.
  EXPECT_EQ(fake.console->CurrentTextColour(), kColourNormal);
  EXPECT_EQ(fake.device->attribute(), kColourNormal);
}

}  // namespace
}  // namespace dirhop
