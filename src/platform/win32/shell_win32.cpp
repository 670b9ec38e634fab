// Opening documents through the Windows shell.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdint>
#include <string>

#include "platform/shell_platform.h"

namespace dirhop::platform {

int OpenWithShell(const std::string& file, const std::string& parameters,
                  const std::string& directory, int show) {
  // No owner window and no verb: the shell's default action for the file's type. Empty texts
  // are passed as empty strings, as the launcher hands them over.
  HINSTANCE result =
      ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), directory.c_str(), show);
  // The result is a handle only for compatibility; its value is the status code.
  return static_cast<int>(reinterpret_cast<std::intptr_t>(result));
}

}  // namespace dirhop::platform
