// Fuzz target: the raw command-line splitter on any bytes. Checks that splitting always ends,
// that every word is one the rules can make, that quoting the words and splitting again gives them
// back, and that argv words (the input cut at NUL bytes) are kept as given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/command_line.h"
#include "fuzz_check.h"

namespace {

using dirhop::CommandWords;
using dirhop::NextWord;

// The words of `line` as NextWord reads them from the start, up to the first empty one.
std::vector<std::string> SplitAll(std::string_view line) {
  const std::size_t end = line.substr(0, line.find('\0')).size();
  std::vector<std::string> words;
  std::size_t position = 0;
  for (std::size_t calls = 0;; ++calls) {
    FUZZ_CHECK(calls <= end + 1, "each word uses up at least one byte");
    const auto [word, next] = NextWord(line, position);
    FUZZ_CHECK(next <= end, "the position stays within the line before its first NUL");
    FUZZ_CHECK(next >= position, "the position never goes back");
    FUZZ_CHECK(word.size() <= next - position, "a word is no longer than what was read");
    FUZZ_CHECK(word.find('"') == std::string::npos, "quotes group, they are never kept");
    FUZZ_CHECK(word.find('\0') == std::string::npos, "the line ends at its first NUL");
    if (word.empty()) {
      FUZZ_CHECK(next == end, "an empty word comes only at the end of the line");
      break;
    }
    words.push_back(word);
    position = next;
  }
  return words;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string joined;
  for (const auto& word : words) {
    if (!joined.empty()) joined += ' ';
    joined += word;
  }
  return joined;
}

void CheckRawLine(std::string_view line) {
  const std::vector<std::string> read = SplitAll(line);
  const CommandWords words = CommandWords::FromRawCommandLine(line, "own");
  // The first word read is the program's name as typed; the arguments are the rest.
  const std::size_t arguments = read.empty() ? 0 : read.size() - 1;
  FUZZ_CHECK(static_cast<std::size_t>(words.WordCount()) == arguments,
             "the arguments are the words after the program's name");
  for (int n = 1; n <= words.WordCount(); ++n) {
    FUZZ_CHECK(words.Word(n) == read[static_cast<std::size_t>(n)], "words come in line order");
  }
  FUZZ_CHECK(words.Word(0) == "own", "word 0 is the program's own path");
  FUZZ_CHECK(words.Word(words.WordCount() + 1).empty(), "past the last word is empty");
  FUZZ_CHECK(words.Word(-1).empty(), "a negative word number is empty");

  // Each word quoted on a fresh line reads back as itself: words hold no quote and no NUL.
  std::string quoted = "program";
  std::vector<std::string> arguments_read;
  for (int n = 1; n <= words.WordCount(); ++n) {
    quoted += " \"" + words.Word(n) + "\"";
    arguments_read.push_back(words.Word(n));
  }
  const CommandWords again = CommandWords::FromRawCommandLine(quoted, "own");
  FUZZ_CHECK(again.WordCount() == words.WordCount(), "quoted words split back into as many");
  for (int n = 1; n <= words.WordCount(); ++n) {
    FUZZ_CHECK(again.Word(n) == words.Word(n), "quoted words split back into themselves");
  }
  FUZZ_CHECK(words.JoinWords() == Joined(arguments_read), "JoinWords puts one space between");
}

void CheckArguments(std::string_view data) {
  // argv as the shell hands it over: the input cut at its NUL bytes, empty ones included.
  std::vector<std::string> arguments;
  std::size_t start = 0;
  for (;;) {
    const std::size_t nul = data.find('\0', start);
    arguments.emplace_back(data.substr(start, nul == std::string_view::npos ? nul : nul - start));
    if (nul == std::string_view::npos) break;
    start = nul + 1;
  }
  std::vector<std::string> kept;
  for (const auto& argument : arguments) {
    if (!argument.empty()) kept.push_back(argument);
  }
  const CommandWords words = CommandWords::FromArguments(arguments, "own");
  FUZZ_CHECK(static_cast<std::size_t>(words.WordCount()) == kept.size(),
             "every non-empty argument is a word");
  for (int n = 1; n <= words.WordCount(); ++n) {
    FUZZ_CHECK(words.Word(n) == kept[static_cast<std::size_t>(n - 1)],
               "arguments are kept byte for byte and in order");
  }
  FUZZ_CHECK(words.JoinWords() == Joined(kept), "JoinWords puts one space between");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckRawLine(input);
  CheckArguments(input);
  return 0;
}
