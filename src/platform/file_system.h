// The seam between the program and the files of the machine it runs on: directories, whole files,
// the store's files and the settings key. The program carries a SystemFileSystem; tests put in an
// in-memory tree that logs every call. (What the program asks of the process goes through Host.)
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/code_pages.h"
#include "platform/platform.h"
#include "platform/private_file.h"
#include "platform/store_lock.h"
#include "platform/store_platform.h"

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
  // ChangeDirectory with the reason it was refused (see platform::EnterDirectory).
  virtual platform::EnterFailure EnterDirectory(const std::string& dir) = 0;
  // True when the current directory has been removed since it was entered.
  virtual bool CurrentDirectoryRemoved() = 0;
  // The subdirectories of `dir` in listing order; empty when it cannot be listed.
  virtual platform::DirectoryListing ListSubdirectories(const std::string& dir) = 0;
  // The identity of the directory `dir` leads to; nullopt when it cannot be opened.
  virtual std::optional<platform::DirectoryIdentity> IdentifyDirectory(const std::string& dir) = 0;
  // The name of the last level of `path` as stored, when `path` names a directory itself, not a
  // link to one (see platform::DirectoryItselfName); nullopt otherwise.
  virtual std::optional<std::string> DirectoryItselfName(const std::string& path) = 0;
  // The mount the absolute `path` lies on, found without touching it (see platform::MountOf).
  virtual platform::MountPlace MountOf(const std::string& path) = 0;
  // Creates the single directory `path`; the outcome as a Windows error code (0 success).
  virtual int CreateOneDirectory(const std::string& path) = 0;
  // The longest directory path a change of directory takes whole (Windows: in UTF-16 units,
  // POSIX: in bytes).
  virtual std::size_t LongestWholePath() = 0;
  // Creates or truncates the file at `path` with `bytes`; false when it cannot be written.
  virtual bool WriteFileContents(const std::string& path, std::string_view bytes) = 0;
  // True when `path` names a regular file.
  virtual bool IsRegularFile(const std::string& path) = 0;

  // ---- The store ----
  // Reads the store file at `path` whole for an update (see platform::ReadFileForUpdate).
  virtual platform::FileReadResult ReadFileForUpdate(const std::string& path,
                                                     std::size_t limit) = 0;
  // Whether `path` still leads to the file `stamp` was taken of, unchanged (see
  // platform::StoreFileUnchanged).
  virtual bool StoreFileUnchanged(const std::string& path,
                                  const platform::StoreFileStamp& stamp) = 0;
  // Replaces the store file at `path` atomically (see platform::ReplaceFileAtomically).
  virtual platform::StoreFileStatus ReplaceFileAtomically(const std::string& path,
                                                          std::string_view bytes) = 0;
  // Where the settings key is (see platform::DefaultSettingsKeyLocation); empty when unknown.
  virtual std::string SettingsKeyLocation() = 0;
  // Opens the settings key at `location` (see platform::OpenSettingsKey).
  virtual platform::OpenedSettingsKey OpenSettingsKey(const std::string& location,
                                                      platform::KeyOpening opening) = 0;
  // A text as the release before UTF-8 left it in a store, as the characters the user meant (see
  // platform::TextFromOldStore).
  virtual std::string TextFromOldStore(std::string_view text, platform::OldStore where) = 0;
  // Takes the lock every run holds while it reads or replaces the store `store` (see
  // platform::LockStore).
  virtual platform::StoreLockResult LockStore(const std::string& store, platform::LockedStore kind,
                                              std::chrono::milliseconds wait) = 0;
  // Whether a run that only reads the store `kind` takes its lock (see
  // platform::ReadsTakeTheLock).
  virtual bool ReadsTakeTheLock(platform::LockedStore kind) = 0;
  // Appends `bytes` to the private file at `path` and reads its first `head` bytes back (see
  // platform::AppendToPrivateFile).
  virtual platform::AppendResult AppendToPrivateFile(const std::string& path,
                                                     std::string_view bytes, std::size_t head,
                                                     platform::MissingFolders folders) = 0;
};

// The machine itself: every call goes to the platform function of the same name.
class SystemFileSystem : public FileSystem {
 public:
  std::string CurrentDirectory() override;
  std::string DriveCurrentDirectory(char letter) override;
  bool ChangeDirectory(const std::string& dir) override;
  platform::EnterFailure EnterDirectory(const std::string& dir) override;
  bool CurrentDirectoryRemoved() override;
  platform::DirectoryListing ListSubdirectories(const std::string& dir) override;
  std::optional<platform::DirectoryIdentity> IdentifyDirectory(const std::string& dir) override;
  std::optional<std::string> DirectoryItselfName(const std::string& path) override;
  platform::MountPlace MountOf(const std::string& path) override;
  int CreateOneDirectory(const std::string& path) override;
  std::size_t LongestWholePath() override;
  bool WriteFileContents(const std::string& path, std::string_view bytes) override;
  bool IsRegularFile(const std::string& path) override;
  platform::FileReadResult ReadFileForUpdate(const std::string& path, std::size_t limit) override;
  bool StoreFileUnchanged(const std::string& path, const platform::StoreFileStamp& stamp) override;
  platform::StoreFileStatus ReplaceFileAtomically(const std::string& path,
                                                  std::string_view bytes) override;
  std::string SettingsKeyLocation() override;
  platform::OpenedSettingsKey OpenSettingsKey(const std::string& location,
                                              platform::KeyOpening opening) override;
  std::string TextFromOldStore(std::string_view text, platform::OldStore where) override;
  platform::StoreLockResult LockStore(const std::string& store, platform::LockedStore kind,
                                      std::chrono::milliseconds wait) override;
  bool ReadsTakeTheLock(platform::LockedStore kind) override;
  platform::AppendResult AppendToPrivateFile(const std::string& path, std::string_view bytes,
                                             std::size_t head,
                                             platform::MissingFolders folders) override;
};

}  // namespace dirhop
