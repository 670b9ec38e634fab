#include "core/main_flow.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "base/exit_codes.h"
#include "console/chooser.h"
#include "console/search_progress.h"
#include "core/crash_report.h"
#include "core/create_offer.h"
#include "core/guess_menu.h"
#include "core/handoff.h"
#include "core/identity.h"
#include "core/options.h"
#include "core/places.h"
#include "core/resolve.h"
#include "core/screens.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "state/aliases.h"
#include "state/history.h"
#include "state/pending_save.h"
#include "state/settings_store.h"

namespace dirhop {

namespace {

// An unexpected failure: "Dirhop: " and its description, and exit code 1.
ExitCode ReportUnexpectedFailure(Console* console, const std::string& description) {
  const std::string line = "Dirhop: " + description;
  if (console) {
    console->Flush();
    console->ColouredLine(kColourNormal, line);
    console->Flush();
  } else {
    std::fprintf(stdout, "%s\n", line.c_str());
  }
  return kExitUnexpected;
}

}  // namespace

ExitCode MainFlow(Run& run, const ParsedCommandLine& parsed) {
  if (IsQuery(parsed.option)) return RunOption(run, parsed);
  // A directory reached by other means since the last run is recorded first (in the memory of
  // places too, unless the shell's own hook records every change of directory).
  const SettingsRecord& record = run.settings.record;
  if ((record.HistoryEmpty(0) || record.History(0) != run.start_dir) &&
      !run.host.GetEnv("DIRHOP_SHELL_RECORDS")) {
    RememberVisit(run, run.start_dir);
  }
  // A path spec records the start directory only when it goes somewhere (GoToDirectory): a run
  // that finds nothing must not push the oldest remembered place out of the history.
  if (parsed.option != OptionId::kPathSpec) {
    CheckHistoryStart(run.console, run.settings, run.start_dir);
    return RunOption(run, parsed);
  }
  // A search that takes long shows its progress on standard error while it runs, erased
  // before the menu, the question or the jump.
  SearchProgress progress(run.host);
  Resolution resolution =
      ResolveSpec(run, parsed.words.front(), progress.HasLine() ? &progress : nullptr);
  progress.Finish();
  switch (resolution.kind) {
    case Resolution::Kind::kDirectory:
      if (resolution.alias) GoToAlias(run.console, run.settings, *resolution.alias);
      return GoToDirectory(run, resolution.directory);
    case Resolution::Kind::kFailure:
      run.console.ColouredLine(kColourError, resolution.message);
      return kExitError;
    case Resolution::Kind::kNoMatch:
      return OfferCreate(run, resolution.expanded_spec, resolution.candidates,
                         resolution.file_in_the_way);
    case Resolution::Kind::kFarMatches:
      return OfferFarMatches(run, resolution.expanded_spec, resolution.candidates,
                             resolution.creatable, resolution.file_in_the_way);
    case Resolution::Kind::kMatches: {
      const std::optional<ChosenEntry> chosen =
          ChooseEntry(run.console, resolution.candidates, CreateMode::kOff, resolution.order,
                      resolution.ask_even_alone ? SingleEntry::kAsk : SingleEntry::kTakeAtOnce,
                      run.start_dir, run.facts.syntax, run.facts.menu_home);
      return chosen ? GoToDirectory(run, chosen->path) : kExitOk;
    }
  }
  return kExitOk;
}

namespace {

// Start-up, then the main flow, on an open console and the two seams to the system. Every ending
// returns its exit code here.
ExitCode StartAndRun(Console& console, FileSystem& fs, Host& host,
                     const std::vector<std::string>& arguments) {
  const std::optional<HostFacts> facts = ReadHostFacts(host, console);
  if (!facts) return kExitError;
  const auto raw = host.RawCommandLine();
  const CommandWords words = raw ? CommandWords::FromRawCommandLine(*raw, facts->own_file_path)
                                 : CommandWords::FromArguments(arguments, facts->own_file_path);
  SetCrashCommandLine(words);

  const std::string start_dir = fs.CurrentDirectory();
  // The command line is read once, here; everything after acts on what it asks for.
  const ParsedCommandLine parsed = ParseCommandLine(words);
  // A query (--init, --list, ...) is run by scripts and completion: it leaves no trace.
  const bool query = IsQuery(parsed.option);
  if (!query &&
      !WriteHandoffScript(console, fs, *facts, HandoffPlaceholder(facts->handoff_format))) {
    return kExitError;
  }

  Settings settings(fs);
  settings.windows_default_aliases = facts->kind == platform::HostKind::kWindows;
  if (!settings.windows_default_aliases) settings.record.ClearAliases();
  // Set by the shell integration in a private session (fish --private), or by the user.
  const std::optional<std::string> private_session = host.GetEnv("DIRHOP_PRIVATE");
  settings.private_session = private_session && !private_session->empty();
  const std::optional<std::string> data_file =
      DataFilePath(host.GetEnv("DIRHOP"), facts->syntax, fs);
  if (IsPlacesOption(parsed.option)) {
    settings.read_only = true;  // the memory of places is all these options use
  } else if (query) {
    LoadSettingsToRead(settings, data_file);
  } else {
    LoadSettings(console, settings, data_file);
  }
  Run run{console, fs, host, *facts, start_dir, settings};
  // The memory beside a data file that may not be used is not kept either.
  if (!(data_file && settings.store_refused)) run.places = PlaceFileFor(host, *facts, data_file);
  // The run that created the store is the first: the welcome and usage screens come first.
  // Leaving them with Escape ends the screens; what was typed is still carried out.
  if (settings.first_run) ShowFirstRunScreens(run.pager, facts->kind);
  return RunWithPendingSave(console, settings, [&] { return MainFlow(run, parsed); });
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments) {
  std::unique_ptr<Console> console;
  ExitCode code = kExitOk;
  try {
    // A run started with a standard stream closed acts as one whose streams are not a terminal;
    // it still jumps.
    platform::OpenNullOntoClosedStandardStreams();
    SystemHost host;
    console = ConsoleInit(host);
    if (!console) return kExitError;
    InstallCrashReport();
    SetCrashIdentity(kProductName, kVersion);
    platform::KeepFreedMemory();
    SystemFileSystem fs;
    code = StartAndRun(*console, fs, host, arguments);
  } catch (const std::exception& failure) {
    return ReportUnexpectedFailure(console.get(), failure.what());
  } catch (...) {
    return ReportUnexpectedFailure(console.get(), "Unknown exception");
  }
  console->Flush();
  return code;
}

}  // namespace dirhop
