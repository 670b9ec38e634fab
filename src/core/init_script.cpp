#include "core/init_script.h"

#include "core/shell_scripts.h"

namespace dirhop {

namespace {

// The parts of `integration` for --init: `extra`'s part alone for kJump and kCompletion; else the
// core parts, the remember-cd part with kRememberCd, `loader` and `hook_on` with kRememberCd.
std::string ChosenParts(std::string_view integration, std::string_view loader,
                        std::string_view hook_on, InitExtra extra) {
  if (extra == InitExtra::kJump || extra == InitExtra::kCompletion) {
    const std::string_view wanted = extra == InitExtra::kJump ? "jump" : "completion";
    return IntegrationParts(integration,
                            [wanted](std::string_view part) { return part == wanted; });
  }
  std::string script = IntegrationParts(integration, [extra](std::string_view part) {
    return part == "core" || (part == "remember-cd" && extra == InitExtra::kRememberCd);
  });
  script += loader;
  if (extra == InitExtra::kRememberCd) script += hook_on;
  return script;
}

}  // namespace

std::optional<std::string> InitScript(std::string_view shell, InitExtra extra) {
  if (shell == "BASH" || shell == "ZSH") {
    return ChosenParts(kBashIntegration, kBashLoader, "_dirhop_remember_cd\n", extra);
  }
  if (shell == "FISH") {
    return ChosenParts(kFishIntegration, kFishLoader, "__dirhop_remember_cd\n", extra);
  }
  if (shell == "POWERSHELL" || shell == "PWSH") {
    return ChosenParts(kPowerShellIntegration, kPowerShellLoader, "Enable-DirhopRememberCd\n",
                       extra);
  }
  return std::nullopt;
}

}  // namespace dirhop
