// The second seam to the system, beside the file system: what the program asks of the process and
// the desktop it runs in (environment, command line, own file, console, the opener and the
// terminal). The program carries a SystemHost; tests put in a fake that answers from memory and
// logs what was asked.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_pages.h"
#include "platform/platform.h"
#include "platform/status_line.h"

namespace dirhop {

class Host {
 public:
  virtual ~Host() = default;

  // Which system this is.
  virtual platform::HostKind Kind() = 0;
  // The value of environment variable `name`; nullopt when it is unset or empty.
  virtual std::optional<std::string> GetEnv(const char* name) = 0;
  // The raw command line (Windows); nullopt where the arguments come ready-split (POSIX).
  virtual std::optional<std::string> RawCommandLine() = 0;
  // The full path of the program's own file; empty when it cannot be found.
  virtual std::string OwnFilePath() = 0;
  // The POSIX hand-off location used when DIRHOP_HANDOFF is unset; empty on Windows.
  virtual std::string FallbackHandoffPath() = 0;
  // Opens the process's console (see platform::OpenConsoleDevice); null, with the missing handle
  // named in `failure`, when it cannot.
  virtual std::unique_ptr<platform::ConsoleDevice> OpenConsoleDevice(
      platform::ConsoleFailure& failure) = 0;
  // Opens `file` with the desktop (see platform::OpenWithShell); above 32 on success.
  virtual int OpenWithShell(const std::string& file, const std::string& parameters,
                            const std::string& directory, int show) = 0;
  // Whether OpenWithShell has a desktop opener (see platform::DesktopOpenerAvailable).
  virtual bool DesktopOpenerAvailable() = 0;
  // Runs a program in this console and waits (see platform::RunInTerminal): its exit code or -1.
  virtual int RunInTerminal(const std::vector<std::string>& words) = 0;
  // The code page cmd reads batch files in (see platform::ConsoleCodePage).
  virtual unsigned ConsoleCodePage() = 0;
  // `text` as the bytes of `code_page`, or nullopt (see platform::TextInCodePage).
  virtual std::optional<std::string> TextInCodePage(std::string_view text, unsigned code_page) = 0;
  // The time now, in seconds since 1970-01-01 UTC.
  virtual std::int64_t UnixTime() = 0;
  // Milliseconds on a clock that only moves forward (see platform::MonotonicMilliseconds).
  virtual std::uint64_t MonotonicMilliseconds() = 0;
  // The status line on standard error, or null when that is no terminal (see
  // platform::OpenStatusLine).
  virtual std::unique_ptr<platform::StatusLine> OpenStatusLine() = 0;
};

// The process itself: every call goes to the platform function of the same name.
class SystemHost : public Host {
 public:
  platform::HostKind Kind() override;
  std::int64_t UnixTime() override;
  std::optional<std::string> GetEnv(const char* name) override;
  std::optional<std::string> RawCommandLine() override;
  std::string OwnFilePath() override;
  std::string FallbackHandoffPath() override;
  std::unique_ptr<platform::ConsoleDevice> OpenConsoleDevice(
      platform::ConsoleFailure& failure) override;
  int OpenWithShell(const std::string& file, const std::string& parameters,
                    const std::string& directory, int show) override;
  bool DesktopOpenerAvailable() override;
  int RunInTerminal(const std::vector<std::string>& words) override;
  unsigned ConsoleCodePage() override;
  std::optional<std::string> TextInCodePage(std::string_view text, unsigned code_page) override;
  std::uint64_t MonotonicMilliseconds() override;
  std::unique_ptr<platform::StatusLine> OpenStatusLine() override;
};

}  // namespace dirhop
