#include "core/resolve.h"

#include <algorithm>

#include "base/case_folding.h"
#include "base/drive_prefix.h"
#include "console/visible_text.h"
#include "core/search_from_places.h"
#include "match/create.h"
#include "match/level_match.h"
#include "match/ordering.h"
#include "match/paths.h"
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

// Drops from `creatable` every path that leads through a file (FileInTheWay); returns the first
// such file, empty when none was met. Asked only when creation is offered, so a search that finds
// what it looks for pays nothing for it.
std::string DropPathsThroughFiles(Run& run, CandidateList& creatable) {
  const PathSyntax syntax = run.facts.syntax;
  std::string first_file;
  creatable.KeepIf([&](const Candidate& path) {
    const std::optional<std::string> file =
        FileInTheWay(ExpandFullPath(path.Path(), syntax, run.fs), syntax, run.fs);
    if (file && first_file.empty()) first_file = *file;
    return !file;
  });
  return first_file;
}

// Where the search of a spec starts, and what is left of the spec to search there.
struct SearchBase {
  std::string directory;
  std::string rest;
  // No drive, no root and no parent step: the spec may also start at a remembered place.
  bool relative = false;
  // Set when the spec is decided before any search: a failure, or the base itself when nothing
  // is left to search.
  std::optional<Resolution> decided;
};

// The spec with its slashes, double backslashes and dots expanded.
std::string ExpandSpec(std::string spec, PathSyntax syntax) {
  UseNativeSeparators(spec, syntax);
  ExpandDoubleSeparators(spec, syntax);
  ExpandDots(spec, syntax);
  return spec;
}

// A typed path that already names a directory (relative, drive-relative or absolute) is taken as
// it is, before any alias or search, with its names as the disk holds them (the system gives back
// the current directory as it was typed). Changes run.fs's current directory when it succeeds.
std::optional<Resolution> TryAsTyped(Run& run, const std::string& expanded_spec) {
  if (!run.fs.ChangeDirectory(expanded_spec)) return std::nullopt;
  const std::string entered = run.fs.CurrentDirectory();
  return Directory(entered.empty() ? expanded_spec
                                   : WithNamesAsStored(entered, run.facts.syntax, run.fs));
}

// The alias named by the spec, tried only when the spec is not a directory as it stands.
std::optional<Resolution> TryAsAlias(const Run& run, const std::string& expanded_spec) {
  std::optional<std::string> target = FindAlias(run.settings, expanded_spec);
  if (!target) return std::nullopt;
  Resolution result = Directory(std::move(*target));
  result.alias = expanded_spec;
  return result;
}

// Takes the drive, the root and the parent steps off the front of the spec: the directory they
// lead to is the base of the search (the current directory when there are none), and the rest is
// searched below it.
SearchBase FindSearchBase(Run& run, const std::string& expanded_spec) {
  const PathSyntax syntax = run.facts.syntax;
  SearchBase base;
  base.rest = expanded_spec;
  std::string& spec = base.rest;
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

  if (!spec.empty() && spec[0] == syntax.separator) {
    base.directory = syntax.drives ? std::string(1, drive) + ":\\" : std::string("/");
    spec.erase(0, 1);
  } else {
    if (syntax.drives && !IsDriveLetter(drive)) {
      base.decided = Failure("Dirhop: Invalid drive letter '" + VisibleText(std::string(1, drive)) +
                             "' (valid drives are A: through Z:)");
      return base;
    }
    if (drive_given && spec.empty()) {
      // A drive prefix alone that the direct attempt could not enter names no usable drive;
      // going to the process's own directory instead would hide that.
      base.decided =
          Failure("Dirhop: Could not change directory to '" + VisibleText(expanded_spec) + "'");
      return base;
    }
    // A relative path spec is searched from the current directory; one that has been removed has
    // no path, and the search must not start from the root instead.
    if (!drive_given && run.fs.CurrentDirectoryRemoved()) {
      base.decided = Failure("Dirhop: The current directory no longer exists");
      return base;
    }
    base.directory =
        syntax.drives ? run.fs.DriveCurrentDirectory(drive) : run.fs.CurrentDirectory();
    if (base.directory.empty()) {
      base.decided = Failure("Dirhop: Could not read the current directory");
      return base;
    }
    const std::size_t typed = spec.size();
    TakeParentSteps(spec, base.directory, syntax, ParentStep::kTwoDots);
    base.relative = !drive_given && spec.size() == typed;
  }
  if (spec.empty()) base.decided = Directory(base.directory);
  return base;
}

// Searches the rest of the spec below the base, collecting the paths that could be created when
// the settings allow creating, and telling `observer` (when there is one) of every listing.
DirectorySearch SearchTheBase(Run& run, const SearchBase& base, SearchObserver* observer) {
  const CreateOffer create_offer =
      run.settings.record.CanCreatePath() ? CreateOffer::kOn : CreateOffer::kOff;
  DirectorySearch search(run.facts.syntax, create_offer, run.fs);
  if (observer) search.ObserveWith(*observer);
  search.SearchLevel(base.rest, base.directory, 0);
  return search;
}

// A relative spec is also searched from the remembered places when nothing below the base fits
// better than by letters in order or a typo at some level: a remembered place that fits by its
// name or beginning is then the likelier meaning (`gam` for the game-engine project worked on,
// not /usr/share/gstreamer). Taken when nothing plausible was found below the base, or over what
// was only when a place is found by its own name or beginning and ranks better.
std::optional<Resolution> SearchRememberedPlaces(Run& run, const SearchBase& base,
                                                 DirectorySearch& search,
                                                 const std::string& expanded_spec,
                                                 SearchObserver* observer) {
  const bool found_plausible = search.FoundPlausible();
  if (!base.relative || (found_plausible && FitsByNamesOrBeginnings(search.MatchList(), base.rest,
                                                                    run.facts.syntax))) {
    return std::nullopt;
  }
  std::optional<Resolution> remembered = ResolveFromRememberedPlaces(run, base.rest, observer);
  if (!remembered) return std::nullopt;
  const bool fits_better = remembered->kind == Resolution::Kind::kMatches &&
                           remembered->by_place_name &&
                           BestRank(remembered->candidates) < BestRank(search.MatchList());
  if (found_plausible && !fits_better) return std::nullopt;
  remembered->expanded_spec = expanded_spec;
  return remembered;
}

// The plausible candidates of the best rank found below the base.
std::optional<Resolution> TakeBaseMatches(DirectorySearch& search,
                                          const std::string& expanded_spec) {
  if (!search.FoundPlausible()) return std::nullopt;
  Resolution result;
  result.kind = Resolution::Kind::kMatches;
  result.expanded_spec = expanded_spec;
  result.candidates = std::move(search.MatchList());
  KeepBestRank(result.candidates);
  return result;
}

// Nothing plausible: the far-fetched guesses of the best rank beside the paths that could be
// created (never one through a file, which the result names instead), or the paths to create alone
// when the search found nothing at all. The spec as typed is added to them last, only when the
// search met no place to create it: each place it met already offers the rest of the spec there,
// below directories that exist, and the spec as typed would name the same directory again, or a new
// tree named after the abbreviations of existing ones (pro/blog for projects/blog).
Resolution FallBackToCreation(Run& run, DirectorySearch& search, const std::string& expanded_spec) {
  if (search.CreateList().empty()) search.AddCreateCandidate(expanded_spec);
  Resolution result;
  result.expanded_spec = expanded_spec;
  result.file_in_the_way = DropPathsThroughFiles(run, search.CreateList());
  if (search.MatchList().empty()) {
    result.kind = Resolution::Kind::kNoMatch;
    result.candidates = std::move(search.CreateList());
    return result;
  }
  result.kind = Resolution::Kind::kFarMatches;
  result.candidates = std::move(search.MatchList());
  KeepBestRank(result.candidates);
  result.creatable = std::move(search.CreateList());
  return result;
}

}  // namespace

Resolution ResolveSpec(Run& run, std::string spec, SearchObserver* observer) {
  const std::string expanded = ExpandSpec(std::move(spec), run.facts.syntax);
  if (std::optional<Resolution> typed = TryAsTyped(run, expanded)) return std::move(*typed);
  if (std::optional<Resolution> alias = TryAsAlias(run, expanded)) return std::move(*alias);
  SearchBase base = FindSearchBase(run, expanded);
  if (base.decided) return std::move(*base.decided);
  DirectorySearch search = SearchTheBase(run, base, observer);
  if (std::optional<Resolution> remembered =
          SearchRememberedPlaces(run, base, search, expanded, observer)) {
    return std::move(*remembered);
  }
  if (std::optional<Resolution> matches = TakeBaseMatches(search, expanded)) {
    return std::move(*matches);
  }
  return FallBackToCreation(run, search, expanded);
}

}  // namespace dirhop
