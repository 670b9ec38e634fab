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

// ---- Settings key ------------------------------------------------------------------------------

// The types a value of the settings key can have, as far as Dirhop tells them apart.
enum class StoreValueType { kString, kExpandString, kDword, kOther };

// One typed value: `text` for the string types (up to its first NUL), `number` for kDword.
struct StoreValue {
  StoreValueType type = StoreValueType::kString;
  std::string text;
  std::uint32_t number = 0;
};

// An open settings key. Values are read and set by name; Close makes what was set permanent.
class SettingsKey {
 public:
  virtual ~SettingsKey() = default;
  // The value called `name` with its type; nullopt when there is no such value.
  virtual std::optional<StoreValue> Query(const std::string& name) = 0;
  // Sets `name` to `value`; false when the system refuses (values set before stay set).
  virtual bool Set(const std::string& name, const StoreValue& value) = 0;
  // Makes the values set so far permanent and closes the key (POSIX: replaces the emulating file
  // atomically); false when that fails. A key not closed explicitly is closed without saving.
  virtual bool Close() = 0;
};

// An opened key and whether this open created it.
struct OpenedSettingsKey {
  std::unique_ptr<SettingsKey> key;  // null when the key could not be opened or created
  bool created = false;
};

// Where Dirhop's own settings key lives: "SOFTWARE\Brantel Software\Dirhop" under
// HKEY_CURRENT_USER (Windows), or ${XDG_CONFIG_HOME:-~/.config}/dirhop/registry (POSIX); empty
// when no place can be named (POSIX without a home directory).
std::string DefaultSettingsKeyLocation();

// Opens the key at `location` for reading and writing, creating it when it is missing. A key
// that exists but may not be written counts as one that cannot be opened.
OpenedSettingsKey OpenSettingsKey(const std::string& location);

// Removes the key at `location` with its values; true when it is gone afterwards.
bool DeleteSettingsKey(const std::string& location);

// ---- Whole files -------------------------------------------------------------------------------

// How reading a file for update went.
enum class FileReadStatus { kRead, kMissing, kUnreadable };

// The result of ReadFileForUpdate: the status and, when read, the leading bytes.
struct FileReadResult {
  FileReadStatus status = FileReadStatus::kUnreadable;
  std::string bytes;
};

// Opens the existing file at `path` for reading and writing (shared with other processes) and
// reads at most `limit` bytes from its start. A file that can be read but not written, or that is
// not a regular file, is kUnreadable; a file that is not there is kMissing.
FileReadResult ReadFileForUpdate(const std::string& path, std::size_t limit);

// True when the process may write the existing file at `path`, or when there is no file there.
bool IsFileWritable(const std::string& path);

// Replaces the file at `path` with `bytes` atomically: the bytes go to a new file in the same
// folder, which then takes the old one's place, so a reader or a crash sees the old content or
// the new, never a part. A symbolic link at `path` is followed (POSIX), so the link stays. False
// when the new content could not be put in place; the old file is then unchanged.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace dirhop::platform
