#include "core/host_facts.h"

#include <utility>

#include "core/handoff.h"

namespace dirhop {

std::optional<HostFacts> ReadHostFacts(Host& host, Console& console) {
  const platform::HostKind kind = host.Kind();
  const HandoffFormat format = ChooseHandoffFormat(host);
  std::optional<std::string> handoff_path = HandoffPath(console, host, format);
  if (!handoff_path) return std::nullopt;
  HostFacts facts{kind, kind == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths, format,
                  std::move(*handoff_path), host.OwnFilePath()};
  if (kind == platform::HostKind::kPosix) {
    std::string home = host.GetEnv("HOME").value_or(std::string());
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    if (home.size() > 1 && home[0] == '/') facts.menu_home = std::move(home);
  }
  return facts;
}

}  // namespace dirhop
