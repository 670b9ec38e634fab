#include "core/options.h"

#include <climits>
#include <vector>

#include "core/handoff.h"
#include "core/launcher.h"
#include "base/program_exit.h"
#include "core/screens.h"
#include "match/upper_case.h"
#include "state/aliases.h"
#include "state/history.h"

namespace dirhop {

namespace {

constexpr int kHistoryIndexMax = 20;

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
  const int slot = static_cast<int>(*index);
  if (run.settings != nullptr && !run.settings->record.HistoryEmpty(slot)) {
    GoToDirectory(run, run.settings->record.History(slot));
  }
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
  const std::string key = UpperCase(first);
  if (key[0] != '-') return words.JoinWords();
  // The options in the order they are tested; each one ends the run.
  if (key == "-?") {
    ShowUsageScreenWithBanner(run.pager, run.syntax);
    EndProgram(kExitScreenShown);
  }
  if (key == "-A" && run.settings != nullptr) {
    std::vector<std::string> arguments;
    for (int n = 2; n <= words.WordCount(); ++n) arguments.push_back(words.Word(n));
    AliasCommand(run.console, *run.settings, arguments, run.start_dir);
  }
  if (key == "-W") {
    ShowWelcomeScreen(run.pager, run.syntax);
    EndProgram(kExitScreenShown);
  }
  if ((key == "-L" || key == "-H") && run.settings != nullptr) {
    ListHistory(run.console, *run.settings);
  }
  if (key == "-MAIL") RunLaunchOption(run, LaunchOption::kMail);
  if (key == "-MANUAL" || key == "-HELP") RunLaunchOption(run, LaunchOption::kManual);
  if (key == "-X") RunLaunchOption(run, LaunchOption::kExplorer);
  if (key == "-HOME") RunLaunchOption(run, LaunchOption::kHome);
  if (key == "-BRANTEL") RunLaunchOption(run, LaunchOption::kBrantel);
  GoToHistoryIndex(run, first.substr(1));
}

}  // namespace dirhop
