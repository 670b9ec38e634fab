#include "core/host_facts.h"

#include <utility>

#include "core/handoff.h"

namespace dirhop {

HostFacts ReadHostFacts(platform::HostKind kind, Console& console, FileSystem& fs,
                        std::string own_file_path) {
  const HandoffFormat format = ChooseHandoffFormat(kind, fs);
  return HostFacts{kind, kind == platform::HostKind::kWindows ? kWindowsPaths : kPosixPaths, format,
                   HandoffPath(console, fs, format), std::move(own_file_path)};
}

}  // namespace dirhop
