// The system calls the store's whole-file policy (store_policy.h) is written in: each platform
// supplies them, and the tests supply a fake. The calls decide nothing about the store; they only
// tell what the system did, in the store's terms.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/store_platform.h"
#include "platform/store_temp_name.h"

namespace dirhop::platform {

// A file or folder the calls below opened: a descriptor on POSIX, a HANDLE on Windows.
enum class StoreHandle : std::intptr_t {};

// Where a store path leads when its links are followed as far as the platform's rules allow.
struct StoreTarget {
  // kOk: a regular file the store may use; kMissing: nothing there yet; kUnreadable: the system
  // cannot tell; otherwise why the path may never be used.
  StoreFileStatus status = StoreFileStatus::kOk;
  std::string path;       // the file itself, or the name to create it under
  bool via_link = false;  // reached through a link (POSIX: the file opened must then be the user's)
  // kOk only: the file's stamp as the path was looked at, where the system gives one (nothing
  // held).
  std::optional<StoreFileStamp> stamp;
};

// What an existing store file is opened for.
enum class OpenAccess { kReadWrite, kWriteOnly };

// The result of StoreSystemCalls::OpenExisting.
struct OpenedStoreFile {
  // kOk (then `file` is open), kMissing, kUnreadable (the access is refused, or the open file
  // cannot be looked at), kNotRegular or kForeignTarget (what the open file turned out to be).
  StoreFileStatus status = StoreFileStatus::kUnreadable;
  StoreHandle file{};
  std::optional<std::uint64_t> size;  // the file's length, when the system tells it
  // The permissions a file that replaces this one takes over (POSIX mode bits); none on Windows.
  std::optional<std::uint32_t> permissions;
  // The open file's stamp (nothing held), where the system gives one.
  std::optional<StoreFileStamp> stamp;
};

// A store file's path cut where the system cuts it.
struct StorePathParts {
  std::string folder;  // as the calls below take it (Windows: with its separator; may be "")
  std::string name;    // the file's name in that folder
};

// A folder opened by StoreSystemCalls::OpenFolder.
struct StoreFolder {
  std::string path;  // StorePathParts::folder
  StoreHandle handle{};
};

// A temporary file of a save: open, and named `name` in its folder once it has a name.
struct StoreTemporary {
  StoreHandle file{};
  std::string name;
};

// What came of creating or naming a temporary file.
enum class TemporaryOutcome {
  kDone,         // created, or named
  kNameTaken,    // the name is in use (or was taken away before the file was claimed): try another
  kFailed,       // the system refuses: the save fails
  kUnsupported,  // (unnamed files only) the system has no such way: named files are tried instead
};

// A temporary file just created: `file` is open only when `outcome` is kDone.
struct CreatedTemporary {
  TemporaryOutcome outcome = TemporaryOutcome::kFailed;
  StoreHandle file{};
};

// The operating system as the store's policy uses it. Every handle a call hands out is given back
// through Close (files) or CloseFolder (folders).
class StoreSystemCalls {
 public:
  virtual ~StoreSystemCalls() = default;

  // ---- Reading ----

  // Where `path` leads (the platform's rules for links apply here, and nothing is opened that
  // could block).
  virtual StoreTarget Resolve(const std::string& path) = 0;
  // Opens the existing file `target.path` with `access`, shared with other processes, and looks
  // at what was opened.
  virtual OpenedStoreFile OpenExisting(const StoreTarget& target, OpenAccess access) = 0;
  // Reads up to `size` bytes of `file` into `buffer`: how many (0 at the end), nullopt on an error.
  virtual std::optional<std::size_t> Read(StoreHandle file, char* buffer, std::size_t size) = 0;
  // Gives `file` back.
  virtual void Close(StoreHandle file) = 0;

  // ---- The folder of a replacement ----

  // `path` cut into its folder and its name.
  virtual StorePathParts SplitPath(const std::string& path) = 0;
  // Opens the folder `folder` for the calls below; nullopt when it cannot be opened (Windows
  // opens nothing: its calls name the folder by its path).
  virtual std::optional<StoreHandle> OpenFolder(const std::string& folder) = 0;
  // How the folder's names compare.
  virtual NameCase FileNameCase() = 0;
  // Calls `visit` with each name in `folder` that may be a temporary file of the file `name`
  // (at least all that are; folders and links may be left out).
  virtual void ListTemporaryCandidates(const StoreFolder& folder, const std::string& name,
                                       const std::function<void(std::string_view)>& visit) = 0;
  // Removes `temporary`, a name of exactly the temporary-file pattern, when it is a file a killed
  // save left behind: one of the user's that no process holds open as a save in progress.
  virtual void RemoveStaleTemporary(const StoreFolder& folder, const std::string& temporary) = 0;
  // Gives `folder` back.
  virtual void CloseFolder(const StoreFolder& folder) = 0;

  // ---- Temporary files ----

  // A fresh number for a temporary name, from a generator seeded once per process.
  virtual std::uint64_t RandomNumber() = 0;
  // A new file in `folder` without a name, claimed as a save in progress: kDone, kFailed, or
  // kUnsupported where the system or the folder's file system has no such files.
  virtual CreatedTemporary CreateUnnamedTemporary(const StoreFolder& folder) = 0;
  // Gives the unnamed `file` the name `name` in `folder`: kDone, kNameTaken, or kUnsupported
  // when it cannot be named at all.
  virtual TemporaryOutcome NameTemporary(const StoreFolder& folder, StoreHandle file,
                                         const std::string& name) = 0;
  // Creates the file `name` in `folder` only if no such name exists, and claims it as a save in
  // progress, so that no other run's clean-up removes it: kDone, kNameTaken or kFailed.
  virtual CreatedTemporary CreateTemporary(const StoreFolder& folder, const std::string& name) = 0;
  // Gives `file` the permissions `permissions` (POSIX mode bits); false on an error.
  virtual bool SetPermissions(StoreHandle file, std::uint32_t permissions) = 0;
  // Writes all of `bytes` to `file`; false on an error.
  virtual bool Write(StoreHandle file, std::string_view bytes) = 0;
  // Makes what was written to `file` reach the disk; false on an error.
  virtual bool FlushToDisk(StoreHandle file) = 0;
  // Gives the temporary file the name `name` in `folder` in one step, replacing the file of that
  // name (readers see the old file or the new one); false on an error.
  virtual bool PutInPlace(const StoreFolder& folder, const StoreTemporary& temporary,
                          const std::string& name) = 0;
  // Removes the temporary file of a save that failed (it is still open).
  virtual void RemoveTemporary(const StoreFolder& folder, const StoreTemporary& temporary) = 0;
};

// The system calls of the host this program is built for.
StoreSystemCalls& HostStoreSystemCalls();

}  // namespace dirhop::platform
