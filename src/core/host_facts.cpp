#include "core/host_facts.h"

#include <utility>

#include "core/handoff.h"

namespace dirhop {

std::optional<HostFacts> ReadHostFacts(platform::HostKind kind, Console& console, FileSystem& fs,
                                       std::string own_file_path) {
  const HandoffFormat format = ChooseHandoffFormat(kind, fs);
  std::optional<std::string> handoff_path = HandoffPath(console, fs, format);
  if (!handoff_path) return std::nullopt;
  return HostFacts{kind, kind == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths, format,
                   std::move(*handoff_path), std::move(own_file_path)};
}

}  // namespace dirhop
