#include "core/host_facts.h"

#include <utility>

#include "core/handoff.h"

namespace dirhop {

std::optional<HostFacts> ReadHostFacts(Host& host, Console& console) {
  const platform::HostKind kind = host.Kind();
  const HandoffFormat format = ChooseHandoffFormat(host);
  std::optional<std::string> handoff_path = HandoffPath(console, host, format);
  if (!handoff_path) return std::nullopt;
  return HostFacts{kind, kind == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths, format,
                   std::move(*handoff_path), host.OwnFilePath()};
}

}  // namespace dirhop
