#include "core/create_offer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_console.h"
#include "support/fake_run.h"

namespace dirhop {
namespace {

using test::FakeConsole;
using test::MakeFakeConsole;

using platform::HostKind;
using test::FakeRun;

TEST(CreatePathReportingTest, ReportsTheFailingLevelInWords) {
  FakeRun windows(HostKind::kWindows, "C:\\Work");
  windows.fs.create_codes = {{"C:\\a\\b", 3}};
  EXPECT_FALSE(CreatePathReporting(windows.run, "C:\\a\\b\\c"));
  EXPECT_EQ(test::WrittenIn(windows.fake, kColourError),
            "Path not found creating directory 'C:\\a\\b'");
  EXPECT_EQ(windows.fake.device->Text(), "Path not found creating directory 'C:\\a\\b'\n");
  EXPECT_EQ(windows.fs.Calls("CreateOneDirectory"),
            (std::vector<std::string>{"CreateOneDirectory C:\\a", "CreateOneDirectory C:\\a\\b"}));

  FakeRun quiet(HostKind::kPosix, "/home/u");
  EXPECT_TRUE(CreatePathReporting(quiet.run, "new/deeper"));
  EXPECT_EQ(quiet.fake.device->Text(), "");
  EXPECT_TRUE(quiet.fs.Exists("/home/u/new/deeper"));
}

TEST(OfferCreateTest, NothingToOfferReportsOnlyTheMissingMatch) {
  FakeRun faked(HostKind::kWindows, "C:\\Work");
  CandidateList none;
  OfferCreate(faked.run, "pro*\\x", none);
  EXPECT_EQ(test::Written(faked.fake), "Dirhop: No directories found matching 'pro*\\x'\n");
  EXPECT_EQ(faked.fake.device->TextIn(kColourError),
            "Dirhop: No directories found matching 'pro*\\x'");
  EXPECT_TRUE(faked.fs.Calls("CreateOneDirectory").empty());
}

TEST(OfferCreateTest, SinglePromptIgnoresOtherKeysAndDeclinesWith255) {
  for (Key decline : {Key{'n', 0}, Key{'N', 0}, Key{13, 0}, Key{27, 0}, Key{3, 0}}) {
    FakeRun faked(HostKind::kWindows, "C:\\Work", std::nullopt,
                  {{'x', 0}, {0, 72}, {' ', 0}, decline});
    CandidateList one{{"C:\\Work\\p\\new\\", kCreateRank}};
    EXPECT_EQ(OfferCreate(faked.run, "p?\\new", one), 255);
    EXPECT_EQ(faked.fake.device->TextIn(kColourNotice), "Create 'C:\\Work\\p\\new\\' [y/N] ? No");
    EXPECT_TRUE(faked.fs.Calls("CreateOneDirectory").empty());
    EXPECT_EQ(faked.fake.device->attribute(), kColourNormal);
  }
}

TEST(OfferCreateTest, YesCreatesTheOfferedPath) {
  FakeRun faked(HostKind::kWindows, "C:\\Work", std::nullopt, {{'y', 0}});
  CandidateList one{{"C:\\Work\\p\\new\\", kCreateRank}};
  faked.fs.create_codes = {{"C:\\Work\\p\\new", 112}};  // the disk is full: nothing entered
  OfferCreate(faked.run, "p?\\new", one);
  EXPECT_EQ(faked.fs.Calls("CreateOneDirectory").back(), "CreateOneDirectory C:\\Work\\p\\new");
  EXPECT_EQ(faked.fake.device->TextIn(kColourNotice), "Create 'C:\\Work\\p\\new\\' [y/N] ? Yes");
  EXPECT_NE(
      faked.fake.device->Text().find("Unexpected error 112 creating directory 'C:\\Work\\p\\new'"),
      std::string::npos);
  EXPECT_TRUE(faked.fs.Calls("ChangeDirectory").empty());
}

TEST(OfferCreateTest, KeysTypedBeforeTheQuestionNeverAnswerIt) {
  // "y" typed ahead would create the directory; it is dropped before the question appears, and
  // the answer is the key pressed after it.
  FakeRun single(HostKind::kWindows, "C:\\Work", std::nullopt, {{'n', 0}});
  single.fake.device->TypeAhead({{'y', 0}});
  CandidateList one{{"C:\\Work\\p\\new\\", kCreateRank}};
  EXPECT_EQ(OfferCreate(single.run, "p?\\new", one), 255);
  EXPECT_TRUE(single.fs.Calls("CreateOneDirectory").empty());
  EXPECT_EQ(single.fake.device->text_at_discard.size(), 1u);
  EXPECT_EQ(single.fake.device->text_at_discard[0].find("[y/N]"), std::string::npos);

  // The creation menu drops "a" typed ahead the same way; Escape then leaves it.
  FakeRun menu(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{27, 0}});
  menu.fake.device->TypeAhead({{'a', 0}});
  CandidateList two{{"C:\\Work\\proj\\new\\", kCreateRank}, {"pro\\new", kCreateRank}};
  EXPECT_EQ(OfferCreate(menu.run, "pro\\new", two), kExitOk);
  EXPECT_TRUE(menu.fs.Calls("CreateOneDirectory").empty());
  EXPECT_EQ(menu.fake.device->text_at_discard.size(), 1u);
}

TEST(OfferCreateTest, PosixCreationErrorsSayWhatTheSystemSaid) {
  // errno values arrive as the Windows numbers nearest them; on POSIX the message says what
  // errno said, where the Windows runtime's table names an unrelated fault for the same number.
  struct Case {
    int code;
    const char* posix;
    const char* windows;
  };
  const Case cases[] = {
      {206, "File name too long", "Floating point underflow"},              // ENAMETOOLONG
      {112, "No space left on device", "Unexpected error 112"},             // ENOSPC, EDQUOT
      {1921, "Too many levels of symbolic links", "Unexpected error 129"},  // ELOOP
      {19, "Read-only file system", "Unexpected error 19"},                 // EROFS
      {3, "Path not found", "Path not found"},                              // ENOENT, ENOTDIR
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    for (HostKind host : {HostKind::kPosix, HostKind::kWindows}) {
      const bool posix = host == HostKind::kPosix;
      FakeRun faked(host, posix ? "/work" : "C:\\Work", std::nullopt, {{'y', 0}});
      const std::string level = posix ? "/work/p/new" : "C:\\Work\\p\\new";
      faked.fs.create_codes = {{level, c.code}};
      CandidateList one{{level + (posix ? "/" : "\\"), kCreateRank}};
      OfferCreate(faked.run, "p?/new", one);
      EXPECT_EQ(faked.fake.device->TextIn(kColourError),
                "Dirhop: No directories found matching 'p?/new'" +
                    std::string(posix ? c.posix : c.windows) + " creating directory '" + level +
                    "'");
    }
  }
}

TEST(OfferCreateTest, SeveralCandidatesGoThroughTheChooser) {
  FakeRun faked(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{27, 0}});
  CandidateList two{{"C:\\Work\\proj\\new\\", kCreateRank}, {"pro\\new", kCreateRank}};
  OfferCreate(faked.run, "pro\\new", two);
  const std::string text = faked.fake.device->Text();
  EXPECT_EQ(text.rfind("Dirhop: No directories found matching 'pro\\new'\n"
                       "** Create a new directory? **\n\n[a] C:\\Work\\proj\\new\\",
                       0),
            0u);
  EXPECT_NE(text.find("Create directory (a-b or Escape to exit)? Exit\n"), std::string::npos);
  EXPECT_TRUE(faked.fs.Calls("CreateOneDirectory").empty());
}

}  // namespace
}  // namespace dirhop
