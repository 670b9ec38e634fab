// Text in the single-byte and multi-byte code pages of Windows, where the program's own text is
// UTF-8: the form in which cmd reads a batch file, and the form in which the release before
// UTF-8 left names in its stores. On POSIX there are no code pages to meet: the console is taken
// as UTF-8 and stored names were always the names' own bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dirhop::platform {

// The code page number of UTF-8 (what `chcp 65001` selects).
inline constexpr unsigned kUtf8CodePage = 65001;

// The code page cmd reads batch files in: the console's output code page (the number `chcp`
// shows), or the OEM code page when the process has no console. kUtf8CodePage on POSIX.
unsigned ConsoleCodePage();

// `text` (UTF-8) as the bytes of `code_page`; nullopt when a character of it has no exact form
// there (no best-fit look-alike is ever taken) or `text` is not valid UTF-8. For kUtf8CodePage,
// `text` itself when valid.
std::optional<std::string> TextInCodePage(std::string_view text, unsigned code_page);

// Where the release before UTF-8 left a text.
enum class OldStore {
  kDataFile,     // the data file: the bytes of the OEM code page
  kSettingsKey,  // the registry: those OEM bytes, taken by the ANSI functions as ANSI text
};

// A text read from a store that the release before UTF-8 wrote (already UTF-8 as far as the store
// itself converts), as the characters the user meant. Unchanged on POSIX.
std::string TextFromOldStore(std::string_view text, OldStore where);

}  // namespace dirhop::platform
