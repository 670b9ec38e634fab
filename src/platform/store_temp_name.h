// The names of the temporary files a save writes beside the store file before it takes the
// store's place. Pure text handling, built on every host so both builds test it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dirhop::platform {

// How file names compare on the system at hand.
enum class NameCase { kExact, kIgnore };

// The temporary name for the store file `file_name` made from `random`:
// "<file_name>.~dirhop-" followed by six characters from [0-9a-z].
std::string TemporaryFileName(std::string_view file_name, std::uint64_t random);

// True when `candidate` is exactly a name TemporaryFileName gives for `file_name` (letters of any
// case under NameCase::kIgnore), so that stale temporary files of this store, and nothing else,
// can be told apart in its folder.
bool IsTemporaryFileName(std::string_view candidate, std::string_view file_name,
                         NameCase name_case);

}  // namespace dirhop::platform
