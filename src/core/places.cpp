#include "core/places.h"

#include <cmath>

#include "base/case_folding.h"
#include "console/visible_text.h"
#include "match/paths.h"
#include "state/place_import.h"
#include "state/settings_store.h"

namespace dirhop {
namespace {

// The file name of the memory in its folder.
constexpr char kPlacesName[] = "places";
// The most bad lines of an import that are named one by one.
constexpr std::size_t kBadLinesNamed = 10;

// `dir` as the memory keeps it: absolute (against the run's current directories), without a
// trailing separator.
std::string PlacePath(Run& run, const std::string& dir) {
  return std::string(
      WithoutTrailingSeparators(ExpandFullPath(dir, run.facts.syntax, run.fs), run.facts.syntax));
}

// "Dirhop: " and a message in the error colour; exit 243.
ExitCode Failure(Run& run, const std::string& message) {
  run.console.ColouredLine(kColourError, "Dirhop: " + message);
  return kExitError;
}

// The message for a change of the memory that was not made.
ExitCode SaveFailure(Run& run, PlaceSave save) {
  if (save == PlaceSave::kBusy) {
    return Failure(run, "The memory of places is in use by another run; nothing was changed");
  }
  return Failure(run,
                 "Could not write the memory of places '" + VisibleText(run.places->path) + "'");
}

// `score` with one decimal, right-aligned in 8 columns, written without the locale.
std::string ScoreText(double score) {
  const long long tenths = std::llround(score * 10);
  std::string text = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
  if (text.size() < 8) text.insert(0, 8 - text.size(), ' ');
  return text;
}

// The default memory file of `format`'s tool; empty when there is none to read.
std::string DefaultImportFile(Run& run, ImportFormat format, const std::string& word) {
  const bool windows = IsWindows(run.facts);
  const std::string home = run.host.GetEnv(windows ? "USERPROFILE" : "HOME").value_or("");
  const char sep = run.facts.syntax.separator;
  switch (format) {
    case ImportFormat::kZ:
      if (word == "FASD") {
        if (auto data = run.host.GetEnv("_FASD_DATA")) return *data;
        return home.empty() ? std::string() : home + sep + ".fasd";
      }
      if (auto data = run.host.GetEnv("_Z_DATA")) return *data;
      return home.empty() ? std::string() : home + sep + ".z";
    case ImportFormat::kAutojump: {
      if (windows) {
        const std::optional<std::string> app_data = run.host.GetEnv("APPDATA");
        return app_data ? *app_data + "\\autojump\\autojump.txt" : std::string();
      }
      std::string data = run.host.GetEnv("XDG_DATA_HOME").value_or("");
      if (data.empty() || data[0] != '/') {
        if (home.empty()) return std::string();
        data = home + "/.local/share";
      }
      return data + "/autojump/autojump.txt";
    }
    case ImportFormat::kZoxide:
      break;
  }
  return std::string();
}

}  // namespace

std::optional<PlaceFile> PlaceFileFor(Host& host, const HostFacts& facts,
                                      const std::optional<std::string>& data_file) {
  const PathCase path_case = IsWindows(facts) ? PathCase::kInsensitive : PathCase::kSensitive;
  if (data_file) {
    if (*data_file == kNullDataFile) return std::nullopt;
    return PlaceFile{*data_file + "." + kPlacesName, path_case, platform::MissingFolders::kFail};
  }
  if (IsWindows(facts)) {
    const std::optional<std::string> local = host.GetEnv("LOCALAPPDATA");
    if (!local) return std::nullopt;
    return PlaceFile{
        std::string(WithoutTrailingSeparators(*local, facts.syntax)) + "\\Dirhop\\" + kPlacesName,
        path_case};
  }
  std::string data = host.GetEnv("XDG_DATA_HOME").value_or("");
  // The XDG rule: a relative value is ignored.
  if (data.empty() || data[0] != '/') {
    const std::optional<std::string> home = host.GetEnv("HOME");
    if (!home || (*home)[0] != '/') return std::nullopt;
    data = std::string(WithoutTrailingSeparators(*home, facts.syntax)) + "/.local/share";
  }
  return PlaceFile{
      std::string(WithoutTrailingSeparators(data, facts.syntax)) + "/dirhop/" + kPlacesName,
      path_case};
}

bool ExcludedPlace(Host& host, const HostFacts& facts, const std::string& dir) {
  const bool windows = IsWindows(facts);
  const PathCase path_case = windows ? PathCase::kInsensitive : PathCase::kSensitive;
  const std::optional<std::string> globs = host.GetEnv("DIRHOP_EXCLUDE");
  if (!globs) {
    const std::optional<std::string> home = host.GetEnv(windows ? "USERPROFILE" : "HOME");
    return home && MatchesGlob(WithoutTrailingSeparators(*home, facts.syntax), dir, path_case);
  }
  const char list_separator = windows ? ';' : ':';
  std::size_t begin = 0;
  while (begin <= globs->size()) {
    std::size_t end = globs->find(list_separator, begin);
    if (end == std::string::npos) end = globs->size();
    const std::string glob = globs->substr(begin, end - begin);
    if (!glob.empty() &&
        MatchesGlob(WithoutTrailingSeparators(glob, facts.syntax), dir, path_case)) {
      return true;
    }
    begin = end + 1;
  }
  return false;
}

void RememberVisit(Run& run, const std::string& dir) {
  if (!run.places || run.settings.private_session || dir.empty() ||
      ExcludedPlace(run.host, run.facts, dir)) {
    return;
  }
  RecordVisit(run.fs, *run.places, dir, run.host.UnixTime());
}

ExitCode ListPlacesOption(Run& run, const std::vector<std::string>&) {
  if (!run.places) return kExitOk;
  const PlaceMemory memory = PlaceMemory::Load(run.fs, *run.places, run.host.UnixTime());
  // Plain lines, no colours: a colour change flushes the console, which costs a write a line.
  for (const RememberedPlace& place : memory.places()) {
    run.console.WriteLine(ScoreText(place.score) + "  " + VisibleText(place.path));
  }
  return kExitOk;
}

ExitCode ForgetPlaceOption(Run& run, const std::vector<std::string>& words) {
  const std::string dir =
      words.empty() || words.front().empty() ? run.start_dir : PlacePath(run, words.front());
  if (!run.places) return Failure(run, "No places are remembered ('" + VisibleText(dir) + "')");
  const ForgetResult result = ForgetPlaces(run.fs, *run.places, {dir}, run.host.UnixTime());
  if (result.save != PlaceSave::kSaved) return SaveFailure(run, result.save);
  if (result.forgotten == 0) return Failure(run, "'" + VisibleText(dir) + "' is not remembered");
  run.console.WriteLine("Forgot '" + VisibleText(dir) + "'");
  return kExitOk;
}

ExitCode ImportPlacesOption(Run& run, const std::vector<std::string>& words) {
  const std::string tool = words.empty() ? std::string() : UpperCase(words.front());
  ImportFormat format;
  if (tool == "Z" || tool == "FASD") {
    format = ImportFormat::kZ;
  } else if (tool == "AUTOJUMP") {
    format = ImportFormat::kAutojump;
  } else if (tool == "ZOXIDE") {
    format = ImportFormat::kZoxide;
  } else {
    return Failure(run, "Unknown memory '" +
                            (words.empty() ? std::string() : VisibleText(words[0])) +
                            "' for --import (use z, fasd, autojump or zoxide)");
  }
  std::string file = words.size() > 1 ? words[1] : DefaultImportFile(run, format, tool);
  if (file.empty()) {
    if (format == ImportFormat::kZoxide) {
      return Failure(run,
                     "zoxide's database is not read directly: run 'zoxide query --list --score > "
                     "FILE', then 'c --import zoxide FILE'");
    }
    return Failure(run, "No file to import from (name one after the tool)");
  }
  if (!run.places)
    return Failure(run, "No memory of places is kept (DIRHOP names the null device)");
  file = ExpandFullPath(file, run.facts.syntax, run.fs);
  const platform::FileReadResult read = run.fs.ReadFileForUpdate(file, kPlaceFileLimit);
  if (read.status != platform::StoreFileStatus::kOk) {
    return Failure(run, "Could not read '" + VisibleText(file) + "'");
  }
  const UnixSeconds now = run.host.UnixTime();
  ParsedImport parsed = ParseImport(format, read.bytes, run.facts.syntax, now);
  for (std::size_t n = 0; n < parsed.bad_lines.size() && n < kBadLinesNamed; ++n) {
    run.console.ColouredLine(kColourError, "Dirhop: Line " + std::to_string(parsed.bad_lines[n]) +
                                               " of '" + VisibleText(file) +
                                               "' is not an entry of " + words.front() +
                                               "; skipped");
  }
  if (parsed.bad_lines.size() > kBadLinesNamed) {
    run.console.ColouredLine(kColourError,
                             "Dirhop: " + std::to_string(parsed.bad_lines.size() - kBadLinesNamed) +
                                 " more bad lines skipped");
  }
  std::vector<ImportedPlace> kept;
  std::size_t excluded = 0;
  for (ImportedPlace& place : parsed.places) {
    if (ExcludedPlace(run.host, run.facts, place.path)) {
      ++excluded;
    } else {
      kept.push_back(std::move(place));
    }
  }
  const PlaceSave save = ImportPlaces(run.fs, *run.places, kept, now);
  if (save != PlaceSave::kSaved) return SaveFailure(run, save);
  std::string done =
      "Imported " + std::to_string(kept.size()) + " places from '" + VisibleText(file) + "'";
  if (excluded != 0) done += " (" + std::to_string(excluded) + " excluded by DIRHOP_EXCLUDE)";
  run.console.WriteLine(done);
  return kExitOk;
}

ExitCode RecordVisitOption(Run& run, const std::vector<std::string>& words) {
  if (words.empty() || words.front().empty()) {
    return Failure(run, "--record-visit needs a directory");
  }
  RememberVisit(run, PlacePath(run, words.front()));
  return kExitOk;
}

}  // namespace dirhop
