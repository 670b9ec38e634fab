#include "core/command_line.h"

namespace dirhop {

std::pair<std::string, std::size_t> NextWord(std::string_view line, std::size_t position) {
  line = line.substr(0, line.find('\0'));
  auto at = [&](std::size_t i) -> unsigned char {
    return i < line.size() ? static_cast<unsigned char>(line[i]) : 0;
  };
  for (;;) {
    while (at(position) != 0 && at(position) <= 32) ++position;
    if (at(position) == '"' && at(position + 1) == '"') {
      position += 2;  // an empty pair where a word would begin is no word at all
      continue;
    }
    break;
  }
  std::string word;
  while (at(position) > 32) {
    if (at(position) == '"') {
      ++position;
      while (at(position) != 0 && at(position) != '"') word += line[position++];
      if (at(position) == '"') ++position;
    } else {
      word += line[position++];
    }
  }
  return {word, position};
}

CommandWords CommandWords::FromRawCommandLine(std::string_view line, std::string own_path) {
  CommandWords result;
  result.own_path_ = std::move(own_path);
  std::size_t position = NextWord(line, 0).second;  // the program's name as typed
  for (;;) {
    auto [word, next] = NextWord(line, position);
    if (word.empty()) break;  // nothing after the first empty word is ever seen
    result.words_.push_back(std::move(word));
    position = next;
  }
  return result;
}

CommandWords CommandWords::FromArguments(const std::vector<std::string>& arguments,
                                         std::string own_path) {
  CommandWords result;
  result.own_path_ = std::move(own_path);
  for (const auto& argument : arguments) {
    if (!argument.empty()) result.words_.push_back(argument);
  }
  return result;
}

std::string CommandWords::Word(int n) const {
  if (n == 0) return own_path_;
  if (n < 0 || n > WordCount()) return {};
  return words_[n - 1];
}

std::string CommandWords::JoinWords() const {
  std::string joined;
  for (const auto& word : words_) {
    if (!joined.empty()) joined += ' ';
    joined += word;
  }
  return joined;
}

}  // namespace dirhop
