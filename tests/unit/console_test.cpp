#include "console/console.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/fake_console.h"

namespace dirhop {
namespace {

using test::FakeConsole;
using test::FakeConsoleDevice;
using test::MakeFakeConsole;

struct Metrics {
  int width;
  int half_width;
  int last_row;
  friend bool operator==(const Metrics& a, const Metrics& b) {
    return a.width == b.width && a.half_width == b.half_width && a.last_row == b.last_row;
  }
};

Metrics MetricsFor(std::optional<platform::ScreenSize> size) {
  FakeConsole fake = MakeFakeConsole(size);
  return {fake.console->ScreenWidth(), fake.console->ScreenHalfWidth(),
          fake.console->ScreenLastRow()};
}

TEST(ConsoleTest, ScreenMetricsComeFromTheBufferSize) {
  EXPECT_EQ(MetricsFor(std::nullopt), (Metrics{80, 40, 24}));
  EXPECT_EQ(MetricsFor(platform::ScreenSize{80, 300}), (Metrics{80, 40, 299}));
  EXPECT_EQ(MetricsFor(platform::ScreenSize{81, 25}), (Metrics{81, 40, 24}));
  EXPECT_EQ(MetricsFor(platform::ScreenSize{120, 9001}), (Metrics{120, 60, 9000}));
}

TEST(ConsoleTest, TextIsBufferedUntilFlushed) {
  FakeConsole fake = MakeFakeConsole();
  fake.console->Write("abc");
  fake.console->WriteNumber(-42);
  fake.console->WriteLine(" x");
  EXPECT_EQ(fake.device->Text(), "");
  fake.console->Flush();
  EXPECT_EQ(fake.device->Text(), "abc-42 x\n");
  fake.console->WriteNumber(0);
  fake.console->WriteNumber(9223372036854775807LL);
  fake.console->WriteLine();
  fake.console->Flush();
  fake.console->Flush();  // nothing pending: no empty write
  EXPECT_EQ(fake.device->Text(), "abc-42 x\n09223372036854775807\n");
  EXPECT_EQ(fake.device->pieces.size(), 2u);
}

TEST(ConsoleTest, TextKeepsTheColourInForceWhenItWasWritten) {
  FakeConsole fake = MakeFakeConsole();
  Console& console = *fake.console;
  // A label line: green label, normal text.
  console.Write("plain ");
  console.SetTextColour(kColourLabel);
  console.Write("a");
  console.SetTextColour(kColourNormal);
  console.Write(" C:\\Work");
  console.SetTextColour(kColourError);
  console.Write("Dirhop: bad");
  console.Flush();
  EXPECT_EQ(fake.device->TextIn(kColourNormal), "plain  C:\\Work");
  EXPECT_EQ(fake.device->TextIn(kColourLabel), "a");
  EXPECT_EQ(fake.device->TextIn(kColourError), "Dirhop: bad");
  EXPECT_EQ(fake.device->Text(), "plain a C:\\WorkDirhop: bad");
}

TEST(ConsoleTest, CurrentTextColourStartsNormalAndFollowsEveryChange) {
  FakeConsole fake = MakeFakeConsole();
  EXPECT_EQ(fake.console->CurrentTextColour(), kColourNormal);
  for (std::uint16_t colour : {kColourNotice, kColourNotice, kColourError, kColourLabel}) {
    fake.console->SetTextColour(colour);
    EXPECT_EQ(fake.console->CurrentTextColour(), colour);
  }
  // Each change reaches the device, a repeated one too.
  EXPECT_EQ(fake.device->attributes_set,
            (std::vector<std::uint16_t>{kColourNotice, kColourNotice, kColourError, kColourLabel}));
}

TEST(ConsoleTest, EndColouredLineWritesTheLineEndInTheNormalColour) {
  FakeConsole fake = MakeFakeConsole();
  Console& console = *fake.console;
  console.SetTextColour(kColourError);
  console.Write("Dirhop: Invalid drive letter 'Q'");
  console.EndColouredLine();
  console.ColouredLine(kColourNotice, "Alias added");
  console.Flush();
  EXPECT_EQ(fake.device->TextIn(kColourError), "Dirhop: Invalid drive letter 'Q'");
  EXPECT_EQ(fake.device->TextIn(kColourNotice), "Alias added");
  EXPECT_EQ(fake.device->TextIn(kColourNormal), "\n\n");
  EXPECT_EQ(fake.device->Text(), "Dirhop: Invalid drive letter 'Q'\nAlias added\n");
  EXPECT_EQ(fake.device->attribute(), kColourNormal);
  EXPECT_EQ(console.CurrentTextColour(), kColourNormal);
}

TEST(ConsoleTest, ReadConsoleKeyShowsPendingTextBeforeWaiting) {
  FakeConsole fake = MakeFakeConsole(std::nullopt, {Key{'a', 0}, Key{0, kExtDown}});
  Console& console = *fake.console;
  console.Write("Choose: ");
  EXPECT_EQ(console.ReadConsoleKey(), (Key{'a', 0}));
  console.Write("a");
  EXPECT_EQ(console.ReadConsoleKey(), (Key{0, kExtDown}));
  // The script is used up: every further read fails like an unreadable console.
  EXPECT_EQ(console.ReadConsoleKey(), (Key{0, kExtEnd}));
  EXPECT_EQ(fake.device->text_at_key_read,
            (std::vector<std::string>{"Choose: ", "Choose: a", "Choose: a"}));
}

TEST(ConsoleTest, TheBeforeOutputHookRunsOnceBeforeTheFirstTextColourOrKeyRead) {
  // Each way of showing something calls the hook first; what the hook writes comes before it.
  const std::vector<void (*)(Console&)> firsts = {
      [](Console& c) { c.Write("x"); },     [](Console& c) { c.WriteNumber(7); },
      [](Console& c) { c.WriteLine("x"); }, [](Console& c) { c.SetTextColour(kColourError); },
      [](Console& c) { c.TryReadKey(); },
  };
  for (auto first : firsts) {
    FakeConsole fake = MakeFakeConsole();
    int calls = 0;
    fake.console->SetBeforeOutput([&] {
      ++calls;
      fake.console->Write("hook;");
    });
    fake.console->Flush();  // nothing to show: not yet
    EXPECT_EQ(calls, 0);
    first(*fake.console);
    fake.console->Write("more");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(test::Written(fake).rfind("hook;", 0), 0u);
  }
  FakeConsole cleared = MakeFakeConsole();
  int calls = 0;
  cleared.console->SetBeforeOutput([&] { ++calls; });
  cleared.console->SetBeforeOutput(nullptr);
  cleared.console->Write("x");
  EXPECT_EQ(calls, 0);
}

TEST(ConsoleTest, RepeatCharAndPadToWidthBuildFixedWidthText) {
  EXPECT_EQ(RepeatChar(0, '-'), "");
  EXPECT_EQ(RepeatChar(3, '-'), "---");
  EXPECT_EQ(RepeatChar(255, ' '), std::string(255, ' '));
  EXPECT_EQ(PadToWidth("abc", 5), "abc  ");
  EXPECT_EQ(PadToWidth("abcdef", 4), "abcd");
  EXPECT_EQ(PadToWidth("abc", 3), "abc");
  EXPECT_EQ(PadToWidth("abc", 0), "");
  EXPECT_EQ(PadToWidth("", 2), "  ");
  EXPECT_EQ(PadToWidth(std::string(300, 'x'), 255), std::string(255, 'x'));
}

}  // namespace
}  // namespace dirhop
