// Fuzz target: the settings record loaded from any bytes. Loading, saving and loading the saved
// image again gives the same record; every field reads back within its size; writing each field
// back through its setter changes nothing a reader sees.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "state/settings_record.h"

namespace {

using namespace dirhop;

// True when every reader of `a` and `b` gives the same answer.
bool SameFields(const SettingsRecord& a, const SettingsRecord& b) {
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    if (a.History(slot) != b.History(slot) || a.HistoryEmpty(slot) != b.HistoryEmpty(slot)) {
      return false;
    }
  }
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    if (a.AliasName(slot) != b.AliasName(slot) || a.AliasTarget(slot) != b.AliasTarget(slot) ||
        a.AliasFree(slot) != b.AliasFree(slot)) {
      return false;
    }
  }
  return a.CanCreatePath() == b.CanCreatePath();
}

void CheckFieldSizes(const SettingsRecord& record) {
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    FUZZ_CHECK(record.History(slot).size() <= kPathFieldLength, "a history entry fits its field");
    FUZZ_CHECK(record.HistoryEmpty(slot) == record.History(slot).empty(),
               "an empty history slot reads as empty text");
  }
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    FUZZ_CHECK(record.AliasName(slot).size() <= kAliasNameLength, "an alias name fits its field");
    FUZZ_CHECK(record.AliasTarget(slot).size() <= kPathFieldLength, "a target fits its field");
    FUZZ_CHECK(record.AliasFree(slot) == record.AliasName(slot).empty(),
               "a free alias slot has an empty name");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  SettingsRecord loaded;
  loaded.LoadImage(bytes);
  const std::string image = loaded.Image();
  FUZZ_CHECK(image.size() == kSettingsRecordSize, "a saved image has the record's size");
  CheckFieldSizes(loaded);

  SettingsRecord reloaded;
  reloaded.LoadImage(image);
  FUZZ_CHECK(reloaded.Image() == image, "a saved image loads back into the same record");
  FUZZ_CHECK(SameFields(loaded, reloaded), "a saved image reads back field for field");

  // Writing every field back with what it reads: same readings, and the fields' bytes settle.
  SettingsRecord rewritten;
  rewritten.LoadImage(image);
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    rewritten.SetHistory(slot, loaded.History(slot));
  }
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    rewritten.SetAlias(slot, loaded.AliasName(slot), loaded.AliasTarget(slot));
  }
  rewritten.SetCanCreatePath(loaded.CanCreatePath());
  FUZZ_CHECK(SameFields(loaded, rewritten), "fields written back read the same");
  const std::string settled = rewritten.Image();
  SettingsRecord settled_again;
  settled_again.LoadImage(settled);
  FUZZ_CHECK(settled_again.Image() == settled, "a rewritten record saves and loads unchanged");

  // Emptied fields go through the setters' empty-text path.
  rewritten.ClearHistory(0);
  rewritten.ClearAlias(1);
  FUZZ_CHECK(rewritten.HistoryEmpty(0) && rewritten.History(0).empty(), "a cleared slot is empty");
  FUZZ_CHECK(rewritten.AliasFree(1) && rewritten.AliasTarget(1).empty(), "a cleared alias is free");
  return 0;
}
