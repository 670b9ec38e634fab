#include "core/create_offer.h"

#include "base/case_folding.h"
#include "base/program_exit.h"
#include "console/chooser.h"
#include "core/handoff.h"
#include "match/paths.h"
#include "state/error_text.h"

namespace dirhop {

CurrentDirectories CurrentDirectoriesOf(FileSystem& fs) {
  return {[&fs] { return fs.CurrentDirectory(); },
          [&fs](char letter) { return fs.DriveCurrentDirectory(letter); }};
}

namespace {

std::string FullPath(Run& run, const std::string& path) {
  return ExpandFullPath(path, run.host.syntax, CurrentDirectoriesOf(run.fs));
}

// Asks "Create '<path>' [y/N] ? " and waits for y, n, Enter, Escape or Ctrl+C.
bool ConfirmCreate(Run& run, const std::string& path) {
  Console& console = run.console;
  console.SetTextColour(kColourNotice);
  console.Write("Create '" + path + "' [y/N] ? ");
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
      CreatePath(FullPath(run, path), run.host.syntax,
                 [&fs = run.fs](const std::string& level) { return fs.CreateOneDirectory(level); });
  if (!failure) return true;
  run.console.SetTextColour(kColourError);
  run.console.Write(ErrorText(static_cast<std::uint8_t>(failure->code)) + " creating directory '" +
                    failure->level + "'");
  run.console.EndColouredLine();
  return false;
}

void OfferCreate(Run& run, const std::string& spec, CandidateList& create_list) {
  run.console.ColouredLine(kColourError, "Dirhop: No directories found matching '" + spec + "'");
  if (create_list.empty()) return;
  std::string chosen;
  if (create_list.size() == 1) {
    // The candidate names the full directory to create, free of wildcards.
    chosen = create_list.front().Path();
    if (!ConfirmCreate(run, chosen)) EndProgram(kExitCreateDeclined);
  } else {
    run.console.ColouredLine(kColourNotice, "** Create a new directory? **");
    run.console.WriteLine();
    chosen = ChooseDirectory(run.console, create_list, CreateMode::kOn, ListOrder::kAsGiven,
                             run.start_dir, run.host.syntax);
    if (chosen.empty()) return;
  }
  if (CreatePathReporting(run, chosen)) GoToDirectory(run, FullPath(run, chosen));
}

}  // namespace dirhop
