#include "state/settings_store.h"

#include <stdexcept>

#include "base/drive_prefix.h"
#include "console/visible_text.h"
#include "match/paths.h"

namespace dirhop {

namespace {

using platform::StoreFileStatus;

std::string HistoryValueName(int slot) { return "history_" + std::to_string(slot); }
std::string AliasNameValueName(int slot) { return "aliasname_" + std::to_string(slot); }
std::string AliasDirValueName(int slot) { return "aliasdir_" + std::to_string(slot); }

// A string value's text, or empty when the value is missing or of another type.
std::string ReadString(platform::SettingsKey& key, const std::string& name) {
  std::optional<platform::StoreValue> value = key.Query(name);
  if (!value || (value->type != platform::StoreValueType::kString &&
                 value->type != platform::StoreValueType::kExpandString)) {
    return {};
  }
  return value->text.substr(0, kPathFieldLength);
}

[[noreturn]] void FailedToSet(const std::string& name) {
  throw std::runtime_error("Failed to set data for '" + name + "'");
}

// The line that tells why the store at `path` is not used in this run; empty for any other
// status.
std::string RefusalText(StoreFileStatus status, const std::string& path, bool data_file) {
  std::string reason;
  switch (status) {
    case StoreFileStatus::kNotRegular:
      reason = "not a regular file";
      break;
    case StoreFileStatus::kForeignLink:
      reason = "a link owned by another user";
      break;
    case StoreFileStatus::kForeignTarget:
      reason = "a link to a file owned by another user";
      break;
    case StoreFileStatus::kTooLarge:
      reason = "larger than " +
               std::to_string(data_file ? kSettingsRecordSize : platform::kSettingsKeyFileLimit) +
               " bytes";
      break;
    default:
      return {};
  }
  return "Dirhop: Error - can't use '" + VisibleText(path) + "' for settings: " + reason;
}

// Tells the user what a store operation on `path` came to, when it is worth telling: a refused
// store once (and then no more saves), a failed write each time. True for kOk.
bool ReportStoreStatus(Console& console, Settings& settings, StoreFileStatus status,
                       const std::string& path) {
  if (status == StoreFileStatus::kOk) return true;
  std::string text;
  if (IsStoreRefused(status)) {
    text = RefusalText(status, path, !settings.data_file.empty());
    settings.store_refused = true;
  } else if (status == StoreFileStatus::kWriteFailed) {
    text = "Dirhop: Error - can't write to '" + VisibleText(path) + "'";
  } else {
    return false;  // a settings key that cannot be opened says nothing
  }
  console.SetTextColour(kColourError);
  console.Write(text);
  console.EndColouredLine();
  return false;
}

bool IsAbsolute(const std::string& path, PathSyntax syntax) {
  if (!syntax.drives) return !path.empty() && path[0] == '/';
  const auto is_separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) return true;  // UNC
  return IsDriveAbsolute(path, '\\') || IsDriveAbsolute(path, '/');
}

}  // namespace

std::optional<std::string> DataFilePath(const std::optional<std::string>& dirhop, PathSyntax syntax,
                                        FileSystem& fs) {
  if (!dirhop || dirhop->empty()) return std::nullopt;
  if (IsAbsolute(*dirhop, syntax)) return *dirhop;
  std::string path = *dirhop;
  // "\x" and "/x" are rooted on the current drive; ExpandFullPath knows only backslashes.
  SlashesToBackslashes(path, syntax);
  return ExpandFullPath(path, syntax, fs);
}

void LoadSettings(Console& console, Settings& settings,
                  const std::optional<std::string>& data_file) {
  settings.data_file = data_file.value_or(std::string());
  if (settings.data_file.empty()) {
    // The settings key says nothing when it cannot be opened, but a file standing in for it
    // that must not be used, or cannot be created, is the user's to hear about.
    ReportStoreStatus(console, settings, LoadFromRegistry(settings), settings.key_location);
    return;
  }
  platform::FileReadResult read =
      settings.files.ReadFileForUpdate(settings.data_file, kSettingsRecordSize);
  if (read.status == StoreFileStatus::kOk) {
    // A short file fills only the leading part.
    settings.record.LoadImage(read.bytes);
    return;
  }
  if (IsStoreRefused(read.status)) {
    ReportStoreStatus(console, settings, read.status, settings.data_file);
    return;
  }
  console.SetTextColour(kColourError);
  console.WriteLine("Dirhop: Error - can't read settings from '" + VisibleText(settings.data_file) +
                    "'");
  console.WriteLine("        Creating new file");
  const bool saved = SaveSettings(console, settings);
  console.EndColouredLine();
  settings.first_run = saved && read.status == StoreFileStatus::kMissing;
}

void LoadSettingsToRead(Settings& settings, const std::optional<std::string>& data_file) {
  settings.read_only = true;
  settings.data_file = data_file.value_or(std::string());
  if (settings.data_file.empty()) {
    LoadFromKey(settings, platform::KeyOpening::kExistingOnly);
    return;
  }
  const platform::FileReadResult read =
      settings.files.ReadFileForUpdate(settings.data_file, kSettingsRecordSize);
  if (read.status == StoreFileStatus::kOk) settings.record.LoadImage(read.bytes);
}

bool SaveSettings(Console& console, Settings& settings) {
  settings.save_pending = false;
  if (settings.store_refused || settings.read_only) return false;
  if (settings.data_file.empty()) {
    return ReportStoreStatus(console, settings, SaveToRegistry(settings), settings.key_location);
  }
  // The new record goes in whole or not at all.
  return ReportStoreStatus(
      console, settings,
      settings.files.ReplaceFileAtomically(settings.data_file, settings.record.Image()),
      settings.data_file);
}

void SaveSettingsLater(Settings& settings) { settings.save_pending = true; }

void SavePendingSettings(Console& console, Settings& settings) {
  if (settings.save_pending) SaveSettings(console, settings);
}

StoreFileStatus LoadFromRegistry(Settings& settings) {
  return LoadFromKey(settings, platform::KeyOpening::kCreateMissing);
}

StoreFileStatus LoadFromKey(Settings& settings, platform::KeyOpening opening) {
  platform::OpenedSettingsKey opened =
      settings.files.OpenSettingsKey(settings.key_location, opening);
  if (!opened.key) return opened.status;
  settings.first_run = opened.created;
  platform::SettingsKey& key = *opened.key;
  SettingsRecord& record = settings.record;
  std::optional<platform::StoreValue> can_create = key.Query("canCreatePath");
  record.SetCanCreatePath(!can_create || can_create->type != platform::StoreValueType::kDword ||
                          can_create->number != 0);
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    record.SetHistory(slot, ReadString(key, HistoryValueName(slot)));
  }
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    record.SetAlias(slot, ReadString(key, AliasNameValueName(slot)).substr(0, kAliasNameLength),
                    ReadString(key, AliasDirValueName(slot)));
  }
  opened.key->Close();  // nothing was set: nothing to write
  return StoreFileStatus::kOk;
}

StoreFileStatus SaveToRegistry(Settings& settings) {
  platform::OpenedSettingsKey opened =
      settings.files.OpenSettingsKey(settings.key_location, platform::KeyOpening::kCreateMissing);
  if (!opened.key) return opened.status;
  platform::SettingsKey& key = *opened.key;
  const SettingsRecord& record = settings.record;
  auto set = [&key](const std::string& name, const std::string& text) {
    if (!key.Set(name, platform::StoreValue{platform::StoreValueType::kString, text, 0})) {
      FailedToSet(name);
    }
  };
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    set(HistoryValueName(slot), record.History(slot));
  }
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    set(AliasNameValueName(slot), record.AliasName(slot));
    set(AliasDirValueName(slot), record.AliasTarget(slot));
  }
  // Where the values only become permanent on closing (the POSIX file), that is the write.
  return key.Close();
}

}  // namespace dirhop
