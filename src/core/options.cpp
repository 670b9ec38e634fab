#include "core/options.h"

#include <climits>
#include <stdexcept>
#include <vector>

#include "base/hex_digit.h"
#include "base/program_exit.h"
#include "core/handoff.h"
#include "core/launcher.h"
#include "core/screens.h"
#include "match/upper_case.h"
#include "state/aliases.h"
#include "state/history.h"

namespace dirhop {

namespace {

constexpr int kHistoryIndexMax = 20;

// A history index: "-" alone is 1, otherwise the rest of the word read as a number.
[[noreturn]] void GoToHistoryIndex(Run& run, const std::vector<std::string>& words) {
  const std::string& text = words.front();
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
  if (!run.settings.record.HistoryEmpty(slot)) {
    GoToDirectory(run, run.settings.record.History(slot));
  }
  run.console.SetTextColour(kColourError);
  run.console.Write("Dirhop: History does not yet extend back ");
  run.console.WriteNumber(*index);
  run.console.Write(" entries.");
  run.console.EndColouredLine();
  EndProgram(kExitError);
}

[[noreturn]] void PrintStartDir(Run& run, const std::vector<std::string>&) {
  run.console.WriteLine(run.start_dir);
  EndProgram(kExitOk);
}

[[noreturn]] void Usage(Run& run, const std::vector<std::string>&) {
  ShowUsageScreenWithBanner(run.pager, run.host.kind);
  EndProgram(kExitScreenShown);
}

[[noreturn]] void Alias(Run& run, const std::vector<std::string>& words) {
  const bool done = AliasCommand(run.console, run.settings, words, run.start_dir);
  EndProgram(done ? kExitOk : kExitError);
}

[[noreturn]] void Welcome(Run& run, const std::vector<std::string>&) {
  ShowWelcomeScreen(run.pager, run.host.kind);
  EndProgram(kExitScreenShown);
}

[[noreturn]] void History(Run& run, const std::vector<std::string>&) {
  ListHistory(run.console, run.settings);
  EndProgram(kExitOk);
}

template <LaunchOption kOption>
[[noreturn]] void Launch(Run& run, const std::vector<std::string>&) {
  RunLaunchOption(run, kOption);
}

// One option: the upper-cased words that name it (the second may be null) and what it does.
struct OptionRow {
  OptionId id;
  const char* name;
  const char* other_name;
  void (*run)(Run& run, const std::vector<std::string>& words);  // ends the program
};

// The named options, in the order they are tested.
constexpr OptionRow kOptions[] = {
    {OptionId::kUsage, "-?", nullptr, Usage},
    {OptionId::kAlias, "-A", nullptr, Alias},
    {OptionId::kWelcome, "-W", nullptr, Welcome},
    {OptionId::kHistoryList, "-L", "-H", History},
    {OptionId::kMail, "-MAIL", nullptr, Launch<LaunchOption::kMail>},
    {OptionId::kManual, "-MANUAL", "-HELP", Launch<LaunchOption::kManual>},
    {OptionId::kExplorer, "-X", nullptr, Launch<LaunchOption::kExplorer>},
    {OptionId::kHome, "-HOME", nullptr, Launch<LaunchOption::kHome>},
    {OptionId::kBrantel, "-BRANTEL", nullptr, Launch<LaunchOption::kBrantel>},
};

// The options that no word names.
constexpr OptionRow kUnnamedOptions[] = {
    {OptionId::kStartDir, nullptr, nullptr, PrintStartDir},
    {OptionId::kHistoryIndex, nullptr, nullptr, GoToHistoryIndex},
};

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

ParsedCommandLine ParseCommandLine(const CommandWords& words) {
  if (words.WordCount() == 0) return {OptionId::kStartDir, {}};
  const std::string first = words.Word(1);
  const std::string key = UpperCase(first);
  if (key[0] != '-') return {OptionId::kPathSpec, {words.JoinWords()}};
  for (const OptionRow& row : kOptions) {
    if (key == row.name || (row.other_name != nullptr && key == row.other_name)) {
      std::vector<std::string> rest;
      for (int n = 2; n <= words.WordCount(); ++n) rest.push_back(words.Word(n));
      return {row.id, row.id == OptionId::kAlias ? rest : std::vector<std::string>{}};
    }
  }
  return {OptionId::kHistoryIndex, {first.substr(1)}};
}

void RunOption(Run& run, const ParsedCommandLine& parsed) {
  for (const OptionRow& row : kOptions) {
    if (row.id == parsed.option) row.run(run, parsed.words);
  }
  for (const OptionRow& row : kUnnamedOptions) {
    if (row.id == parsed.option) row.run(run, parsed.words);
  }
  // A path spec is not an option: the caller searches for it.
  throw std::logic_error("RunOption called for a path spec");
}

}  // namespace dirhop
