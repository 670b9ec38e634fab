// The changes a run makes to the settings record, as values. Each is made on the run's record at
// once and kept until a save has written it, because a save makes them again on what the store
// holds by then: runs that overlap change only what each of them changed.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "state/settings_record.h"

namespace dirhop {

// What an alias update does with a name.
enum class AliasAction {
  kDefine,   // gives the name a directory, in slot 1
  kRemove,   // takes the name out of the table
  kPromote,  // moves the name to slot 1 with the directory it has
};

// An alias update: its action, and the directory that a definition gives the name.
struct AliasTarget {
  AliasAction action = AliasAction::kPromote;
  std::string dir;  // the new directory of kDefine; empty for the others
};

// The update that gives a name the directory `dir`, or removes the name when `dir` is empty (as
// `c -a name` with no directory does).
AliasTarget AliasDefinedAs(std::string dir);

// The update that moves a name to slot 1 with the directory it has (a jump through the alias).
inline const AliasTarget kPromoteAlias{AliasAction::kPromote, {}};

// A directory recorded in the history.
struct HistoryAdded {
  std::string dir;
};

// An alias defined, removed or promoted (see AliasTarget).
struct AliasUpdated {
  std::string name;
  AliasTarget target;
};

// One change of the record.
using StoreChange = std::variant<HistoryAdded, AliasUpdated>;

// Puts `dir` (at most 255 bytes) in history slot 0: an entry equal to it ignoring case is
// removed, the entries before it move down one slot and the oldest of 21 falls off.
void AddHistoryEntry(SettingsRecord& record, const std::string& dir);

// What UpdateAliasSlots did, for the messages of the run that asked for it.
struct AliasSlotsUpdate {
  // The target `name` had; nullopt when the table did not hold it.
  std::optional<std::string> old_target;
  // The alias (name, target) that a full table dropped for a new one.
  std::optional<std::pair<std::string, std::string>> dropped;
};

// Removes the alias `name` (compared ignoring case) and, to define it or to promote it, puts it
// in slot 1 under the spelling `name` (cut to 10 bytes), the others moving down one slot (the
// alias in slot 20 of a full table is dropped). A promotion of a name the table does not hold
// changes nothing.
AliasSlotsUpdate UpdateAliasSlots(SettingsRecord& record, const std::string& name,
                                  const AliasTarget& target);

// Makes `change` on `record`.
void ApplyChange(SettingsRecord& record, const StoreChange& change);

}  // namespace dirhop
