#include "core/main_flow.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <exception>
#include <memory>

#include "console/chooser.h"
#include "core/handoff.h"
#include "core/program_exit.h"
#include "match/create.h"
#include "match/ordering.h"
#include "match/paths.h"
#include "match/search.h"
#include "platform/platform.h"

namespace dirhop {

namespace {

constexpr int kHistoryIndexMax = 20;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string text) {
  for (char& c : text) c = UpperAscii(c);
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A history index: "-" alone is 1, otherwise the rest of the word read as a number.
[[noreturn]] void GoToHistoryIndex(Run& run, const std::string& text) {
  std::optional<long> index = 1;
  if (!text.empty()) index = ReadRuntimeInteger(text);
  if (!index || *index < 1 || *index > kHistoryIndexMax) {
    run.console.SetTextColour(kColourError);
    run.console.Write("Dirhop: Invalid history index '" + text + "' (valid values are 1 to ");
    run.console.WriteNumber(kHistoryIndexMax);
    run.console.Write(").");
    run.console.EndColouredLine();
    EndProgram(kExitError);
  }
  // No history is kept yet, so every valid index reaches back further than what is recorded.
  run.console.SetTextColour(kColourError);
  run.console.Write("Dirhop: History does not yet extend back ");
  run.console.WriteNumber(*index);
  run.console.Write(" entries.");
  run.console.EndColouredLine();
  EndProgram(kExitError);
}

}  // namespace

std::optional<long> ReadRuntimeInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    const int digit = base == 16 ? HexDigit(text[i])
                                 : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return std::nullopt;
  return static_cast<long>(value);
}

std::string ParseCommandLine(Run& run, const CommandWords& words) {
  if (words.WordCount() == 0) {
    run.console.WriteLine(run.start_dir);
    EndProgram(kExitOk);
  }
  const std::string first = words.Word(1);
  const std::string key = UpperAscii(first);
  if (key[0] != '-') return words.JoinWords();
  GoToHistoryIndex(run, first.substr(1));
}

void MainFlow(Run& run, const CommandWords& words) {
  const PathSyntax syntax = run.syntax;
  std::string spec = ParseCommandLine(run, words);

  SlashesToBackslashes(spec, syntax);
  ExpandDoubleBackslashes(spec, syntax);
  ExpandDots(spec, syntax);
  const std::string expanded_spec = spec;

  // The direct attempt: a spec that already names a directory (relative, drive-relative or
  // absolute) is taken as it is, before any alias or search.
  if (platform::ChangeDirectory(spec)) {
    std::string entered = platform::CurrentDirectory();
    GoToDirectory(run, entered.empty() ? spec : entered);
  }

  std::string base;
  char drive = 0;
  bool drive_given = false;
  if (syntax.drives) {
    if (spec.size() >= 2 && spec[1] == ':') {
      drive = UpperAscii(spec[0]);
      spec.erase(0, 2);
      drive_given = true;
    } else {
      drive = UpperAscii(run.start_dir.empty() ? 'C' : run.start_dir[0]);
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
    base = syntax.drives ? platform::DriveCurrentDirectory(drive) : platform::CurrentDirectory();
    while (!spec.empty() && spec.size() >= 2 && spec[0] == '.' && spec[1] == '.') {
      spec.erase(0, 3);
      base = ParentDir(base, syntax);
    }
  }

  if (spec.empty()) GoToDirectory(run, base);

  DirectorySearch search(syntax, run.can_create_path, platform::ListSubdirectories);
  search.SearchLevel(spec, base, 0);
  std::vector<Candidate>& matches = search.MatchList();
  if (matches.empty()) {
    search.AddCreateCandidate(expanded_spec);
    OfferCreate(run, expanded_spec, search.CreateList(), platform::CreateOneDirectory);
    return;
  }
  SortCandidates(matches);
  KeepBestRank(matches);
  const std::string chosen =
      ChooseDirectory(run.console, matches, CreateMode::kOff, run.start_dir, syntax);
  if (!chosen.empty()) GoToDirectory(run, chosen);
}

int RunProgram(const std::vector<std::string>& arguments) {
  std::unique_ptr<Console> console;
  try {
    console = ConsoleInit();
    platform::UseOemFileApis();

    const platform::HostKind host = platform::Host();
    const auto raw = platform::RawCommandLine();
    const CommandWords words =
        raw ? CommandWords::FromRawCommandLine(*raw, platform::OwnFilePath())
            : CommandWords::FromArguments(arguments, platform::OwnFilePath());

    Run run{*console,
            host == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths,
            ChooseHandoffFormat(host),
            platform::CurrentDirectory(),
            /*can_create_path=*/true,
            /*record_history=*/{}};
    WriteHandoffBatch(run, HandoffPlaceholder(run.handoff_format));
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
  }
}

}  // namespace dirhop
