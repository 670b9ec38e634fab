#include "state/settings_store.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "base/case_folding.h"
#include "base/drive_prefix.h"
#include "base/hex_digit.h"
#include "base/utf8.h"
#include "console/visible_text.h"
#include "match/paths.h"
#include "platform/registry_file.h"

namespace dirhop {

namespace {

using platform::StoreFileStatus;

std::string HistoryValueName(int slot) { return "history_" + std::to_string(slot); }
std::string AliasNameValueName(int slot) { return "aliasname_" + std::to_string(slot); }
std::string AliasDirValueName(int slot) { return "aliasdir_" + std::to_string(slot); }

// A string value's whole text, or empty when the value is missing or of another type.
std::string ReadString(platform::SettingsKey& key, const std::string& name) {
  std::optional<platform::StoreValue> value = key.Query(name);
  if (!value || (value->type != platform::StoreValueType::kString &&
                 value->type != platform::StoreValueType::kExpandString)) {
    return {};
  }
  return value->text;
}

// Whether the value `name` of `key` is the string `text`.
bool IsStringValue(platform::SettingsKey& key, const std::string& name, const std::string& text) {
  const std::optional<platform::StoreValue> value = key.Query(name);
  return value && value->type == platform::StoreValueType::kString && value->text == text;
}

// ---- Texts that the release before UTF-8 stored ----
//
// That release held every text in the OEM code page. Its data file says so by a 0 text form byte
// (SettingsRecord::TextsInUtf8); its registry values were set through the ANSI functions, which
// took the OEM bytes for ANSI characters. This release writes UTF-8 to the data file and the real
// characters to the registry, and lists a check of every such text that is not ASCII in one more
// value, "textChecks". The old release, should it save again, keeps the texts it was given (its
// data file bytes unchanged, its registry values through the ANSI page and back), so a text is
// taken as this release's form when it is ASCII, when the data file is marked, when in an
// unmarked data file it is valid UTF-8 (an OEM name almost never is), or when a registry value's
// check is listed; any other text is converted from the old form. A key without the list is one
// only the release before wrote, all of whose texts are in the old form; a list that is damaged
// or not a string tells nothing, and then no text is converted.

// The value that lists the checks of the registry texts this release saved.
const char kTextChecksValueName[] = "textChecks";

// The check of a text: 32-bit FNV-1a of its bytes.
std::uint32_t TextCheck(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

// The checks listed in `text` (eight hex digits each, separated by single blanks), in their
// order; nullopt when it is no such list.
std::optional<std::vector<std::uint32_t>> ParseCheckList(std::string_view text) {
  if (!text.empty() && text.size() % 9 != 8) return std::nullopt;
  std::vector<std::uint32_t> checks;
  checks.reserve((text.size() + 1) / 9);
  for (std::size_t at = 0; at < text.size(); at += 9) {
    if (at > 0 && text[at - 1] != ' ') return std::nullopt;
    std::uint32_t check = 0;
    for (std::size_t i = at; i < at + 8; ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0) return std::nullopt;
      check = check << 4 | static_cast<std::uint32_t>(digit);
    }
    checks.push_back(check);
  }
  return checks;
}

// The checks a "textChecks" value lists, sorted; nullopt when the value is damaged or not a
// string, as no list this release wrote is.
std::optional<std::vector<std::uint32_t>> ParseTextChecks(const platform::StoreValue& value) {
  if (value.type != platform::StoreValueType::kString) return std::nullopt;
  std::optional<std::vector<std::uint32_t>> checks = ParseCheckList(value.text);
  if (checks) std::sort(checks->begin(), checks->end());
  return checks;
}

// The names of the slot values, in the order a save sets them: the history, then each alias
// slot's name and target.
std::vector<std::string> SlotValueNames() {
  std::vector<std::string> names;
  names.reserve(kHistorySlots + 2 * kAliasSlots);
  for (int slot = 0; slot < kHistorySlots; ++slot) names.push_back(HistoryValueName(slot));
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    names.push_back(AliasNameValueName(slot));
    names.push_back(AliasDirValueName(slot));
  }
  return names;
}

// The texts of `record`'s slots, in the order of SlotValueNames.
std::vector<std::string> SlotTexts(const SettingsRecord& record) {
  std::vector<std::string> texts;
  texts.reserve(kHistorySlots + 2 * kAliasSlots);
  for (int slot = 0; slot < kHistorySlots; ++slot) texts.push_back(record.History(slot));
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    texts.push_back(record.AliasName(slot));
    texts.push_back(record.AliasTarget(slot));
  }
  return texts;
}

// The "textChecks" value for the slot texts `texts`.
std::string TextChecksOf(const std::vector<std::string>& texts) {
  std::string value;
  char digits[9];
  for (const std::string& text : texts) {
    if (IsAscii(text)) continue;
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(TextCheck(text)));
    if (!value.empty()) value += ' ';
    value += digits;
  }
  return value;
}

// ---- A registry save that is whole or not at all ----
//
// The registry takes one value at a time, so a run cut short in a save (a closed console, a
// logoff, a power cut) would leave some slots new and the others old. A save therefore first
// sets one value that holds the whole new table, "pendingSave", then the slot values, and
// removes it last. A load that finds it knows the save before was cut short and takes the table
// from it; the next save puts the slot values right. Releases that know nothing of it read and
// write the slot values only: a save of theirs after a cut one must win over the table left
// waiting. So the value also holds a check of every slot value as the cut save found it: the
// slot values are the cut save's own work exactly when they begin with its new texts and end
// with values of those checks. (The POSIX file takes a save whole on closing anyway, where the
// value is set and removed before it is written.)
//
// Its text: a first line "dirhop-save 1", one line for each slot text in the order of
// SlotValueNames (escaped as in the POSIX settings file, so no text holds a line feed), and a
// last line with the checks of the values before, as "textChecks" lists them.
const char kPendingSaveValueName[] = "pendingSave";
const char kPendingSaveHeader[] = "dirhop-save 1";

// The "pendingSave" value for a save of `texts` over slot values that held `before`.
std::string PendingSaveOf(const std::vector<std::string>& texts,
                          const std::vector<std::string>& before) {
  std::string value = kPendingSaveHeader;
  for (const std::string& text : texts) value += '\n' + platform::EscapeRegistryText(text);
  value += '\n';
  char digits[9];
  for (std::size_t i = 0; i < before.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(TextCheck(before[i])));
    if (i > 0) value += ' ';
    value += digits;
  }
  return value;
}

// The table a cut save left in "pendingSave", when the slot values `read` (in the order of
// SlotValueNames) are that save's work; nullopt when there is no such value, it is damaged, or
// the slot values were written since.
std::optional<std::vector<std::string>> PendingTable(platform::SettingsKey& key,
                                                     const std::vector<std::string>& read) {
  const std::optional<platform::StoreValue> value = key.Query(kPendingSaveValueName);
  if (!value || value->type != platform::StoreValueType::kString) return std::nullopt;
  std::vector<std::string_view> lines;
  std::string_view rest = value->text;
  for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
    lines.push_back(rest.substr(0, end));
    rest.remove_prefix(end + 1);
  }
  lines.push_back(rest);
  if (lines.size() != read.size() + 2 || lines.front() != kPendingSaveHeader) return std::nullopt;
  std::vector<std::string> table;
  table.reserve(read.size());
  for (std::size_t i = 1; i <= read.size(); ++i) {
    std::optional<std::string> text = platform::UnescapeRegistryText(lines[i]);
    if (!text) return std::nullopt;
    table.push_back(std::move(*text));
  }
  const std::optional<std::vector<std::uint32_t>> before = ParseCheckList(lines.back());
  if (!before || before->size() != read.size()) return std::nullopt;
  // The cut save set the slots in order: new texts up to some slot, the old values from there.
  std::size_t new_until = 0;
  while (new_until < read.size() && read[new_until] == table[new_until]) ++new_until;
  std::size_t old_from = read.size();
  while (old_from > 0 && TextCheck(read[old_from - 1]) == (*before)[old_from - 1]) --old_from;
  if (old_from > new_until) return std::nullopt;
  return table;
}

// A path read from a store, fitted to its field: a text of the store's own is cut at a character
// boundary as the field takes it; a text converted from the old form that has grown past the
// field is not kept, since a shortened path would lead somewhere else.
std::string FitPath(const std::string& read, const std::string& converted) {
  if (converted == read) return std::string(CutAtCharacter(read, kPathFieldLength));
  return converted.size() <= kPathFieldLength ? converted : std::string();
}

// Converts the texts of a data file image that the release before UTF-8 saved.
void ReadOldDataFileTexts(FileSystem& files, SettingsRecord& record) {
  if (record.TextsInUtf8()) return;
  const auto convert = [&files](const std::string& text) {
    return IsValidUtf8(text) ? text : files.TextFromOldStore(text, platform::OldStore::kDataFile);
  };
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    const std::string dir = record.History(slot);
    const std::string converted = convert(dir);
    if (converted != dir) record.SetHistory(slot, FitPath(dir, converted));
  }
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    const std::string name = record.AliasName(slot);
    const std::string target = record.AliasTarget(slot);
    const std::string new_name = convert(name);
    const std::string new_target = convert(target);
    if (new_name == name && new_target == target) continue;
    record.SetAlias(slot, CutAtCharacter(new_name, kAliasNameLength), FitPath(target, new_target));
  }
}

// Puts the slot texts `texts` (in the order of SlotValueNames) into `record`, each through
// `convert`, fitted to its field.
template <typename Convert>
void FillSlots(const std::vector<std::string>& texts, const Convert& convert,
               SettingsRecord& record) {
  std::size_t next = 0;
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    const std::string& dir = texts[next++];
    record.SetHistory(slot, FitPath(dir, convert(dir)));
  }
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    const std::string& name = texts[next++];
    const std::string& target = texts[next++];
    record.SetAlias(slot, CutAtCharacter(convert(name), kAliasNameLength),
                    FitPath(target, convert(target)));
  }
}

// Reads every slot of `record` and its creation switch from `key` (absent or wrongly typed
// values read as empty, "canCreatePath" as true): the table a cut save left waiting when there
// is one, otherwise the slot values, converting the texts the release before UTF-8 left. Returns
// the slot values as read, in the order of SlotValueNames.
std::vector<std::string> ReadKeyRecord(FileSystem& files, platform::SettingsKey& key,
                                       SettingsRecord& record) {
  std::optional<platform::StoreValue> can_create = key.Query("canCreatePath");
  record.SetCanCreatePath(!can_create || can_create->type != platform::StoreValueType::kDword ||
                          can_create->number != 0);
  std::vector<std::string> read;
  for (const std::string& name : SlotValueNames()) read.push_back(ReadString(key, name));
  if (const std::optional<std::vector<std::string>> pending = PendingTable(key, read)) {
    const auto as_saved = [](const std::string& text) { return text; };
    FillSlots(*pending, as_saved, record);
    return read;
  }
  // A key without the list is one only the release before UTF-8 wrote: its texts are all in the
  // old form. A list that is there but damaged, or not a string, tells nothing, and then no text
  // is converted: a real name is never rewritten on a guess.
  const std::optional<platform::StoreValue> listed = key.Query(kTextChecksValueName);
  const std::optional<std::vector<std::uint32_t>> checks =
      listed ? ParseTextChecks(*listed) : std::vector<std::uint32_t>();
  const auto convert = [&files, &checks](const std::string& text) {
    if (!checks || IsAscii(text) ||
        std::binary_search(checks->begin(), checks->end(), TextCheck(text))) {
      return text;
    }
    return files.TextFromOldStore(text, platform::OldStore::kSettingsKey);
  };
  FillSlots(read, convert, record);
  return read;
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

// Tells the user, once in a run, what the lock had to say about its lock file.
void ReportLockNotice(Console& console, Settings& settings, const platform::StoreLockResult& lock) {
  if (lock.notice == platform::StoreLockNotice::kNone || settings.lock_notice_given) return;
  settings.lock_notice_given = true;
  const std::string file = VisibleText(lock.lock_file);
  if (lock.notice == platform::StoreLockNotice::kLocksRefused) {
    console.Write("Dirhop: the file system of '" + file +
                  "' refuses file locks; runs take turns by creating that file instead");
  } else {
    console.SetTextColour(kColourError);
    console.Write("Dirhop: Error - can't use '" + file +
                  "' as the store's lock: it is not your own file; saving without the lock");
  }
  console.EndColouredLine();
}

// The lock of the store `settings` uses (see platform::LockStore), its notice told: none when
// there is no store to lock.
platform::StoreLockResult LockStoreOf(Console& console, Settings& settings) {
  if (settings.data_file.empty() && settings.key_location.empty()) return {};
  platform::StoreLockResult lock =
      settings.data_file.empty()
          ? settings.files.LockStore(settings.key_location, platform::LockedStore::kSettingsKey,
                                     platform::kStoreLockWait)
          : settings.files.LockStore(settings.data_file, platform::LockedStore::kDataFile,
                                     platform::kStoreLockWait);
  ReportLockNotice(console, settings, lock);
  return lock;
}

// Tells the user that another run held the store's lock for the whole wait, so this run saves
// nothing. Said once: the load runs once, and a save stops before the lock once store_busy is set.
void ReportBusyStore(Console& console, Settings& settings) {
  settings.store_busy = true;
  const std::string& path = settings.data_file.empty() ? settings.key_location : settings.data_file;
  console.SetTextColour(kColourError);
  console.Write("Dirhop: Error - '" + VisibleText(path) +
                "' is locked by another run; nothing is saved this time");
  console.EndColouredLine();
}

// Writes the data file: the run's changes made again on what the file holds now (the defaults
// when it is gone), or the run's record as it stands when the file cannot be read now. A file
// that holds the resulting image already is left alone: no write, no flush.
StoreFileStatus SaveDataFile(Settings& settings) {
  platform::FileReadResult& read = settings.data_file_read;
  // The file as last read, while it is still that file unchanged, is not read again.
  if (read.status != StoreFileStatus::kOk || !read.stamp ||
      !settings.files.StoreFileUnchanged(settings.data_file, *read.stamp)) {
    // The bytes kept are let go first, so that the new ones take their memory rather than pages
    // a short run has not touched yet.
    read = {};
    read = settings.files.ReadFileForUpdate(settings.data_file, kSettingsRecordSize);
  }
  if (IsStoreRefused(read.status)) return read.status;
  if (read.status == StoreFileStatus::kOk || read.status == StoreFileStatus::kMissing) {
    // Made again in place: a second record would take 11 KB of stack, three pages to fault in.
    SettingsRecord& current = settings.record;
    current.SetDefaults();
    current.LoadImage(read.bytes);
    if (read.status == StoreFileStatus::kMissing && !settings.windows_default_aliases) {
      current.ClearAliases();
    }
    ReadOldDataFileTexts(settings.files, current);
    for (const StoreChange& change : settings.changes) ApplyChange(current, change);
  }
  if (read.status == StoreFileStatus::kOk && settings.record.IsImage(read.bytes)) {
    return StoreFileStatus::kOk;
  }
  // The new image takes the memory of the bytes read; what the file holds is known no more.
  std::string image = std::move(read.bytes);
  read = {};
  settings.record.WriteImage(image);
  // The new record goes in whole or not at all.
  return settings.files.ReplaceFileAtomically(settings.data_file, image);
}

// SaveSettings for a run that holds the store's lock (or has none to take).
bool SaveWhileLocked(Console& console, Settings& settings) {
  const bool saved =
      settings.data_file.empty()
          ? ReportStoreStatus(console, settings, SaveToSettingsKey(settings), settings.key_location)
          : ReportStoreStatus(console, settings, SaveDataFile(settings), settings.data_file);
  if (saved) settings.changes.clear();
  return saved;
}

}  // namespace

std::optional<std::string> DataFilePath(const std::optional<std::string>& dirhop, PathSyntax syntax,
                                        FileSystem& fs) {
  if (!dirhop || dirhop->empty()) return std::nullopt;
  // "Keep nothing": the device is no regular file, and a store there would be refused at every
  // run. Windows knows NUL in any case and in any directory; POSIX only /dev/null itself.
  if (syntax.drives ? UpperCase(*dirhop) == "NUL" : *dirhop == "/dev/null") return kNullDataFile;
  if (IsAbsolute(*dirhop, syntax)) return *dirhop;
  std::string path = *dirhop;
  // "\x" and "/x" are rooted on the current drive; ExpandFullPath knows only backslashes.
  UseNativeSeparators(path, syntax);
  return ExpandFullPath(path, syntax, fs);
}

void LoadSettings(Console& console, Settings& settings,
                  const std::optional<std::string>& data_file) {
  settings.data_file = data_file.value_or(std::string());
  if (settings.data_file == kNullDataFile) {
    settings.read_only = true;
    return;
  }
  const platform::StoreLockResult lock = LockStoreOf(console, settings);
  if (lock.outcome == platform::StoreLockOutcome::kBusy) ReportBusyStore(console, settings);
  if (settings.data_file.empty()) {
    // The settings key says nothing when it cannot be opened, but a file standing in for it
    // that must not be used, or cannot be created, is the user's to hear about.
    ReportStoreStatus(console, settings, LoadFromSettingsKey(settings), settings.key_location);
    return;
  }
  platform::FileReadResult& read = settings.data_file_read;
  read = settings.files.ReadFileForUpdate(settings.data_file, kSettingsRecordSize);
  if (read.status == StoreFileStatus::kOk) {
    // A short file fills only the leading part.
    settings.record.LoadImage(read.bytes);
    ReadOldDataFileTexts(settings.files, settings.record);
    return;
  }
  const StoreFileStatus status = read.status;  // the save below reads the file again
  if (IsStoreRefused(status)) {
    ReportStoreStatus(console, settings, status, settings.data_file);
    return;
  }
  // Without the lock nothing is written, not even a new file: the run holding it may be creating
  // one. This run goes on with the defaults (the lock's report said that nothing is saved).
  if (settings.store_busy) return;
  console.SetTextColour(kColourError);
  console.WriteLine("Dirhop: Error - can't read settings from '" + VisibleText(settings.data_file) +
                    "'");
  console.WriteLine("        Creating new file");
  // Still under the lock: a run that finds the file missing at the same time reads what this
  // one creates.
  const bool saved = SaveWhileLocked(console, settings);
  console.EndColouredLine();
  settings.first_run = saved && status == StoreFileStatus::kMissing;
}

void LoadSettingsToRead(Settings& settings, const std::optional<std::string>& data_file) {
  settings.read_only = true;
  settings.data_file = data_file.value_or(std::string());
  if (settings.data_file == kNullDataFile) return;
  if (settings.data_file.empty()) {
    // A store read whole needs no lock. Where the key's values are read one at a time, the lock
    // keeps a save from coming between them; a query says nothing, and a lock held elsewhere
    // only means the key is read without it.
    platform::StoreLockResult lock;
    if (!settings.key_location.empty() &&
        settings.files.ReadsTakeTheLock(platform::LockedStore::kSettingsKey)) {
      lock = settings.files.LockStore(settings.key_location, platform::LockedStore::kSettingsKey,
                                      platform::kStoreLockWait);
    }
    LoadFromKey(settings, platform::KeyOpening::kExistingOnly);
    return;
  }
  const platform::FileReadResult read =
      settings.files.ReadFileForUpdate(settings.data_file, kSettingsRecordSize);
  if (read.status == StoreFileStatus::kOk) {
    settings.record.LoadImage(read.bytes);
    ReadOldDataFileTexts(settings.files, settings.record);
  }
}

bool SaveSettings(Console& console, Settings& settings) {
  settings.save_pending = false;
  if (settings.store_refused || settings.read_only || settings.store_busy) return false;
  const platform::StoreLockResult lock = LockStoreOf(console, settings);
  if (lock.outcome == platform::StoreLockOutcome::kBusy) {
    ReportBusyStore(console, settings);
    return false;
  }
  return SaveWhileLocked(console, settings);
}

void SaveSettingsLater(Settings& settings) { settings.save_pending = true; }

void SavePendingSettings(Console& console, Settings& settings) {
  if (settings.save_pending) SaveSettings(console, settings);
}

StoreFileStatus LoadFromSettingsKey(Settings& settings) {
  return LoadFromKey(settings, platform::KeyOpening::kCreateMissing);
}

StoreFileStatus LoadFromKey(Settings& settings, platform::KeyOpening opening) {
  platform::OpenedSettingsKey opened =
      settings.files.OpenSettingsKey(settings.key_location, opening);
  if (!opened.key) return opened.status;
  settings.first_run = opened.created;
  ReadKeyRecord(settings.files, *opened.key, settings.record);
  opened.key->Close();  // nothing was set: nothing to write
  return StoreFileStatus::kOk;
}

StoreFileStatus SaveToSettingsKey(Settings& settings) {
  platform::OpenedSettingsKey opened =
      settings.files.OpenSettingsKey(settings.key_location, platform::KeyOpening::kCreateMissing);
  if (!opened.key) return opened.status;
  platform::SettingsKey& key = *opened.key;
  // The key's record with the run's changes, made in place (see SaveDataFile).
  settings.record.SetDefaults();
  const std::vector<std::string> before = ReadKeyRecord(settings.files, key, settings.record);
  for (const StoreChange& change : settings.changes) ApplyChange(settings.record, change);
  auto set = [&key](const std::string& name, const std::string& text) {
    if (!key.Set(name, platform::StoreValue{platform::StoreValueType::kString, text, 0})) {
      FailedToSet(name);
    }
  };
  const std::vector<std::string> texts = SlotTexts(settings.record);
  const std::string checks = TextChecksOf(texts);
  // A key that holds every text already, lists their checks and has no table waiting is left as
  // it is: nothing is set (and the POSIX file is not written).
  if (texts == before && !key.Query(kPendingSaveValueName) &&
      IsStringValue(key, kTextChecksValueName, checks)) {
    return key.Close();
  }
  // The whole table first: a save cut short from here on reads as this one.
  set(kPendingSaveValueName, PendingSaveOf(texts, before));
  set(kTextChecksValueName, checks);
  const std::vector<std::string> names = SlotValueNames();
  for (std::size_t i = 0; i < names.size(); ++i) set(names[i], texts[i]);
  // A value that stays (the removal refused) holds the very table the slots hold, and reads so.
  key.Delete(kPendingSaveValueName);
  // Where the values only become permanent on closing (the POSIX file), that is the write.
  return key.Close();
}

}  // namespace dirhop
