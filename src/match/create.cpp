#include "match/create.h"

#include "console/chooser.h"
#include "core/handoff.h"
#include "core/program_exit.h"
#include "match/paths.h"
#include "platform/platform.h"
#include "state/error_text.h"

namespace dirhop {

namespace {

CurrentDirectories PlatformDirectories() {
  return {[] { return platform::CurrentDirectory(); },
          [](char letter) { return platform::DriveCurrentDirectory(letter); }};
}

std::string FullPath(Run& run, const std::string& path) {
  return ExpandFullPath(path, run.syntax, PlatformDirectories());
}

// Asks "Create '<path>' [y/N] ? " and waits for y, n, Enter, Escape or Ctrl+C.
bool ConfirmCreate(Run& run, const std::string& path) {
  Console& console = run.console;
  console.SetTextColour(kColourNotice);
  console.Write("Create '" + path + "' [y/N] ? ");
  for (;;) {
    // Without a console to answer from, the answer is the default: no.
    const Key key = console.TryReadKey().value_or(Key{kKeyEscape, 0});
    const char answer = static_cast<char>(key.ch >= 'a' && key.ch <= 'z' ? key.ch - 32 : key.ch);
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

bool CreatePath(Run& run, const std::string& path, const CreateDirectoryFn& create) {
  const char sep = run.syntax.separator;
  std::string rest = AddTrailingBackslash(FullPath(run, path), run.syntax);
  // The walk starts at the root: "C:" then "\level" each time on Windows, "/level" on POSIX.
  std::string built = run.syntax.drives ? rest.substr(0, 2) : std::string();
  rest.erase(0, run.syntax.drives ? 3 : 1);
  for (;;) {
    const auto p = rest.find(sep);
    built += sep + rest.substr(0, p);
    rest.erase(0, p + 1);
    const int code = create(built) & 0xFF;
    if (code != 0 && code != (kErrorAlreadyExists & 0xFF) && code != kErrorAccessDenied) {
      run.console.SetTextColour(kColourError);
      run.console.Write(ErrorText(static_cast<std::uint8_t>(code)) + " creating directory '" +
                        built + "'");
      run.console.EndColouredLine();
      return false;
    }
    if (rest.empty() || rest == std::string(1, sep)) return true;
  }
}

void OfferCreate(Run& run, const std::string& spec, std::vector<Candidate>& create_list,
                 const CreateDirectoryFn& create) {
  run.console.ColouredLine(kColourError, "Dirhop: No directories found matching '" + spec + "'");
  if (create_list.empty()) return;
  std::string chosen;
  if (create_list.size() == 1) {
    // The candidate names the full directory to create, free of wildcards.
    chosen = create_list.front().path;
    if (!ConfirmCreate(run, chosen)) EndProgram(kExitCreateDeclined);
  } else {
    run.console.ColouredLine(kColourNotice, "** Create a new directory? **");
    run.console.WriteLine();
    chosen = ChooseDirectory(run.console, create_list, CreateMode::kOn, run.start_dir, run.syntax);
    if (chosen.empty()) return;
  }
  if (CreatePath(run, chosen, create)) GoToDirectory(run, FullPath(run, chosen));
}

}  // namespace dirhop
