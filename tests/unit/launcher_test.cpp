// The launcher: what reaches the shell, the "Error: " line and its texts, the launch options; and
// the real open-a-document call on each system (missing documents, missing openers, and on POSIX
// fake openers that fail in the ways a desktop opener does).
#include "core/launcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/shell_platform.h"
#include "support/fake_console.h"
#include "support/fake_file_system.h"
#include "support/fake_host.h"
#include "support/fake_run.h"
#include "support/fake_settings_key.h"
#include "support/scoped_env.h"
#include "support/test_files.h"

namespace dirhop {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScopedEnv;
using test::WriteFile;

struct ShellCall {
  std::string file, parameters, directory;
  int show = 0;
  std::string screen_at_call;  // what the user had seen when the shell was asked
};

// This host, whose shell records its calls and answers `result`.
class FakeShell : public test::FakeHost {
 public:
  explicit FakeShell(int result, test::FakeConsoleDevice* device = nullptr)
      : FakeHost(platform::ThisHostKind(), platform::OwnFilePath()), device_(device) {
    shell_result = result;
  }

  int OpenWithShell(const std::string& file, const std::string& parameters,
                    const std::string& directory, int show) override {
    calls.push_back({file, parameters, directory, show, device_ ? device_->Text() : ""});
    return FakeHost::OpenWithShell(file, parameters, directory, show);
  }

  std::vector<ShellCall> calls;

 private:
  test::FakeConsoleDevice* device_;
};

// A run on this host with its own file path, as the program builds it, whose launches go to
// `shell`; the settings are never used.
Run MakeRun(Console& console, Host& shell) {
  static SystemFileSystem file_system;
  static test::FakeKeyStore store;
  static Settings settings = test::MakeSettingsOn(store);
  const platform::HostKind host = platform::ThisHostKind();
  return Run{console,
             file_system,
             shell,
             {host, host == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths,
              HandoffFormat::kBatch, "", platform::OwnFilePath()},
             "C:\\Work",
             settings};
}

// This program's own host, for the launches that reach the real desktop.
SystemHost system_host;

TEST(ShellOpenTest, CutsEachTextTo255CharactersAndPassesTheShowMode) {
  FakeShell shell(42);
  const std::string exact(255, 'e'), longer(300, 'l');
  EXPECT_EQ(ShellOpen(longer + "file", exact, "", 5, shell), 42);
  EXPECT_EQ(ShellOpen("doc.chm", longer, longer + "x", 3, shell), 42);
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].file, longer.substr(0, 255));
  EXPECT_EQ(shell.calls[0].parameters, exact);  // 255 characters fit whole
  EXPECT_EQ(shell.calls[0].directory, "");      // empty stays empty, not missing
  EXPECT_EQ(shell.calls[0].show, 5);
  EXPECT_EQ(shell.calls[1].file, "doc.chm");
  EXPECT_EQ(shell.calls[1].parameters, longer.substr(0, 255));
  EXPECT_EQ(shell.calls[1].directory, longer.substr(0, 255));
  EXPECT_EQ(shell.calls[1].show, 3);
}

TEST(ShellOpenTest, ReturnsWhateverTheShellAnswers) {
  for (int answer : {0, 2, 31, 32, 33, 42, 1000}) {
    FakeShell shell(answer);
    EXPECT_EQ(ShellOpen("x", "", "", kShowMode, shell), answer) << answer;
  }
}

TEST(LaunchErrorTextTest, TheThirteenFailureCodesHaveTheirTexts) {
  const std::vector<std::pair<int, std::string>> table = {
      {0, "The operating system is out of memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied access to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred."},
      {27, "The filename association is incomplete or invalid."},
      {28, "The DDE transaction could not be completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30,
       "The DDE transaction could not be completed because other DDE transactions were being "
       "processed."},
      {31, "There is no application associated with the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
  };
  for (const auto& [code, text] : table) EXPECT_EQ(LaunchErrorText(code), text) << code;
}

TEST(LaunchErrorTextTest, EveryOtherCodeHasNoText) {
  for (int code : {1, 4, 6, 7, 9, 10, 12, 13, 20, 24, 25, 33, 42, -1}) {
    EXPECT_EQ(LaunchErrorText(code), "") << code;
  }
}

TEST(LaunchTargetTest, ASuccessfulLaunchWritesNothingAndEndsWithZero) {
  auto fake = test::MakeFakeConsole();
  for (int success : {33, 42}) {
    SCOPED_TRACE("the shell answers " + std::to_string(success));
    FakeShell shell(success);
    dirhop::Run run = MakeRun(*fake.console, shell);
    EXPECT_EQ(LaunchTarget(run, "https://x.example/"), 0);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, "https://x.example/");
    EXPECT_EQ(shell.calls[0].parameters, "");
    EXPECT_EQ(shell.calls[0].directory, "");
    EXPECT_EQ(shell.calls[0].show, 5);
  }
  EXPECT_EQ(test::Written(fake), "");
}

TEST(LaunchTargetTest, AFailedLaunchWritesOneErrorLineAndStillEndsWithZero) {
  struct Case {
    int code;
    std::string line;
  };
  const std::vector<Case> cases = {
      {2, "Error: C:\\Tools\\dirhop.chm - The specified file was not found.\n"},
      {32, "Error: C:\\Tools\\dirhop.chm - The specified dynamic-link library was not found.\n"},
      {0, "Error: C:\\Tools\\dirhop.chm - The operating system is out of memory or resources.\n"},
      {4, "Error: C:\\Tools\\dirhop.chm - \n"},  // a code outside the table: nothing after " - "
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("the shell answers " + std::to_string(c.code));
    auto fake = test::MakeFakeConsole();
    FakeShell shell(c.code);
    dirhop::Run run = MakeRun(*fake.console, shell);
    EXPECT_EQ(LaunchTarget(run, "C:\\Tools\\dirhop.chm"), 0);
    EXPECT_EQ(test::Written(fake), c.line);
    EXPECT_EQ(fake.device->TextIn(kColourNormal), c.line);
  }
}

TEST(LaunchTargetTest, TheErrorLineNamesTheWholeTargetWhileTheShellGetsItCut) {
  auto fake = test::MakeFakeConsole();
  FakeShell shell(2);
  dirhop::Run run = MakeRun(*fake.console, shell);
  const std::string target = "/" + std::string(299, 'd') + ".html";
  EXPECT_EQ(LaunchTarget(run, target), 0);
  EXPECT_EQ(shell.calls.at(0).file, target.substr(0, 255));
  EXPECT_EQ(test::Written(fake), "Error: " + target + " - The specified file was not found.\n");
}

// A file system for plans that look at no file.
test::FakeFileSystem no_files(kPosixPaths, "/");

TEST(PlanLaunchTest, MailHomeAndMakerSiteUseTheBuildAddresses) {
  for (auto host : {platform::HostKind::kWindows, platform::HostKind::kPosix}) {
    LaunchPlan mail = PlanLaunch(LaunchOption::kMail, host, "C:\\x\\dirhop.exe", no_files);
    EXPECT_EQ(mail.announcement, "Starting mail program");
    EXPECT_EQ(mail.file,
              std::string("mailto:") + SupportEmailAddress() + "?Subject=Dirhop Technical Support");
    EXPECT_TRUE(mail.report_failure);

    LaunchPlan home = PlanLaunch(LaunchOption::kHome, host, "", no_files);
    EXPECT_EQ(home.announcement, "Starting Web browser for Dirhop homepage");
    EXPECT_EQ(home.file, HomePageAddress());
    EXPECT_TRUE(home.report_failure);

    LaunchPlan maker = PlanLaunch(LaunchOption::kBrantel, host, "", no_files);
    EXPECT_EQ(maker.announcement, "Starting Web browser to show Brantel Software home page.");
    EXPECT_EQ(maker.file, MakerSiteAddress());
    EXPECT_TRUE(maker.report_failure);
    for (const LaunchPlan* plan : {&mail, &home, &maker}) EXPECT_EQ(plan->parameters, "");
  }
  // The addresses are handed to the shell as they are: no blank that would split them.
  EXPECT_EQ(std::string(SupportEmailAddress()).find(' '), std::string::npos);
  EXPECT_NE(std::string(SupportEmailAddress()).find('@'), std::string::npos);
}

TEST(PlanLaunchTest, TheManualIsBesideTheProgramOrInTheInstalledDocumentation) {
  using platform::HostKind;
  // (host, the program's own file, the files that exist, the manual opened)
  const std::vector<std::tuple<HostKind, std::string, std::set<std::string>, std::string>> cases = {
      // Windows: always beside the program, whatever exists.
      {HostKind::kWindows,
       "C:\\Program Files\\Dirhop\\dirhop.exe",
       {},
       "C:\\Program Files\\Dirhop\\dirhop.chm"},
      {HostKind::kWindows, "C:\\dirhop.exe", {}, "C:\\dirhop.chm"},
      {HostKind::kWindows, "Z:/tools/dirhop.exe", {}, "Z:/tools/dirhop.chm"},
      {HostKind::kWindows, "", {}, "dirhop.chm"},
      // POSIX build tree: the manual the build put beside the program.
      {HostKind::kPosix,
       "/src/build/native/dirhop",
       {"/src/build/native/dirhop.html"},
       "/src/build/native/dirhop.html"},
      // POSIX install: bin/ holds only programs, the manual is in share/doc/dirhop/.
      {HostKind::kPosix,
       "/usr/local/bin/dirhop",
       {"/usr/local/share/doc/dirhop/dirhop.html"},
       "/usr/local/share/doc/dirhop/dirhop.html"},
      {HostKind::kPosix, "/usr/bin/dirhop", {}, "/usr/share/doc/dirhop/dirhop.html"},
      {HostKind::kPosix, "/opt/dirhop/bin/dirhop", {}, "/opt/dirhop/share/doc/dirhop/dirhop.html"},
      // At the root there is no directory to go up to.
      {HostKind::kPosix, "/dirhop", {}, "/share/doc/dirhop/dirhop.html"},
      // A backslash is an ordinary character in a POSIX name.
      {HostKind::kPosix, "/opt/a\\b/dirhop", {"/opt/a\\b/dirhop.html"}, "/opt/a\\b/dirhop.html"},
      {HostKind::kPosix, "/opt/a\\b/bin/dirhop", {}, "/opt/a\\b/share/doc/dirhop/dirhop.html"},
  };
  for (const auto& [host, own, existing, manual] : cases) {
    test::FakeFileSystem files(kPosixPaths, "/");
    for (const std::string& path : existing) files.files[path] = "<html>";
    LaunchPlan plan = PlanLaunch(LaunchOption::kManual, host, own, files);
    std::vector<std::string> asked;
    for (const std::string& call : files.Calls("IsRegularFile")) {
      asked.push_back(call.substr(call.find(' ') + 1));
    }
    EXPECT_EQ(plan.announcement, "Starting program to display Dirhop help manual");
    EXPECT_EQ(plan.file, manual) << own;
    EXPECT_TRUE(plan.report_failure);
    // Windows asks nothing; POSIX asks only about the file beside the program.
    if (host == HostKind::kPosix) {
      EXPECT_EQ(asked, std::vector<std::string>{own.substr(0, own.rfind('/') + 1) + "dirhop.html"});
    } else {
      EXPECT_TRUE(asked.empty()) << own;
    }
  }
}

TEST(RunLaunchOptionTest, TheManualIsLookedForThroughTheRunsFileSystem) {
  for (bool built : {true, false}) {
    SCOPED_TRACE(built ? "a manual beside the program" : "an installed program");
    test::FakeRun faked(platform::HostKind::kPosix, "/work");
    if (built) faked.fs.files["/opt/dirhop/bin/dirhop.html"] = "<html>";
    faked.host.shell_result = 42;
    EXPECT_EQ(RunLaunchOption(faked.run, LaunchOption::kManual), 0);
    EXPECT_EQ(faked.fs.Calls("IsRegularFile"),
              std::vector<std::string>{"IsRegularFile /opt/dirhop/bin/dirhop.html"});
    EXPECT_EQ(
        faked.host.Calls("OpenWithShell"),
        std::vector<std::string>{built ? "OpenWithShell /opt/dirhop/bin/dirhop.html"
                                       : "OpenWithShell /opt/dirhop/share/doc/dirhop/dirhop.html"});
  }
}

TEST(PlanLaunchTest, ExplorerOpensTheCurrentDirectoryAndIgnoresTheResult) {
  LaunchPlan windows =
      PlanLaunch(LaunchOption::kExplorer, platform::HostKind::kWindows, "", no_files);
  EXPECT_EQ(windows.announcement, "Starting Explorer in current directory");
  EXPECT_EQ(windows.file, "explorer.exe");
  EXPECT_EQ(windows.parameters, "/e,.");
  EXPECT_FALSE(windows.report_failure);
  LaunchPlan posix = PlanLaunch(LaunchOption::kExplorer, platform::HostKind::kPosix, "", no_files);
  EXPECT_EQ(posix.announcement, "Starting the file manager in current directory");
  EXPECT_EQ(posix.file, ".");
  EXPECT_EQ(posix.parameters, "");
  EXPECT_FALSE(posix.report_failure);
}

TEST(RunLaunchOptionTest, TheAnnouncementIsOnScreenInTheNormalColourBeforeTheLaunch) {
  auto fake = test::MakeFakeConsole();
  FakeShell shell(31, fake.device);
  dirhop::Run run = MakeRun(*fake.console, shell);
  fake.console->SetTextColour(kColourNotice);  // whatever came before, the line is normal
  EXPECT_EQ(RunLaunchOption(run, LaunchOption::kManual), 0);
  ASSERT_EQ(shell.calls.size(), 1u);
  const std::string announcement = std::string(kManualAnnouncement) + "\n";
  EXPECT_EQ(shell.calls[0].screen_at_call, announcement);
  fake.console->Flush();
  const std::string expected = announcement + "Error: " + shell.calls[0].file +
                               " - There is no application associated with the given filename "
                               "extension.\n";
  EXPECT_EQ(fake.device->Text(), expected);
  EXPECT_EQ(fake.device->TextIn(kColourNormal), expected);
}

TEST(RunLaunchOptionTest, APlaceholderAddressIsNeverHandedOnTheManualIsShownInstead) {
  // Reserved example names, in any case, with or without a path, port or user.
  for (const char* address :
       {"", "support@dirhop.example", "https://dirhop.example/", "https://brantel.example/",
        "HTTPS://WWW.EXAMPLE.COM/x", "mailto:a@example.org", "http://example.net:8080",
        "https://x.invalid/", "help@host.test", "http://localhost.", "https://a.b.localhost/p"}) {
    EXPECT_TRUE(IsPlaceholderAddress(address)) << address;
  }
  for (const char* address :
       {"support@dirhop.org", "https://github.com/dirhop/dirhop", "https://example.com.evil.org/",
        "https://myexample.com/", "help@testing.org", "https://dirhop.examples.net/"}) {
    EXPECT_FALSE(IsPlaceholderAddress(address)) << address;
  }

  // This build's addresses: each real one is opened, each placeholder gives the manual.
  struct Case {
    LaunchOption option;
    const char* address;
    std::string file;
  };
  const Case cases[] = {
      {LaunchOption::kMail, SupportEmailAddress(),
       std::string("mailto:") + SupportEmailAddress() + "?Subject=Dirhop Technical Support"},
      {LaunchOption::kHome, HomePageAddress(), HomePageAddress()},
      {LaunchOption::kBrantel, MakerSiteAddress(), MakerSiteAddress()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    auto fake = test::MakeFakeConsole();
    FakeShell shell(42, fake.device);
    dirhop::Run run = MakeRun(*fake.console, shell);
    EXPECT_EQ(RunLaunchOption(run, c.option), 0);
    ASSERT_EQ(shell.calls.size(), 1u);
    if (IsPlaceholderAddress(c.address)) {
      EXPECT_EQ(test::Written(fake), std::string(kManualAnnouncement) + "\n");
      EXPECT_EQ(shell.calls[0].file, ManualPath(run.facts.kind, platform::OwnFilePath(), run.fs));
      EXPECT_EQ(shell.calls[0].file.find(".example"), std::string::npos);
    } else {
      EXPECT_EQ(shell.calls[0].file, c.file);
    }
  }
}

TEST(RunLaunchOptionTest, ExplorerPrintsOnlyItsLineWhateverTheShellSays) {
  for (int answer : {2, 42}) {
    SCOPED_TRACE("the shell answers " + std::to_string(answer));
    auto fake = test::MakeFakeConsole();
    FakeShell shell(answer, fake.device);
    dirhop::Run run = MakeRun(*fake.console, shell);
    EXPECT_EQ(RunLaunchOption(run, LaunchOption::kExplorer), 0);
    ASSERT_EQ(shell.calls.size(), 1u);
    const std::string line = platform::ThisHostKind() == platform::HostKind::kWindows
                                 ? "Starting Explorer in current directory\n"
                                 : "Starting the file manager in current directory\n";
    EXPECT_EQ(shell.calls[0].screen_at_call, line);
    EXPECT_EQ(shell.calls[0].directory, "");
    EXPECT_EQ(shell.calls[0].show, 5);
    EXPECT_EQ(test::Written(fake), line);
  }
}

TEST(RunLaunchOptionTest, TheManualOptionStartsFromThisProgramsOwnFile) {
  auto fake = test::MakeFakeConsole();
  FakeShell shell(42);
  dirhop::Run run = MakeRun(*fake.console, shell);
  EXPECT_EQ(RunLaunchOption(run, LaunchOption::kManual), 0);
  ASSERT_EQ(shell.calls.size(), 1u);
  const fs::path own = platform::OwnFilePath();
  if (platform::ThisHostKind() == platform::HostKind::kWindows) {
    EXPECT_EQ(fs::path(shell.calls[0].file), own.parent_path() / "dirhop.chm");
  } else {
    // No manual lies beside the test program: the installed layout's place is taken.
    ASSERT_FALSE(fs::exists(own.parent_path() / "dirhop.html"));
    EXPECT_EQ(fs::path(shell.calls[0].file),
              own.parent_path().parent_path() / "share" / "doc" / "dirhop" / "dirhop.html");
  }
}

// ---- Running a program in this console ---------------------------------------------------------

TEST(RunInTerminalTest, WaitsAndGivesTheExitCodeOrMinusOneWhenNothingStarts) {
  const bool windows = platform::ThisHostKind() == platform::HostKind::kWindows;
  const std::vector<std::string> exit3 = windows ? std::vector<std::string>{"cmd", "/c", "exit 3"}
                                                 : std::vector<std::string>{"sh", "-c", "exit 3"};
  EXPECT_EQ(platform::RunInTerminal(exit3), 3);
  EXPECT_EQ(platform::RunInTerminal({"dirhop-no-such-program"}), -1);
  EXPECT_EQ(platform::RunInTerminal({}), -1);
  if (!windows) {
    // It has ended when the call returns: what it wrote is there.
    test::TempDir temp{"dirhop_terminal"};
    const fs::path mark = temp.path() / "mark";
    EXPECT_EQ(
        platform::RunInTerminal({"sh", "-c", "sleep 0.1; echo done > '" + mark.string() + "'"}), 0);
    EXPECT_EQ(ReadFile(mark), "done\n");
  }
}

// ---- The real open-a-document call -------------------------------------------------------------

class RealShellTest : public ::testing::Test {
 protected:
  bool Windows() const { return platform::ThisHostKind() == platform::HostKind::kWindows; }
  // The path as the system's own calls want it.
  std::string Native(fs::path path) const { return path.make_preferred().string(); }
  test::TempDir temp_{"dirhop_launch_test"};
  const fs::path root_ = fs::canonical(temp_.path());
};

TEST_F(RealShellTest, AMissingDocumentIsFileNotFoundAndAMissingFolderPathNotFound) {
  EXPECT_EQ(ShellOpen(Native(root_ / "dirhop.chm"), "", "", kShowMode, system_host), 2);
  // POSIX reports the missing folder as such; the Windows shell may call it either (Wine: 2).
  const int missing_folder =
      ShellOpen(Native(root_ / "no-such-folder" / "dirhop.chm"), "", "", kShowMode, system_host);
  if (Windows()) {
    EXPECT_TRUE(missing_folder == 2 || missing_folder == 3) << missing_folder;
  } else {
    EXPECT_EQ(missing_folder, 3);
  }
}

TEST_F(RealShellTest, LaunchTargetReportsTheMissingManualWithItsFullPath) {
  auto fake = test::MakeFakeConsole();
  dirhop::Run run = MakeRun(*fake.console, system_host);
  const std::string manual = Native(root_ / (Windows() ? "dirhop.chm" : "dirhop.html"));
  EXPECT_EQ(LaunchTarget(run, manual), 0);
  EXPECT_EQ(test::Written(fake), "Error: " + manual + " - The specified file was not found.\n");
}

TEST_F(RealShellTest, ADocumentNoProgramCanOpenHasNoAssociation) {
  const fs::path document = root_ / "notes.dirhop-unknown-type";
  WriteFile(document, "text");
  ScopedEnv env;
  if (!Windows()) env.Set("PATH", Native(root_));  // no opener to be found anywhere
  EXPECT_EQ(ShellOpen(Native(document), "", "", kShowMode, system_host), 31);
}

// POSIX: the opener is a program found on PATH. These tests put a fake one there.
class PosixOpenerTest : public RealShellTest {
 protected:
  void SetUp() override {
    if (platform::ThisHostKind() != platform::HostKind::kPosix) GTEST_SKIP() << "POSIX build only";
    RealShellTest::SetUp();
    bin_ = root_ / "bin";
    fs::create_directories(bin_);
    log_ = root_ / "opener.log";
    document_ = root_ / "manual.html";
    WriteFile(document_, "<html></html>");
    env_.Set("PATH", bin_.string() + ":/usr/bin:/bin");
  }

  // Installs an opener (under both names, xdg-open and macOS's open) that writes its working
  // directory and arguments to the log, then runs `tail` (shell code).
  void InstallOpener(const std::string& tail) {
    for (const char* name : {"xdg-open", "open"}) {
      const fs::path script = bin_ / name;
      WriteFile(script, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > '" +
                            log_.string() + "'\n" + tail + "\n");
      fs::permissions(script,
                      fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    }
  }

  // The log once it is complete (the opener may still be running when the call returns).
  std::string Log() {
    for (int i = 0; i < 200; ++i) {
      const std::string text = ReadFile(log_);
      if (!text.empty() && text.back() == '\n' && text.find(']') != std::string::npos) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
  }

  ScopedEnv env_;
  fs::path bin_, log_, document_;
};

TEST_F(PosixOpenerTest, TheDesktopOpenerIsAvailableOnlyAsAnExecutableOnPath) {
  env_.Set("PATH", bin_.string());
  EXPECT_FALSE(platform::DesktopOpenerAvailable());
  InstallOpener("exit 0");
  EXPECT_TRUE(platform::DesktopOpenerAvailable());
  for (const char* name : {"xdg-open", "open"}) fs::permissions(bin_ / name, fs::perms::owner_read);
  EXPECT_FALSE(platform::DesktopOpenerAvailable());
}

TEST_F(PosixOpenerTest, TheOpenerGetsTheDocumentAndAWorkingDirectory) {
  InstallOpener("exit 0");
  EXPECT_GT(ShellOpen(document_.string(), "", "", kShowMode, system_host), 32);
  EXPECT_EQ(Log(), fs::current_path().string() + "\n[" + document_.string() + "]\n");

  // A relative document is taken from the working directory given.
  InstallOpener("exit 0");
  fs::remove(log_);
  EXPECT_GT(ShellOpen("manual.html", "", root_.string(), kShowMode, system_host), 32);
  EXPECT_EQ(Log(), root_.string() + "\n[manual.html]\n");
}

TEST_F(PosixOpenerTest, AnAddressIsHandedOverWithoutLookingForAFile) {
  InstallOpener("exit 0");
  const std::string mail = "mailto:help@x.example?Subject=Dirhop Technical Support";
  EXPECT_GT(ShellOpen(mail, "", "", kShowMode, system_host), 32);
  EXPECT_EQ(Log(), fs::current_path().string() + "\n[" + mail + "]\n");
}

TEST_F(PosixOpenerTest, TheOpenersFailuresBecomeShellCodes) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"exit 2", 2},          // the file does not exist (after all)
      {"exit 3", 31},         // no program for this kind of document
      {"exit 1", 31},         // macOS open: no application can open it
      {"exit 4", 27},         // the associated program failed
      {"kill -KILL $$", 27},  // the opener died
  };
  for (const auto& [tail, code] : cases) {
    InstallOpener(tail);
    EXPECT_EQ(ShellOpen(document_.string(), "", "", kShowMode, system_host), code) << tail;
  }
}

TEST_F(PosixOpenerTest, AnOpenerThatStaysIsNotWaitedForLong) {
  InstallOpener("sleep 5");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_GT(ShellOpen(document_.string(), "", "", kShowMode, system_host), 32);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(Log(), fs::current_path().string() + "\n[" + document_.string() + "]\n");
}

TEST_F(PosixOpenerTest, NoOpenerMeansNoAssociationButAMissingFileComesFirst) {
  // bin_ is empty; /usr/bin may hold a real opener, so PATH is only the empty folder here.
  ScopedEnv env;
  env.Set("PATH", bin_.string());
  EXPECT_EQ(ShellOpen(document_.string(), "", "", kShowMode, system_host), 31);
  EXPECT_EQ(ShellOpen("https://dirhop.example/", "", "", kShowMode, system_host), 31);
  EXPECT_EQ(ShellOpen((root_ / "missing.html").string(), "", "", kShowMode, system_host), 2);
}

TEST_F(PosixOpenerTest, AnOpenerThatCannotBeRunIsAccessDenied) {
  InstallOpener("exit 0");
  for (const char* name : {"xdg-open", "open"}) fs::permissions(bin_ / name, fs::perms::owner_read);
  // execvp skips a file it may not run and reports EACCES when nothing else is found.
  ScopedEnv env;
  env.Set("PATH", bin_.string());
  EXPECT_EQ(ShellOpen(document_.string(), "", "", kShowMode, system_host), 5);
}

TEST_F(PosixOpenerTest, AMissingWorkingDirectoryIsPathNotFound) {
  InstallOpener("exit 0");
  EXPECT_EQ(ShellOpen(document_.string(), "", (root_ / "gone").string(), kShowMode, system_host),
            3);
  EXPECT_EQ(ShellOpen(document_.string(), "", document_.string(), kShowMode, system_host),
            3);  // a file
  EXPECT_FALSE(fs::exists(log_));
}

TEST_F(PosixOpenerTest, WithParametersTheFileIsRunAsAProgram) {
  const fs::path program = bin_ / "tool";
  WriteFile(program, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > '" +
                         log_.string() + "'\n");
  fs::permissions(program, fs::perms::owner_all);
  EXPECT_GT(ShellOpen("tool", "/e,.  second", root_.string(), kShowMode, system_host), 32);
  EXPECT_EQ(Log(), root_.string() + "\n[/e,.]\n[second]\n");
  EXPECT_EQ(ShellOpen("no-such-tool", "x", "", kShowMode, system_host), 2);
}

}  // namespace
}  // namespace dirhop
