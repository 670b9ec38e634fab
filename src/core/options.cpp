#include "core/options.h"

#include <climits>
#include <stdexcept>
#include <vector>

#include "base/case_folding.h"
#include "base/exit_codes.h"
#include "base/hex_digit.h"
#include "console/visible_text.h"
#include "core/handoff.h"
#include "core/identity.h"
#include "core/init_script.h"
#include "core/launcher.h"
#include "core/places.h"
#include "core/resolve.h"
#include "core/screens.h"
#include "match/ordering.h"
#include "state/aliases.h"
#include "state/history.h"

namespace dirhop {

namespace {

constexpr int kHistoryIndexMax = 20;

// The exit code of a screen option: `shown` when the whole screen went by, 0 when the user left it
// at the pager's prompt.
ExitCode ScreenShown(PageResult result, ExitCode shown) {
  return result == PageResult::kLeft ? kExitOk : shown;
}

// A history index: "-" alone is 1, otherwise the rest of the word read as a number.
ExitCode GoToHistoryIndex(Run& run, const std::vector<std::string>& words) {
  const std::string& text = words.front();
  std::optional<long> index = 1;
  if (!text.empty()) index = ReadRuntimeInteger(text);
  if (!index || *index < 1 || *index > kHistoryIndexMax) {
    run.console.SetTextColour(kColourError);
    run.console.Write("Dirhop: Invalid history index '" + VisibleText(text) +
                      "' (valid values are 1 to ");
    run.console.WriteNumber(kHistoryIndexMax);
    run.console.Write(").");
    run.console.EndColouredLine();
    return kExitError;
  }
  const int slot = static_cast<int>(*index);
  if (!run.settings.record.HistoryEmpty(slot)) {
    return GoToDirectory(run, run.settings.record.History(slot));
  }
  run.console.SetTextColour(kColourError);
  run.console.Write("Dirhop: History does not yet extend back ");
  run.console.WriteNumber(*index);
  run.console.Write(" entries.");
  run.console.EndColouredLine();
  return kExitError;
}

// No words: what the shell's own cd does without arguments. cmd's prints the current
// directory; a POSIX shell's goes home.
ExitCode NoWords(Run& run, const std::vector<std::string>&) {
  if (IsWindows(run.facts)) {
    run.console.WriteLine(VisibleText(run.start_dir));
    return kExitOk;
  }
  const std::optional<std::string> home = run.host.GetEnv("HOME");
  if (!home || home->empty()) {
    run.console.ColouredLine(kColourError, "Dirhop: HOME is not set");
    return kExitError;
  }
  return GoToDirectory(run, *home);
}

ExitCode Usage(Run& run, const std::vector<std::string>&) {
  return ScreenShown(ShowUsageScreenWithBanner(run.pager, run.facts.kind), kExitScreenShown);
}

ExitCode Alias(Run& run, const std::vector<std::string>& words) {
  const bool done = AliasCommand(run.console, run.settings, words, run.start_dir);
  return done ? kExitOk : kExitError;
}

ExitCode Welcome(Run& run, const std::vector<std::string>&) {
  return ScreenShown(ShowWelcomeScreen(run.pager, run.facts.kind), kExitScreenShown);
}

ExitCode History(Run& run, const std::vector<std::string>&) {
  ListHistory(run.console, run.settings);
  return kExitOk;
}

ExitCode Help(Run& run, const std::vector<std::string>&) {
  return ScreenShown(ShowUsageScreenWithBanner(run.pager, run.facts.kind), kExitOk);
}

ExitCode Version(Run& run, const std::vector<std::string>&) {
  run.console.WriteLine(std::string("dirhop ") + kVersion);
  return kExitOk;
}

// The script for the shell named by the first word (ignoring case); with --remember-cd after it,
// the script ends by turning on its hook that records every change of directory; with --jump or
// --completion, only that part, which the script's loader asks for at the first `c` or Tab.
ExitCode Init(Run& run, const std::vector<std::string>& words) {
  const std::string shell = words.empty() ? std::string() : UpperCase(words.front());
  const std::string extra_word = words.size() == 2 ? UpperCase(words[1]) : std::string();
  InitExtra extra = InitExtra::kNone;
  if (extra_word == "--REMEMBER-CD") extra = InitExtra::kRememberCd;
  if (extra_word == "--JUMP") extra = InitExtra::kJump;
  if (extra_word == "--COMPLETION") extra = InitExtra::kCompletion;
  if (words.size() > 2 || (words.size() == 2 && extra == InitExtra::kNone)) {
    run.console.ColouredLine(kColourError,
                             "Dirhop: Unknown word '" + VisibleText(words.back()) +
                                 "' for --init (only --remember-cd may follow the shell)");
    return kExitError;
  }
  const std::optional<std::string> script = InitScript(shell, extra);
  if (!script) {
    run.console.ColouredLine(kColourError,
                             "Dirhop: Unknown shell '" +
                                 (words.empty() ? std::string() : VisibleText(words.front())) +
                                 "' for --init (use bash, zsh, fish or powershell)");
    return kExitError;
  }
  run.console.Write(*script);
  return kExitOk;
}

// One line per directory: the one the path spec names, or the search's best candidates. One that
// leads nowhere prints nothing, so that completion never offers an error message, and so does
// one that found only far-fetched guesses: a shell completes a single answer in place of the
// word typed, and a script takes each line for a match.
ExitCode List(Run& run, const std::vector<std::string>& words) {
  Resolution resolution = ResolveSpec(run, words.empty() ? std::string() : words.front());
  switch (resolution.kind) {
    case Resolution::Kind::kDirectory:
      run.console.WriteLine(resolution.directory);
      return kExitOk;
    case Resolution::Kind::kMatches:
      // In the order the menu would show them; a candidate `c` would take alone is all there is.
      if (resolution.order == ListOrder::kByRankAndPath) SortCandidates(resolution.candidates);
      for (const Candidate& candidate : resolution.candidates) {
        run.console.Write(candidate.dir);  // the two parts as they are: no path copied out
        run.console.WriteLine(candidate.name);
      }
      return kExitOk;
    case Resolution::Kind::kFarMatches:  // guesses are for the menu, never for completion
    case Resolution::Kind::kNoMatch:
    case Resolution::Kind::kFailure:
      break;
  }
  return kExitNotFound;
}

ExitCode AliasNames(Run& run, const std::vector<std::string>&) {
  const SettingsRecord& record = run.settings.record;
  for (int slot = 1; slot <= kAliasSlots && !record.AliasFree(slot); ++slot) {
    run.console.WriteLine(record.AliasName(slot));
  }
  return kExitOk;
}

// A word with two dashes is one of ours; one we do not have is a typo, not a history index.
ExitCode UnknownOption(Run& run, const std::vector<std::string>& words) {
  run.console.ColouredLine(kColourError, "Dirhop: Unknown option '" + VisibleText(words.front()) +
                                             "' (c --help or c -? lists the options)");
  return kExitError;
}

template <LaunchOption kOption>
ExitCode Launch(Run& run, const std::vector<std::string>&) {
  return RunLaunchOption(run, kOption);
}

// What running an option may touch beyond its own output.
enum class Reach {
  kChanges,     // may change the settings; the run writes the hand-off and shows first screens
  kQuery,       // only answers a question: reads the settings, changes nothing, leaves no trace
  kPlacesOnly,  // a query that uses the memory of places only: the store is not even read
};

// How an option keeps the words after it.
enum class WordsTaken {
  kNone,    // ignored
  kEach,    // each word as it is
  kJoined,  // joined with one space into one
};

// One option: the upper-cased words that name it (the second may be null), what it may touch,
// the words it takes and what it does.
struct OptionRow {
  OptionId id;
  const char* name;
  const char* other_name;
  Reach reach;
  WordsTaken words_taken;
  ExitCode (*run)(Run& run, const std::vector<std::string>& words);  // gives the run's exit code
};

// The named options, in the order they are tested.
constexpr OptionRow kOptions[] = {
    {OptionId::kUsage, "-?", nullptr, Reach::kChanges, WordsTaken::kNone, Usage},
    {OptionId::kAlias, "-A", nullptr, Reach::kChanges, WordsTaken::kEach, Alias},
    {OptionId::kWelcome, "-W", nullptr, Reach::kChanges, WordsTaken::kNone, Welcome},
    {OptionId::kHistoryList, "-L", "-H", Reach::kChanges, WordsTaken::kNone, History},
    {OptionId::kMail, "-MAIL", nullptr, Reach::kChanges, WordsTaken::kNone,
     Launch<LaunchOption::kMail>},
    {OptionId::kManual, "-MANUAL", "-HELP", Reach::kChanges, WordsTaken::kNone,
     Launch<LaunchOption::kManual>},
    {OptionId::kExplorer, "-X", nullptr, Reach::kChanges, WordsTaken::kNone,
     Launch<LaunchOption::kExplorer>},
    {OptionId::kHome, "-HOME", nullptr, Reach::kChanges, WordsTaken::kNone,
     Launch<LaunchOption::kHome>},
    {OptionId::kBrantel, "-BRANTEL", nullptr, Reach::kChanges, WordsTaken::kNone,
     Launch<LaunchOption::kBrantel>},
    {OptionId::kHelp, "--HELP", nullptr, Reach::kQuery, WordsTaken::kNone, Help},
    {OptionId::kVersion, "--VERSION", nullptr, Reach::kQuery, WordsTaken::kNone, Version},
    {OptionId::kInit, "--INIT", nullptr, Reach::kQuery, WordsTaken::kEach, Init},
    {OptionId::kList, "--LIST", nullptr, Reach::kQuery, WordsTaken::kJoined, List},
    {OptionId::kAliasNames, "--ALIASES", nullptr, Reach::kQuery, WordsTaken::kNone, AliasNames},
    {OptionId::kPlaces, "--PLACES", nullptr, Reach::kPlacesOnly, WordsTaken::kNone,
     ListPlacesOption},
    {OptionId::kForget, "--FORGET", nullptr, Reach::kPlacesOnly, WordsTaken::kEach,
     ForgetPlaceOption},
    {OptionId::kImport, "--IMPORT", nullptr, Reach::kPlacesOnly, WordsTaken::kEach,
     ImportPlacesOption},
    {OptionId::kRecordVisit, "--RECORD-VISIT", nullptr, Reach::kPlacesOnly, WordsTaken::kEach,
     RecordVisitOption},
};

// The options that no word names; ParseCommandLine gives each its words itself.
constexpr OptionRow kUnnamedOptions[] = {
    {OptionId::kStartDir, nullptr, nullptr, Reach::kChanges, WordsTaken::kNone, NoWords},
    {OptionId::kHistoryIndex, nullptr, nullptr, Reach::kChanges, WordsTaken::kNone,
     GoToHistoryIndex},
    {OptionId::kUnknown, nullptr, nullptr, Reach::kQuery, WordsTaken::kNone, UnknownOption},
};

// The row of `option`; null for kPathSpec, which is no option.
const OptionRow* RowOf(OptionId option) {
  for (const OptionRow& row : kOptions) {
    if (row.id == option) return &row;
  }
  for (const OptionRow& row : kUnnamedOptions) {
    if (row.id == option) return &row;
  }
  return nullptr;
}

// The words after the first, kept as `row` takes them.
std::vector<std::string> WordsAfterOption(const OptionRow& row, const CommandWords& words) {
  std::vector<std::string> rest;
  if (row.words_taken == WordsTaken::kNone) return rest;
  for (int n = 2; n <= words.WordCount(); ++n) rest.push_back(words.Word(n));
  if (row.words_taken == WordsTaken::kEach) return rest;
  std::string joined;
  for (std::size_t n = 0; n < rest.size(); ++n) joined += (n == 0 ? "" : " ") + rest[n];
  return {joined};
}

}  // namespace

bool IsPlacesOption(OptionId option) {
  const OptionRow* row = RowOf(option);
  return row != nullptr && row->reach == Reach::kPlacesOnly;
}

bool IsQuery(OptionId option) {
  const OptionRow* row = RowOf(option);
  return row != nullptr && row->reach != Reach::kChanges;
}

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
    const int digit =
        base == 16 ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
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
      return {row.id, WordsAfterOption(row, words)};
    }
  }
  if (key.compare(0, 2, "--") == 0) return {OptionId::kUnknown, {first}};
  return {OptionId::kHistoryIndex, {first.substr(1)}};
}

ExitCode RunOption(Run& run, const ParsedCommandLine& parsed) {
  const OptionRow* row = RowOf(parsed.option);
  // A path spec is not an option: the caller searches for it.
  if (row == nullptr) throw std::logic_error("RunOption called for a path spec");
  return row->run(run, parsed.words);
}

}  // namespace dirhop
