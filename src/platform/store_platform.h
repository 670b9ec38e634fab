// The operating-system side of Dirhop's persistent store: the registry-style settings key (the
// real registry on Windows, a text file that emulates the key on POSIX) and the whole-file
// operations the data file needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace dirhop::platform {

// ---- Outcomes ----------------------------------------------------------------------------------

// What came of an operation on a store file (or on the settings key), in the terms the store
// reports to the user.
enum class StoreFileStatus {
  kOk,             // read, opened or replaced
  kMissing,        // nothing at the path yet (a dangling link of the user's own counts as missing)
  kUnreadable,     // there, but cannot be opened for reading and writing (read-only, for one)
  kNotRegular,     // a folder, device, FIFO or socket, or a loop of links: never read nor replaced
  kForeignLink,    // a link at the path belongs to another user (not root): it is not followed
  kForeignTarget,  // a link leads to a file the user does not own: it is not followed
  kTooLarge,       // longer than the store can hold: not loaded, and so never rewritten
  kWriteFailed,    // the new content could not be written or put in place; the old one stays
};

// True for the outcomes that rule the store out for the whole run: a path that must never be
// read nor replaced.
inline bool IsStoreRefused(StoreFileStatus status) {
  return status == StoreFileStatus::kNotRegular || status == StoreFileStatus::kForeignLink ||
         status == StoreFileStatus::kForeignTarget || status == StoreFileStatus::kTooLarge;
}

// ---- Settings key ------------------------------------------------------------------------------

// The types a value of the settings key can have, as far as Dirhop tells them apart.
enum class StoreValueType { kString, kExpandString, kDword, kOther };

// One typed value: `text` for the string types (up to its first NUL), `number` for kDword.
struct StoreValue {
  StoreValueType type = StoreValueType::kString;
  std::string text;
  std::uint32_t number = 0;
};

// An open settings key. Values are read, set and removed by name; Close makes the changes
// permanent.
class SettingsKey {
 public:
  virtual ~SettingsKey() = default;
  // The value called `name` with its type; nullopt when there is no such value.
  virtual std::optional<StoreValue> Query(const std::string& name) = 0;
  // Sets `name` to `value`; false when the system refuses (values set before stay set).
  virtual bool Set(const std::string& name, const StoreValue& value) = 0;
  // Removes the value `name`; true when it is gone afterwards (also when there was none).
  virtual bool Delete(const std::string& name) = 0;
  // Makes the changes so far permanent and closes the key (POSIX: replaces the emulating file
  // atomically, with the outcomes of ReplaceFileAtomically). A key not closed explicitly is
  // closed without saving.
  virtual StoreFileStatus Close() = 0;
};

// An opened key and whether this open created it.
struct OpenedSettingsKey {
  std::unique_ptr<SettingsKey> key;  // null when the key could not be opened or created
  bool created = false;
  // Why `key` is null: kUnreadable when the system gives no reason worth telling the user.
  StoreFileStatus status = StoreFileStatus::kOk;
};

// The longest file that may stand in for the settings key on POSIX; a longer one is not loaded.
inline constexpr std::size_t kSettingsKeyFileLimit = std::size_t{16} << 20;

// Where Dirhop's own settings key lives: "SOFTWARE\Brantel Software\Dirhop" under
// HKEY_CURRENT_USER (Windows), or ${XDG_CONFIG_HOME:-~/.config}/dirhop/registry (POSIX); empty
// when no place can be named (POSIX without a home directory).
std::string DefaultSettingsKeyLocation();

// Whether opening a settings key may create it.
enum class KeyOpening {
  kCreateMissing,  // a missing key is created (and the open says so)
  kExistingOnly,   // a missing key is not created: no key, status kMissing
};

// Opens the key at `location` for reading and writing; a missing key is created or reported as
// `opening` says. A key that exists but may not be written counts as one that cannot be opened.
// On POSIX the file at `location` is read under the rules of ReadFileForUpdate (limit
// kSettingsKeyFileLimit), and a failed creation is kWriteFailed.
OpenedSettingsKey OpenSettingsKey(const std::string& location, KeyOpening opening);

// Removes the key at `location` with its values; true when it is gone afterwards.
bool DeleteSettingsKey(const std::string& location);

// ---- Whole files -------------------------------------------------------------------------------

// Which file a read of a store path found, and that file's size and times then (nanoseconds).
// While a stamp is kept, the file it names keeps its identity: POSIX holds the file open, so its
// number goes to no other file. Windows gives no stamps: a file number there is free for reuse
// once no handle holds the file, and a handle held would refuse other runs' replacements.
struct StoreFileStamp {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  // Holds the file open while the stamp (or a copy of it) is kept; null where nothing is held.
  std::shared_ptr<void> held;
};

// Whether `a` and `b` name one file with the same size and times.
inline bool SameStamp(const StoreFileStamp& a, const StoreFileStamp& b) {
  return a.device == b.device && a.file == b.file && a.size == b.size && a.modified == b.modified &&
         a.changed == b.changed;
}

// The result of ReadFileForUpdate: the status and, when kOk, the file's bytes and (POSIX) the
// stamp of the file they were read from.
struct FileReadResult {
  StoreFileStatus status = StoreFileStatus::kUnreadable;
  std::string bytes;
  std::optional<StoreFileStamp> stamp;
};

// Opens the existing file at `path` for reading and writing (shared with other processes) and
// reads it whole: kOk, kMissing, kUnreadable (also a file that can be read but not written),
// kNotRegular (nothing is opened to find that out, so a FIFO never blocks), kTooLarge (more than
// `limit` bytes; nothing returned), and on POSIX kForeignLink and kForeignTarget: a link at the
// path is followed only when it belongs to the user or root, and only to a file the user owns.
FileReadResult ReadFileForUpdate(const std::string& path, std::size_t limit);

// True when `path` still leads (under the rules of ReadFileForUpdate) to the file `stamp` was
// taken of, with the same size and times: no save has replaced it since, and no write has
// changed it (short of one that kept its size within the file system's clock tick). False
// whenever that cannot be told, and always on Windows.
bool StoreFileUnchanged(const std::string& path, const StoreFileStamp& stamp);

// Replaces the file at `path` with `bytes` atomically, or creates it: the bytes go to a new file
// in the same folder, which then takes the old one's place, so a reader or a crash sees the old
// content or the new, never a part. Only a regular file is replaced, and never one the process
// may not write; a link is followed under the rules of ReadFileForUpdate and stays a link (the
// file it leads to is replaced, in that file's folder; a dangling link of the user's own gets
// its file created). Temporary files of earlier saves of this file that were killed before they
// finished are removed. kOk, kNotRegular, kForeignLink, kForeignTarget, or kWriteFailed with the
// old file unchanged.
StoreFileStatus ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace dirhop::platform
