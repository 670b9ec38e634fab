// The options: what each command line parses into, and what each row of the table does when run
// (exit code, console text, calls made), history indexes included.
#include "core/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/launcher.h"
#include "support/fake_run.h"
#include "support/program_exit_helpers.h"

namespace dirhop {
namespace {

using platform::HostKind;
using test::ExitCodeOf;
using test::FakeRun;
using Words = std::vector<std::string>;

ParsedCommandLine Parse(const Words& words) {
  return ParseCommandLine(CommandWords::FromArguments(words, "C:\\dirhop.exe"));
}

int RunWords(FakeRun& faked, const Words& words) {
  return ExitCodeOf([&] { RunOption(faked.run, Parse(words)); });
}

TEST(ParseCommandLineTest, EachRowInTheOrderTestedIgnoringCase) {
  struct Row {
    Words words;
    OptionId option;
    Words parsed;
  };
  const std::vector<Row> rows = {
      {{}, OptionId::kStartDir, {}},
      {{"proj", "x y"}, OptionId::kPathSpec, {"proj x y"}},
      {{"proj", "-a"}, OptionId::kPathSpec, {"proj -a"}},
      {{"-?"}, OptionId::kUsage, {}},
      {{"-a"}, OptionId::kAlias, {}},
      {{"-A", "w", "C:\\x"}, OptionId::kAlias, {"w", "C:\\x"}},
      {{"-w", "ignored"}, OptionId::kWelcome, {}},
      {{"-l"}, OptionId::kHistoryList, {}},
      {{"-H"}, OptionId::kHistoryList, {}},
      {{"-Mail"}, OptionId::kMail, {}},
      {{"-manual"}, OptionId::kManual, {}},
      {{"-HELP"}, OptionId::kManual, {}},
      {{"-x"}, OptionId::kExplorer, {}},
      {{"-home"}, OptionId::kHome, {}},
      {{"-brantel"}, OptionId::kBrantel, {}},
      {{"-"}, OptionId::kHistoryIndex, {""}},
      {{"-3", "more"}, OptionId::kHistoryIndex, {"3"}},
      {{"-la"}, OptionId::kHistoryIndex, {"la"}},
      {{"--help"}, OptionId::kHistoryIndex, {"-help"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.words.empty() ? "(no words)" : row.words.front());
    const ParsedCommandLine parsed = Parse(row.words);
    EXPECT_EQ(parsed.option, row.option);
    EXPECT_EQ(parsed.words, row.parsed);
  }
}

TEST(RunOptionTest, NoWordsPrintTheStartDirectory) {
  FakeRun faked(HostKind::kWindows, "C:\\Work");
  EXPECT_EQ(RunWords(faked, {}), kExitOk);
  EXPECT_EQ(test::Written(faked.fake), "C:\\Work\n");
}

TEST(RunOptionTest, TheScreensFollowTheHostAndEndWith250) {
  for (HostKind host : {HostKind::kWindows, HostKind::kPosix}) {
    const bool windows = host == HostKind::kWindows;
    SCOPED_TRACE(windows ? "windows" : "posix");
    FakeRun welcome(host, windows ? "C:\\Work" : "/home/u", {{80, 300}});
    EXPECT_EQ(RunWords(welcome, {"-w"}), kExitScreenShown);
    EXPECT_NE(test::Written(welcome.fake)
                  .find(windows ? "replacement for DOS's CD command" : "replacement for the cd"),
              std::string::npos);

    FakeRun usage(host, windows ? "C:\\Work" : "/home/u", {{80, 300}});
    EXPECT_EQ(RunWords(usage, {"-?"}), kExitScreenShown);
    const std::string text = test::Written(usage.fake);
    EXPECT_EQ(text.find("Dirhop "), 0u);
    EXPECT_EQ(text.find("D: is a drive letter") != std::string::npos, windows);
  }
}

TEST(RunOptionTest, AliasAndHistoryRowsWorkOnTheRunsSettings) {
  FakeRun define(HostKind::kWindows, "C:\\Work");
  EXPECT_EQ(RunWords(define, {"-a", "w", "."}), kExitOk);
  EXPECT_EQ(define.settings.record.AliasName(1), "w");
  EXPECT_EQ(define.settings.record.AliasTarget(1), "C:\\Work");
  FakeRun refuse(HostKind::kWindows, "C:\\Work");
  EXPECT_EQ(RunWords(refuse, {"-a", "far", std::string(256, 'x')}), kExitError);
  EXPECT_NE(refuse.settings.record.AliasName(1), "far");

  FakeRun list(HostKind::kWindows, "C:\\Work");
  list.settings.record.SetHistory(0, "C:\\Work");
  list.settings.record.SetHistory(1, "C:\\Old");
  EXPECT_EQ(RunWords(list, {"-h"}), kExitOk);
  const std::string text = test::Written(list.fake);
  EXPECT_LT(text.find("1  C:\\Old"), text.find("0  C:\\Work"));

  FakeRun empty(HostKind::kWindows, "C:\\Work");
  EXPECT_EQ(RunWords(empty, {"-L"}), kExitOk);
  EXPECT_EQ(test::Written(empty.fake), "No directories in history.\n");
}

TEST(RunOptionTest, LaunchRowsOpenTheirTargetThroughTheFileSystem) {
  struct Row {
    HostKind host;
    const char* word;
    std::string call;
  };
  const std::vector<Row> rows = {
      {HostKind::kWindows, "-mail",
       std::string("OpenWithShell mailto:") + SupportEmailAddress() +
           "?Subject=Dirhop Technical Support"},
      {HostKind::kWindows, "-manual", "OpenWithShell C:\\Program Files\\Dirhop\\dirhop.chm"},
      {HostKind::kPosix, "-help", "OpenWithShell /opt/dirhop/share/doc/dirhop/dirhop.html"},
      {HostKind::kWindows, "-x", "OpenWithShell explorer.exe /e,."},
      {HostKind::kPosix, "-x", "OpenWithShell ."},
      {HostKind::kWindows, "-home", std::string("OpenWithShell ") + HomePageAddress()},
      {HostKind::kWindows, "-brantel", std::string("OpenWithShell ") + MakerSiteAddress()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.word);
    FakeRun faked(row.host, row.host == HostKind::kWindows ? "C:\\Work" : "/home/u");
    EXPECT_EQ(RunWords(faked, {row.word}), kExitOk);
    EXPECT_EQ(faked.fs.Calls("OpenWithShell"), std::vector<std::string>{row.call});
    EXPECT_EQ(test::Written(faked.fake).find("Starting "), 0u);
  }
}

TEST(RunOptionTest, AHistoryIndexGoesToThatEntry) {
  for (const char* word : {"-", "-1", "-$1", "- 1", "-+1"}) {
    SCOPED_TRACE(word);
    FakeRun faked(HostKind::kWindows, "C:\\Work");
    faked.fs.AddDirectory("C:\\Old");
    faked.settings.record.SetHistory(0, "C:\\Work");
    faked.settings.record.SetHistory(1, "C:\\Old");
    EXPECT_EQ(RunWords(faked, {word}), kExitOk);
    EXPECT_EQ(faked.fs.Calls("ChangeDirectory"),
              std::vector<std::string>{"ChangeDirectory C:\\Old"});
    EXPECT_EQ(faked.fs.files[test::kWindowsHandoffPath], "C:\r\nchdir \"\\Old\"\r\n");
  }
}

TEST(RunOptionTest, AHistoryIndexOutOfRangeOrBeyondTheHistoryIsReported) {
  for (const char* text : {"0", "21", "-1", "abc", "$15", "2x", "99999999999"}) {
    SCOPED_TRACE(text);
    FakeRun faked(HostKind::kWindows, "C:\\Work");
    EXPECT_EQ(RunWords(faked, {std::string("-") + text}), kExitError);
    EXPECT_EQ(
        test::WrittenIn(faked.fake, kColourError),
        std::string("Dirhop: Invalid history index '") + text + "' (valid values are 1 to 20).");
  }
  for (const auto& [word, number] :
       std::vector<std::pair<std::string, std::string>>{{"-", "1"}, {"-20", "20"}, {"-$a", "10"}}) {
    SCOPED_TRACE(word);
    FakeRun faked(HostKind::kWindows, "C:\\Work");
    faked.settings.record.SetHistory(0, "C:\\Work");
    EXPECT_EQ(RunWords(faked, {word}), kExitError);
    EXPECT_EQ(test::WrittenIn(faked.fake, kColourError),
              "Dirhop: History does not yet extend back " + number + " entries.");
    EXPECT_EQ(faked.fs.log, std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace dirhop
