#include "platform/store_temp_name.h"

#include <algorithm>

#include "base/case_folding.h"

namespace dirhop::platform {
namespace {

constexpr std::string_view kMarker = ".~dirhop-";
constexpr std::string_view kAlphabet = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::size_t kSuffixLength = 6;

bool SameText(std::string_view a, std::string_view b, NameCase name_case) {
  return name_case == NameCase::kIgnore ? SameIgnoringCase(a, b) : a == b;
}

// True when `c` is one of the characters of kAlphabet, compared as `name_case` says.
bool InAlphabet(char c, NameCase name_case) {
  return std::any_of(kAlphabet.begin(), kAlphabet.end(), [&](char letter) {
    return name_case == NameCase::kIgnore ? UpperChar(letter) == UpperChar(c) : letter == c;
  });
}

}  // namespace

std::string TemporaryFileName(std::string_view file_name, std::uint64_t random) {
  std::string name(file_name);
  name += kMarker;
  for (std::size_t i = 0; i < kSuffixLength; ++i) {
    name += kAlphabet[random % kAlphabet.size()];
    random /= kAlphabet.size();
  }
  return name;
}

bool IsTemporaryFileName(std::string_view candidate, std::string_view file_name,
                         NameCase name_case) {
  const std::size_t prefix = file_name.size() + kMarker.size();
  if (file_name.empty() || candidate.size() != prefix + kSuffixLength) return false;
  if (!SameText(candidate.substr(0, file_name.size()), file_name, name_case) ||
      !SameText(candidate.substr(file_name.size(), kMarker.size()), kMarker, name_case)) {
    return false;
  }
  const std::string_view suffix = candidate.substr(prefix);
  return std::all_of(suffix.begin(), suffix.end(),
                     [&](char c) { return InAlphabet(c, name_case); });
}

}  // namespace dirhop::platform
