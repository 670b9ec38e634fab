#include "platform/host.h"

#include <ctime>

#include "platform/shell_platform.h"

namespace dirhop {

platform::HostKind SystemHost::Kind() { return platform::ThisHostKind(); }

std::int64_t SystemHost::UnixTime() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::uint64_t SystemHost::MonotonicMilliseconds() { return platform::MonotonicMilliseconds(); }

std::unique_ptr<platform::StatusLine> SystemHost::OpenStatusLine() {
  return platform::OpenStatusLine();
}

std::optional<std::string> SystemHost::GetEnv(const char* name) { return platform::GetEnv(name); }

std::optional<std::string> SystemHost::RawCommandLine() { return platform::RawCommandLine(); }

std::string SystemHost::OwnFilePath() { return platform::OwnFilePath(); }

std::string SystemHost::FallbackHandoffPath() { return platform::FallbackHandoffPath(); }

std::unique_ptr<platform::ConsoleDevice> SystemHost::OpenConsoleDevice(
    platform::ConsoleFailure& failure) {
  return platform::OpenConsoleDevice(failure);
}

int SystemHost::OpenWithShell(const std::string& file, const std::string& parameters,
                              const std::string& directory, int show) {
  return platform::OpenWithShell(file, parameters, directory, show);
}

bool SystemHost::DesktopOpenerAvailable() { return platform::DesktopOpenerAvailable(); }

unsigned SystemHost::ConsoleCodePage() { return platform::ConsoleCodePage(); }

std::optional<std::string> SystemHost::TextInCodePage(std::string_view text, unsigned code_page) {
  return platform::TextInCodePage(text, code_page);
}

int SystemHost::RunInTerminal(const std::vector<std::string>& words) {
  return platform::RunInTerminal(words);
}

}  // namespace dirhop
