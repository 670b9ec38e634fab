#include "state/store_changes.h"

#include "base/case_folding.h"

namespace dirhop {

void AddHistoryEntry(SettingsRecord& record, const std::string& dir) {
  constexpr int kLast = kHistorySlots - 1;
  for (int slot = 0; slot <= kLast; ++slot) {
    if (SameIgnoringCase(record.History(slot), dir)) {
      // Close the gap; the entry moved into this slot is not compared again.
      record.MoveHistory(slot + 1, slot, kLast - slot);
      record.ClearHistory(kLast);
    } else if (record.HistoryEmpty(slot)) {
      break;
    }
  }
  record.MoveHistory(0, 1, kLast);
  record.SetHistory(0, dir);
}

AliasTarget AliasDefinedAs(std::string dir) {
  if (dir.empty()) return {AliasAction::kRemove, {}};
  return {AliasAction::kDefine, std::move(dir)};
}

AliasSlotsUpdate UpdateAliasSlots(SettingsRecord& record, const std::string& name,
                                  const AliasTarget& target) {
  AliasSlotsUpdate update;
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    if (SameIgnoringCase(record.AliasName(slot), name)) {
      update.old_target = record.AliasTarget(slot);
      record.MoveAliases(slot + 1, slot, kAliasSlots - slot);
      record.ClearAlias(kAliasSlots);
      break;
    }
    if (record.AliasFree(slot)) break;
  }
  const bool define = target.action == AliasAction::kDefine;
  const bool promote = target.action == AliasAction::kPromote && update.old_target;
  if (!define && !promote) return update;  // removed, or nothing to promote
  if (!record.AliasFree(kAliasSlots)) {
    update.dropped.emplace(record.AliasName(kAliasSlots), record.AliasTarget(kAliasSlots));
  }
  record.MoveAliases(1, 2, kAliasSlots - 1);
  record.SetAlias(1, name.substr(0, kAliasNameLength), define ? target.dir : *update.old_target);
  return update;
}

void ApplyChange(SettingsRecord& record, const StoreChange& change) {
  if (const auto* added = std::get_if<HistoryAdded>(&change)) {
    AddHistoryEntry(record, added->dir);
  } else {
    const auto& updated = std::get<AliasUpdated>(change);
    UpdateAliasSlots(record, updated.name, updated.target);
  }
}

}  // namespace dirhop
