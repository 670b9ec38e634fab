#include "core/create_offer.h"

#include <gtest/gtest.h>

#include <map>

#include "support/fake_console.h"
#include "support/program_exit_helpers.h"

namespace dirhop {
namespace {

using test::ExitCodeOf;
using test::FakeConsole;
using test::MakeFakeConsole;

// Records every directory creation and answers with a scripted code (0 when not scripted).
struct FakeCreator {
  std::map<std::string, int> codes;
  std::vector<std::string> calls;
  CreateDirectoryFn Fn() {
    return [this](const std::string& path) {
      calls.push_back(path);
      auto found = codes.find(path);
      return found == codes.end() ? 0 : found->second;
    };
  }
};

Run MakeRun(FakeConsole& fake, PathSyntax syntax) {
  return Run{*fake.console, syntax, HandoffFormat::kBatch, "C:\\Work", true, {}};
}

TEST(CreatePathReportingTest, ReportsTheFailingLevelInWords) {
  FakeConsole fake = MakeFakeConsole();
  dirhop::Run run = MakeRun(fake, kWindowsPaths);
  FakeCreator creator;
  creator.codes = {{"C:\\a\\b", 3}};
  EXPECT_FALSE(CreatePathReporting(run, "C:\\a\\b\\c", creator.Fn()));
  EXPECT_EQ(test::WrittenIn(fake, kColourError), "Path not found creating directory 'C:\\a\\b'");
  EXPECT_EQ(fake.device->Text(), "Path not found creating directory 'C:\\a\\b'\n");

  FakeConsole quiet = MakeFakeConsole();
  dirhop::Run quiet_run = MakeRun(quiet, kPosixPaths);
  FakeCreator posix;
  EXPECT_TRUE(CreatePathReporting(quiet_run, "/home/u/new", posix.Fn()));
  EXPECT_EQ(quiet.device->Text(), "");
}

TEST(OfferCreateTest, NothingToOfferReportsOnlyTheMissingMatch) {
  FakeConsole fake = MakeFakeConsole();
  dirhop::Run run = MakeRun(fake, kWindowsPaths);
  std::vector<Candidate> none;
  FakeCreator creator;
  OfferCreate(run, "pro*\\x", none, creator.Fn());
  EXPECT_EQ(test::Written(fake), "Dirhop: No directories found matching 'pro*\\x'\n");
  EXPECT_EQ(fake.device->TextIn(kColourError), "Dirhop: No directories found matching 'pro*\\x'");
  EXPECT_TRUE(creator.calls.empty());
}

TEST(OfferCreateTest, SinglePromptIgnoresOtherKeysAndDeclinesWith255) {
  for (Key decline : {Key{'n', 0}, Key{'N', 0}, Key{13, 0}, Key{27, 0}, Key{3, 0}}) {
    FakeConsole fake = MakeFakeConsole(std::nullopt, {{'x', 0}, {0, 72}, {' ', 0}, decline});
    dirhop::Run run = MakeRun(fake, kWindowsPaths);
    std::vector<Candidate> one{{"C:\\Work\\p\\new\\", kCreateRank}};
    FakeCreator creator;
    EXPECT_EQ(ExitCodeOf([&] { OfferCreate(run, "p?\\new", one, creator.Fn()); }), 255);
    EXPECT_EQ(fake.device->TextIn(kColourNotice), "Create 'C:\\Work\\p\\new\\' [y/N] ? No");
    EXPECT_TRUE(creator.calls.empty());
    EXPECT_EQ(fake.device->attribute(), kColourNormal);
  }
}

TEST(OfferCreateTest, YesCreatesTheOfferedPath) {
  FakeConsole fake = MakeFakeConsole(std::nullopt, {{'y', 0}});
  dirhop::Run run = MakeRun(fake, kWindowsPaths);
  std::vector<Candidate> one{{"C:\\Work\\p\\new\\", kCreateRank}};
  FakeCreator creator;
  creator.codes = {{"C:\\Work\\p\\new", 112}};  // the disk is full: reported, nothing entered
  OfferCreate(run, "p?\\new", one, creator.Fn());
  EXPECT_EQ(creator.calls.back(), "C:\\Work\\p\\new");
  EXPECT_EQ(fake.device->TextIn(kColourNotice), "Create 'C:\\Work\\p\\new\\' [y/N] ? Yes");
  EXPECT_NE(fake.device->Text().find("Unexpected error 112 creating directory 'C:\\Work\\p\\new'"),
            std::string::npos);
}

TEST(OfferCreateTest, SeveralCandidatesGoThroughTheChooser) {
  FakeConsole fake = MakeFakeConsole({{80, 25}}, {{27, 0}});
  dirhop::Run run = MakeRun(fake, kWindowsPaths);
  std::vector<Candidate> two{{"C:\\Work\\proj\\new\\", kCreateRank}, {"pro\\new", kCreateRank}};
  FakeCreator creator;
  OfferCreate(run, "pro\\new", two, creator.Fn());
  const std::string text = fake.device->Text();
  EXPECT_EQ(text.rfind("Dirhop: No directories found matching 'pro\\new'\n"
                       "** Create a new directory? **\n\n[a] C:\\Work\\proj\\new\\",
                       0),
            0u);
  EXPECT_NE(text.find("Create directory (a-b or Escape to exit)? Exit\n"), std::string::npos);
  EXPECT_TRUE(creator.calls.empty());
}

}  // namespace
}  // namespace dirhop
