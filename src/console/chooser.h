// The chooser: candidates shown page by page, two to a row, each behind a one-key label; one key
// picks an entry, paging keys turn pages, Escape leaves without a choice.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "console/console.h"
#include "match/candidate_list.h"
#include "match/path_syntax.h"

namespace dirhop {

// What the chosen entry will be used for: entered, created, or either (the entries of rank
// kCreateRank are then shown as "new" and are to be created, the others entered). Only the question
// in the footer and that mark differ.
enum class CreateMode { kOff, kOn, kEither };

// Whether a list of one entry is taken at once or shown, to be taken by its key.
enum class SingleEntry { kTakeAtOnce, kAsk };

// The entry the user chose: its path and its rank (kCreateRank for a directory to create).
struct ChosenEntry {
  std::string path;
  std::uint8_t rank = 0;
};

// The order the entries are shown in: as given, or CompareCandidates order (each page is sorted
// when it is first shown, so a list of thousands is never sorted whole to show a few dozen).
enum class ListOrder { kAsGiven, kByRankAndPath };

// The 62 selection keys, in page order; case matters.
inline constexpr char kSelectionKeys[] =
    "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr int kSelectionKeyCount = 62;

// Entries on a full page for a screen whose last row is `last_row`: two per row, 2 to 62.
int ChooserPageSize(int last_row);

// Width of the path field of a column for a screen of half width `half_width`: 1 to 255.
int ChooserFieldWidth(int half_width);

// The display form of `path` for a field of `width` terminal columns: leading directories after
// the drive (or root) replaced by "..." until the visible form fits (DisplayWidth). A last level
// too wide by itself is left for the field to cut (PadToWidth).
std::string ShortenPath(std::uint8_t width, std::string path, PathSyntax syntax);

// Lets the user pick one of `list` (at least one entry), shown in `order`. A single entry is
// returned at once; otherwise entries equal to `start_dir` (ignoring case) are removed from `list`
// first, and `list` is left partly sorted. Returns the chosen path, or empty text when the user
// leaves with Escape or Ctrl+C (or no key can be read). Should the removal leave nothing,
// `start_dir` itself is returned.
//
// A path inside `home` (when given) is shown with `~` in its place, as a POSIX shell shows it.
std::string ChooseDirectory(Console& console, CandidateList& list, CreateMode mode, ListOrder order,
                            const std::string& start_dir, PathSyntax syntax,
                            std::string_view home = {});

// ChooseDirectory that gives the chosen entry with its rank, nothing when the user leaves; with
// SingleEntry::kAsk a list of one entry is shown too (the start directory is still removed only
// from a list of several), and the start directory given back when the removal leaves nothing has
// rank 0.
std::optional<ChosenEntry> ChooseEntry(Console& console, CandidateList& list, CreateMode mode,
                                       ListOrder order, SingleEntry single,
                                       const std::string& start_dir, PathSyntax syntax,
                                       std::string_view home = {});

// `path` with a leading `home` (a whole folder of it) shown as `~`; `path` itself otherwise.
std::string WithHomeAsTilde(std::string path, std::string_view home, PathSyntax syntax);

}  // namespace dirhop
