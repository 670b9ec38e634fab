#include "platform/registry_file.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "base/hex_digit.h"

namespace dirhop::platform {

namespace {

// The most values ParseRegistryFile makes room for before it reads them.
constexpr std::size_t kReservedValues = std::size_t{1} << 18;

constexpr char kHeader[] =
    "# Dirhop settings: the history (history_0 newest to history_20), the aliases (aliasname_N\n"
    "# and aliasdir_N) and whether missing directories may be created (canCreatePath).\n"
    "# One value a line: <name> TAB <type> TAB <data>; type sz, expand_sz or dword.\n"
    "# Escapes in names and data: \\\\ backslash, \\t tab, \\n line feed, \\r carriage return,\n"
    "# \\xHH any byte. Set \"canCreatePath\tdword\t0\" to stop offers to create directories.\n"
    "# Lines that do not read as a value are ignored.\n";

std::optional<std::uint32_t> ParseDword(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * base + static_cast<std::uint64_t>(digit);
  }
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<RegistryFileValue> ParseLine(std::string_view line) {
  const std::size_t first_tab = line.find('\t');
  if (first_tab == std::string_view::npos) return std::nullopt;
  const std::size_t second_tab = line.find('\t', first_tab + 1);
  if (second_tab == std::string_view::npos) return std::nullopt;
  const std::string_view type = line.substr(first_tab + 1, second_tab - first_tab - 1);
  const std::string_view data = line.substr(second_tab + 1);
  std::optional<std::string> name = UnescapeRegistryText(line.substr(0, first_tab));
  if (!name || name->empty()) return std::nullopt;
  RegistryFileValue value{*name, {}};
  if (type == "dword") {
    std::optional<std::uint32_t> number = ParseDword(data);
    if (!number) return std::nullopt;
    value.value.type = StoreValueType::kDword;
    value.value.number = *number;
    return value;
  }
  if (type != "sz" && type != "expand_sz") return std::nullopt;
  std::optional<std::string> text = UnescapeRegistryText(data);
  if (!text) return std::nullopt;
  value.value.type = type == "sz" ? StoreValueType::kString : StoreValueType::kExpandString;
  value.value.text = std::move(*text);
  return value;
}

}  // namespace

std::string EscapeRegistryText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          escaped += "\\x";
          escaped += kHex[byte >> 4];
          escaped += kHex[byte & 0xF];
        } else {
          escaped += c;
        }
    }
  }
  return escaped;
}

std::optional<std::string> UnescapeRegistryText(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // A raw control byte means the line was not written by Dirhop, or was damaged since.
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
    if (text[i] != '\\') {
      plain += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        plain += '\\';
        break;
      case 't':
        plain += '\t';
        break;
      case 'n':
        plain += '\n';
        break;
      case 'r':
        plain += '\r';
        break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        plain += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return plain;
}

std::vector<RegistryFileValue> ParseRegistryFile(std::string_view text) {
  std::vector<RegistryFileValue> values;
  // Where each name sits in `values`: a file of many lines is read in linear time.
  std::unordered_map<std::string, std::size_t> places;
  // Room for one value a line saves growing step by step; capped, since a file of empty or
  // damaged lines holds few values.
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  values.reserve(std::min<std::size_t>(lines, kReservedValues));
  places.reserve(std::min<std::size_t>(lines, kReservedValues));
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    // A file edited on Windows may end its lines with CR LF; a CR that belongs to a value is
    // always written escaped, so a raw one at the end is only a line end.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    std::optional<RegistryFileValue> value = ParseLine(line);
    if (!value) continue;
    const auto [place, added] = places.try_emplace(value->name, values.size());
    if (added) {
      values.push_back(std::move(*value));
    } else {
      values[place->second].value = std::move(value->value);
    }
  }
  return values;
}

std::string FormatRegistryFile(const std::vector<RegistryFileValue>& values) {
  std::string text = kHeader;
  for (const RegistryFileValue& value : values) {
    if (value.value.type == StoreValueType::kOther) continue;
    std::string name = EscapeRegistryText(value.name);
    // A line that began with '#' would read as a comment.
    if (!name.empty() && name[0] == '#') name.replace(0, 1, "\\x23");
    text += name;
    if (value.value.type == StoreValueType::kDword) {
      text += "\tdword\t" + std::to_string(value.value.number);
    } else {
      text += value.value.type == StoreValueType::kString ? "\tsz\t" : "\texpand_sz\t";
      text += EscapeRegistryText(value.value.text);
    }
    text += '\n';
  }
  return text;
}

}  // namespace dirhop::platform
