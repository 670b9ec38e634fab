#include "platform/passwd_entry.h"

#include <vector>

namespace dirhop::platform {

namespace {

// `line` cut at every ':'.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t colon = line.find(':');
    fields.push_back(line.substr(0, colon));
    if (colon == std::string_view::npos) return fields;
    line.remove_prefix(colon + 1);
  }
}

// `text` read as a decimal user id; nullopt unless it is digits only and fits.
std::optional<unsigned long> UserId(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  unsigned long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  return value;
}

}  // namespace

std::optional<std::string> HomeInPasswdText(std::string_view passwd_text, unsigned long uid) {
  while (!passwd_text.empty()) {
    const std::size_t end = passwd_text.find('\n');
    const std::string_view line = passwd_text.substr(0, end);
    passwd_text.remove_prefix(end == std::string_view::npos ? passwd_text.size() : end + 1);
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() != 7 || UserId(fields[2]) != uid) continue;
    if (fields[5].empty() || fields[5][0] != '/') return std::nullopt;
    return std::string(fields[5]);
  }
  return std::nullopt;
}

}  // namespace dirhop::platform
