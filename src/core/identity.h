// Who the program is: the name and version that the banner line and the crash report show.
// (The support and web addresses are build settings, read through core/launcher.h.)
#pragma once

#include "core/build_info.h"

namespace dirhop {

// The product name, as messages and the banner line show it.
inline constexpr char kProductName[] = "Dirhop";
// The product version, as the banner line and the crash report show it: project(VERSION) in
// CMakeLists.txt, through the generated core/build_info.h.
inline constexpr const auto& kVersion = build_info::kVersion;

}  // namespace dirhop
