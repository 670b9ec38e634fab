#include "console/chooser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/visible_text.h"
#include "match/ordering.h"
#include "support/fake_console.h"
#include "support/keys.h"

namespace dirhop {
namespace {

using test::Ch;
using test::Ext;
using test::FakeConsole;
using test::MakeFakeConsole;

CandidateList Paths(int count, const std::string& prefix = "C:\\d") {
  CandidateList list;
  for (int i = 1; i <= count; ++i) list.Add(prefix + std::to_string(i), 2);
  return list;
}

std::string Choose(FakeConsole& fake, CandidateList& list, CreateMode mode = CreateMode::kOff,
                   const std::string& start = "C:\\Work") {
  return ChooseDirectory(*fake.console, list, mode, ListOrder::kAsGiven, start, kWindowsPaths);
}

TEST(ChooserTest, SingleEntryOrOneLeftAfterRemovingStartDirNeedsNoMenu) {
  FakeConsole fake = MakeFakeConsole({{80, 25}});
  CandidateList one{{"C:\\Work", 0}};
  EXPECT_EQ(Choose(fake, one), "C:\\Work");  // returned even though it is the start directory

  CandidateList two{{"c:\\WORK", 1}, {"C:\\Other", 1}};
  EXPECT_EQ(Choose(fake, two), "C:\\Other");
  EXPECT_EQ(two.size(), 1u);  // the removal works on the caller's list

  // A trailing backslash makes a difference: nothing is removed, so the menu is shown.
  CandidateList trailing{{"C:\\Work\\", 1}, {"C:\\Other", 1}};
  fake.device->PushKeys({Ch('a')});
  EXPECT_EQ(Choose(fake, trailing), "C:\\Work\\");

  CandidateList all_start{{"C:\\Work", 1}, {"C:\\work", 1}};
  EXPECT_EQ(Choose(fake, all_start), "C:\\Work");
  EXPECT_EQ(fake.device->text_at_key_read.size(), 1u);  // only the one menu was shown
}

TEST(ChooserTest, DrawsAPageWithLabelsColumnsAndFooter) {
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ch('b')});
  CandidateList list{{"C:\\A\\one", 2}, {"C:\\A\\two", 2}, {"C:\\A\\three", 2}};
  EXPECT_EQ(Choose(fake, list), "C:\\A\\two");
  const std::string field = std::string(35 - 8, ' ');
  EXPECT_EQ(fake.device->Text(), "[a] C:\\A\\one" + field + "[b] C:\\A\\two" + field + "\n" +
                                     "[c] C:\\A\\three" + std::string(35 - 10, ' ') + "\n\n" +
                                     "Change directory to (a-c or Escape to exit)? b\n");
  EXPECT_EQ(fake.device->TextIn(kColourLabel), "[a] [b] [c] ");
  EXPECT_EQ(fake.device->attribute(), kColourNormal);
}

TEST(ChooserTest, ControlsInNamesAreShownAsEscapesAndTheRealNameIsChosen) {
  // A name that would retitle the terminal, and one whose escape would straddle the end of the
  // 35-character field: that escape is left out whole, never cut in half.
  const std::string evil = "C:\\t\\evil\x1b]0;x\x07";
  const std::string straddling = "C:\\a\\" + std::string(27, 'n') + "\x1b";
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ch('a')});
  CandidateList list{{evil, 2}, {straddling, 2}};
  EXPECT_EQ(Choose(fake, list), evil);
  const std::string text = fake.device->Text();
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_EQ(text.find('\x07'), std::string::npos);
  const std::string shown = "C:\\t\\evil\\e]0;x\\a";
  EXPECT_EQ(text.substr(0, 2 * (4 + 35) + 1), "[a] " + shown + std::string(35 - shown.size(), ' ') +
                                                  "[b] C:\\...\\" + std::string(27, 'n') + " \n");
}

TEST(ChooserTest, PathsInTheHomeFolderShowItAsATilde) {
  EXPECT_EQ(WithHomeAsTilde("/home/u/projects/a", "/home/u", kPosixPaths), "~/projects/a");
  EXPECT_EQ(WithHomeAsTilde("/home/u", "/home/u", kPosixPaths), "~");
  EXPECT_EQ(WithHomeAsTilde("/home/user2/x", "/home/u", kPosixPaths), "/home/user2/x");
  EXPECT_EQ(WithHomeAsTilde("/home/u/x", "", kPosixPaths), "/home/u/x");
  CandidateList list;
  list.Add("/home/u/projects/webshop", 1);
  list.Add("/srv/web", 1);
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ch('a')});
  // The real path is chosen; only what is shown changes.
  EXPECT_EQ(ChooseDirectory(*fake.console, list, CreateMode::kOff, ListOrder::kAsGiven, "/w",
                            kPosixPaths, "/home/u"),
            "/home/u/projects/webshop");
  EXPECT_EQ(fake.device->Text().substr(0, 27), "[a] ~/projects/webshop     ");
}

TEST(ChooserTest, ColumnsLineUpForWideAccentedAndUnreadableNames) {
  const std::string nichi = "\xe6\x97\xa5";  // a wide CJK character
  const std::string acute = "\xcc\x81";      // a combining accent
  std::string wide_name = "x";               // 1 + 20 * 2 columns
  for (int i = 0; i < 20; ++i) wide_name += nichi;
  std::string decomposed_name;  // 40 columns, 120 bytes
  for (int i = 0; i < 40; ++i) decomposed_name += "e" + acute;
  const std::vector<std::string> paths = {
      "/home/" + nichi + nichi + "/" + nichi,  // 13 columns, 16 bytes
      "/home/cafe" + acute,                    // 10 columns, 12 bytes
      "/home/caf\xe9",                         // shown as "caf\xe9": 13 columns, 10 bytes
      "/p/" + wide_name,                       // shortened, then one column short of a wide one
      "/q/" + decomposed_name,                 // shortened, then cut after a whole letter
      "/home/\xf0\x9f\x98\x80 ok",             // an emoji: 2 columns
  };
  CandidateList list;
  for (const std::string& path : paths) list.Add(path, 2);
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ch('c')});
  EXPECT_EQ(ChooseDirectory(*fake.console, list, CreateMode::kOff, ListOrder::kAsGiven, "/w",
                            kPosixPaths),
            paths[2]);  // the real bytes, not the escape shown
  // Fields of 35 columns: ShortenPath keeps 4 columns for "/..." and the field cuts the rest,
  // keeping its last column blank so that a filled field never touches the next key.
  std::string wide_shown = "/.../x";
  for (int i = 0; i < 14; ++i) wide_shown += nichi;
  std::string decomposed_shown = "/.../";
  for (int i = 0; i < 29; ++i) decomposed_shown += "e" + acute;
  decomposed_shown += " ";
  const std::string expected = "[a] " + paths[0] + std::string(35 - 13, ' ') + "[b] " + paths[1] +
                               std::string(35 - 10, ' ') + "\n" + "[c] /home/caf\\xe9" +
                               std::string(35 - 13, ' ') + "[d] " + wide_shown + " \n" + "[e] " +
                               decomposed_shown + "[f] " + paths[5] + std::string(35 - 11, ' ') +
                               "\n\n";
  const std::string text = fake.device->Text();
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  for (std::size_t start = 0, end; (end = text.find('\n', start)) < expected.size();
       start = end + 1) {
    if (end > start) {
      EXPECT_EQ(DisplayWidth(text.substr(start, end - start)), 2u * (4 + 35));
    }
  }
}

TEST(ChooserTest, PagesThroughAHundredEntries) {
  // 25 rows: 46 entries a page, keys a-z, 0-9, A-J.
  FakeConsole fake =
      MakeFakeConsole({{80, 25}}, {Ext(kExtUp), Ch(' '), Ext(kExtEnd), Ext(kExtEnd),
                                   Ext(kExtPageDown), Ch('i'), Ch('J'), Ext(kExtHome), Ch('J')});
  CandidateList list = Paths(100);
  EXPECT_EQ(Choose(fake, list), "C:\\d46");
  const auto& seen = fake.device->text_at_key_read;
  ASSERT_EQ(seen.size(), 9u);
  EXPECT_NE(seen[0].find("Page 1 of 3  Change directory to (a-J or Escape to exit)? "),
            std::string::npos);
  EXPECT_EQ(seen[1], seen[0]);  // Previous on the first page draws nothing
  EXPECT_NE(seen[2].find("\nPage 2 of 3  "), std::string::npos);
  EXPECT_NE(seen[2].find("[a] C:\\d47 "), std::string::npos);
  EXPECT_NE(seen[3].find("[h] C:\\d100"), std::string::npos);
  EXPECT_NE(seen[3].find("Page 3 of 3  Change directory to (a-h or Escape to exit)? "),
            std::string::npos);
  EXPECT_EQ(seen[4], seen[3]);  // End on the last page draws nothing
  EXPECT_EQ(seen[5], seen[4]);  // nor does Next
  EXPECT_EQ(seen[6], seen[5]);  // i is not on a page of 8
  EXPECT_EQ(seen[7], seen[6]);  // nor is J
  EXPECT_NE(seen[8].rfind("Page 1 of 3"), seen[7].rfind("Page 1 of 3"));  // Home redrew page 1
}

TEST(ChooserTest, SortedOrderIsThatOfTheWholeSortOnEveryPage) {
  // 100 entries added in a shuffled order, ranks mixed: each page shown (the first, the last by
  // End, the second by Previous) holds the places a whole sort gives, and the key picks by them.
  CandidateList list;
  std::vector<int> numbers(100);
  for (int i = 0; i < 100; ++i) numbers[i] = (i * 37) % 100;  // 37 is prime to 100: a shuffle
  for (int n : numbers) list.Add("C:\\e" + std::to_string(1000 + n), n % 7 == 0 ? 1 : 2);
  CandidateList sorted = list;
  SortCandidates(sorted);
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ext(kExtEnd), Ext(kExtPageUp), Ch('c')});
  EXPECT_EQ(ChooseDirectory(*fake.console, list, CreateMode::kOff, ListOrder::kByRankAndPath,
                            "C:\\Work", kWindowsPaths),
            sorted[46 + 2].Path());
  const auto& seen = fake.device->text_at_key_read;
  ASSERT_EQ(seen.size(), 3u);  // the text at each key read: page 1, then 3, then 2
  // Ranks first: the 15 entries of rank 1 (multiples of 7) open the first page.
  EXPECT_EQ(sorted[0].Path(), "C:\\e1000");
  EXPECT_EQ(sorted[14].Path(), "C:\\e1098");
  EXPECT_EQ(sorted[15].Path(), "C:\\e1001");
  EXPECT_NE(seen[0].find("[a] C:\\e1000 "), std::string::npos);
  EXPECT_NE(seen[0].find("[p] C:\\e1001 "), std::string::npos);
  const std::string last_page = seen[1].substr(seen[0].size());
  EXPECT_NE(last_page.find("[a] " + sorted[92].Path() + " "), std::string::npos);
  EXPECT_NE(last_page.find("[h] " + sorted[99].Path()), std::string::npos);
  const std::string second_page = seen[2].substr(seen[1].size());
  EXPECT_NE(second_page.find("[a] " + sorted[46].Path() + " "), std::string::npos);
  EXPECT_NE(second_page.find("[J] " + sorted[91].Path()), std::string::npos);
}

TEST(ChooserTest, PageBoundaries) {
  // 46 entries: one page, no page numbers; 47: the second page holds entry 47 alone.
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ch('a')});
  CandidateList list = Paths(46);
  Choose(fake, list);
  EXPECT_EQ(fake.device->Text().find("Page"), std::string::npos);

  FakeConsole fake2 = MakeFakeConsole({{80, 25}}, {Ext(kExtPageDown), Ch('a')});
  CandidateList list2 = Paths(47);
  EXPECT_EQ(Choose(fake2, list2), "C:\\d47");
  EXPECT_NE(fake2.device->Text().find("Page 2 of 2  Change directory to (a-a or Escape"),
            std::string::npos);
}

TEST(ChooserTest, KeysThatDoNothingAndLeaving) {
  for (Key leave : {Ch(27), Ch(3)}) {
    FakeConsole fake = MakeFakeConsole(
        {{80, 25}}, {Ch(13), Ch(9), Ch(8), Ext(75), Ext(77), Ch('f'), Ch('A'), leave});
    CandidateList list = Paths(5);
    EXPECT_EQ(Choose(fake, list), "");
    const std::string text = fake.device->Text();
    const std::string tail = "\n\nChange directory to (a-e or Escape to exit)? Exit\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(fake.device->text_at_key_read.front(), text.substr(0, text.size() - 5));
  }
}

TEST(ChooserTest, KeysTypedBeforeTheMenuAppearsAreDroppedUnread) {
  // A selection key, a paging key and Escape typed ahead: none of them may choose, turn the page
  // or leave; only the key pressed after the menu appeared counts.
  FakeConsole fake = MakeFakeConsole({{80, 6}}, {Ch('c')});
  fake.device->TypeAhead({Ch('a'), Ext(kExtPageDown), Ch(kKeyEscape)});
  CandidateList list = Paths(20);
  EXPECT_EQ(Choose(fake, list), "C:\\d3");
  // Dropped once, before any of the menu was drawn.
  EXPECT_EQ(fake.device->text_at_discard, std::vector<std::string>{""});
  EXPECT_EQ(fake.device->text_at_key_read.size(), 1u);
  EXPECT_EQ(fake.device->Text().find("Page 2"), std::string::npos);

  // Each menu drops what was typed before it, not keys already pressed in it.
  FakeConsole twice = MakeFakeConsole({{80, 25}}, {Ch('b')});
  CandidateList first = Paths(3);
  EXPECT_EQ(Choose(twice, first), "C:\\d2");
  twice.device->TypeAhead({Ch('a')});
  twice.device->PushKeys({Ch('c')});
  CandidateList second = Paths(3);
  EXPECT_EQ(Choose(twice, second), "C:\\d3");
  EXPECT_EQ(twice.device->text_at_discard.size(), 2u);
}

TEST(ChooserTest, UpperCaseKeysSelectFromThe37thEntryOn) {
  FakeConsole fake = MakeFakeConsole({{80, 40}}, {Ch('A')});
  CandidateList list = Paths(62);
  EXPECT_EQ(Choose(fake, list), "C:\\d37");
}

TEST(ChooserTest, UnreadableKeysEndLikeEscapeAfterTheFirstPage) {
  FakeConsole fake = MakeFakeConsole(std::nullopt);  // no keys scripted: reads fail
  CandidateList list = Paths(3);
  EXPECT_EQ(Choose(fake, list), "");
  EXPECT_NE(fake.device->Text().find("[c] C:\\d3"), std::string::npos);
  EXPECT_NE(fake.device->Text().find("Exit\n"), std::string::npos);
}

TEST(ChooserTest, CreateModeAsksToCreate) {
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ch('a')});
  CandidateList list{{"C:\\x\\new\\", 255}, {"new", 255}};
  EXPECT_EQ(Choose(fake, list, CreateMode::kOn), "C:\\x\\new\\");
  EXPECT_NE(fake.device->Text().find("Create directory (a-b or Escape to exit)? a\n"),
            std::string::npos);
}

TEST(ChooserTest, TinyAndHugeScreensStayUsable) {
  EXPECT_EQ(ChooserPageSize(24), 46);
  EXPECT_EQ(ChooserPageSize(32), 62);
  EXPECT_EQ(ChooserPageSize(299), 62);
  EXPECT_EQ(ChooserPageSize(1), 2);
  EXPECT_EQ(ChooserPageSize(0), 2);
  EXPECT_EQ(ChooserFieldWidth(40), 35);
  EXPECT_EQ(ChooserFieldWidth(2), 1);
  EXPECT_EQ(ChooserFieldWidth(1000), 255);

  FakeConsole fake = MakeFakeConsole({{4, 2}}, {Ch(' '), Ch('a')});
  CandidateList list = Paths(3);
  EXPECT_EQ(Choose(fake, list), "C:\\d3");
}

TEST(ShortenPathTest, DropsLeadingLevelsUntilThePathFits) {
  EXPECT_EQ(ShortenPath(20, "C:\\Work\\Clients\\Archive\\Reports", kWindowsPaths),
            "C:\\...\\Reports");
  EXPECT_EQ(ShortenPath(35, "C:\\Work\\src", kWindowsPaths), "C:\\Work\\src");
  // One long name after the drive cannot be shortened by levels; the field cuts it.
  const std::string long_name = "C:\\" + std::string(40, 'n');
  EXPECT_EQ(ShortenPath(20, long_name, kWindowsPaths), "C:\\...\\" + std::string(40, 'n'));
  EXPECT_EQ(PadToWidth(ShortenPath(20, long_name, kWindowsPaths), 20),
            "C:\\...\\" + std::string(13, 'n'));
  EXPECT_EQ(ShortenPath(20, "/home/user/projects/reports", kPosixPaths), "/.../reports");
  // Levels are measured in columns: 9 wide characters are 18 columns (27 bytes), an accented
  // letter is 1 (2 bytes); what is shown keeps 4 columns for "/...".
  std::string nine;
  for (int i = 0; i < 9; ++i) nine += "\xe6\x97\xa5";
  EXPECT_EQ(ShortenPath(25, "/a/" + nine, kPosixPaths), "/a/" + nine);
  EXPECT_EQ(ShortenPath(25, "/ab/" + nine, kPosixPaths), "/.../" + nine);
  const std::string accented = "/x/y/\xc3\xa9\xc3\xa9/" + nine;
  EXPECT_EQ(ShortenPath(26, accented, kPosixPaths), "/.../\xc3\xa9\xc3\xa9/" + nine);
  EXPECT_EQ(ShortenPath(25, accented, kPosixPaths), "/.../" + nine);
  // An escape counts the columns it is shown in: "\e" is 2.
  EXPECT_EQ(ShortenPath(13, "/a\x1b/bcde", kPosixPaths), "/a\x1b/bcde");
  EXPECT_EQ(ShortenPath(13, "/a\x1b\x1b/bcde", kPosixPaths), "/.../bcde");
}

}  // namespace
}  // namespace dirhop

namespace dirhop {
namespace {

TEST(ChooseEntryTest, AskedSingleEntriesAndNewDirectoriesBesideFoundOnes) {
  // Asked: one entry is shown and waits for its key; Escape leaves without a choice.
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {Ch('x'), Ch('a')});
  CandidateList one{{"C:\\Desktop", 140}};
  const std::optional<ChosenEntry> taken =
      ChooseEntry(*fake.console, one, CreateMode::kOff, ListOrder::kByRankAndPath,
                  SingleEntry::kAsk, "C:\\Work", kWindowsPaths);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->path, "C:\\Desktop");
  EXPECT_EQ(taken->rank, 140);
  EXPECT_EQ(fake.device->text_at_key_read.size(), 2u);  // 'x' is not a label: read on
  EXPECT_NE(fake.device->Text().find("[a] C:\\Desktop"), std::string::npos);

  FakeConsole left = MakeFakeConsole({{80, 25}}, {Ch(27)});
  CandidateList alone{{"C:\\Desktop", 140}};
  EXPECT_FALSE(ChooseEntry(*left.console, alone, CreateMode::kOff, ListOrder::kByRankAndPath,
                           SingleEntry::kAsk, "C:\\Work", kWindowsPaths));

  // Either: the directories to create come after the found ones, marked, with their rank.
  FakeConsole either = MakeFakeConsole({{80, 25}}, {Ch('b')});
  CandidateList mixed{{"C:\\W\\new\\", kCreateRank}, {"C:\\W\\posts", 140}};
  const std::optional<ChosenEntry> created =
      ChooseEntry(*either.console, mixed, CreateMode::kEither, ListOrder::kByRankAndPath,
                  SingleEntry::kAsk, "C:\\Work", kWindowsPaths);
  ASSERT_TRUE(created);
  EXPECT_EQ(created->path, "C:\\W\\new\\");
  EXPECT_EQ(created->rank, kCreateRank);
  EXPECT_EQ(either.device->Text(), "[a] C:\\W\\posts" + std::string(35 - 10, ' ') +
                                       "[b] new C:\\W\\new\\" + std::string(31 - 9, ' ') +
                                       "\n\nChange to or create directory (a-b or Escape to "
                                       "exit)? b\n");
}

}  // namespace
}  // namespace dirhop
