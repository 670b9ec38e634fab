#include "platform/store_policy.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "platform/directory_listing.h"
#include "platform/store_temp_name.h"

namespace dirhop::platform {
namespace {

// Reads `file` until its end or `limit` bytes, straight into `bytes`; false on a read error.
// `expected` is the size the system told: room for it and one byte more is set aside, so that
// a file that did not change is read whole and its end seen without the string growing. No
// buffer of its own spares a short run the stack pages one would touch.
bool ReadUpTo(StoreSystemCalls& system, StoreHandle file, std::size_t limit,
              std::optional<std::uint64_t> expected, std::string& bytes) {
  const bool told = expected && *expected < limit;
  if (told) bytes.reserve(static_cast<std::size_t>(*expected) + 1);
  while (bytes.size() < limit) {
    const std::size_t had = bytes.size();
    const std::size_t room =
        told && bytes.capacity() > had ? bytes.capacity() - had : kStoreReadChunk;
    bytes.resize(had + std::min(room, limit - had));
    const std::optional<std::size_t> got =
        system.Read(file, bytes.data() + had, bytes.size() - had);
    bytes.resize(had + got.value_or(0));
    if (!got) return false;
    if (*got == 0) break;
  }
  return true;
}

// Removes the temporary files that saves of `name` left in `folder` when they were killed. Only
// names of exactly the temporary pattern are considered; the system's calls then keep any file
// that is not a killed save's.
void RemoveStaleTemporaries(StoreSystemCalls& system, const StoreFolder& folder,
                            const std::string& name) {
  const NameCase name_case = system.FileNameCase();
  system.ListTemporaryCandidates(folder, name, [&](std::string_view candidate) {
    if (IsTemporaryFileName(candidate, name, name_case)) {
      system.RemoveStaleTemporary(folder, std::string(candidate));
    }
  });
}

// Writes the new content to `file`: the old file's permissions (when there are any to keep), the
// bytes, and to the disk.
bool FillTemporary(StoreSystemCalls& system, StoreHandle file, std::string_view bytes,
                   std::optional<std::uint32_t> permissions) {
  return (!permissions || system.SetPermissions(file, *permissions)) && system.Write(file, bytes) &&
         system.FlushToDisk(file);
}

// The new content as a temporary file of `name` in `folder`, named, whole, on the disk and still
// open; nullopt on failure (nothing is left behind then). Where the system allows, the file gets
// its name only once it is whole, so a run killed while writing leaves nothing behind; otherwise
// it is written under its name and a later save removes what a killed one left.
std::optional<StoreTemporary> WriteTemporary(StoreSystemCalls& system, const StoreFolder& folder,
                                             const std::string& name, std::string_view bytes,
                                             std::optional<std::uint32_t> permissions) {
  const CreatedTemporary unnamed = system.CreateUnnamedTemporary(folder);
  if (unnamed.outcome == TemporaryOutcome::kFailed) return std::nullopt;
  if (unnamed.outcome == TemporaryOutcome::kDone) {
    if (!FillTemporary(system, unnamed.file, bytes, permissions)) {
      system.Close(unnamed.file);
      return std::nullopt;
    }
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
      std::string temporary = TemporaryFileName(name, system.RandomNumber());
      const TemporaryOutcome named = system.NameTemporary(folder, unnamed.file, temporary);
      if (named == TemporaryOutcome::kDone)
        return StoreTemporary{unnamed.file, std::move(temporary)};
      if (named != TemporaryOutcome::kNameTaken) break;
    }
    // Not to be named: the content is written again under a name of its own.
    system.Close(unnamed.file);
  }
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::string temporary = TemporaryFileName(name, system.RandomNumber());
    const CreatedTemporary created = system.CreateTemporary(folder, temporary);
    if (created.outcome == TemporaryOutcome::kNameTaken) continue;
    if (created.outcome != TemporaryOutcome::kDone) return std::nullopt;
    StoreTemporary written{created.file, std::move(temporary)};
    if (!FillTemporary(system, written.file, bytes, permissions)) {
      system.RemoveTemporary(folder, written);
      system.Close(written.file);
      return std::nullopt;
    }
    return written;
  }
  return std::nullopt;
}

// Puts `bytes` in place of the file `path` (or creates it) through a temporary file in the same
// folder. `permissions` are the old file's, to be kept; a new file gets the system's default.
bool WriteBeside(StoreSystemCalls& system, const std::string& path, std::string_view bytes,
                 std::optional<std::uint32_t> permissions) {
  StorePathParts parts = system.SplitPath(path);
  // No system has a file of one of these names, nor can a temporary file become one.
  if (parts.name.empty() || IsSelfOrParentEntry(parts.name.c_str())) return false;
  const std::optional<StoreHandle> handle = system.OpenFolder(parts.folder);
  if (!handle) return false;
  const StoreFolder folder{std::move(parts.folder), *handle};
  RemoveStaleTemporaries(system, folder, parts.name);
  bool placed = false;
  // The temporary file stays open, and so claimed as a save in progress, until its name is gone.
  if (const std::optional<StoreTemporary> temporary =
          WriteTemporary(system, folder, parts.name, bytes, permissions)) {
    // The folder is not flushed after the rename: the content is on the disk before it gets
    // the name, so the store never tears, and the next save's flush of its own file carries
    // this rename to the disk with it (a journal commits in order), so a power failure loses
    // at most the newest save. That spares every jump the wait for a second journal commit.
    placed = system.PutInPlace(folder, *temporary, parts.name);
    if (!placed) system.RemoveTemporary(folder, *temporary);
    system.Close(temporary->file);
  }
  system.CloseFolder(folder);
  return placed;
}

}  // namespace

FileReadResult ReadFileForUpdate(StoreSystemCalls& system, const std::string& path,
                                 std::size_t limit) {
  FileReadResult result;
  const StoreTarget target = system.Resolve(path);
  result.status = target.status;
  if (target.status != StoreFileStatus::kOk) return result;
  const OpenedStoreFile opened = system.OpenExisting(target, OpenAccess::kReadWrite);
  result.status = opened.status;
  if (opened.status != StoreFileStatus::kOk) return result;
  // One byte more than the limit tells a file that fits from one that would be cut. A size the
  // system tells spares reading a file that is too large; one that grew since is caught by the
  // byte past the limit.
  if (opened.size && *opened.size > limit) {
    result.status = StoreFileStatus::kTooLarge;
  } else if (!ReadUpTo(system, opened.file, limit + 1, opened.size, result.bytes)) {
    result.status = StoreFileStatus::kUnreadable;
  } else if (result.bytes.size() > limit) {
    result.status = StoreFileStatus::kTooLarge;
  }
  if (result.status == StoreFileStatus::kOk && opened.stamp) {
    // The file stays open while its stamp is kept, so that no other file takes its number.
    result.stamp = opened.stamp;
    result.stamp->held = std::shared_ptr<void>(
        nullptr, [&system, file = opened.file](void*) { system.Close(file); });
    return result;
  }
  system.Close(opened.file);
  if (result.status != StoreFileStatus::kOk) result.bytes.clear();
  return result;
}

bool StoreFileUnchanged(StoreSystemCalls& system, const std::string& path,
                        const StoreFileStamp& stamp) {
  const StoreTarget target = system.Resolve(path);
  return target.status == StoreFileStatus::kOk && target.stamp && SameStamp(*target.stamp, stamp);
}

StoreFileStatus ReplaceFileAtomically(StoreSystemCalls& system, const std::string& path,
                                      std::string_view bytes) {
  const StoreTarget target = system.Resolve(path);
  std::optional<std::uint32_t> permissions;
  switch (target.status) {
    case StoreFileStatus::kMissing:
      break;
    case StoreFileStatus::kOk: {
      // A file the process may not write is left alone, though a rename could replace it.
      const OpenedStoreFile old = system.OpenExisting(target, OpenAccess::kWriteOnly);
      if (old.status == StoreFileStatus::kMissing || old.status == StoreFileStatus::kUnreadable) {
        return StoreFileStatus::kWriteFailed;
      }
      if (old.status != StoreFileStatus::kOk) return old.status;
      system.Close(old.file);
      permissions = old.permissions;
      break;
    }
    case StoreFileStatus::kUnreadable:
      return StoreFileStatus::kWriteFailed;
    default:
      return target.status;
  }
  return WriteBeside(system, target.path, bytes, permissions) ? StoreFileStatus::kOk
                                                              : StoreFileStatus::kWriteFailed;
}

FileReadResult ReadFileForUpdate(const std::string& path, std::size_t limit) {
  return ReadFileForUpdate(HostStoreSystemCalls(), path, limit);
}

bool StoreFileUnchanged(const std::string& path, const StoreFileStamp& stamp) {
  return StoreFileUnchanged(HostStoreSystemCalls(), path, stamp);
}

StoreFileStatus ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceFileAtomically(HostStoreSystemCalls(), path, bytes);
}

}  // namespace dirhop::platform
