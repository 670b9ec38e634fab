#include "state/history.h"

#include "console/visible_text.h"
#include "state/store_changes.h"

namespace dirhop {

void AddToHistory(Console& console, Settings& settings, const std::string& dir, HistorySave save) {
  if (dir.empty() || dir.size() > kPathFieldLength || settings.private_session) return;
  AddHistoryEntry(settings.record, dir);
  settings.changes.push_back(HistoryAdded{dir});
  if (save == HistorySave::kNow) {
    SaveSettings(console, settings);
  } else {
    SaveSettingsLater(settings);
  }
}

void CheckHistoryStart(Console& console, Settings& settings, const std::string& start_dir) {
  if (settings.record.HistoryEmpty(0) || settings.record.History(0) != start_dir) {
    AddToHistory(console, settings, start_dir, HistorySave::kWithNextSave);
  }
}

void ListHistory(Console& console, const Settings& settings) {
  const SettingsRecord& record = settings.record;
  if (record.HistoryEmpty(0)) {
    console.ColouredLine(kColourError, "No directories in history.");
    return;
  }
  console.ColouredLine(kColourNotice, "  Dirhop  Directory History  ");
  for (int slot = kHistorySlots - 1; slot >= 0; --slot) {
    if (record.HistoryEmpty(slot)) continue;
    console.SetTextColour(kColourLabel);
    console.Write(slot < 10 ? "   " : "  ");
    console.WriteNumber(slot);
    console.Write("  ");
    console.SetTextColour(kColourNormal);
    console.WriteLine(VisibleText(record.History(slot)));
  }
}

}  // namespace dirhop
