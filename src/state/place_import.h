// Reading the memories of other directory jumpers, for `--import`: z and fasd (`path|rank|time`),
// autojump (`weight<TAB>path`), and the list `zoxide query --list --score` prints (`score path`).
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "match/path_syntax.h"
#include "state/place_memory.h"

namespace dirhop {

// The tools whose memories can be imported.
enum class ImportFormat { kZ, kAutojump, kZoxide };

// What a memory file held.
struct ParsedImport {
  std::vector<ImportedPlace> places;
  std::vector<std::size_t> bad_lines;  // the numbers (from 1) of the lines that were not read
};

// Reads `text` as `format` says, one place a line (a CR before the line feed and empty lines
// are allowed). A line is bad when its fields are missing or not numbers, its count is not
// positive, or its path is not absolute in `syntax`. z's time is kept (a time after `now` is
// taken as `now`); autojump and zoxide keep none, so their places count as visited at `now`.
// zoxide's score is taken as the count; an autojump weight w as (w/10)^2 visits (autojump adds a
// visit as sqrt(w^2 + 10^2)).
ParsedImport ParseImport(ImportFormat format, std::string_view text, PathSyntax syntax,
                         UnixSeconds now);

}  // namespace dirhop
