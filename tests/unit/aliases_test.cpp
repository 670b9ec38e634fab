#include "state/aliases.h"

#include <gtest/gtest.h>

#include "console/visible_text.h"
#include "support/fake_console.h"
#include "support/fake_settings_key.h"

namespace dirhop {
namespace {

using test::FakeKeyStore;

class AliasesTest : public ::testing::Test {
 protected:
  AliasesTest() : fake_(test::MakeFakeConsole()), settings_(test::MakeSettingsOn(store_)) {
    Stored();
  }

  // The store holds the record as the test set it up, as if the run had loaded it.
  void Stored() { test::PutRecord(store_, settings_.record); }

  std::string Text() { return test::Written(fake_); }

  // "name=target" for every slot up to the first free one.
  std::vector<std::string> Table() const {
    std::vector<std::string> table;
    for (int slot = 1; slot <= kAliasSlots && !settings_.record.AliasFree(slot); ++slot) {
      table.push_back(settings_.record.AliasName(slot) + "=" + settings_.record.AliasTarget(slot));
    }
    return table;
  }

  void FillTable() {
    for (int slot = 1; slot <= kAliasSlots; ++slot) {
      settings_.record.SetAlias(slot, "a" + std::to_string(slot), "C:\\d" + std::to_string(slot));
    }
    Stored();
  }

  test::FakeConsole fake_;
  FakeKeyStore store_;
  Settings settings_;
};

TEST_F(AliasesTest, ALongNameIsCutWithoutSplittingACharacter) {
  // Five three-byte characters: the ten bytes of the field end inside the fourth.
  const std::string name = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe6\x97\xa5\xe6\x9c\xac";
  EXPECT_TRUE(AliasCommand(*fake_.console, settings_, {name, "C:\\x"}, "C:\\"));
  EXPECT_EQ(settings_.record.AliasName(1), name.substr(0, 9));  // three whole characters
}

TEST_F(AliasesTest, DefiningPutsTheAliasFirstAndSaves) {
  EXPECT_TRUE(UpdateAlias(*fake_.console, settings_, "proj", AliasDefinedAs("c:\\src\\proj")));
  EXPECT_EQ(Table(),
            (std::vector<std::string>{"proj=c:\\src\\proj", "dos=c:\\dos", "win=c:\\windows"}));
  EXPECT_EQ(Text(), "Dirhop: Adding alias proj=c:\\src\\proj\n");
  EXPECT_EQ(fake_.device->TextIn(kColourNotice), "Dirhop: Adding alias proj=c:\\src\\proj");
  EXPECT_EQ(store_.Text("aliasname_1"), "proj");
  EXPECT_EQ(store_.Text("aliasdir_3"), "c:\\windows");
}

TEST_F(AliasesTest, RedefiningInAnyCaseReplacesTheOldEntry) {
  FillTable();
  settings_.record.SetAlias(5, "proj", "C:\\old");
  Stored();
  UpdateAlias(*fake_.console, settings_, "PROJ", AliasDefinedAs("C:\\new"));
  EXPECT_EQ(Text(), "Dirhop: Adding alias PROJ=C:\\new\n");  // no full-table message
  std::vector<std::string> table = Table();
  ASSERT_EQ(table.size(), 20u);
  EXPECT_EQ(table[0], "PROJ=C:\\new");
  EXPECT_EQ(table[4], "a4=C:\\d4");
  EXPECT_EQ(table[5], "a6=C:\\d6");
}

TEST_F(AliasesTest, AFullTableDropsTheAliasUsedLongestAgo) {
  FillTable();
  UpdateAlias(*fake_.console, settings_, "new", AliasDefinedAs("C:\\n"));
  EXPECT_EQ(Text(),
            "Dirhop: Alias list is full. Removing alias a20 = C:\\d20\n"
            "Dirhop: Adding alias new=C:\\n\n");
  EXPECT_EQ(fake_.device->TextIn(kColourError),
            "Dirhop: Alias list is full. Removing alias a20 = C:\\d20");
  EXPECT_EQ(Table().front(), "new=C:\\n");
  EXPECT_EQ(Table().back(), "a19=C:\\d19");
}

TEST_F(AliasesTest, RemovingTwiceReportsTheSecondTimeAndAlwaysSaves) {
  UpdateAlias(*fake_.console, settings_, "DOS", AliasDefinedAs(""));
  EXPECT_EQ(Table(), (std::vector<std::string>{"win=c:\\windows"}));
  EXPECT_EQ(store_.closes, 1);
  UpdateAlias(*fake_.console, settings_, "dos", AliasDefinedAs(""));
  EXPECT_EQ(store_.closes, 2);
  EXPECT_EQ(Text(),
            "Dirhop: Removing alias 'DOS'\n"
            "Dirhop: No alias to delete called 'dos'\n");
  EXPECT_EQ(fake_.device->TextIn(kColourError), "Dirhop: No alias to delete called 'dos'");
}

TEST_F(AliasesTest, PromotingKeepsTheTargetAndSaysNothing) {
  UpdateAlias(*fake_.console, settings_, "WIN", kPromoteAlias);
  EXPECT_EQ(Table(), (std::vector<std::string>{"WIN=c:\\windows", "dos=c:\\dos"}));
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(store_.closes, 1);
}

TEST_F(AliasesTest, OverLongTargetsAndEmptyNamesAreRefusedNotCut) {
  const std::string target = "C:\\" + std::string(253, 'x');  // 256 characters
  EXPECT_FALSE(UpdateAlias(*fake_.console, settings_, "far", AliasDefinedAs(target)));
  EXPECT_FALSE(UpdateAlias(*fake_.console, settings_, "", AliasDefinedAs("C:\\")));
  EXPECT_EQ(Table(), (std::vector<std::string>{"dos=c:\\dos", "win=c:\\windows"}));
  EXPECT_EQ(store_.opens, 0);
  EXPECT_EQ(Text(),
            "Dirhop: Alias target is longer than 255 characters; alias 'far' not defined\n"
            "Dirhop: An alias needs a name\n");
  EXPECT_TRUE(
      UpdateAlias(*fake_.console, settings_, "fits", AliasDefinedAs(target.substr(0, 255))));
  EXPECT_EQ(settings_.record.AliasTarget(1).size(), 255u);
}

TEST_F(AliasesTest, ListingCountsFreeSlotsAndAlignsNames) {
  settings_.record.SetAlias(3, "proj", "c:\\src\\proj");
  settings_.record.SetAlias(5, "abcdefghij", std::string(255, 't'));  // after a gap: still listed
  Stored();
  ListAliases(*fake_.console, settings_);
  EXPECT_EQ(Text(),
            "  Dirhop  Directory Aliases (16 entries remaining)  \n"
            "  abcdefghij = " +
                std::string(252, 't') +
                "\n"
                "        proj = c:\\src\\proj\n"
                "         win = c:\\windows\n"
                "         dos = c:\\dos\n");
  EXPECT_EQ(fake_.device->TextIn(kColourLabel), "  abcdefghij        proj         win         dos");
}

TEST_F(AliasesTest, ListingAlignsWideAndAccentedNamesByColumnsAndCutsTargetsByColumns) {
  const std::string nichi = "\xe6\x97\xa5";  // a wide CJK character: 2 columns, 3 bytes
  const std::string acute = "\xcc\x81";      // a combining accent: no column, 2 bytes
  // Targets of 255 bytes, wider than their field of 252 columns: a wide character that would
  // take the 252nd and 253rd columns is left out; a letter ending in the 252nd keeps its accent.
  const std::string wide_target = "/" + std::string(250, 'w') + nichi + "x";
  const std::string accented_target = "/t/" + std::string(249, 'e') + acute + "x";
  settings_.record.SetAlias(3, nichi + nichi + nichi, wide_target);
  settings_.record.SetAlias(4, "cafe" + acute, accented_target);
  Stored();
  ListAliases(*fake_.console, settings_);
  EXPECT_EQ(Text(),
            "  Dirhop  Directory Aliases (16 entries remaining)  \n"
            "        cafe" +
                acute + " = " + accented_target.substr(0, 254) +
                "\n"
                "      " +
                nichi + nichi + nichi + " = " + wide_target.substr(0, 251) +
                "\n"
                "         win = c:\\windows\n"
                "         dos = c:\\dos\n");
}

TEST_F(AliasesTest, ListingShowsControlsAsEscapesEvenWhenTheNameOutgrowsItsColumn) {
  // Ten ESCs are 20 characters on the screen: the name pushes its target right.
  settings_.record.SetAlias(3, std::string(10, '\x1b'), "/t/x\x1b[2J");
  Stored();
  ListAliases(*fake_.console, settings_);
  EXPECT_EQ(Text(), std::string("  Dirhop  Directory Aliases (17 entries remaining)  \n") +
                        R"(\e\e\e\e\e\e\e\e\e\e = /t/x\e[2J)" +
                        "\n"
                        "         win = c:\\windows\n"
                        "         dos = c:\\dos\n");
}

TEST_F(AliasesTest, ListingTitlesForFullAlmostFullAndEmptyTables) {
  FillTable();
  ListAliases(*fake_.console, settings_);
  settings_.record.ClearAlias(20);
  ListAliases(*fake_.console, settings_);
  for (int slot = 1; slot <= kAliasSlots; ++slot) settings_.record.ClearAlias(slot);
  ListAliases(*fake_.console, settings_);
  const std::string titles = fake_.device->TextIn(kColourNotice);
  EXPECT_EQ(titles,
            "  Dirhop  Directory Aliases (No entries remaining)  "
            "  Dirhop  Directory Aliases (1 entry remaining)  "
            "  Dirhop  Directory Aliases (20 entries remaining)  ");
}

TEST_F(AliasesTest, TheCommandListsRemovesAndDefines) {
  EXPECT_TRUE(AliasCommand(*fake_.console, settings_, {}, "C:\\Start"));
  EXPECT_NE(Text().find("(18 entries remaining)"), std::string::npos);
  EXPECT_TRUE(
      AliasCommand(*fake_.console, settings_, {"abcdefghijklm", ".", "extra"}, "C:\\Start"));
  EXPECT_EQ(settings_.record.AliasName(1), "abcdefghij");
  EXPECT_EQ(settings_.record.AliasTarget(1), "C:\\Start");  // "." is the start directory
  EXPECT_TRUE(AliasCommand(*fake_.console, settings_, {"nothere"}, "C:\\"));
  EXPECT_NE(Text().find("No alias to delete called 'nothere'"), std::string::npos);
  EXPECT_FALSE(AliasCommand(*fake_.console, settings_, {"far", std::string(256, 'x')}, "C:\\"));
}

TEST_F(AliasesTest, GoToAliasPromotesUnderTheTypedSpellingAndSavesFirst) {
  EXPECT_EQ(GoToAlias(*fake_.console, settings_, "WIN"), "c:\\windows");
  EXPECT_EQ(Table(), (std::vector<std::string>{"WIN=c:\\windows", "dos=c:\\dos"}));
  EXPECT_EQ(store_.Text("aliasname_1"), "WIN");
  EXPECT_EQ(GoToAlias(*fake_.console, settings_, "abcdefghijklm"), std::nullopt);
  EXPECT_EQ(GoToAlias(*fake_.console, settings_, "wi"), std::nullopt);
}

TEST_F(AliasesTest, NamesMatchInAnyCaseAndFormOfEveryScriptButKeepTheirDiacritics) {
  settings_.record.SetAlias(1, "Über", "/u");
  settings_.record.SetAlias(2, "дом", "/d");
  Stored();
  settings_.record.ClearAlias(3);
  EXPECT_EQ(GoToAlias(*fake_.console, settings_, "über"), "/u");
  EXPECT_EQ(GoToAlias(*fake_.console, settings_, "ДОМ"), "/d");
  EXPECT_EQ(GoToAlias(*fake_.console, settings_,
                      "U\xCC\x88"
                      "BER"),
            "/u");  // decomposed
  EXPECT_EQ(GoToAlias(*fake_.console, settings_, "uber"), std::nullopt);
  // Redefining in another case replaces the alias rather than adding one.
  UpdateAlias(*fake_.console, settings_, "ÜBER", AliasDefinedAs("/new"));
  EXPECT_EQ(Table(), (std::vector<std::string>{"ÜBER=/new", "ДОМ=/d"}));
}

TEST_F(AliasesTest, GoToAliasStopsAtTheFirstFreeSlot) {
  settings_.record.ClearAlias(1);
  settings_.record.ClearAlias(2);
  settings_.record.SetAlias(3, "gap", "C:\\gap");
  Stored();
  EXPECT_EQ(GoToAlias(*fake_.console, settings_, "gap"), std::nullopt);
  EXPECT_EQ(store_.opens, 0);
}

}  // namespace
}  // namespace dirhop
