// Small Win32 file helpers shared by the platform's Win32 files.
#pragma once

#include <windows.h>

#include <string_view>

namespace dirhop::platform {

// Writes all of `bytes` to `file`, in pieces that fit WriteFile's 32-bit count; false on an error
// or a write that takes nothing. Allocates nothing, so a fault handler may call it.
bool WriteAll(HANDLE file, std::string_view bytes);

}  // namespace dirhop::platform
