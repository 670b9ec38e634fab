// A file system held in memory, for tests of the top of the program: a tree of directories in
// either path syntax, a current directory, one current directory per drive, the files written
// (the store's files among them) and a settings key, with every call logged in order
// ("ChangeDirectory C:\x").
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "match/path_syntax.h"
#include "platform/file_system.h"

namespace dirhop::test {

struct FakeKeyStore;

class FakeFileSystem : public FileSystem {
 public:
  // An empty tree in `syntax` whose current directory is the absolute `current` (added to it).
  FakeFileSystem(PathSyntax syntax, const std::string& current);

  // Adds the absolute directory `path` and every directory above it, listed in the order added.
  void AddDirectory(const std::string& path);
  // Whether `path` (absolute, either separator, any case on Windows) is a directory of the tree.
  bool Exists(const std::string& path) const;
  // Makes the absolute `path` (added if missing) the current directory of its drive.
  void SetDriveDirectory(const std::string& path);
  // The current directory, without logging a call.
  const std::string& current() const { return current_; }
  // The logged calls whose name is `name`, each with its argument ("ChangeDirectory x").
  std::vector<std::string> Calls(const std::string& name) const;

  std::string CurrentDirectory() override;
  std::string DriveCurrentDirectory(char letter) override;
  bool ChangeDirectory(const std::string& dir) override;
  // ChangeDirectory; refused: kNotADirectory when `dir` is one of `files`, else kGone.
  platform::EnterFailure EnterDirectory(const std::string& dir) override;
  bool CurrentDirectoryRemoved() override;
  platform::DirectoryListing ListSubdirectories(const std::string& dir) override;
  std::optional<platform::DirectoryIdentity> IdentifyDirectory(const std::string& dir) override;
  // Logs "DirectoryItselfName <path>"; when `path` is a directory of the tree (it has no links),
  // its last name as added (the tree's case, as Windows gives it, however `path` spells it).
  std::optional<std::string> DirectoryItselfName(const std::string& path) override;
  // Logs "MountOf <path>"; the longest of `remote_mounts` that is `path` or above it (remote), or
  // the local root.
  platform::MountPlace MountOf(const std::string& path) override;
  // The scripted code of `path` if any (a directory is made only for 0); otherwise 183 for an
  // existing directory, 3 when the parent is missing, else the directory is made and 0.
  int CreateOneDirectory(const std::string& path) override;
  std::size_t LongestWholePath() override;
  // Records `bytes` in `files`, unless `path` is in `unwritable`.
  bool WriteFileContents(const std::string& path, std::string_view bytes) override;
  // Logs "IsRegularFile <path>"; true when `path` is one of `files`.
  bool IsRegularFile(const std::string& path) override;
  // The status in `store_statuses` when there is one; otherwise kMissing, kUnreadable (in
  // `unwritable`), kTooLarge or the bytes of `files`.
  // A read of `files` gives a stamp (unless `stamps` is off) that StoreFileUnchanged holds
  // unchanged while the path has the bytes read.
  platform::FileReadResult ReadFileForUpdate(const std::string& path, std::size_t limit) override;
  // Logs "StoreFileUnchanged <path>"; true when `stamp` is one this fake gave for `path` and the
  // file still holds the bytes read then (and no status in `store_statuses` stands for it).
  bool StoreFileUnchanged(const std::string& path, const platform::StoreFileStamp& stamp) override;
  // A refusing status in `store_statuses` (kUnreadable as kWriteFailed), or kWriteFailed for a
  // path in `unwritable`; otherwise `files` takes the bytes.
  platform::StoreFileStatus ReplaceFileAtomically(const std::string& path,
                                                  std::string_view bytes) override;
  // Always "fake".
  std::string SettingsKeyLocation() override;
  // Opens `key_store` (a test failure when it is not set).
  platform::OpenedSettingsKey OpenSettingsKey(const std::string& location,
                                              platform::KeyOpening opening) override;
  // `old_store_texts[text]` when there is one (the old release's form of a test's name), `text`
  // itself otherwise.
  std::string TextFromOldStore(std::string_view text, platform::OldStore where) override;
  // Logs "LockStore <store>"; kBusy for a store in `busy_stores`, otherwise a lock whose end logs
  // "UnlockStore <store>". Calls `on_lock` (when set) first, with the store.
  platform::StoreLockResult LockStore(const std::string& store, platform::LockedStore kind,
                                      std::chrono::milliseconds wait) override;
  // `reads_take_the_lock`, whatever the store.
  bool ReadsTakeTheLock(platform::LockedStore kind) override;
  // Logs "AppendToPrivateFile <path>"; appends `bytes` to `files[path]` (made when missing),
  // unless `path` is in `unwritable`.
  platform::AppendResult AppendToPrivateFile(const std::string& path, std::string_view bytes,
                                             std::size_t head,
                                             platform::MissingFolders folders) override;

  // Every call, in order: its name, then a space and its argument when it has one.
  std::vector<std::string> log;
  // The files written, by path as given.
  std::map<std::string, std::string> files;
  std::set<std::string> unwritable;
  std::map<std::string, int> create_codes;
  // What the store's file operations report for a path, whatever `files` holds.
  std::map<std::string, platform::StoreFileStatus> store_statuses;
  // What TextFromOldStore makes of a text, by store (as a code page would).
  std::map<std::pair<platform::OldStore, std::string>, std::string> old_store_texts;
  // The stores whose lock another run holds for the whole wait.
  std::set<std::string> busy_stores;
  // Whether reads give stamps (as POSIX's do; Windows's give none).
  bool stamps = true;
  // Whether queries lock the store (as the Windows registry's do).
  bool reads_take_the_lock = false;
  // What every lock taken says about its lock file, "/lock" (platform::StoreLockNotice).
  platform::StoreLockNotice lock_notice = platform::StoreLockNotice::kNone;
  // Called by LockStore before it answers: another run's turn, for tests of overlapping runs.
  std::function<void(const std::string&)> on_lock;
  // The settings key behind OpenSettingsKey; none when null.
  FakeKeyStore* key_store = nullptr;
  // The mount points (absolute, as MountOf gets paths) of file systems that can stop answering.
  std::set<std::string> remote_mounts;
  bool current_removed = false;
  std::size_t longest_whole_path = 4096;

 private:
  // What each stamp given was taken of: the path and the bytes read, by the stamp's number.
  std::map<std::uint64_t, std::pair<std::string, std::string>> stamped_;
  struct Node {
    std::string path;                   // the spelling it was added with
    std::vector<std::string> children;  // names, in the order added
    std::uint64_t id = 0;               // its identity, unique in the tree
  };

  // `path` made absolute against the current directories and normalised ("." and ".." steps
  // applied); nullopt on Windows for a drive letter that is not one or has no directory.
  std::optional<std::string> Resolve(const std::string& path) const;
  // The tree's key for an absolute normalised path (case-folded on Windows).
  std::string Key(const std::string& path) const;
  // The root of the absolute `path` ("C:\" or "/").
  std::string RootOf(const std::string& path) const;
  // `base` with the components of `rest` applied.
  std::string Apply(std::string base, const std::string& rest) const;
  const Node* Find(const std::string& absolute) const;

  PathSyntax syntax_;
  std::map<std::string, Node> nodes_;
  std::map<char, std::string> drive_dirs_;
  std::string current_;
  std::uint64_t next_id_ = 1;
};

}  // namespace dirhop::test
