// What the program learns about its host once, at start-up, and never asks again: which system it
// is, the path flavour, and how and where the hand-off reaches the calling shell.
#pragma once

#include <optional>
#include <string>

#include "console/console.h"
#include "match/path_syntax.h"
#include "platform/host.h"
#include "platform/platform.h"

namespace dirhop {

// How the hand-off file tells the calling shell where to go.
enum class HandoffFormat {
  kBatch,       // cmd batch file: "rem", or "X:" and chdir "\dir" with CR LF line ends
  kPosixShell,  // sh code for bash and zsh: "# rem", or cd -- 'dir'
  kFishShell,   // fish code: like kPosixShell with fish's quoting inside single quotes
};

struct HostFacts {
  // The one answer to "is this Windows?".
  platform::HostKind kind;
  PathSyntax syntax;
  HandoffFormat handoff_format;
  // Where the hand-off file is written, as the environment names it.
  std::string handoff_path;
  // The full path of the program's own file; empty when it cannot be found.
  std::string own_file_path;
  // The home folder the menus show as `~` (POSIX: $HOME when it is absolute and not the root);
  // empty on Windows, whose menus show paths whole.
  std::string menu_home{};
};

// True on a Windows host.
inline bool IsWindows(const HostFacts& host) { return host.kind == platform::HostKind::kWindows; }

// Reads the host facts from `host`. A Windows host without TEMP (and without DIRHOP_HANDOFF) is
// reported and gives nullopt (the run ends with exit code 243).
std::optional<HostFacts> ReadHostFacts(Host& host, Console& console);

}  // namespace dirhop
