#include "core/guess_menu.h"

#include <optional>

#include "console/chooser.h"
#include "console/visible_text.h"
#include "core/create_offer.h"
#include "core/handoff.h"
#include "match/paths.h"

namespace dirhop {

ExitCode OfferFarMatches(Run& run, const std::string& spec, CandidateList& guesses,
                         const CandidateList& creatable, const std::string& file_in_the_way) {
  if (creatable.empty() && !file_in_the_way.empty()) {
    run.console.ColouredLine(kColourError, FileInTheWayText(file_in_the_way));
  }
  run.console.ColouredLine(kColourNotice, "** Nothing close to '" + VisibleText(spec) + "' **");
  run.console.WriteLine();
  // The creation entries rank after every found one, so the menu shows them last.
  for (const Candidate& path : creatable) guesses.Add(path.Path(), kCreateRank);
  const CreateMode mode = creatable.empty() ? CreateMode::kOff : CreateMode::kEither;
  const std::optional<ChosenEntry> chosen =
      ChooseEntry(run.console, guesses, mode, ListOrder::kByRankAndPath, SingleEntry::kAsk,
                  run.start_dir, run.facts.syntax, run.facts.menu_home);
  if (!chosen) return kExitOk;
  if (chosen->rank != kCreateRank) return GoToDirectory(run, chosen->path);
  // A creation that failed has been reported; the run ends as one that found nothing.
  if (!CreatePathReporting(run, chosen->path)) return kExitOk;
  return GoToDirectory(run, ExpandFullPath(chosen->path, run.facts.syntax, run.fs));
}

}  // namespace dirhop
