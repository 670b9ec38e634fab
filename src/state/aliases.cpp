#include "state/aliases.h"

#include <algorithm>

#include "base/case_folding.h"
#include "console/visible_text.h"

namespace dirhop {

namespace {

// The " = " and the target share one field of 255 columns on the screen.
constexpr std::size_t kShownTargetColumns = 252;
constexpr std::size_t kNameColumn = 12;

}  // namespace

bool UpdateAlias(Console& console, Settings& settings, const std::string& name,
                 const AliasTarget& target) {
  if (name.empty()) {
    // A nameless alias would sit in a slot that counts as free and hide the ones after it.
    console.ColouredLine(kColourError, "Dirhop: An alias needs a name");
    return false;
  }
  if (target.dir.size() > kPathFieldLength) {
    // Stored cut, the alias would lead somewhere else than the user said.
    console.ColouredLine(kColourError,
                         "Dirhop: Alias target is longer than 255 characters; alias '" +
                             VisibleText(name) + "' not defined");
    return false;
  }
  const AliasSlotsUpdate update = UpdateAliasSlots(settings.record, name, target);
  settings.changes.push_back(AliasUpdated{name, target});
  if (update.dropped) {
    console.ColouredLine(kColourError, "Dirhop: Alias list is full. Removing alias " +
                                           VisibleText(update.dropped->first) + " = " +
                                           VisibleText(update.dropped->second));
  }
  if (target.action == AliasAction::kDefine) {
    console.ColouredLine(
        kColourNotice, "Dirhop: Adding alias " + VisibleText(name) + "=" + VisibleText(target.dir));
  } else if (target.action == AliasAction::kRemove && !update.old_target) {
    console.ColouredLine(kColourError,
                         "Dirhop: No alias to delete called '" + VisibleText(name) + "'");
  } else if (target.action == AliasAction::kRemove) {
    console.ColouredLine(kColourNotice, "Dirhop: Removing alias '" + VisibleText(name) + "'");
  }
  SaveSettings(console, settings);
  return true;
}

void ListAliases(Console& console, const Settings& settings) {
  const SettingsRecord& record = settings.record;
  int used = 0;
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    if (!record.AliasFree(slot)) ++used;
  }
  const int remaining = kAliasSlots - used;
  std::string title = "  Dirhop  Directory Aliases (";
  if (remaining == 0) {
    title += "No entries";
  } else if (remaining == 1) {
    title += "1 entry";
  } else {
    title += std::to_string(remaining) + " entries";
  }
  console.ColouredLine(kColourNotice, title + " remaining)  ");
  for (int slot = kAliasSlots; slot >= 1; --slot) {
    if (record.AliasFree(slot)) continue;
    // A name made longer by its escapes pushes the target to the right rather than being cut.
    const std::string name = VisibleText(record.AliasName(slot));
    console.SetTextColour(kColourLabel);
    console.Write(std::string(kNameColumn - std::min(DisplayWidth(name), kNameColumn), ' ') + name);
    console.SetTextColour(kColourNormal);
    console.Write(" = " + VisibleTextCut(record.AliasTarget(slot), kShownTargetColumns));
    console.EndColouredLine();
  }
}

bool AliasCommand(Console& console, Settings& settings, const std::vector<std::string>& arguments,
                  const std::string& start_dir) {
  if (arguments.empty()) {
    ListAliases(console, settings);
    return true;
  }
  const std::string name(CutAtCharacter(arguments[0], kAliasNameLength));
  std::string target = arguments.size() >= 2 ? arguments[1] : std::string();
  if (target == ".") target = start_dir;
  return UpdateAlias(console, settings, name, AliasDefinedAs(target));
}

std::optional<std::string> FindAlias(const Settings& settings, const std::string& name) {
  const SettingsRecord& record = settings.record;
  for (int slot = 1; slot <= kAliasSlots && !record.AliasFree(slot); ++slot) {
    if (SameIgnoringCase(record.AliasName(slot), name)) return record.AliasTarget(slot);
  }
  return std::nullopt;
}

std::optional<std::string> GoToAlias(Console& console, Settings& settings, const std::string& arg) {
  std::optional<std::string> dir = FindAlias(settings, arg);
  // A private session leaves no trace of which alias it used.
  if (dir && !settings.private_session) UpdateAlias(console, settings, arg, kPromoteAlias);
  return dir;
}

}  // namespace dirhop
