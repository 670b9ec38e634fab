// What one run of the program carries from operation to operation: the console, the path
// flavour of the host, the start directory and the hooks later stages fill in.
#pragma once

#include <functional>
#include <string>

#include "console/console.h"
#include "console/pager.h"
#include "match/path_syntax.h"
#include "state/settings_store.h"

namespace dirhop {

// How the hand-off file tells the calling shell where to go.
enum class HandoffFormat {
  kBatch,       // cmd batch file: "rem", or "X:" and chdir "\dir" with CR LF line ends
  kPosixShell,  // sh code for bash and zsh: "# rem", or cd -- 'dir'
  kFishShell,   // fish code: like kPosixShell with fish's quoting inside single quotes
};

struct Run {
  Console& console;
  PathSyntax syntax;
  HandoffFormat handoff_format;
  // The process's current directory at start-up; never changed.
  std::string start_dir;
  // Whether a search that finds nothing may offer to create the missing directory.
  bool can_create_path = true;
  // Called by GoToDirectory with the directory just entered, before the hand-off is written.
  std::function<void(const std::string& directory)> record_history;
  // The settings record and its store; null where a caller keeps no history or aliases.
  Settings* settings = nullptr;
  // Long screens go through the pager, whose line count runs across the whole run.
  Pager pager{console};
};

}  // namespace dirhop
