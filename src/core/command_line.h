// The command line as words: Windows hands over one raw line that the program splits itself
// (quotes group, empty quote pairs vanish); POSIX hands over argv, already split by the shell.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dirhop {

// Reads one word of `line` from `position`: separators (codes 1-32) skipped, quoted stretches keep
// spaces, an empty quote pair where a word would begin is no word. Returns the word (possibly
// empty) and the position after it. The line ends at its first NUL byte.
std::pair<std::string, std::size_t> NextWord(std::string_view line, std::size_t position);

class CommandWords {
 public:
  // Splits a raw command line; its first word (the program's name as typed) is skipped, and
  // counting stops at the first empty word. `own_path` is word 0.
  static CommandWords FromRawCommandLine(std::string_view line, std::string own_path);
  // Takes argv[1..] as the words, leaving out empty ones. `own_path` is word 0.
  static CommandWords FromArguments(const std::vector<std::string>& arguments,
                                    std::string own_path);

  // The number of argument words.
  int WordCount() const { return static_cast<int>(words_.size()); }
  // Word 0 is the program's own file path; 1..WordCount the arguments; anything else is empty.
  std::string Word(int n) const;
  // The argument words joined with one space; empty when there are none.
  std::string JoinWords() const;

 private:
  std::string own_path_;
  std::vector<std::string> words_;
};

}  // namespace dirhop
