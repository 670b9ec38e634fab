// The text `dirhop --init SHELL` prints: the shell's integration file as built into the program,
// cut to what the shell's start needs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dirhop {

// What --init is asked for after the shell's name.
enum class InitExtra {
  kNone,
  kRememberCd,  // --remember-cd: also the hook that records every change of directory
  kJump,        // --jump: only the part behind `c`, which the printed loader asks for
  kCompletion,  // --completion: only the completion part, which the printed loader asks for
};

// The script for `shell` ("BASH", "ZSH", "FISH", "POWERSHELL" or "PWSH", upper case), or nullopt
// for another name. bash and zsh get the core parts of shell/dirhop.bash, the remember-cd part
// only with kRememberCd, and the loader of shell/loader.bash in place of the jump and completion
// parts, which kJump and kCompletion give alone (asked for at the first `c` and the first Tab);
// never the part that finds the program beside the sourced file (the caller of --init has found
// it), nor the part markers (lines that begin with "#@"). fish gets shell/dirhop.fish and
// shell/loader.fish the same way, PowerShell shell/dirhop.ps1 and shell/loader.ps1. kRememberCd
// ends the script with the line that turns the hook on.
std::optional<std::string> InitScript(std::string_view shell, InitExtra extra);

// The parts of an integration text: the lines after each marker line "#@ part NAME ..." that
// `keep` accepts by NAME; the text before the first marker is the part "core".
template <typename Keep>
std::string IntegrationParts(std::string_view text, Keep keep) {
  std::string kept;
  std::string_view part = "core";
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line =
        text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
    text.remove_prefix(line.size());
    constexpr std::string_view kMarker = "#@ part ";
    if (line.substr(0, kMarker.size()) == kMarker) {
      const std::string_view name = line.substr(kMarker.size());
      part = name.substr(0, name.find_first_of(" \n"));
    } else if (keep(part)) {
      kept += line;
    }
  }
  return kept;
}

}  // namespace dirhop
