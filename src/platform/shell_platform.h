// Handing a document, address or program to the desktop: the one call the launcher needs from the
// operating system. Windows asks the shell (ShellExecuteA); POSIX runs the desktop's opener.
#pragma once

#include <string>
#include <vector>

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

// True when OpenWithShell has a desktop opener to hand documents to: always on Windows; on POSIX
// when the opener (xdg-open, or open on macOS) is an executable file on PATH.
bool DesktopOpenerAvailable();

// Runs `words` (a program found on PATH, then its arguments) in this console with the same
// standard handles, and waits for it to end. Its exit code, or -1 when it could not be started.
int RunInTerminal(const std::vector<std::string>& words);

}  // namespace dirhop::platform
