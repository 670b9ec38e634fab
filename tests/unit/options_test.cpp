// The options: what each command line parses into, and what each row of the table does when run
// (exit code, console text, calls made), history indexes included.
#include "core/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/visible_text.h"
#include "core/launcher.h"
#include "core/shell_scripts.h"
#include "support/fake_run.h"

namespace dirhop {
namespace {

using platform::HostKind;
using test::FakeRun;
using Words = std::vector<std::string>;

ParsedCommandLine Parse(const Words& words) {
  return ParseCommandLine(CommandWords::FromArguments(words, "C:\\dirhop.exe"));
}

int RunWords(FakeRun& faked, const Words& words) { return RunOption(faked.run, Parse(words)); }

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
      {{"--Help"}, OptionId::kHelp, {}},
      {{"--version", "x"}, OptionId::kVersion, {}},
      {{"--INIT", "fish", "x"}, OptionId::kInit, {"fish", "x"}},
      {{"--list", "-a", "pro"}, OptionId::kList, {"-a pro"}},
      {{"--list"}, OptionId::kList, {""}},
      {{"--aliases"}, OptionId::kAliasNames, {}},
      {{"--places", "x"}, OptionId::kPlaces, {}},
      {{"--forget", "/a b"}, OptionId::kForget, {"/a b"}},
      {{"--Import", "z", "f"}, OptionId::kImport, {"z", "f"}},
      {{"--record-visit", "/d"}, OptionId::kRecordVisit, {"/d"}},
      {{"--x"}, OptionId::kUnknown, {"--x"}},
      {{"--HLEP", "x"}, OptionId::kUnknown, {"--HLEP"}},
      {{"--"}, OptionId::kUnknown, {"--"}},
      {{"-version"}, OptionId::kHistoryIndex, {"version"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.words.empty() ? "(no words)" : row.words.front());
    const ParsedCommandLine parsed = Parse(row.words);
    EXPECT_EQ(parsed.option, row.option);
    EXPECT_EQ(parsed.words, row.parsed);
  }
}

TEST(RunOptionTest, NoWordsPrintTheStartDirectoryOnWindowsAndGoHomeOnPosix) {
  FakeRun windows(HostKind::kWindows, "C:\\Work");
  windows.host.SetEnv("HOME", "C:\\Users\\u");
  EXPECT_EQ(RunWords(windows, {}), kExitOk);
  EXPECT_EQ(test::Written(windows.fake), "C:\\Work\n");
  EXPECT_TRUE(windows.fs.files.empty());

  FakeRun posix(HostKind::kPosix, "/work");
  posix.fs.AddDirectory("/home/u");
  posix.host.SetEnv("HOME", "/home/u");
  EXPECT_EQ(RunWords(posix, {}), kExitOk);
  EXPECT_EQ(posix.fs.current(), "/home/u");
  EXPECT_EQ(posix.fs.files[test::kPosixHandoffPath], "cd -- '/home/u'\n");
  EXPECT_EQ(posix.settings.record.History(0), "/home/u");

  FakeRun homeless(HostKind::kPosix, "/work");
  EXPECT_EQ(RunWords(homeless, {}), kExitError);
  EXPECT_EQ(test::Written(homeless.fake), "Dirhop: HOME is not set\n");
  EXPECT_TRUE(homeless.fs.files.empty());
}

TEST(RunOptionTest, QueriesAreExactlyTheOptionsThatLeaveNoTrace) {
  for (OptionId id : {OptionId::kHelp, OptionId::kVersion, OptionId::kInit, OptionId::kList,
                      OptionId::kAliasNames, OptionId::kUnknown}) {
    EXPECT_TRUE(IsQuery(id));
    EXPECT_FALSE(IsPlacesOption(id));
  }
  for (OptionId id :
       {OptionId::kPlaces, OptionId::kForget, OptionId::kImport, OptionId::kRecordVisit}) {
    EXPECT_TRUE(IsQuery(id));
    EXPECT_TRUE(IsPlacesOption(id));
  }
  for (OptionId id : {OptionId::kPathSpec, OptionId::kStartDir, OptionId::kUsage, OptionId::kAlias,
                      OptionId::kHistoryList, OptionId::kHistoryIndex}) {
    EXPECT_FALSE(IsQuery(id));
    EXPECT_FALSE(IsPlacesOption(id));
  }
}

TEST(RunOptionTest, HelpVersionAndInitPrintWhatTheyNameAndEndWithZero) {
  FakeRun help(HostKind::kPosix, "/work", {{80, 300}});
  EXPECT_EQ(RunWords(help, {"--help"}), kExitOk);
  EXPECT_EQ(test::Written(help.fake).find("Dirhop "), 0u);

  FakeRun version(HostKind::kWindows, "C:\\Work");
  EXPECT_EQ(RunWords(version, {"--version"}), kExitOk);
  EXPECT_EQ(test::Written(version.fake), "dirhop 3.1\n");

  EXPECT_NE(kBashIntegration, kFishIntegration);
  EXPECT_NE(kBashIntegration, kPowerShellIntegration);
  // Every shell: the start gets the loader of the jump and the completion, which --jump
  // and --completion give; together they hold every line of the file but its markers, the part
  // that finds the program beside the sourced file, and the hook of --remember-cd.
  struct Split {
    const char* shell;
    std::string_view integration;
    std::string_view loader;
    const char* jump_only;
    const char* tab_only;
    const char* hook;
  };
  for (const Split& split :
       {Split{"bash", kBashIntegration, kBashLoader, "_dirhop_make_handoff()",
              "_dirhop_complete_word()", "_dirhop_remember_cd"},
        Split{"ZSH", kBashIntegration, kBashLoader, "_dirhop_make_handoff()",
              "_dirhop_complete_word()", "_dirhop_remember_cd"},
        Split{"fish", kFishIntegration, kFishLoader, "function __dirhop_make_file",
              "string escape --style=regex", "__dirhop_remember_cd"},
        Split{"powershell", kPowerShellIntegration, kPowerShellLoader,
              "function global:New-DirhopSessionFile", "function global:Complete-DirhopWord",
              "Enable-DirhopRememberCd"},
        Split{"PWSH", kPowerShellIntegration, kPowerShellLoader,
              "function global:New-DirhopSessionFile", "function global:Complete-DirhopWord",
              "Enable-DirhopRememberCd"}}) {
    SCOPED_TRACE(split.shell);
    const auto init = [&split](const Words& extra) {
      FakeRun run(HostKind::kPosix, "/work");
      Words words{"--init", split.shell};
      words.insert(words.end(), extra.begin(), extra.end());
      EXPECT_EQ(RunWords(run, words), kExitOk);
      return test::Written(run.fake);
    };
    const std::string start = init({});
    const std::string jump = init({"--jump"});
    const std::string tab = init({"--completion"});
    EXPECT_NE(start.find(std::string(split.loader)), std::string::npos);
    for (const char* later : {split.jump_only, split.tab_only, split.hook, "#@", "../../bin"}) {
      EXPECT_EQ(start.find(later), std::string::npos) << later;
    }
    EXPECT_NE(jump.find(split.jump_only), std::string::npos);
    EXPECT_EQ(jump.find(split.tab_only), std::string::npos);
    EXPECT_NE(tab.find(split.tab_only), std::string::npos);
    EXPECT_EQ(tab.find(split.jump_only), std::string::npos);
    EXPECT_LT(start.size() + jump.size() + tab.size(),
              split.integration.size() + split.loader.size());
    const std::string hooked = init({"--remember-cd"});
    EXPECT_NE(hooked.find(split.hook), hooked.rfind(split.hook));
    EXPECT_EQ(hooked.substr(hooked.rfind('\n', hooked.size() - 2) + 1),
              std::string(split.hook) + "\n");
  }

  for (const Words& words : {Words{"--init", "tcsh"}, Words{"--init"}}) {
    FakeRun unknown(HostKind::kPosix, "/work");
    EXPECT_EQ(RunWords(unknown, words), kExitError);
    EXPECT_EQ(test::Written(unknown.fake),
              "Dirhop: Unknown shell '" + (words.size() > 1 ? words[1] : std::string()) +
                  "' for --init (use bash, zsh, fish or powershell)\n");
  }
}

TEST(RunOptionTest, AnUnknownDoubleDashWordSaysSoAndPointsToHelp) {
  for (HostKind host : {HostKind::kWindows, HostKind::kPosix}) {
    for (const Words& words : {Words{"--hlep"}, Words{"--Version2", "x"}, Words{"--\x1b"}}) {
      SCOPED_TRACE(words.front());
      FakeRun faked(host, host == HostKind::kWindows ? "C:\\Work" : "/work");
      faked.settings.record.SetHistory(1, host == HostKind::kWindows ? "C:\\Old" : "/old");
      EXPECT_EQ(RunWords(faked, words), kExitError);
      // A control character is shown as its escape, never sent to the terminal.
      const std::string shown = VisibleText(words.front());
      EXPECT_EQ(shown.find('\x1b'), std::string::npos);
      EXPECT_EQ(test::Written(faked.fake),
                "Dirhop: Unknown option '" + shown + "' (c --help or c -? lists the options)\n");
      EXPECT_EQ(test::WrittenIn(faked.fake, kColourError),
                "Dirhop: Unknown option '" + shown + "' (c --help or c -? lists the options)");
      // Nothing is looked up, changed or written.
      EXPECT_EQ(faked.fs.log, std::vector<std::string>{});
    }
  }
}

TEST(RunOptionTest, ListPrintsWhereAJumpWouldGoAndChangesNothing) {
  struct Row {
    Words words;
    int code;
    std::string printed;
  };
  const std::vector<Row> rows = {
      {{"--list", "proj"}, kExitOk, "/work/proj\n"},            // names a directory
      {{"--list", "pr"}, kExitOk, "/work/prod\n/work/proj\n"},  // the search's best, sorted
      {{"--list", "prj/sr"}, kExitOk, "/work/proj/src\n"},      // typo and abbreviation
      {{"--list", "w"}, kExitOk, "/srv/www\n"},                 // an alias
      {{"--list", "proj/src/x"}, kExitNotFound, ""},            // no match: no creation offer
      {{"--list"}, kExitOk, "/work\n"},                         // the empty spec is the base
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.words.size() > 1 ? row.words[1] : "(none)");
    FakeRun faked(HostKind::kPosix, "/work");
    faked.fs.AddDirectory("/work/proj/src");
    faked.fs.AddDirectory("/work/prod");
    faked.fs.AddDirectory("/srv/www");
    faked.settings.record.SetAlias(1, "w", "/srv/www");
    const SettingsRecord before = faked.settings.record;
    EXPECT_EQ(RunWords(faked, row.words), row.code);
    EXPECT_EQ(test::Written(faked.fake), row.printed);
    EXPECT_TRUE(faked.fs.files.empty());  // no hand-off
    EXPECT_TRUE(faked.fs.Calls("CreateOneDirectory").empty());
    EXPECT_EQ(faked.settings.record.Image(), before.Image());
    EXPECT_EQ(faked.store.opens, 0);
  }
}

TEST(RunOptionTest, ListIsSilentWhenTheSpecCannotBeSearched) {
  FakeRun removed(HostKind::kPosix, "/work");
  removed.fs.current_removed = true;
  EXPECT_EQ(RunWords(removed, {"--list", "x"}), kExitNotFound);
  FakeRun drive(HostKind::kWindows, "C:\\Work");
  EXPECT_EQ(RunWords(drive, {"--list", "1:x"}), kExitNotFound);
  EXPECT_EQ(test::Written(removed.fake) + test::Written(drive.fake), "");
}

TEST(RunOptionTest, AliasNamesAreListedMostRecentFirst) {
  FakeRun faked(HostKind::kPosix, "/work");
  for (int slot = 1; slot <= kAliasSlots; ++slot) faked.settings.record.ClearAlias(slot);
  EXPECT_EQ(RunWords(faked, {"--aliases"}), kExitOk);
  EXPECT_EQ(test::Written(faked.fake), "");
  faked.settings.record.SetAlias(1, "web", "/srv/www");
  faked.settings.record.SetAlias(2, "src", "/work/src");
  EXPECT_EQ(RunWords(faked, {"--aliases"}), kExitOk);
  EXPECT_EQ(test::Written(faked.fake), "web\nsrc\n");
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

    // Left at the pager's prompt, a screen ends the run with 0.
    for (const char* option : {"-?", "-w", "--help"}) {
      FakeRun left(host, windows ? "C:\\Work" : "/home/u", {{80, 5}}, {Key{0x1b, 0}});
      EXPECT_EQ(RunWords(left, {option}), kExitOk) << option;
    }
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
  // The addresses of this build, or the manual where an address is only an example.
  const std::string chm = "OpenWithShell C:\\Program Files\\Dirhop\\dirhop.chm";
  const auto call = [&chm](const char* address, const std::string& real) {
    return IsPlaceholderAddress(address) ? chm : real;
  };
  const std::vector<Row> rows = {
      {HostKind::kWindows, "-mail",
       call(SupportEmailAddress(), std::string("OpenWithShell mailto:") + SupportEmailAddress() +
                                       "?Subject=Dirhop Technical Support")},
      {HostKind::kWindows, "-manual", chm},
      {HostKind::kPosix, "-help", "OpenWithShell /opt/dirhop/share/doc/dirhop/dirhop.html"},
      {HostKind::kWindows, "-x", "OpenWithShell explorer.exe /e,."},
      {HostKind::kPosix, "-x", "OpenWithShell ."},
      {HostKind::kWindows, "-home",
       call(HomePageAddress(), std::string("OpenWithShell ") + HomePageAddress())},
      {HostKind::kWindows, "-brantel",
       call(MakerSiteAddress(), std::string("OpenWithShell ") + MakerSiteAddress())},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.word);
    FakeRun faked(row.host, row.host == HostKind::kWindows ? "C:\\Work" : "/home/u");
    EXPECT_EQ(RunWords(faked, {row.word}), kExitOk);
    EXPECT_EQ(faked.host.Calls("OpenWithShell"), std::vector<std::string>{row.call});
    EXPECT_EQ(test::Written(faked.fake).find("Starting "), 0u);
  }
}

TEST(RunOptionTest, WithoutADesktopOpenerPosixShowsTheManualPage) {
  struct Row {
    HostKind host;
    bool opener;
    int man_result;
    const char* call;  // the launch made
    std::string text;
  };
  const std::string announcement = "Starting program to display Dirhop help manual\n";
  const std::vector<Row> rows = {
      {HostKind::kPosix, false, 16, "RunInTerminal man dirhop", announcement},
      {HostKind::kPosix, false, -1, "RunInTerminal man dirhop",
       announcement + "Error: man dirhop - The specified file was not found.\n"},
      {HostKind::kPosix, true, 0, "OpenWithShell /opt/dirhop/share/doc/dirhop/dirhop.html",
       announcement},
      {HostKind::kWindows, false, 0, "OpenWithShell C:\\Program Files\\Dirhop\\dirhop.chm",
       announcement},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.call);
    FakeRun faked(row.host, row.host == HostKind::kWindows ? "C:\\Work" : "/work");
    faked.host.desktop_opener = row.opener;
    faked.host.terminal_result = row.man_result;
    EXPECT_EQ(RunWords(faked, {"-manual"}), kExitOk);
    std::vector<std::string> launches = faked.host.Calls("RunInTerminal");
    for (const std::string& call : faked.host.Calls("OpenWithShell")) launches.push_back(call);
    EXPECT_EQ(launches, std::vector<std::string>{row.call});
    EXPECT_EQ(test::Written(faked.fake), row.text);
  }
}

TEST(RunOptionTest, WithoutADesktopOpenerPosixSaysThereIsNoFileManager) {
  FakeRun posix(HostKind::kPosix, "/work");
  posix.host.desktop_opener = false;
  EXPECT_EQ(RunWords(posix, {"-x"}), kExitError);
  EXPECT_EQ(posix.host.Calls("OpenWithShell"), std::vector<std::string>{});
  EXPECT_EQ(test::WrittenIn(posix.fake, kColourError),
            "Dirhop: No file manager to start (neither xdg-open nor open is installed)");
  EXPECT_EQ(test::Written(posix.fake).find("Starting"), std::string::npos);
  // Windows always has Explorer to start.
  FakeRun windows(HostKind::kWindows, "C:\\Work");
  windows.host.desktop_opener = false;
  EXPECT_EQ(RunWords(windows, {"-x"}), kExitOk);
  EXPECT_EQ(windows.host.Calls("OpenWithShell").size(), 1u);
  EXPECT_EQ(test::Written(windows.fake), "Starting Explorer in current directory\n");
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
  for (const char* text : {"0", "21", "abc", "$15", "2x", "99999999999"}) {
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
