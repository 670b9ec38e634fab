// The shell integration files of shell/, built into the program so that `--init` can print them
// wherever the program is installed. Defined in a file generated at build time.
#pragma once

#include <string_view>

namespace dirhop {

// shell/dirhop.bash: the `c` function and its completion for bash and zsh.
extern const std::string_view kBashIntegration;
// shell/dirhop.fish: the `c` function and its completion for fish.
extern const std::string_view kFishIntegration;
// shell/dirhop.ps1: the `c` function and its completion for PowerShell.
extern const std::string_view kPowerShellIntegration;
// shell/loader.bash: what --init prints for bash and zsh in place of the jump and the completion.
extern const std::string_view kBashLoader;
// shell/loader.fish: the same for fish.
extern const std::string_view kFishLoader;
// shell/loader.ps1: the same for PowerShell.
extern const std::string_view kPowerShellLoader;

}  // namespace dirhop
