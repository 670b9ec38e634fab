// The alias table: up to 20 short names for directories, most recently defined or used first,
// kept in the settings record's alias slots.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/console.h"
#include "state/settings_store.h"
#include "state/store_changes.h"

namespace dirhop {

// Defines, redefines, removes or promotes the alias `name` (compared ignoring case), reports it,
// and saves the store. An empty name, or a target longer than 255 characters, is refused with a
// message and the table is left as it was; the result is false only then.
bool UpdateAlias(Console& console, Settings& settings, const std::string& name,
                 const AliasTarget& target);

// Writes the alias table, the alias used longest ago first, with the count of free slots.
void ListAliases(Console& console, const Settings& settings);

// The "-a" command; `arguments` are the words after "-a". None lists the table; a name alone
// removes that alias; a name and a directory (or "." for `start_dir`) define it. False only
// when a definition was refused (the message is written); the caller ends the run.
bool AliasCommand(Console& console, Settings& settings, const std::vector<std::string>& arguments,
                  const std::string& start_dir);

// The target of the alias called `name` (ignoring case, stopping at the first free slot); nullopt
// when there is none.
std::optional<std::string> FindAlias(const Settings& settings, const std::string& name);

// Looks `arg` up among the aliases (ignoring case, stopping at the first free slot). On a match
// the alias is promoted to slot 1 under the spelling of `arg`, the store is saved, and the
// target is returned for the caller to enter; nullopt when no alias has that name.
std::optional<std::string> GoToAlias(Console& console, Settings& settings, const std::string& arg);

}  // namespace dirhop
