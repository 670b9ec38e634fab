// The directory history: the last 21 directories started in or changed to, most recent first,
// kept in the settings record's history slots.
#pragma once

#include <string>

#include "console/console.h"
#include "state/settings_store.h"

namespace dirhop {

// When a change of the history reaches the store.
enum class HistorySave { kNow, kWithNextSave };

// Puts `dir` in slot 0, removes an entry equal to it ignoring case, moves the entries before it
// down one slot (the oldest of 21 falls off), and saves the store (now, or with the next save:
// SaveSettingsLater). A directory longer than a slot holds is not added at all: a cut path would
// name another directory. A private session's run records nothing.
void AddToHistory(Console& console, Settings& settings, const std::string& dir,
                  HistorySave save = HistorySave::kNow);

// The start-up check: adds `start_dir` unless history slot 0 holds exactly that text (case
// counts here, so a change of case is recorded). The save waits for the next one: a run that
// enters a directory at once writes the store once.
void CheckHistoryStart(Console& console, Settings& settings, const std::string& start_dir);

// Lists the history, oldest first, numbered by slot, or says that it is empty.
void ListHistory(Console& console, const Settings& settings);

}  // namespace dirhop
