// The main flow on an in-memory file system: the order of its steps (direct attempt, alias, drive
// letter, root, drive-relative base, parent steps, empty spec, search, creation offer, chooser)
// and the hand-off GoToDirectory writes, told by exit code, console text and the calls made.
#include "core/main_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/handoff.h"
#include "state/pending_save.h"
#include "support/fake_run.h"

namespace dirhop {
namespace {

using platform::HostKind;
using test::FakeRun;
using test::kWindowsHandoffPath;
using Log = std::vector<std::string>;

// MainFlow as RunProgram runs it, with the saves it leaves pending made.
int Flow(FakeRun& faked, const std::vector<std::string>& words) {
  return RunWithPendingSave(faked.run.console, faked.settings, [&] {
    return MainFlow(faked.run, ParseCommandLine(CommandWords::FromArguments(
                                   words, faked.run.facts.own_file_path)));
  });
}

// The hand-off written for the Windows host; empty when none was written.
std::string Handoff(FakeRun& faked) { return faked.fs.files[kWindowsHandoffPath]; }

// The batch hand-off that enters `directory` (with a drive letter, no '!').
std::string BatchFor(const std::string& directory) {
  return HandOffText(directory, HandoffFormat::kBatch) + "\r\n";
}

// The POSIX hand-off written, and the one that enters `directory` (no quote in it).
std::string PosixHandoff(FakeRun& faked) { return faked.fs.files[test::kPosixHandoffPath]; }
std::string ShellFor(const std::string& directory) { return "cd -- '" + directory + "'\n"; }

// A Windows run in C:\Work with C:\Work\proj, C:\Programs and C:\Other.
struct WorkTree : FakeRun {
  WorkTree() : FakeRun(HostKind::kWindows, "C:\\Work") {
    fs.AddDirectory("C:\\Work\\proj");
    fs.AddDirectory("C:\\Programs");
    fs.AddDirectory("C:\\Other");
  }
};

TEST(MainFlowTest, TheDirectAttemptComesBeforeTheAlias) {
  WorkTree faked;
  faked.settings.record.SetAlias(1, "proj", "C:\\Other");
  EXPECT_EQ(Flow(faked, {"proj"}), kExitOk);
  EXPECT_EQ(Handoff(faked), BatchFor("C:\\Work\\proj"));
  EXPECT_EQ(faked.fs.Calls("ChangeDirectory"),
            (Log{"ChangeDirectory proj", "ChangeDirectory C:\\Work\\proj"}));
  EXPECT_EQ(faked.settings.record.History(0), "C:\\Work\\proj");
  EXPECT_EQ(test::Written(faked.fake), "");
}

TEST(MainFlowTest, AnAliasIsTriedWhenTheSpecIsNoDirectory) {
  WorkTree faked;
  faked.settings.record.SetAlias(1, "oth", "C:\\Other");
  faked.Stored();
  EXPECT_EQ(Flow(faked, {"OTH"}), kExitOk);
  EXPECT_EQ(Handoff(faked), BatchFor("C:\\Other"));
  EXPECT_EQ(faked.fs.Calls("ChangeDirectory"),
            (Log{"ChangeDirectory OTH", "ChangeDirectory C:\\Other"}));
  EXPECT_TRUE(faked.fs.Calls("ListSubdirectories").empty());
  EXPECT_EQ(faked.settings.record.AliasName(1), "OTH");  // promoted under the spelling typed
}

TEST(MainFlowTest, AnInvalidDriveLetterIsReportedBeforeAnythingIsRead) {
  for (const char* spec : {"1:x", "1:", "[:..\\a"}) {
    SCOPED_TRACE(spec);
    WorkTree faked;
    EXPECT_EQ(Flow(faked, {spec}), kExitError);
    const std::string drive(1, spec[0]);
    EXPECT_EQ(test::WrittenIn(faked.fake, kColourError),
              "Dirhop: Invalid drive letter '" + drive + "' (valid drives are A: through Z:)");
    EXPECT_TRUE(faked.fs.Calls("DriveCurrentDirectory").empty());
    EXPECT_TRUE(faked.fs.Calls("CurrentDirectoryRemoved").empty());
    EXPECT_TRUE(faked.fs.Calls("ListSubdirectories").empty());
    EXPECT_EQ(faked.fs.Calls("WriteFileContents"), Log{});
  }
}

TEST(MainFlowTest, ADriveLetterSearchesFromThatDrivesCurrentDirectory) {
  WorkTree faked;
  faked.fs.SetDriveDirectory("D:\\Data");
  faked.fs.AddDirectory("D:\\Data\\project");
  EXPECT_EQ(Flow(faked, {"d:proj"}), kExitOk);
  EXPECT_EQ(Handoff(faked), BatchFor("D:\\Data\\project"));
  EXPECT_EQ(faked.fs.Calls("DriveCurrentDirectory"), Log{"DriveCurrentDirectory D"});
  EXPECT_EQ(faked.fs.Calls("ListSubdirectories").front(), "ListSubdirectories D:\\Data\\");
  // A drive given is not the process's directory: whether that was removed does not matter.
  EXPECT_TRUE(faked.fs.Calls("CurrentDirectoryRemoved").empty());
}

TEST(MainFlowTest, ADriveAloneIsEnteredOrReported) {
  WorkTree present;
  present.fs.SetDriveDirectory("D:\\Data");
  EXPECT_EQ(Flow(present, {"D:"}), kExitOk);
  EXPECT_EQ(Handoff(present), BatchFor("D:\\Data"));

  WorkTree missing;
  EXPECT_EQ(Flow(missing, {"q:"}), kExitError);
  EXPECT_EQ(test::Written(missing.fake), "Dirhop: Could not change directory to 'q:'\n");
  EXPECT_TRUE(missing.fs.Calls("ListSubdirectories").empty());
}

// The base each spec is searched from: the root of the drive for a leading separator, the base
// climbed one level for each parent step (three characters taken at a time, so "..abc" is one
// step, then "bc").
TEST(MainFlowTest, RootsAndParentStepsChooseTheBase) {
  struct Row {
    const char* start;
    const char* other_drive;  // a current directory on another drive, or null
    const char* tree;         // the one directory to be found
    const char* spec;
    const char* first_listing;
  };
  const Row rows[] = {
      {"C:\\Work", nullptr, "C:\\Programs", "\\prog", "C:\\"},
      {"C:\\Work", "E:\\Deep\\Down", "E:\\Music", "e:\\mus", "E:\\"},
      {"C:\\Work\\a\\b", nullptr, "C:\\Work\\other", "..\\..\\oth", "C:\\Work\\"},
      {"C:\\Work\\a", nullptr, "C:\\Work\\bcd", "..abc", "C:\\Work\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.spec);
    FakeRun faked(HostKind::kWindows, row.start);
    if (row.other_drive != nullptr) faked.fs.SetDriveDirectory(row.other_drive);
    faked.fs.AddDirectory(row.tree);
    EXPECT_EQ(Flow(faked, {row.spec}), kExitOk);
    EXPECT_EQ(Handoff(faked), BatchFor(row.tree));
    EXPECT_EQ(faked.fs.Calls("ListSubdirectories").front(),
              std::string("ListSubdirectories ") + row.first_listing);
    EXPECT_TRUE(faked.fs.Calls("DriveCurrentDirectory").empty() ==
                (row.spec[0] == '\\' || row.spec[1] == ':'));
  }
}

TEST(MainFlowTest, AnEmptySpecAfterTheStepsGoesToTheBase) {
  FakeRun faked(HostKind::kWindows, "C:\\Work\\a");
  EXPECT_EQ(Flow(faked, {"..x"}), kExitOk);
  EXPECT_EQ(Handoff(faked), BatchFor("C:\\Work"));
  EXPECT_TRUE(faked.fs.Calls("ListSubdirectories").empty());
}

TEST(MainFlowTest, ARemovedCurrentDirectoryStopsARelativeSearch) {
  WorkTree faked;
  faked.fs.current_removed = true;
  EXPECT_EQ(Flow(faked, {"zz"}), kExitError);
  EXPECT_EQ(test::Written(faked.fake), "Dirhop: The current directory no longer exists\n");
  EXPECT_TRUE(faked.fs.Calls("ListSubdirectories").empty());
}

TEST(MainFlowTest, NoMatchGoesToTheCreationOffer) {
  // An empty directory: nothing below it matches, not even as a typo. The dead end below the base
  // is the spec as typed: offered once, by the single question.
  FakeRun declined(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{27, 0}});
  EXPECT_EQ(Flow(declined, {"newdir"}), kExitCreateDeclined);
  EXPECT_EQ(test::Written(declined.fake),
            "Dirhop: No directories found matching 'newdir'\n"
            "Create 'C:\\Work\\newdir\\' [y/N] ? No\n");
  EXPECT_TRUE(declined.fs.Calls("CreateOneDirectory").empty());
  EXPECT_EQ(declined.fs.Calls("WriteFileContents"), Log{});

  FakeRun accepted(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{'y', 0}});
  EXPECT_EQ(Flow(accepted, {"newdir"}), kExitOk);
  EXPECT_EQ(accepted.fs.Calls("CreateOneDirectory").back(), "CreateOneDirectory C:\\Work\\newdir");
  EXPECT_TRUE(accepted.fs.Exists("C:\\Work\\newdir"));
  EXPECT_EQ(Handoff(accepted), BatchFor("C:\\Work\\newdir"));

  // Two dead ends (pro* leads to two directories without subdirectories): the menu, each once.
  FakeRun two(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{27, 0}});
  two.fs.AddDirectory("C:\\Work\\pro1");
  two.fs.AddDirectory("C:\\Work\\pro2");
  EXPECT_EQ(Flow(two, {"pro*\\newdir"}), kExitOk);
  const std::string menu = test::Written(two.fake);
  EXPECT_EQ(menu.rfind("Dirhop: No directories found matching 'pro*\\newdir'\n"
                       "** Create a new directory? **\n\n",
                       0),
            0u);
  EXPECT_NE(menu.find("C:\\Work\\pro1\\newdir\\"), std::string::npos);
  EXPECT_NE(menu.find("C:\\Work\\pro2\\newdir\\"), std::string::npos);
  EXPECT_EQ(menu.find("[c]"), std::string::npos);

  FakeRun off(HostKind::kWindows, "C:\\Work");
  off.settings.record.SetCanCreatePath(false);
  EXPECT_EQ(Flow(off, {"newdir"}), kExitOk);
  EXPECT_EQ(test::Written(off.fake), "Dirhop: No directories found matching 'newdir'\n");
  EXPECT_EQ(off.fs.Calls("WriteFileContents"), Log{});
}

// A path that would lead through a file is never offered for creation, at any of its levels; the
// run says which file is in the way and ends as one that found nothing.
TEST(MainFlowTest, AFileInTheWayIsSaidNeverOfferedForCreation) {
  FakeRun alone(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{'y', 0}});
  alone.fs.files["C:\\Work\\notes.txt"] = "";
  EXPECT_EQ(Flow(alone, {"notes.txt"}), kExitOk);
  EXPECT_EQ(test::Written(alone.fake),
            "Dirhop: 'C:\\Work\\notes.txt' is a file, not a directory\n");
  EXPECT_TRUE(alone.fs.Calls("CreateOneDirectory").empty());
  EXPECT_EQ(Handoff(alone), "");

  FakeRun deeper(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{'y', 0}});
  deeper.fs.AddDirectory("C:\\Work\\proj");
  deeper.fs.files["C:\\Work\\proj\\readme.md"] = "";
  EXPECT_EQ(Flow(deeper, {"proj\\readme.md\\x"}), kExitOk);
  EXPECT_EQ(test::Written(deeper.fake),
            "Dirhop: 'C:\\Work\\proj\\readme.md' is a file, not a directory\n");
  EXPECT_TRUE(deeper.fs.Calls("CreateOneDirectory").empty());

  // Beside far guesses: the guesses alone, after the line about the file.
  FakeRun guesses(HostKind::kPosix, "/home/u", {{160, 25}}, {{27, 0}});
  guesses.fs.AddDirectory("/home/u/Desktop");
  guesses.fs.files["/home/u/notes.txt"] = "";
  EXPECT_EQ(Flow(guesses, {"notes.txt"}), kExitOk);
  const std::string text = test::Written(guesses.fake);
  EXPECT_EQ(text.rfind("Dirhop: '/home/u/notes.txt' is a file, not a directory\n"
                       "** Nothing close to 'notes.txt' **\n\n[a] /home/u/Desktop",
                       0),
            0u)
      << text;
  EXPECT_EQ(text.find("new"), std::string::npos) << text;
}

TEST(MainFlowTest, FarFetchedGuessesAreShownNeverEntered) {
  // Only a far typo (NOTES.TXT is six edits from Desktop): the menu shows the guess, even alone,
  // with the offer to create the spec where it was typed; one key takes either.
  const auto home = [](FakeRun& faked) {
    faked.fs.AddDirectory("/home/u/Desktop");
    faked.fs.AddDirectory("/home/u/projects/blog/content/posts");
  };
  FakeRun left(HostKind::kPosix, "/home/u", {{160, 25}}, {{27, 0}});
  home(left);
  EXPECT_EQ(Flow(left, {"notes.txt"}), kExitOk);
  const std::string text = test::Written(left.fake);
  EXPECT_EQ(text.rfind("** Nothing close to 'notes.txt' **\n\n[a] /home/u/Desktop", 0), 0u) << text;
  EXPECT_NE(text.find("[b] new /home/u/notes.txt/"), std::string::npos) << text;
  EXPECT_NE(text.find("Change to or create directory (a-b or Escape to exit)? Exit"),
            std::string::npos);
  EXPECT_EQ(left.fs.Calls("WriteFileContents"), Log{});
  EXPECT_TRUE(left.fs.Calls("CreateOneDirectory").empty());

  FakeRun taken(HostKind::kPosix, "/home/u", {{160, 25}}, {{'a', 0}});
  home(taken);
  EXPECT_EQ(Flow(taken, {"pro/blog/content/drafts"}), kExitOk);
  EXPECT_NE(test::Written(taken.fake).find("[a] /home/u/projects/blog/content/posts"),
            std::string::npos);
  EXPECT_EQ(PosixHandoff(taken), ShellFor("/home/u/projects/blog/content/posts"));

  // The creation entry makes the typed name below the directories that exist, not pro/blog/...
  FakeRun created(HostKind::kPosix, "/home/u", {{160, 25}}, {{'b', 0}});
  home(created);
  EXPECT_EQ(Flow(created, {"pro/blog/content/drafts"}), kExitOk);
  EXPECT_TRUE(created.fs.Exists("/home/u/projects/blog/content/drafts"));
  EXPECT_FALSE(created.fs.Exists("/home/u/pro"));
  EXPECT_EQ(PosixHandoff(created), ShellFor("/home/u/projects/blog/content/drafts"));

  // A wildcard that matched nothing: the guess alone, nothing to create.
  FakeRun pattern(HostKind::kPosix, "/home/u/projects", {{160, 25}}, {{27, 0}});
  home(pattern);
  EXPECT_EQ(Flow(pattern, {"zz*"}), kExitOk);
  EXPECT_NE(test::Written(pattern.fake).find("[a] /home/u/projects/blog"), std::string::npos);
  EXPECT_NE(test::Written(pattern.fake).find("Change directory to (a-a or Escape to exit)? Exit"),
            std::string::npos);
  EXPECT_EQ(pattern.fs.Calls("WriteFileContents"), Log{});

  // A plausible slip lands at once.
  FakeRun slip(HostKind::kPosix, "/home/u", {{160, 25}}, {});
  home(slip);
  EXPECT_EQ(Flow(slip, {"Desktpo"}), kExitOk);
  EXPECT_EQ(test::Written(slip.fake), "");
  EXPECT_EQ(PosixHandoff(slip), ShellFor("/home/u/Desktop"));
}

TEST(MainFlowTest, SeveralMatchesGoThroughTheChooser) {
  FakeRun chosen(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{'b', 0}});
  chosen.fs.AddDirectory("C:\\Work\\pro1");
  chosen.fs.AddDirectory("C:\\Work\\pro2");
  EXPECT_EQ(Flow(chosen, {"pro"}), kExitOk);
  EXPECT_NE(test::Written(chosen.fake).find("Change directory to (a-b or Escape to exit)? b"),
            std::string::npos);
  EXPECT_EQ(Handoff(chosen), BatchFor("C:\\Work\\pro2"));

  FakeRun left(HostKind::kWindows, "C:\\Work", {{80, 25}}, {{27, 0}});
  left.fs.AddDirectory("C:\\Work\\pro1");
  left.fs.AddDirectory("C:\\Work\\pro2");
  EXPECT_EQ(Flow(left, {"pro"}), kExitOk);
  EXPECT_EQ(left.fs.Calls("ChangeDirectory"), Log{"ChangeDirectory pro"});
  EXPECT_EQ(left.fs.Calls("WriteFileContents"), Log{});
}

TEST(MainFlowTest, PosixSpecsSearchFromTheCurrentDirectoryOrTheRoot) {
  FakeRun faked(HostKind::kPosix, "/home/u");
  faked.fs.AddDirectory("/home/u/src/dirhop");
  faked.fs.AddDirectory("/srv");
  EXPECT_EQ(Flow(faked, {"sr/dir"}), kExitOk);
  EXPECT_EQ(faked.fs.files[test::kPosixHandoffPath], "cd -- '/home/u/src/dirhop'\n");
  EXPECT_EQ(faked.fs.Calls("ListSubdirectories").front(), "ListSubdirectories /home/u/");
  EXPECT_EQ(faked.fs.Calls("DriveCurrentDirectory"), Log{});

  FakeRun rooted(HostKind::kPosix, "/home/u");
  rooted.fs.AddDirectory("/srv");
  EXPECT_EQ(Flow(rooted, {"/sr"}), kExitOk);
  EXPECT_EQ(rooted.fs.files[test::kPosixHandoffPath], "cd -- '/srv'\n");
  EXPECT_EQ(rooted.fs.Calls("ListSubdirectories").front(), "ListSubdirectories /");
}

TEST(MainFlowTest, TheStartDirectoryIsRecordedFirstAndPrintedForNoWords) {
  WorkTree faked;
  EXPECT_EQ(Flow(faked, {}), kExitOk);
  EXPECT_EQ(test::Written(faked.fake), "C:\\Work\n");
  EXPECT_EQ(faked.settings.record.History(0), "C:\\Work");
  // The one file-system call is the save of the history, under the store's lock.
  EXPECT_EQ(faked.fs.log, (Log{"LockStore fake", "OpenSettingsKey fake", "UnlockStore fake"}));
}

// GoToDirectory's outcomes: entered and handed off, or one of its three failures.
TEST(GoToDirectoryTest, EntersRecordsAndHandsOff) {
  WorkTree faked;
  EXPECT_EQ(GoToDirectory(faked.run, "c:\\work\\PROJ"), kExitOk);
  EXPECT_EQ(faked.fs.log,
            (Log{"ChangeDirectory c:\\work\\PROJ", "CurrentDirectory",
                 "DirectoryItselfName C:\\Work", "DirectoryItselfName C:\\Work\\proj",
                 "LongestWholePath", "LockStore fake", "OpenSettingsKey fake", "UnlockStore fake",
                 std::string("WriteFileContents ") + kWindowsHandoffPath}));
  // The directory as the system names it once entered.
  EXPECT_EQ(Handoff(faked), BatchFor("C:\\Work\\proj"));
  EXPECT_EQ(faked.settings.record.History(0), "C:\\Work\\proj");
}

TEST(GoToDirectoryTest, ADirectoryThatCannotBeEnteredIsReported) {
  WorkTree faked;
  EXPECT_EQ(GoToDirectory(faked.run, "C:\\Gone"), kExitError);
  // The message says why, as the system said it.
  EXPECT_EQ(test::Written(faked.fake),
            "Dirhop: Could not change directory to 'C:\\Gone' (it no longer exists)\n");
  EXPECT_EQ(faked.fs.Calls("WriteFileContents"), Log{});
  EXPECT_TRUE(faked.settings.record.HistoryEmpty(0));
  WorkTree file;
  file.fs.files["C:\\Work\\notes.txt"] = "x";
  EXPECT_EQ(GoToDirectory(file.run, "C:\\Work\\notes.txt"), kExitError);
  EXPECT_EQ(test::Written(file.fake),
            "Dirhop: Could not change directory to 'C:\\Work\\notes.txt' (not a directory)\n");
}

TEST(GoToDirectoryTest, APathTooLongForTheShellGoesRelativeOrIsReported) {
  FakeRun relative(HostKind::kWindows, "C:\\Work");
  relative.fs.AddDirectory("C:\\Work\\very-long-name");
  relative.fs.longest_whole_path = 16;
  EXPECT_EQ(GoToDirectory(relative.run, "C:\\Work\\very-long-name"), kExitOk);
  EXPECT_EQ(Handoff(relative), BatchFor(".\\very-long-name"));

  FakeRun too_long(HostKind::kWindows, "C:\\Work");
  too_long.fs.AddDirectory("C:\\Elsewhere\\very-long-name");
  too_long.fs.longest_whole_path = 16;
  EXPECT_EQ(GoToDirectory(too_long.run, "C:\\Elsewhere\\very-long-name"), kExitError);
  EXPECT_EQ(test::Written(too_long.fake),
            "Dirhop: Could not change directory to 'C:\\Elsewhere\\very-long-name' (the path is "
            "too long for the shell)\n");
  EXPECT_EQ(too_long.fs.Calls("WriteFileContents"), Log{});
  EXPECT_TRUE(too_long.settings.record.HistoryEmpty(0));
}

// A full path of exactly the length the shell takes whole is handed off as it is; one byte
// longer goes the relative way.
TEST(GoToDirectoryTest, APathOfTheLongestWholeLengthIsHandedOffWhole) {
  const std::string directory = "C:\\Work\\very-long-name";
  FakeRun whole(HostKind::kWindows, "C:\\Work");
  whole.fs.AddDirectory(directory);
  whole.fs.longest_whole_path = directory.size();
  EXPECT_EQ(GoToDirectory(whole.run, directory), kExitOk);
  EXPECT_EQ(Handoff(whole), BatchFor(directory));

  FakeRun relative(HostKind::kWindows, "C:\\Work");
  relative.fs.AddDirectory(directory);
  relative.fs.longest_whole_path = directory.size() - 1;
  EXPECT_EQ(GoToDirectory(relative.run, directory), kExitOk);
  EXPECT_EQ(Handoff(relative), BatchFor(".\\very-long-name"));
}

// cmd reads the batch file in the console's code page: a path whose characters are all in it
// goes in its bytes, as before; any other in UTF-8 between a switch to code page 65001 and back.
// The length a change of directory takes is counted in UTF-16 units, not bytes.
TEST(GoToDirectoryTest, TheBatchIsInTheConsolesCodePageOrSwitchesToUtf8) {
  FakeRun western(HostKind::kWindows, "C:\\Work");
  western.fs.AddDirectory(
      "C:\\Work\\\xc3\xbc"
      "bung");  // u-umlaut: 0x81 in code page 850
  EXPECT_EQ(GoToDirectory(western.run,
                          "C:\\Work\\\xc3\xbc"
                          "bung"),
            kExitOk);
  EXPECT_EQ(Handoff(western), BatchFor("C:\\Work\\\x81"
                                       "bung"));

  const std::string greek = "C:\\\xce\xb1\xce\xb2\xce\xb3";  // 3 characters, 6 bytes
  FakeRun other(HostKind::kWindows, "C:\\Work");
  other.fs.AddDirectory(greek);
  other.fs.longest_whole_path = 6;  // "C:\\" and 3 characters: whole, though 9 bytes
  EXPECT_EQ(GoToDirectory(other.run, greek), kExitOk);
  EXPECT_EQ(Handoff(other), "@chcp 65001 >nul\r\n" +
                                BatchFor(greek).substr(0, BatchFor(greek).size() - 2) +
                                "\r\n@chcp 850 >nul\r\n");
}

TEST(GoToDirectoryTest, AHandoffThatCannotBeWrittenIsReported) {
  WorkTree faked;
  faked.fs.unwritable.insert(kWindowsHandoffPath);
  EXPECT_EQ(GoToDirectory(faked.run, "C:\\Other"), kExitError);
  EXPECT_EQ(test::Written(faked.fake), std::string("Dirhop: Error - can't write to batch file '") +
                                           kWindowsHandoffPath + "'\n\n");
  // A shell's hand-off is shell code, not a batch file.
  FakeRun posix(HostKind::kPosix, "/work");
  posix.fs.AddDirectory("/other");
  posix.fs.unwritable.insert(test::kPosixHandoffPath);
  EXPECT_EQ(GoToDirectory(posix.run, "/other"), kExitError);
  EXPECT_EQ(test::Written(posix.fake),
            std::string("Dirhop: Error - can't write to the hand-off file '") +
                test::kPosixHandoffPath + "'\n\n");
}

// The host facts come from the environment once; a Windows host without TEMP cannot hand off.
TEST(HostFactsTest, TheHandoffPathAndFormatComeFromTheEnvironment) {
  test::FakeConsole console = test::MakeFakeConsole();
  test::FakeHost windows(HostKind::kWindows, "C:\\d.exe");
  windows.SetEnv("TEMP", "C:\\Users\\u\\Temp");
  HostFacts facts = *ReadHostFacts(windows, *console.console);
  EXPECT_EQ(facts.own_file_path, "C:\\d.exe");
  EXPECT_EQ(facts.handoff_path, "C:\\Users\\u\\Temp\\dirhop2.bat");
  EXPECT_EQ(facts.handoff_format, HandoffFormat::kBatch);
  EXPECT_TRUE(IsWindows(facts));
  EXPECT_EQ(facts.syntax.separator, '\\');

  test::FakeHost fish(HostKind::kPosix, "/bin/dirhop");
  fish.SetEnv("DIRHOP_HANDOFF", "/tmp/h.fish");
  facts = *ReadHostFacts(fish, *console.console);
  EXPECT_EQ(facts.handoff_path, "/tmp/h.fish");
  EXPECT_EQ(facts.handoff_format, HandoffFormat::kFishShell);
  EXPECT_FALSE(IsWindows(facts));

  test::FakeHost posix(HostKind::kPosix, "/bin/dirhop");
  facts = *ReadHostFacts(posix, *console.console);
  EXPECT_EQ(facts.handoff_path, posix.fallback_handoff_path);
  EXPECT_EQ(facts.handoff_format, HandoffFormat::kPosixShell);

  test::FakeHost no_temp(HostKind::kWindows, "C:\\d.exe");
  EXPECT_EQ(ReadHostFacts(no_temp, *console.console), std::nullopt);
  EXPECT_EQ(test::Written(console),
            "Dirhop: Error - the environment variable TEMP is not defined\n"
            "You can define it with the following command in your autoexec.bat:\n"
            "  SET TEMP=c:\\temp\n\n");
}

}  // namespace
}  // namespace dirhop
