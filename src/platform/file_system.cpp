#include "platform/file_system.h"

#include "platform/shell_platform.h"

namespace dirhop {

std::string SystemFileSystem::CurrentDirectory() { return platform::CurrentDirectory(); }

std::string SystemFileSystem::DriveCurrentDirectory(char letter) {
  return platform::DriveCurrentDirectory(letter);
}

bool SystemFileSystem::ChangeDirectory(const std::string& dir) {
  return platform::ChangeDirectory(dir);
}

bool SystemFileSystem::CurrentDirectoryRemoved() { return platform::CurrentDirectoryRemoved(); }

platform::DirectoryListing SystemFileSystem::ListSubdirectories(const std::string& dir) {
  return platform::ListSubdirectories(dir);
}

std::optional<platform::DirectoryIdentity> SystemFileSystem::IdentifyDirectory(
    const std::string& dir) {
  return platform::IdentifyDirectory(dir);
}

int SystemFileSystem::CreateOneDirectory(const std::string& path) {
  return platform::CreateOneDirectory(path);
}

std::size_t SystemFileSystem::LongestWholePath() { return platform::LongestWholePath(); }

bool SystemFileSystem::WriteFileContents(const std::string& path, std::string_view bytes) {
  return platform::WriteFileContents(path, bytes);
}

std::optional<std::string> SystemFileSystem::GetEnv(const char* name) {
  return platform::GetEnv(name);
}

std::string SystemFileSystem::FallbackHandoffPath() { return platform::FallbackHandoffPath(); }

int SystemFileSystem::OpenWithShell(const std::string& file, const std::string& parameters,
                                    const std::string& directory, int show) {
  return platform::OpenWithShell(file, parameters, directory, show);
}

bool SystemFileSystem::DesktopOpenerAvailable() { return platform::DesktopOpenerAvailable(); }

int SystemFileSystem::RunInTerminal(const std::vector<std::string>& words) {
  return platform::RunInTerminal(words);
}

bool SystemFileSystem::IsRegularFile(const std::string& path) {
  return platform::IsRegularFile(path);
}

}  // namespace dirhop
