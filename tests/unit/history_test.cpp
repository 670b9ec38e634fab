#include "state/history.h"

#include <gtest/gtest.h>

#include "support/fake_console.h"
#include "support/fake_settings_key.h"

namespace dirhop {
namespace {

using test::FakeKeyStore;

class HistoryTest : public ::testing::Test {
 protected:
  HistoryTest() : fake_(test::MakeFakeConsole()), settings_(test::MakeSettingsOn(store_)) {
    Stored();
  }

  // The store holds the record as the test set it up, as if the run had loaded it.
  void Stored() { test::PutRecord(store_, settings_.record); }

  void Fill(std::initializer_list<const char*> dirs) {
    int slot = 0;
    for (const char* dir : dirs) settings_.record.SetHistory(slot++, dir);
    Stored();
  }

  std::vector<std::string> Slots() const {
    std::vector<std::string> slots;
    for (int slot = 0; slot < kHistorySlots; ++slot)
      slots.push_back(settings_.record.History(slot));
    return slots;
  }

  test::FakeConsole fake_;
  FakeKeyStore store_;
  Settings settings_;
};

TEST_F(HistoryTest, AddingToAnEmptyHistoryFillsSlotZeroAndSaves) {
  AddToHistory(*fake_.console, settings_, "C:\\Work");
  EXPECT_EQ(settings_.record.History(0), "C:\\Work");
  EXPECT_TRUE(settings_.record.HistoryEmpty(1));
  EXPECT_EQ(store_.Text("history_0"), "C:\\Work");
  EXPECT_EQ(store_.Text("history_1"), "");
}

TEST_F(HistoryTest, ADuplicateInAnyCaseMovesToTheFrontInTheNewCase) {
  Fill({"a", "b", "c", "c:\\work", "e", "f"});
  AddToHistory(*fake_.console, settings_, "C:\\Work");
  std::vector<std::string> expected = {"C:\\Work", "a", "b", "c", "e", "f"};
  expected.resize(kHistorySlots);
  EXPECT_EQ(Slots(), expected);
}

TEST_F(HistoryTest, ADuplicateInAnyCaseOrFormOfAnyScriptIsTheSameEntry) {
  Fill({"/home/müller/Документы", "/x"});
  // Decomposed and in another case: the same directory, moved to the front as typed.
  AddToHistory(*fake_.console, settings_, "/home/Mu\xCC\x88ller/документы");
  std::vector<std::string> expected = {"/home/Mu\xCC\x88ller/документы", "/x"};
  expected.resize(kHistorySlots);
  EXPECT_EQ(Slots(), expected);
  // Without its diacritic it is another directory.
  AddToHistory(*fake_.console, settings_, "/home/muller/документы");
  EXPECT_EQ(settings_.record.History(0), "/home/muller/документы");
  EXPECT_EQ(settings_.record.History(1), "/home/Mu\xCC\x88ller/документы");
}

TEST_F(HistoryTest, AFullHistoryDropsItsOldestEntry) {
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    settings_.record.SetHistory(slot, "d" + std::to_string(slot));
  }
  Stored();
  AddToHistory(*fake_.console, settings_, "new");
  EXPECT_EQ(settings_.record.History(0), "new");
  EXPECT_EQ(settings_.record.History(1), "d0");
  EXPECT_EQ(settings_.record.History(20), "d19");
  // A duplicate in the last slot is removed rather than pushed off.
  AddToHistory(*fake_.console, settings_, "D19");
  EXPECT_EQ(settings_.record.History(0), "D19");
  EXPECT_EQ(settings_.record.History(20), "d18");
}

TEST_F(HistoryTest, TheSameEntryAgainLeavesTheListButStillSaves) {
  Fill({"C:\\Work", "C:\\"});
  AddToHistory(*fake_.console, settings_, "C:\\Work");
  const int closes = store_.closes;
  AddToHistory(*fake_.console, settings_, "C:\\Work");
  EXPECT_EQ(settings_.record.History(0), "C:\\Work");
  EXPECT_EQ(settings_.record.History(1), "C:\\");
  EXPECT_TRUE(settings_.record.HistoryEmpty(2));
  EXPECT_EQ(store_.closes, closes + 1);
}

TEST_F(HistoryTest, APathLongerThanASlotIsNotStoredCut) {
  Fill({"C:\\Work"});
  const std::string long_dir = "C:\\" + std::string(300, 'x');
  AddToHistory(*fake_.console, settings_, long_dir);
  EXPECT_EQ(settings_.record.History(0), "C:\\Work");
  EXPECT_TRUE(settings_.record.HistoryEmpty(1));
  // Exactly 255 characters still fit.
  const std::string fits = "C:\\" + std::string(252, 'y');
  AddToHistory(*fake_.console, settings_, fits);
  EXPECT_EQ(settings_.record.History(0), fits);
}

TEST_F(HistoryTest, TheStartCheckComparesWithCase) {
  Fill({"c:\\work", "D:\\"});
  CheckHistoryStart(*fake_.console, settings_, "c:\\work");
  EXPECT_EQ(store_.opens, 0);  // equal: nothing added, nothing saved
  CheckHistoryStart(*fake_.console, settings_, "C:\\WORK");
  EXPECT_EQ(settings_.record.History(0), "C:\\WORK");
  EXPECT_EQ(settings_.record.History(1), "D:\\");
  EXPECT_TRUE(settings_.record.HistoryEmpty(2));
  // The change waits for the next save.
  EXPECT_EQ(store_.opens, 0);
  EXPECT_TRUE(settings_.save_pending);
  SavePendingSettings(*fake_.console, settings_);
  EXPECT_EQ(store_.Text("history_0"), "C:\\WORK");
  EXPECT_FALSE(settings_.save_pending);
  Settings empty = test::MakeSettingsOn(store_);
  CheckHistoryStart(*fake_.console, empty, "C:\\");
  EXPECT_EQ(empty.record.History(0), "C:\\");
}

TEST_F(HistoryTest, ListingShowsOldestFirstWithNumbersAndColours) {
  Fill({"C:\\Work", "C:\\", "D:\\Data"});
  settings_.record.SetHistory(10, "gap");  // slots after an empty one are still listed
  Stored();
  ListHistory(*fake_.console, settings_);
  EXPECT_EQ(test::Written(fake_),
            "  Dirhop  Directory History  \n"
            "  10  gap\n"
            "   2  D:\\Data\n"
            "   1  C:\\\n"
            "   0  C:\\Work\n");
  EXPECT_EQ(fake_.device->TextIn(kColourNotice), "  Dirhop  Directory History  ");
  EXPECT_EQ(fake_.device->TextIn(kColourLabel), "  10     2     1     0  ");
  EXPECT_EQ(fake_.device->attribute(), kColourNormal);
}

TEST_F(HistoryTest, ListingAnEmptyHistorySaysSo) {
  ListHistory(*fake_.console, settings_);
  EXPECT_EQ(test::Written(fake_), "No directories in history.\n");
  EXPECT_EQ(fake_.device->TextIn(kColourError), "No directories in history.");
}

}  // namespace
}  // namespace dirhop
