// Reading hexadecimal digits, shared by every layer that parses numbers from text.
#pragma once

namespace dirhop {

// The value 0-15 of the hexadecimal digit `c` (0-9, a-f, A-F), or -1 for any other byte.
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace dirhop
