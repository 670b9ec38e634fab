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
  const ParsedCommandLine parsed = ParseCommandLine(words);
  if (IsQuery(parsed.option)) RunOption(run, parsed);
  // A directory reached by other means since the last run is recorded first.
  CheckHistoryStart(run.console, run.settings, run.start_dir);
  if (parsed.option != OptionId::kPathSpec) RunOption(run, parsed);
  Resolution resolution = ResolveSpec(run, parsed.words.front());
  switch (resolution.kind) {
    case Resolution::Kind::kDirectory:
      if (resolution.alias) GoToAlias(run.console, run.settings, *resolution.alias);
      GoToDirectory(run, resolution.directory);
    case Resolution::Kind::kFailure:
      run.console.ColouredLine(kColourError, resolution.message);
      EndProgram(kExitError);
    case Resolution::Kind::kNoMatch:
      OfferCreate(run, resolution.expanded_spec, resolution.candidates);
      return;
    case Resolution::Kind::kMatches: {
      const std::string chosen =
          ChooseDirectory(run.console, resolution.candidates, CreateMode::kOff,
                          ListOrder::kByRankAndPath, run.start_dir, run.host.syntax);
      if (!chosen.empty()) GoToDirectory(run, chosen);
      return;
    }
  }
}

int RunProgram(const std::vector<std::string>& arguments) {
  std::unique_ptr<Console> console;
  try {
    console = ConsoleInit();
    if (!console) return kExitOk;
    InstallCrashReport();
    SetCrashIdentity(kProductName, kVersion);
    platform::UseOemFileApis();
    platform::KeepFreedMemory();

    SystemFileSystem fs;
    const std::string own_file_path = platform::OwnFilePath();
    const auto raw = platform::RawCommandLine();
    const CommandWords words = raw ? CommandWords::FromRawCommandLine(*raw, own_file_path)
                                   : CommandWords::FromArguments(arguments, own_file_path);
    SetCrashCommandLine(words);

    const std::string start_dir = fs.CurrentDirectory();
    const HostFacts host = ReadHostFacts(platform::Host(), *console, fs, own_file_path);
    // A query (--init, --list, ...) is run by scripts and completion: it leaves no trace.
    const bool query = IsQuery(ParseCommandLine(words).option);
    if (!query) WriteHandoffBatch(*console, fs, host, HandoffPlaceholder(host.handoff_format));

    Settings settings;
    const std::optional<std::string> data_file = DataFilePath(fs.GetEnv("DIRHOP"), host.syntax);
    if (query) {
      LoadSettingsToRead(settings, data_file);
    } else {
      LoadSettings(*console, settings, data_file);
    }
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
