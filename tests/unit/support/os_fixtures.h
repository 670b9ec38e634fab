// What the store and platform tests make or hold through the operating system directly, beyond
// what the platform layer offers: special files, files of another user, a save in progress,
// root's power to pass permission checks set aside, and text as Windows itself holds it. Each
// tells when the system at hand cannot.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dirhop::test {

// A user id that is neither root nor, in this project's test runs, the user running them.
inline constexpr unsigned kOtherUser = 12345;

// Makes a FIFO at `path`; false where there are none (Windows) or on failure.
bool MakeFifo(const std::filesystem::path& path);

// Makes a character device like /dev/null at `path`; false unless the process may (root).
bool MakeNullDevice(const std::filesystem::path& path);

// Gives the node at `path` itself (a link, not what it leads to) to user `uid`; false when the
// process may not (only root may) or the system has no such owners (Windows).
bool GiveToUser(const std::filesystem::path& path, unsigned uid);

// Holds the file at `path` open the way a save in progress holds its temporary file, so that no
// clean-up may take it away, until the object goes.
class HeldLikeASave {
 public:
  explicit HeldLikeASave(const std::filesystem::path& path);
  // True when the file is held.
  bool held() const { return holder_ != nullptr; }

 private:
  std::shared_ptr<void> holder_;
};

// Root passes every permission check, so a test of what a user may not do proves nothing as
// root. When this process has that power (CAP_DAC_OVERRIDE or CAP_DAC_READ_SEARCH on Linux) and
// setpriv is at hand, runs the current test again in a child process without it and returns
// true: the caller then returns, and the child's failures (printed above) fail this test.
// Otherwise returns false and the test goes on here.
bool RerunWithoutPermissionBypass();

// Sends this process's standard output and standard error (descriptors 1 and 2) to the files
// `out` and `error` until the object goes, then puts them back. redirected() is false where the
// system has no such descriptors under its console (Windows) or on failure.
class RedirectedStandardStreams {
 public:
  RedirectedStandardStreams(const std::filesystem::path& out, const std::filesystem::path& error);
  ~RedirectedStandardStreams();
  RedirectedStandardStreams(const RedirectedStandardStreams&) = delete;
  RedirectedStandardStreams& operator=(const RedirectedStandardStreams&) = delete;
  // True while both streams go to the files.
  bool redirected() const { return saved_out_ >= 0 && saved_error_ >= 0; }

 private:
  int saved_out_ = -1;
  int saved_error_ = -1;
};

// True when this Windows program runs under Wine (never on POSIX).
bool RunsUnderWine();

// Other names Windows knows the existing file `file` by: under Wine the same file through the
// drive Z: (the whole Linux tree), and its short 8.3 name where it has one that differs. None on
// POSIX.
std::vector<std::string> OtherWindowsNamesOf(const std::filesystem::path& file);

// Sets the process's environment variable `name` to `value` (UTF-8; Windows: as UTF-16, the form
// the system keeps), or removes it for nullopt; false when the system refuses.
bool SetEnvironmentText(const std::string& name, const std::optional<std::string>& value);

// The UTF-16 units of the string value `name` of key HKEY_CURRENT_USER\`key`, as the registry
// holds them (no terminating NUL); nullopt when there is none or the system has no registry.
std::optional<std::u16string> RegistryStringUnits(const std::string& key, const std::string& name);

}  // namespace dirhop::test
