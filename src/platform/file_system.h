// The one seam between the top of the program and the machine it runs on: what the main flow asks
// of the file system and the process. The program carries a SystemFileSystem; tests put in an
// in-memory tree that logs every call.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace dirhop {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The process's current directory; empty text when it cannot be read.
  virtual std::string CurrentDirectory() = 0;
  // The current directory of drive `letter`; the process's current directory when the drive
  // cannot be made current, and always on a system without drives.
  virtual std::string DriveCurrentDirectory(char letter) = 0;
  // Makes `dir` (relative, drive-relative or absolute) the current directory; false when refused.
  virtual bool ChangeDirectory(const std::string& dir) = 0;
  // True when the current directory has been removed since it was entered.
  virtual bool CurrentDirectoryRemoved() = 0;
  // The subdirectories of `dir` in listing order; empty when it cannot be listed.
  virtual platform::DirectoryListing ListSubdirectories(const std::string& dir) = 0;
  // The identity of the directory `dir` leads to; nullopt when it cannot be opened.
  virtual std::optional<platform::DirectoryIdentity> IdentifyDirectory(const std::string& dir) = 0;
  // Creates the single directory `path`; the outcome as a Windows error code (0 success).
  virtual int CreateOneDirectory(const std::string& path) = 0;
  // The longest directory path a change of directory takes whole.
  virtual std::size_t LongestWholePath() = 0;
  // Creates or truncates the file at `path` with `bytes`; false when it cannot be written.
  virtual bool WriteFileContents(const std::string& path, std::string_view bytes) = 0;
  // The value of environment variable `name`; nullopt when it is unset or empty.
  virtual std::optional<std::string> GetEnv(const char* name) = 0;
  // The POSIX hand-off location used when DIRHOP_HANDOFF is unset; empty on Windows.
  virtual std::string FallbackHandoffPath() = 0;
  // Opens `file` with the desktop (see platform::OpenWithShell); above 32 on success.
  virtual int OpenWithShell(const std::string& file, const std::string& parameters,
                            const std::string& directory, int show) = 0;
  // Whether OpenWithShell has a desktop opener (see platform::DesktopOpenerAvailable).
  virtual bool DesktopOpenerAvailable() = 0;
  // Runs a program in this console and waits (see platform::RunInTerminal): its exit code or -1.
  virtual int RunInTerminal(const std::vector<std::string>& words) = 0;
  // True when `path` names a regular file.
  virtual bool IsRegularFile(const std::string& path) = 0;
};

// The machine itself: every call goes to the platform function of the same name.
class SystemFileSystem : public FileSystem {
 public:
  std::string CurrentDirectory() override;
  std::string DriveCurrentDirectory(char letter) override;
  bool ChangeDirectory(const std::string& dir) override;
  bool CurrentDirectoryRemoved() override;
  platform::DirectoryListing ListSubdirectories(const std::string& dir) override;
  std::optional<platform::DirectoryIdentity> IdentifyDirectory(const std::string& dir) override;
  int CreateOneDirectory(const std::string& path) override;
  std::size_t LongestWholePath() override;
  bool WriteFileContents(const std::string& path, std::string_view bytes) override;
  std::optional<std::string> GetEnv(const char* name) override;
  std::string FallbackHandoffPath() override;
  int OpenWithShell(const std::string& file, const std::string& parameters,
                    const std::string& directory, int show) override;
  bool DesktopOpenerAvailable() override;
  int RunInTerminal(const std::vector<std::string>& words) override;
  bool IsRegularFile(const std::string& path) override;
};

}  // namespace dirhop
