#include "core/resolve.h"

#include <algorithm>

#include "base/case_folding.h"
#include "base/drive_prefix.h"
#include "console/visible_text.h"
#include "core/remembered_places.h"
#include "match/ordering.h"
#include "match/paths.h"
#include "match/pattern.h"
#include "match/search.h"
#include "state/aliases.h"

namespace dirhop {

namespace {

Resolution Directory(std::string directory) {
  Resolution result;
  result.kind = Resolution::Kind::kDirectory;
  result.directory = std::move(directory);
  return result;
}

Resolution Failure(std::string message) {
  Resolution result;
  result.kind = Resolution::Kind::kFailure;
  result.message = std::move(message);
  return result;
}

// True when some plausible candidate took every level of `spec` by its whole name or its
// beginning (a rank no higher than a prefix at each level).
bool FitsByNamesOrBeginnings(const CandidateList& candidates, std::string_view spec,
                             PathSyntax syntax) {
  const std::size_t levels =
      static_cast<std::size_t>(std::count(spec.begin(), spec.end(), syntax.separator)) + 1;
  return BestRank(candidates) <= levels * kWildcardScore;
}

}  // namespace

Resolution ResolveSpec(Run& run, std::string spec, SearchObserver* observer) {
  const PathSyntax syntax = run.facts.syntax;
  SlashesToBackslashes(spec, syntax);
  ExpandDoubleBackslashes(spec, syntax);
  ExpandDots(spec, syntax);
  const std::string expanded_spec = spec;

  // The direct attempt: a typed path that already names a directory (relative, drive-relative or
  // absolute) is taken as it is, before any alias or search, with its names as the disk holds
  // them (the system gives back the current directory as it was typed).
  if (run.fs.ChangeDirectory(spec)) {
    std::string entered = run.fs.CurrentDirectory();
    return Directory(entered.empty() ? spec : WithNamesAsStored(entered, syntax, run.fs));
  }

  // An alias is tried only when the spec is not a directory as it stands.
  if (std::optional<std::string> target = FindAlias(run.settings, spec)) {
    Resolution result = Directory(*target);
    result.alias = spec;
    return result;
  }

  std::string base;
  // No drive, no root and no parent step: the spec may also start at a remembered place.
  bool relative = false;
  char drive = 0;
  bool drive_given = false;
  if (syntax.drives) {
    if (HasDrivePrefix(spec)) {
      drive = UpperChar(spec[0]);
      spec.erase(0, 2);
      drive_given = true;
    } else {
      drive = UpperChar(run.start_dir.empty() ? 'C' : run.start_dir[0]);
    }
  }
  const bool valid_drive = IsDriveLetter(drive);

  if (!spec.empty() && spec[0] == syntax.separator) {
    base = syntax.drives ? std::string(1, drive) + ":\\" : std::string("/");
    spec.erase(0, 1);
  } else {
    if (syntax.drives && !valid_drive) {
      return Failure("Dirhop: Invalid drive letter '" + VisibleText(std::string(1, drive)) +
                     "' (valid drives are A: through Z:)");
    }
    if (drive_given && spec.empty()) {
      // A drive prefix alone that the direct attempt could not enter names no usable drive;
      // going to the process's own directory instead would hide that.
      return Failure("Dirhop: Could not change directory to '" + VisibleText(expanded_spec) + "'");
    }
    // A relative path spec is searched from the current directory; one that has been removed has
    // no path, and the search must not start from the root instead.
    if (!drive_given && run.fs.CurrentDirectoryRemoved()) {
      return Failure("Dirhop: The current directory no longer exists");
    }
    base = syntax.drives ? run.fs.DriveCurrentDirectory(drive) : run.fs.CurrentDirectory();
    if (base.empty()) return Failure("Dirhop: Could not read the current directory");
    const std::size_t typed = spec.size();
    TakeParentSteps(spec, base, syntax, ParentStep::kTwoDots);
    relative = !drive_given && spec.size() == typed;
  }

  if (spec.empty()) return Directory(base);

  const CreateOffer create_offer =
      run.settings.record.CanCreatePath() ? CreateOffer::kOn : CreateOffer::kOff;
  DirectorySearch search(syntax, create_offer, run.fs);
  if (observer) search.ObserveWith(*observer);
  search.SearchLevel(spec, base, 0);
  Resolution result;
  result.expanded_spec = expanded_spec;
  const bool found_plausible = search.FoundPlausible();
  // A relative spec is also searched from the remembered places when nothing here fits better
  // than by letters in order or a typo at some level: a remembered place that fits by its name
  // or beginning is then the likelier meaning (`gam` for the game-engine project worked on, not
  // /usr/share/gstreamer).
  if (relative &&
      (!found_plausible || !FitsByNamesOrBeginnings(search.MatchList(), spec, syntax))) {
    if (std::optional<Resolution> remembered = ResolveFromRememberedPlaces(run, spec, observer)) {
      // Over what fits here, only a place found by its own name or beginning.
      const bool fits_better = remembered->kind == Resolution::Kind::kMatches &&
                               remembered->by_place_name &&
                               BestRank(remembered->candidates) < BestRank(search.MatchList());
      if (!found_plausible || fits_better) {
        remembered->expanded_spec = expanded_spec;
        return std::move(*remembered);
      }
    }
  }
  if (!found_plausible && search.CreateList().empty()) {
    // The spec as typed, added last, only when the search met no place to create it: each place
    // it met already offers the rest of the spec there, below directories that exist, and the
    // spec as typed would name the same directory again, or a new tree named after the
    // abbreviations of existing ones (pro/blog for projects/blog).
    search.AddCreateCandidate(expanded_spec);
  }
  if (search.MatchList().empty()) {
    result.kind = Resolution::Kind::kNoMatch;
    result.candidates = std::move(search.CreateList());
    return result;
  }
  result.kind = found_plausible ? Resolution::Kind::kMatches : Resolution::Kind::kFarMatches;
  result.candidates = std::move(search.MatchList());
  KeepBestRank(result.candidates);
  if (!found_plausible) result.creatable = std::move(search.CreateList());
  return result;
}

}  // namespace dirhop
