#include "support/fake_file_system.h"

#include <gtest/gtest.h>

#include <cctype>

#include "base/case_folding.h"
#include "base/drive_prefix.h"
#include "base/unicode_fold.h"
#include "base/windows_errors.h"
#include "support/call_log.h"
#include "support/fake_settings_key.h"

namespace dirhop::test {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

FakeFileSystem::FakeFileSystem(PathSyntax syntax, const std::string& current) : syntax_(syntax) {
  AddDirectory(current);
  current_ = Find(*Resolve(current))->path;
  if (syntax_.drives) drive_dirs_[UpperChar(current_[0])] = current_;
}

std::string FakeFileSystem::Key(const std::string& path) const {
  if (!syntax_.drives) return path;
  // Windows finds a name whatever its case, in every script ("шаблоны" finds "Шаблоны").
  TextFolder folder;
  const FoldedText folded = folder.Fold(path, Diacritics::kKeep);
  std::string key;
  for (const char32_t symbol : folded.symbols) {
    key.append(reinterpret_cast<const char*>(&symbol), sizeof symbol);
  }
  return key;
}

std::string FakeFileSystem::RootOf(const std::string& path) const {
  return syntax_.drives ? std::string(1, UpperChar(path[0])) + ":\\" : std::string("/");
}

std::string FakeFileSystem::Apply(std::string base, const std::string& rest) const {
  const std::string root = RootOf(base);
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t end = i;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string part = rest.substr(i, end - i);
    if (part == "..") {
      if (base.size() > root.size()) {
        const std::size_t cut = base.find_last_of(syntax_.separator);
        base = cut < root.size() ? root : base.substr(0, cut);
      }
    } else if (!part.empty() && part != ".") {
      if (base.size() > root.size()) base += syntax_.separator;
      base += part;
    }
    i = end + 1;
  }
  return base;
}

std::optional<std::string> FakeFileSystem::Resolve(const std::string& path) const {
  if (!syntax_.drives) {
    if (!path.empty() && path[0] == '/') return Apply("/", path);
    return Apply(current_, path);
  }
  if (HasDrivePrefix(path)) {
    const char drive = UpperChar(path[0]);
    if (!IsDriveLetter(drive) || nodes_.count(Key(std::string(1, drive) + ":\\")) == 0) {
      return std::nullopt;
    }
    const std::string rest = path.substr(2);
    if (!rest.empty() && IsSeparator(rest[0])) return Apply(std::string(1, drive) + ":\\", rest);
    auto known = drive_dirs_.find(drive);
    return Apply(known == drive_dirs_.end() ? std::string(1, drive) + ":\\" : known->second, rest);
  }
  if (!path.empty() && IsSeparator(path[0])) return Apply(RootOf(current_), path);
  return Apply(current_, path);
}

const FakeFileSystem::Node* FakeFileSystem::Find(const std::string& absolute) const {
  auto found = nodes_.find(Key(absolute));
  return found == nodes_.end() ? nullptr : &found->second;
}

void FakeFileSystem::AddDirectory(const std::string& path) {
  const std::string full = Apply(RootOf(path), path.substr(syntax_.drives ? 2 : 0));
  if (Find(full) != nullptr) return;
  const std::string root = RootOf(full);
  if (full != root) {
    const std::size_t cut = full.find_last_of(syntax_.separator);
    const std::string parent = cut < root.size() ? root : full.substr(0, cut);
    AddDirectory(parent);
    nodes_[Key(parent)].children.push_back(full.substr(cut + 1));
  }
  nodes_[Key(full)] = Node{full, {}, next_id_++};
}

bool FakeFileSystem::Exists(const std::string& path) const {
  return Find(Apply(RootOf(path), path.substr(syntax_.drives ? 2 : 0))) != nullptr;
}

void FakeFileSystem::SetDriveDirectory(const std::string& path) {
  AddDirectory(path);
  drive_dirs_[UpperChar(path[0])] = Find(*Resolve(path))->path;
}

std::vector<std::string> FakeFileSystem::Calls(const std::string& name) const {
  return CallsNamed(log, name);
}

std::string FakeFileSystem::CurrentDirectory() {
  log.push_back("CurrentDirectory");
  return current_;
}

std::string FakeFileSystem::DriveCurrentDirectory(char letter) {
  log.push_back(std::string("DriveCurrentDirectory ") + letter);
  if (!syntax_.drives) return current_;
  const char drive = UpperChar(letter);
  auto known = drive_dirs_.find(drive);
  if (known != drive_dirs_.end()) return known->second;
  // A drive that cannot be made current answers with the process's directory.
  if (nodes_.count(Key(std::string(1, drive) + ":\\")) == 0) return current_;
  return std::string(1, drive) + ":\\";
}

platform::EnterFailure FakeFileSystem::EnterDirectory(const std::string& dir) {
  if (ChangeDirectory(dir)) return platform::EnterFailure::kNone;
  return files.count(dir) != 0 ? platform::EnterFailure::kNotADirectory
                               : platform::EnterFailure::kGone;
}

bool FakeFileSystem::ChangeDirectory(const std::string& dir) {
  log.push_back("ChangeDirectory " + dir);
  if (dir.empty()) return false;  // as the systems refuse it
  const std::optional<std::string> full = Resolve(dir);
  if (!full) return false;
  const Node* node = Find(*full);
  if (node == nullptr) return false;
  current_ = node->path;
  current_removed = false;
  if (syntax_.drives) drive_dirs_[UpperChar(current_[0])] = current_;
  return true;
}

bool FakeFileSystem::CurrentDirectoryRemoved() {
  log.push_back("CurrentDirectoryRemoved");
  return current_removed;
}

platform::DirectoryListing FakeFileSystem::ListSubdirectories(const std::string& dir) {
  log.push_back("ListSubdirectories " + dir);
  platform::DirectoryListing entries;
  const std::optional<std::string> full = Resolve(dir);
  const Node* node = full ? Find(*full) : nullptr;
  if (node == nullptr) return entries;
  for (const std::string& name : node->children) entries.Add(name);
  return entries;
}

std::optional<std::string> FakeFileSystem::DirectoryItselfName(const std::string& path) {
  log.push_back("DirectoryItselfName " + path);
  const std::optional<std::string> full = Resolve(path);
  const Node* node = full ? Find(*full) : nullptr;
  if (node == nullptr) return std::nullopt;
  return node->path.substr(node->path.find_last_of(syntax_.separator) + 1);
}

std::optional<platform::DirectoryIdentity> FakeFileSystem::IdentifyDirectory(
    const std::string& dir) {
  log.push_back("IdentifyDirectory " + dir);
  const std::optional<std::string> full = Resolve(dir);
  if (!full) return std::nullopt;
  const Node* node = Find(*full);
  if (node == nullptr) return std::nullopt;
  platform::DirectoryIdentity identity;
  identity.file_low = node->id;
  return identity;
}

platform::MountPlace FakeFileSystem::MountOf(const std::string& path) {
  log.push_back("MountOf " + path);
  platform::MountPlace place{RootOf(path.empty() ? current_ : path), false};
  for (const std::string& point : remote_mounts) {
    const bool above = path.compare(0, point.size(), point) == 0 &&
                       (path.size() == point.size() || IsSeparator(path[point.size()]));
    if (above && point.size() > place.point.size()) place = platform::MountPlace{point, true};
  }
  return place;
}

int FakeFileSystem::CreateOneDirectory(const std::string& path) {
  log.push_back("CreateOneDirectory " + path);
  auto scripted = create_codes.find(path);
  const std::optional<std::string> full = Resolve(path);
  if (scripted != create_codes.end()) {
    if (scripted->second == 0 && full) AddDirectory(*full);
    return scripted->second;
  }
  if (!full) return kErrorPathNotFound;
  if (Find(*full) != nullptr) return kErrorAlreadyExists;
  const std::string root = RootOf(*full);
  const std::size_t cut = full->find_last_of(syntax_.separator);
  if (Find(cut < root.size() ? root : full->substr(0, cut)) == nullptr) return kErrorPathNotFound;
  AddDirectory(*full);
  return 0;
}

std::size_t FakeFileSystem::LongestWholePath() {
  log.push_back("LongestWholePath");
  return longest_whole_path;
}

bool FakeFileSystem::WriteFileContents(const std::string& path, std::string_view bytes) {
  log.push_back("WriteFileContents " + path);
  if (unwritable.count(path) != 0) return false;
  files[path] = std::string(bytes);
  return true;
}

bool FakeFileSystem::IsRegularFile(const std::string& path) {
  log.push_back("IsRegularFile " + path);
  return files.count(path) > 0;
}

platform::FileReadResult FakeFileSystem::ReadFileForUpdate(const std::string& path,
                                                           std::size_t limit) {
  log.push_back("ReadFileForUpdate " + path);
  platform::FileReadResult result;
  const auto status = store_statuses.find(path);
  if (status != store_statuses.end()) {
    result.status = status->second;
  } else if (files.count(path) == 0) {
    result.status = platform::StoreFileStatus::kMissing;
  } else if (unwritable.count(path) != 0) {
    result.status = platform::StoreFileStatus::kUnreadable;
  } else if (files[path].size() > limit) {
    result.status = platform::StoreFileStatus::kTooLarge;
  } else {
    result.status = platform::StoreFileStatus::kOk;
    result.bytes = files[path];
    if (stamps) {
      result.stamp.emplace();
      result.stamp->file = stamped_.size() + 1;
      stamped_[result.stamp->file] = {path, result.bytes};
    }
  }
  return result;
}

bool FakeFileSystem::StoreFileUnchanged(const std::string& path,
                                        const platform::StoreFileStamp& stamp) {
  log.push_back("StoreFileUnchanged " + path);
  const auto taken = stamped_.find(stamp.file);
  const auto file = files.find(path);
  return taken != stamped_.end() && taken->second.first == path && file != files.end() &&
         file->second == taken->second.second && store_statuses.count(path) == 0 &&
         unwritable.count(path) == 0;
}

platform::StoreFileStatus FakeFileSystem::ReplaceFileAtomically(const std::string& path,
                                                                std::string_view bytes) {
  log.push_back("ReplaceFileAtomically " + path);
  const auto status = store_statuses.find(path);
  if (status != store_statuses.end() && status->second != platform::StoreFileStatus::kOk &&
      status->second != platform::StoreFileStatus::kMissing) {
    return status->second == platform::StoreFileStatus::kUnreadable
               ? platform::StoreFileStatus::kWriteFailed
               : status->second;
  }
  if (unwritable.count(path) != 0) return platform::StoreFileStatus::kWriteFailed;
  files[path] = std::string(bytes);
  return platform::StoreFileStatus::kOk;
}

std::string FakeFileSystem::SettingsKeyLocation() { return "fake"; }

platform::OpenedSettingsKey FakeFileSystem::OpenSettingsKey(const std::string& location,
                                                            platform::KeyOpening opening) {
  log.push_back("OpenSettingsKey " + location);
  if (key_store == nullptr) {
    ADD_FAILURE() << "the settings key of this fake file system is not to be used";
    return {};
  }
  return key_store->Open(opening);
}

std::string FakeFileSystem::TextFromOldStore(std::string_view text, platform::OldStore where) {
  const auto found = old_store_texts.find({where, std::string(text)});
  return found != old_store_texts.end() ? found->second : std::string(text);
}

namespace {

// A held fake lock: its end is logged.
class FakeStoreLock final : public platform::StoreLock {
 public:
  FakeStoreLock(std::vector<std::string>& log, std::string store)
      : log_(log), store_(std::move(store)) {}
  ~FakeStoreLock() override { log_.push_back("UnlockStore " + store_); }

 private:
  std::vector<std::string>& log_;
  std::string store_;
};

}  // namespace

platform::StoreLockResult FakeFileSystem::LockStore(const std::string& store,
                                                    platform::LockedStore /*kind*/,
                                                    std::chrono::milliseconds /*wait*/) {
  log.push_back("LockStore " + store);
  if (on_lock) on_lock(store);
  platform::StoreLockResult result =
      busy_stores.count(store) != 0
          ? platform::BusyStoreLock()
          : platform::HeldStoreLock(std::make_unique<FakeStoreLock>(log, store));
  result.notice = lock_notice;
  result.lock_file = "/lock";
  return result;
}

bool FakeFileSystem::ReadsTakeTheLock(platform::LockedStore /*kind*/) {
  return reads_take_the_lock;
}

platform::AppendResult FakeFileSystem::AppendToPrivateFile(const std::string& path,
                                                           std::string_view bytes, std::size_t head,
                                                           platform::MissingFolders /*folders*/) {
  log.push_back("AppendToPrivateFile " + path);
  platform::AppendResult result;
  if (unwritable.count(path) != 0) return result;
  std::string& file = files[path];
  file.append(bytes);
  result.written = true;
  result.size = file.size();
  result.head = file.substr(0, head);
  return result;
}

}  // namespace dirhop::test
