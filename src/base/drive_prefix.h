// Windows drive prefixes: "X:" at the start of a path names drive X, and "X:\" begins an
// absolute path on it. Pure text tests, the one place every layer takes them from; whether a
// path syntax has drives at all is the caller's to ask (PathSyntax::drives).
#pragma once

#include <string_view>

namespace dirhop {

// True when `path` begins with a drive prefix: any byte, then ':' (the byte is the drive letter
// as typed; IsDriveLetter says whether it names a drive).
constexpr bool HasDrivePrefix(std::string_view path) { return path.size() >= 2 && path[1] == ':'; }

// True when `path` begins with a drive prefix and `separator` ("C:\..."): absolute on a drive.
constexpr bool IsDriveAbsolute(std::string_view path, char separator) {
  return HasDrivePrefix(path) && path.size() >= 3 && path[2] == separator;
}

// True when the upper-cased letter `drive` names a drive, A to Z.
constexpr bool IsDriveLetter(char drive) { return drive >= 'A' && drive <= 'Z'; }

}  // namespace dirhop
