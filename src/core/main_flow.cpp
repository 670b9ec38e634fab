#include "core/main_flow.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "base/program_exit.h"
#include "console/chooser.h"
#include "core/crash_report.h"
#include "core/create_offer.h"
#include "core/handoff.h"
#include "core/identity.h"
#include "core/options.h"
#include "core/screens.h"
#include "match/ordering.h"
#include "match/paths.h"
#include "match/search.h"
#include "match/upper_case.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "state/aliases.h"
#include "state/history.h"
#include "state/pending_save.h"
#include "state/settings_store.h"

namespace dirhop {

namespace {

// The search's view of the run's file system.
DirectorySource DirectoriesOf(FileSystem& fs) {
  return {[&fs](const std::string& dir) { return fs.ListSubdirectories(dir); },
          [&fs](const std::string& dir) { return fs.IdentifyDirectory(dir); }};
}

// An unexpected failure: "Dirhop: " and its description, and exit code 1.
int ReportUnexpectedFailure(Console* console, const std::string& description) {
  const std::string line = "Dirhop: " + description;
  if (console) {
    console->Flush();
    console->ColouredLine(kColourNormal, line);
    console->Flush();
  } else {
    std::fprintf(stdout, "%s\n", line.c_str());
  }
  return 1;
}

}  // namespace

void MainFlow(Run& run, const CommandWords& words) {
  const PathSyntax syntax = run.host.syntax;
  // A directory reached by other means since the last run is recorded first.
  CheckHistoryStart(run.console, run.settings, run.start_dir);
  const ParsedCommandLine parsed = ParseCommandLine(words);
  if (parsed.option != OptionId::kPathSpec) RunOption(run, parsed);
  std::string spec = parsed.words.front();

  SlashesToBackslashes(spec, syntax);
  ExpandDoubleBackslashes(spec, syntax);
  ExpandDots(spec, syntax);
  const std::string expanded_spec = spec;

  // The direct attempt: a typed path that already names a directory (relative, drive-relative or
  // absolute) is taken as it is, before any alias or search.
  if (run.fs.ChangeDirectory(spec)) {
    std::string entered = run.fs.CurrentDirectory();
    if (entered.empty()) entered = spec;
    GoToDirectory(run, entered);
  }

  // An alias is tried only when the spec is not a directory as it stands.
  if (std::optional<std::string> target = GoToAlias(run.console, run.settings, spec)) {
    GoToDirectory(run, *target);
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
    if (!drive_given && run.fs.CurrentDirectoryRemoved()) {
      run.console.ColouredLine(kColourError, "Dirhop: The current directory no longer exists");
      EndProgram(kExitError);
    }
    base = syntax.drives ? run.fs.DriveCurrentDirectory(drive) : run.fs.CurrentDirectory();
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

  const CreateOffer create_offer =
      run.settings.record.CanCreatePath() ? CreateOffer::kOn : CreateOffer::kOff;
  DirectorySearch search(syntax, create_offer, DirectoriesOf(run.fs));
  search.SearchLevel(spec, base, 0);
  std::vector<Candidate>& matches = search.MatchList();
  if (matches.empty()) {
    search.AddCreateCandidate(expanded_spec);
    OfferCreate(run, expanded_spec, search.CreateList());
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
    if (!console) return kExitOk;
    InstallCrashReport();
    SetCrashIdentity(kProductName, kVersion);
    platform::UseOemFileApis();

    SystemFileSystem fs;
    const std::string own_file_path = platform::OwnFilePath();
    const auto raw = platform::RawCommandLine();
    const CommandWords words = raw ? CommandWords::FromRawCommandLine(*raw, own_file_path)
                                   : CommandWords::FromArguments(arguments, own_file_path);
    SetCrashCommandLine(words);

    const std::string start_dir = fs.CurrentDirectory();
    const HostFacts host = ReadHostFacts(platform::Host(), *console, fs, own_file_path);
    WriteHandoffBatch(*console, fs, host, HandoffPlaceholder(host.handoff_format));

    Settings settings;
    LoadSettings(*console, settings, DataFilePath(fs.GetEnv("DIRHOP"), host.syntax));
    Run run{*console, fs, host, start_dir, settings};
    // The run that created the store is the first: the welcome and usage screens come first.
    if (settings.first_run) ShowFirstRunScreens(run.pager, host.kind);
    RunWithPendingSave(*console, settings, [&] { MainFlow(run, words); });
    return kExitOk;
  } catch (const ProgramExit& exit) {
    if (console) console->Flush();
    return exit.code;
  } catch (const std::exception& failure) {
    return ReportUnexpectedFailure(console.get(), failure.what());
  } catch (...) {
    return ReportUnexpectedFailure(console.get(), "Unknown exception");
  }
}

}  // namespace dirhop
