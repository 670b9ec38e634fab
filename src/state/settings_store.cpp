#include "state/settings_store.h"

#include <stdexcept>

#include "match/paths.h"
#include "platform/platform.h"

namespace dirhop {

namespace {

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

bool IsAbsolute(const std::string& path, PathSyntax syntax) {
  if (!syntax.drives) return !path.empty() && path[0] == '/';
  const auto is_separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) return true;  // UNC
  return path.size() >= 3 && path[1] == ':' && is_separator(path[2]);
}

}  // namespace

std::optional<std::string> DataFilePath(const std::optional<std::string>& dirhop,
                                        PathSyntax syntax) {
  if (!dirhop || dirhop->empty()) return std::nullopt;
  if (IsAbsolute(*dirhop, syntax)) return *dirhop;
  std::string path = *dirhop;
  if (syntax.drives) {
    // "\x" and "/x" are rooted on the current drive; ExpandFullPath knows only backslashes.
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
  }
  return ExpandFullPath(
      path, syntax,
      CurrentDirectories{platform::CurrentDirectory, platform::DriveCurrentDirectory});
}

void LoadSettings(Console& console, Settings& settings,
                  const std::optional<std::string>& data_file) {
  settings.data_file = data_file.value_or(std::string());
  if (settings.data_file.empty()) {
    LoadFromRegistry(settings);
    return;
  }
  platform::FileReadResult read =
      platform::ReadFileForUpdate(settings.data_file, kSettingsRecordSize);
  if (read.status == platform::FileReadStatus::kRead) {
    // A short file fills only the leading part; nothing past the record's size is read.
    settings.record.LoadImage(read.bytes);
    return;
  }
  console.SetTextColour(kColourError);
  console.WriteLine("Dirhop: Error - can't read settings from '" + settings.data_file + "'");
  console.WriteLine("        Creating new file");
  const bool saved = SaveSettings(console, settings);
  console.EndColouredLine();
  settings.first_run = saved && read.status == platform::FileReadStatus::kMissing;
}

bool SaveSettings(Console& console, Settings& settings) {
  if (settings.data_file.empty()) return SaveToRegistry(settings);
  // A file the process may not write is left alone (a rename could still replace it), and the
  // new record goes in whole or not at all.
  if (!platform::IsFileWritable(settings.data_file) ||
      !platform::ReplaceFileAtomically(settings.data_file, settings.record.Image())) {
    console.SetTextColour(kColourError);
    console.Write("Dirhop: Error - can't write to '" + settings.data_file + "'");
    console.EndColouredLine();
    return false;
  }
  return true;
}

void LoadFromRegistry(Settings& settings) {
  platform::OpenedSettingsKey opened = settings.open_key(settings.key_location);
  if (!opened.key) return;
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
  opened.key->Close();
}

bool SaveToRegistry(Settings& settings) {
  platform::OpenedSettingsKey opened = settings.open_key(settings.key_location);
  if (!opened.key) return false;
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
  if (!key.Close()) FailedToSet(settings.key_location);
  return true;
}

}  // namespace dirhop
