// Moving the settings record between memory and its store: the data file named by DIRHOP, or
// else the registry-style settings key (the registry on Windows, a text file on POSIX).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/console.h"
#include "match/path_syntax.h"
#include "platform/file_system.h"
#include "platform/store_platform.h"
#include "state/settings_record.h"
#include "state/store_changes.h"

namespace dirhop {

// The record of this run and where it is kept.
struct Settings {
  // Settings kept through `files`, which outlives them: the data file and the settings key are
  // reached only through it.
  explicit Settings(FileSystem& files) : files(files), key_location(files.SettingsKeyLocation()) {}

  FileSystem& files;
  SettingsRecord record;
  // The data file; empty when the settings key is the store. Fixed once loaded.
  std::string data_file;
  // Where the settings key is (used when there is no data file).
  std::string key_location;
  // True when this run created the store (the key, or the data file): the program's first run.
  bool first_run = false;
  // True once the store was refused for this run (not a regular file, a link that may not be
  // followed, too long to load): it was reported once, and nothing is saved.
  bool store_refused = false;
  // True for a run that only reads the record (a query): nothing is created or saved.
  bool read_only = false;
  // True while the record holds a change that is to be saved with the next save (see
  // SaveSettingsLater); every save clears it.
  bool save_pending = false;
  // True once the store's lock could not be had: it was reported once, and nothing is saved.
  bool store_busy = false;
  // True once what the lock had to say (see platform::StoreLockNotice) was said in this run.
  bool lock_notice_given = false;
  // True for a run in a private shell session: it records no directory and promotes no alias.
  bool private_session = false;
  // Whether a data file made new holds the Windows default aliases (dos and win, naming
  // c:\dos and c:\windows). A POSIX system has no such directories: its new files hold none.
  bool windows_default_aliases = true;
  // The changes made to `record` since the last save that wrote them, in order: a save makes
  // them again on what the store holds by then (see store_changes.h).
  std::vector<StoreChange> changes;
  // The data file as this run last read it, kept while it may still be what the file holds: a
  // save reads the file again only when its stamp says it changed (the stamp holds the file
  // open), and writes nothing when the new image is these bytes. Any status but kOk (as after
  // a save that wrote the file) means there is nothing to go by.
  platform::FileReadResult data_file_read;
};

// The data file path from a DIRHOP value: nullopt when DIRHOP is unset or empty; the null device
// (POSIX "/dev/null", Windows "NUL" in any case) as kNullDataFile; a relative path is made
// absolute against the current directories of `fs` now, so that saves after a change of
// directory still reach the file that was loaded.
std::optional<std::string> DataFilePath(const std::optional<std::string>& dirhop, PathSyntax syntax,
                                        FileSystem& fs);

// The data file that keeps nothing: DIRHOP names the null device. The run reads the defaults,
// saves nothing and says nothing about the store.
inline constexpr char kNullDataFile[] = "<null device>";

// Loads the record once at start-up, under the store's lock: from the data file at `data_file`
// when given, otherwise from the settings key; kNullDataFile gives the defaults, read-only, with
// nothing touched or reported. A data file that cannot be opened for reading and
// writing is reported and created from the defaults; a store that must not be used (see
// platform::IsStoreRefused) is reported once and left alone for the run. A lock held elsewhere
// for the whole wait is reported once; the store is then read without it and never saved in this
// run. Never ends the run.
void LoadSettings(Console& console, Settings& settings,
                  const std::optional<std::string>& data_file);

// Loads the record for a run that only reads it: what the data file or the settings key holds
// when they exist and may be used, the defaults otherwise (read under the store's lock when it
// can be had). Nothing is created, reported or ever saved for this run (read_only is set), and
// first_run stays false.
void LoadSettingsToRead(Settings& settings, const std::optional<std::string>& data_file);

// Saves this run's changes under the store's lock: reads the store again (unless it is the data
// file as last read, unchanged), makes `changes` on what it holds, writes the whole record and
// keeps it as the run's record; a store that holds that record already is not written (nothing
// to flush), and a store that cannot be read now gets the run's record as it stands. Nothing is
// saved when the store was refused, the run is read-only, or the lock cannot be had (reported once;
// later saves are skipped). A store that cannot be written is reported (and a file that may not be
// written is never replaced); the changes then wait for the next save. Returns whether the record
// was saved. A failed write of a single settings value (the Windows registry) throws
// std::runtime_error("Failed to set data for '<name>'").
bool SaveSettings(Console& console, Settings& settings);

// Leaves the change just made to the record for the next save to write: one durable write then
// stands for two. The caller makes sure a save follows (SavePendingSettings, or RunWithPendingSave
// of state/pending_save.h).
void SaveSettingsLater(Settings& settings);

// Saves the record when a change waits for a save (as SaveSettings); does nothing otherwise.
void SavePendingSettings(Console& console, Settings& settings);

// Reads the record from the settings key: every slot is overwritten (absent or wrongly typed
// values read as empty, "canCreatePath" as true). When the key cannot be opened nothing happens
// and the reason is returned; otherwise kOk.
platform::StoreFileStatus LoadFromSettingsKey(Settings& settings);

// LoadFromSettingsKey with the key opened as `opening` says (a key it does not create is kMissing).
platform::StoreFileStatus LoadFromKey(Settings& settings, platform::KeyOpening opening);

// Reads the settings key again, makes the run's `changes` on what it holds, and writes the 61
// string values of the result ("canCreatePath" is only ever read), which becomes the run's
// record; then closes the key: kOk, or why the key could not be opened or closed (the POSIX file
// is written on closing). The caller holds the store's lock. Throws std::runtime_error "Failed
// to set data for '<name>'" when a value cannot be set.
platform::StoreFileStatus SaveToSettingsKey(Settings& settings);

}  // namespace dirhop
