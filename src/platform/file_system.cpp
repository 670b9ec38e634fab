#include "platform/file_system.h"

#include "platform/store_platform.h"

namespace dirhop {

std::string SystemFileSystem::CurrentDirectory() { return platform::CurrentDirectory(); }

std::string SystemFileSystem::DriveCurrentDirectory(char letter) {
  return platform::DriveCurrentDirectory(letter);
}

bool SystemFileSystem::ChangeDirectory(const std::string& dir) {
  return platform::ChangeDirectory(dir);
}

platform::EnterFailure SystemFileSystem::EnterDirectory(const std::string& dir) {
  return platform::EnterDirectory(dir);
}

bool SystemFileSystem::CurrentDirectoryRemoved() { return platform::CurrentDirectoryRemoved(); }

platform::DirectoryListing SystemFileSystem::ListSubdirectories(const std::string& dir) {
  return platform::ListSubdirectories(dir);
}

std::optional<platform::DirectoryIdentity> SystemFileSystem::IdentifyDirectory(
    const std::string& dir) {
  return platform::IdentifyDirectory(dir);
}

std::optional<std::string> SystemFileSystem::DirectoryItselfName(const std::string& path) {
  return platform::DirectoryItselfName(path);
}

platform::MountPlace SystemFileSystem::MountOf(const std::string& path) {
  return platform::MountOf(path);
}

int SystemFileSystem::CreateOneDirectory(const std::string& path) {
  return platform::CreateOneDirectory(path);
}

std::size_t SystemFileSystem::LongestWholePath() { return platform::LongestWholePath(); }

bool SystemFileSystem::WriteFileContents(const std::string& path, std::string_view bytes) {
  return platform::WriteFileContents(path, bytes);
}

bool SystemFileSystem::IsRegularFile(const std::string& path) {
  return platform::IsRegularFile(path);
}

platform::FileReadResult SystemFileSystem::ReadFileForUpdate(const std::string& path,
                                                             std::size_t limit) {
  return platform::ReadFileForUpdate(path, limit);
}

bool SystemFileSystem::StoreFileUnchanged(const std::string& path,
                                          const platform::StoreFileStamp& stamp) {
  return platform::StoreFileUnchanged(path, stamp);
}

platform::StoreFileStatus SystemFileSystem::ReplaceFileAtomically(const std::string& path,
                                                                  std::string_view bytes) {
  return platform::ReplaceFileAtomically(path, bytes);
}

std::string SystemFileSystem::SettingsKeyLocation() {
  return platform::DefaultSettingsKeyLocation();
}

platform::OpenedSettingsKey SystemFileSystem::OpenSettingsKey(const std::string& location,
                                                              platform::KeyOpening opening) {
  return platform::OpenSettingsKey(location, opening);
}

std::string SystemFileSystem::TextFromOldStore(std::string_view text, platform::OldStore where) {
  return platform::TextFromOldStore(text, where);
}

platform::StoreLockResult SystemFileSystem::LockStore(const std::string& store,
                                                      platform::LockedStore kind,
                                                      std::chrono::milliseconds wait) {
  return platform::LockStore(store, kind, wait);
}

bool SystemFileSystem::ReadsTakeTheLock(platform::LockedStore kind) {
  return platform::ReadsTakeTheLock(kind);
}

platform::AppendResult SystemFileSystem::AppendToPrivateFile(const std::string& path,
                                                             std::string_view bytes,
                                                             std::size_t head,
                                                             platform::MissingFolders folders) {
  return platform::AppendToPrivateFile(path, bytes, head, folders);
}

}  // namespace dirhop
