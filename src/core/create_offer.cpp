#include "core/create_offer.h"

#include "base/case_folding.h"
#include "base/exit_codes.h"
#include "console/chooser.h"
#include "console/visible_text.h"
#include "core/error_text.h"
#include "core/handoff.h"
#include "match/paths.h"

namespace dirhop {

namespace {

std::string FullPath(Run& run, const std::string& path) {
  return ExpandFullPath(path, run.facts.syntax, run.fs);
}

// Asks "Create '<path>' [y/N] ? " and waits for y, n, Enter, Escape or Ctrl+C.
bool ConfirmCreate(Run& run, const std::string& path) {
  Console& console = run.console;
  // Before the question appears, so that a key pressed after seeing it is never dropped.
  console.DiscardTypedAhead();
  console.SetTextColour(kColourNotice);
  console.Write("Create '" + VisibleText(path) + "' [y/N] ? ");
  for (;;) {
    // Without a console to answer from, the answer is the default: no.
    const Key key = console.TryReadKey().value_or(Key{kKeyEscape, 0});
    const char answer = UpperChar(static_cast<char>(key.ch));
    if (answer == 'Y') {
      console.Write("Yes");
      console.EndColouredLine();
      return true;
    }
    if (answer == 'N' || key.ch == kKeyEnter || key.ch == kKeyEscape || key.ch == kKeyCtrlC) {
      console.Write("No");
      console.EndColouredLine();
      return false;
    }
  }
}

}  // namespace

bool CreatePathReporting(Run& run, const std::string& path) {
  const std::optional<CreateFailure> failure =
      CreatePath(FullPath(run, path), run.facts.syntax, run.fs);
  if (!failure) return true;
  run.console.SetTextColour(kColourError);
  run.console.Write(CreationErrorText(failure->code, run.facts.kind) + " creating directory '" +
                    VisibleText(failure->level) + "'");
  run.console.EndColouredLine();
  return false;
}

std::string FileInTheWayText(const std::string& file) {
  return "Dirhop: '" + VisibleText(file) + "' is a file, not a directory";
}

ExitCode OfferCreate(Run& run, const std::string& spec, CandidateList& create_list,
                     const std::string& file_in_the_way) {
  if (create_list.empty() && !file_in_the_way.empty()) {
    run.console.ColouredLine(kColourError, FileInTheWayText(file_in_the_way));
    return kExitOk;
  }
  run.console.ColouredLine(kColourError,
                           "Dirhop: No directories found matching '" + VisibleText(spec) + "'");
  if (create_list.empty()) return kExitOk;
  std::string chosen;
  if (create_list.size() == 1) {
    // The candidate names the full directory to create, free of wildcards.
    chosen = create_list.front().Path();
    if (!ConfirmCreate(run, chosen)) return kExitCreateDeclined;
  } else {
    run.console.ColouredLine(kColourNotice, "** Create a new directory? **");
    run.console.WriteLine();
    chosen = ChooseDirectory(run.console, create_list, CreateMode::kOn, ListOrder::kAsGiven,
                             run.start_dir, run.facts.syntax, run.facts.menu_home);
    if (chosen.empty()) return kExitOk;
  }
  // A creation that failed has been reported; the run still ends as one that found nothing.
  if (!CreatePathReporting(run, chosen)) return kExitOk;
  return GoToDirectory(run, FullPath(run, chosen));
}

}  // namespace dirhop
