#include "core/main_flow.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "console/chooser.h"
#include "core/crash_report.h"
#include "core/handoff.h"
#include "core/identity.h"
#include "core/options.h"
#include "core/screens.h"
#include "base/program_exit.h"
#include "core/create_offer.h"
#include "match/ordering.h"
#include "match/paths.h"
#include "match/search.h"
#include "match/upper_case.h"
#include "platform/platform.h"
#include "state/aliases.h"
#include "state/history.h"
#include "state/settings_store.h"

namespace dirhop {

void MainFlow(Run& run, const CommandWords& words) {
  const PathSyntax syntax = run.syntax;
  // A directory reached by other means since the last run is recorded first.
  if (run.settings != nullptr) CheckHistoryStart(run.console, *run.settings, run.start_dir);
  std::string spec = ParseCommandLine(run, words);

  SlashesToBackslashes(spec, syntax);
  ExpandDoubleBackslashes(spec, syntax);
  ExpandDots(spec, syntax);
  const std::string expanded_spec = spec;

  // The direct attempt: a typed path that already names a directory (relative, drive-relative or
  // absolute) is taken as it is, before any alias or search.
  if (platform::ChangeDirectory(spec)) {
    std::string entered = platform::CurrentDirectory();
    if (entered.empty()) entered = spec;
    GoToDirectory(run, entered);
  }

  // An alias is tried only when the spec is not a directory as it stands.
  if (run.settings != nullptr) {
    if (std::optional<std::string> target = GoToAlias(run.console, *run.settings, spec)) {
      GoToDirectory(run, *target);
    }
  }

  std::string base;
  char drive = 0;
  bool drive_given = false;
  if (syntax.drives) {
    if (spec.size() >= 2 && spec[1] == ':') {
      drive = UpperChar(spec[0]);
      spec.erase(0, 2);
      drive_given = true;
    } else {
      drive = UpperChar(run.start_dir.empty() ? 'C' : run.start_dir[0]);
    }
  }
  const bool valid_drive = drive >= 'A' && drive <= 'Z';

  if (!spec.empty() && spec[0] == syntax.separator) {
    base = syntax.drives ? std::string(1, drive) + ":\\" : std::string("/");
    spec.erase(0, 1);
  } else {
    if (syntax.drives && !valid_drive) {
      run.console.ColouredLine(kColourError, std::string("Dirhop: Invalid drive letter '") +
                                                 drive + "' (valid drives are A: through Z:)");
      EndProgram(kExitError);
    }
    if (drive_given && spec.empty()) {
      // A drive prefix alone that the direct attempt could not enter names no usable drive;
      // going to the process's own directory instead would hide that.
      run.console.ColouredLine(kColourError,
                               "Dirhop: Could not change directory to '" + expanded_spec + "'");
      EndProgram(kExitError);
    }
    // A relative spec is searched from the current directory; one that has been removed has
    // no path, and the search must not start from the root instead.
    if (!drive_given && platform::CurrentDirectoryRemoved()) {
      run.console.ColouredLine(kColourError, "Dirhop: The current directory no longer exists");
      EndProgram(kExitError);
    }
    base = syntax.drives ? platform::DriveCurrentDirectory(drive) : platform::CurrentDirectory();
    if (base.empty()) {
      run.console.ColouredLine(kColourError, "Dirhop: Could not read the current directory");
      EndProgram(kExitError);
    }
    while (spec.size() >= 2 && spec[0] == '.' && spec[1] == '.') {
      spec.erase(0, 3);
      base = ParentDir(base, syntax);
    }
  }

  if (spec.empty()) GoToDirectory(run, base);

  DirectorySearch search(syntax, run.can_create_path, SystemDirectories());
  search.SearchLevel(spec, base, 0);
  std::vector<Candidate>& matches = search.MatchList();
  if (matches.empty()) {
    search.AddCreateCandidate(expanded_spec);
    OfferCreate(run, expanded_spec, search.CreateList(), platform::CreateOneDirectory);
    return;
  }
  SortAndKeepBestRank(matches);
  const std::string chosen =
      ChooseDirectory(run.console, matches, CreateMode::kOff, run.start_dir, syntax);
  if (!chosen.empty()) GoToDirectory(run, chosen);
}

int RunProgram(const std::vector<std::string>& arguments) {
  std::unique_ptr<Console> console;
  try {
    console = ConsoleInit();
    InstallCrashReport();
    SetCrashIdentity(kProductName, kVersion);
    platform::UseOemFileApis();

    const platform::HostKind host = platform::Host();
    const auto raw = platform::RawCommandLine();
    const CommandWords words =
        raw ? CommandWords::FromRawCommandLine(*raw, platform::OwnFilePath())
            : CommandWords::FromArguments(arguments, platform::OwnFilePath());
    SetCrashCommandLine(words);

    Run run{*console,
            host == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths,
            ChooseHandoffFormat(host),
            platform::CurrentDirectory(),
            /*can_create_path=*/true,
            /*record_history=*/{}};
    WriteHandoffBatch(run, HandoffPlaceholder(run.handoff_format));

    Settings settings;
    LoadSettings(*console, settings, DataFilePath(platform::GetEnv("DIRHOP"), run.syntax));
    run.settings = &settings;
    run.can_create_path = settings.record.CanCreatePath();
    // Every directory entered through GoToDirectory is recorded before the hand-off is written.
    run.record_history = [&console = *console, &settings](const std::string& directory) {
      AddToHistory(console, settings, directory);
    };
    // The run that created the store is the first: the welcome and usage screens come first.
    if (settings.first_run) ShowFirstRunScreens(run.pager, run.syntax);
    MainFlow(run, words);
    return kExitOk;
  } catch (const ProgramExit& exit) {
    if (console) console->Flush();
    return exit.code;
  } catch (const std::exception& failure) {
    // An unexpected failure: its description, and exit code 1.
    if (console) {
      console->Flush();
      console->ColouredLine(kColourNormal, std::string("Dirhop: ") + failure.what());
      console->Flush();
    } else {
      std::fprintf(stdout, "Dirhop: %s\n", failure.what());
    }
    return 1;
  } catch (...) {
    if (console) {
      console->Flush();
      console->ColouredLine(kColourNormal, "Dirhop: Unknown exception");
      console->Flush();
    } else {
      std::fprintf(stdout, "Dirhop: Unknown exception\n");
    }
    return 1;
  }
}

}  // namespace dirhop
