// A host held in memory, for tests of the top of the program: its kind, an environment, its own
// file, and the desktop's answers, with every call logged in order ("OpenWithShell x").
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/host.h"

namespace dirhop::test {

class FakeHost : public Host {
 public:
  // A host of `kind` whose program file is `own_file_path`.
  FakeHost(platform::HostKind kind, std::string own_file_path)
      : kind_(kind), own_file_path_(std::move(own_file_path)) {}

  // Sets environment variable `name`; an empty value counts as unset.
  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
  // The logged calls whose name is `name`, each with its argument ("OpenWithShell x").
  std::vector<std::string> Calls(const std::string& name) const;

  platform::HostKind Kind() override { return kind_; }
  std::optional<std::string> GetEnv(const char* name) override;
  // Always nullopt: the words come ready-split.
  std::optional<std::string> RawCommandLine() override { return std::nullopt; }
  std::string OwnFilePath() override { return own_file_path_; }
  std::string FallbackHandoffPath() override;
  // Always null, failing on the output handle: the tests make their consoles themselves.
  std::unique_ptr<platform::ConsoleDevice> OpenConsoleDevice(
      platform::ConsoleFailure& failure) override;
  // Logs "OpenWithShell <file> <parameters>", calls `on_open` when set, and answers
  // `shell_result`.
  int OpenWithShell(const std::string& file, const std::string& parameters,
                    const std::string& directory, int show) override;
  // Logs "DesktopOpenerAvailable" and answers `desktop_opener`.
  bool DesktopOpenerAvailable() override;
  // Logs "RunInTerminal <words joined by blanks>" and answers `terminal_result`.
  int RunInTerminal(const std::vector<std::string>& words) override;
  // Answers `console_code_page`.
  unsigned ConsoleCodePage() override { return console_code_page; }
  // For `console_code_page`: ASCII as it is, each other character by `code_page_bytes` (UTF-8
  // character to its byte), nullopt when one has none; for platform::kUtf8CodePage `text` itself.
  std::optional<std::string> TextInCodePage(std::string_view text, unsigned code_page) override;
  // Answers `unix_time`.
  std::int64_t UnixTime() override { return unix_time; }
  // Answers `monotonic_ms`.
  std::uint64_t MonotonicMilliseconds() override { return monotonic_ms; }
  // Null unless `error_is_terminal`; else a line that appends "Show <text>" and "Erase" (when
  // something is shown) to `status_line`.
  std::unique_ptr<platform::StatusLine> OpenStatusLine() override;

  // Every call, in order: its name, then a space and its argument when it has one.
  std::vector<std::string> log;
  int shell_result = 42;
  // Called with every OpenWithShell call's arguments, before it answers.
  std::function<void(const std::string& file, const std::string& parameters,
                     const std::string& directory, int show)>
      on_open;
  bool desktop_opener = true;
  int terminal_result = 0;
  std::string fallback_handoff_path = "/run/user/1000/dirhop2.sh";
  unsigned console_code_page = 850;
  std::int64_t unix_time = 1'700'000'000;
  std::uint64_t monotonic_ms = 5'000;
  bool error_is_terminal = false;
  std::vector<std::string> status_line;
  std::map<std::string, std::string> code_page_bytes = {{"\xc3\xbc", "\x81"}};  // u-umlaut

 private:
  platform::HostKind kind_;
  std::string own_file_path_;
  std::map<std::string, std::string> env_;
};

}  // namespace dirhop::test
