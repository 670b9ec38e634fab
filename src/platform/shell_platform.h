// Handing a document, address or program to the desktop: the one call the launcher needs from the
// operating system. Windows asks the shell (ShellExecuteA); POSIX runs the desktop's opener.
#pragma once

#include <string>

namespace dirhop::platform {

// Result of a launch that worked: any value above 32, as the Windows shell reports success.
inline constexpr int kShellOpenSucceeded = 42;

// Opens `file` with the system's default action: a document or web/mail address with the program
// associated with it, or, when `parameters` is not empty, `file` run as a program with them.
// `directory` is the launched program's working directory (empty: the current one); `show` is the
// Windows show-window mode. Returns a value above 32 on success, otherwise a Windows shell failure
// code (0, 2 file not found, 3 path not found, 5 access denied, 8, 11, 27, 31 no association, ...).
// Does not wait for the launched program to finish.
int OpenWithShell(const std::string& file, const std::string& parameters,
                  const std::string& directory, int show);

}  // namespace dirhop::platform
