#include "platform/store_temp_name.h"

namespace dirhop::platform {
namespace {

constexpr std::string_view kMarker = ".~dirhop-";
constexpr std::string_view kAlphabet = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::size_t kSuffixLength = 6;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b, NameCase name_case) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (name_case == NameCase::kIgnore ? Lower(a[i]) != Lower(b[i]) : a[i] != b[i]) return false;
  }
  return true;
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
  for (char c : candidate.substr(prefix)) {
    if (kAlphabet.find(name_case == NameCase::kIgnore ? Lower(c) : c) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

}  // namespace dirhop::platform
