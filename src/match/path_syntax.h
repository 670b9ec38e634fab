// The two path flavours Dirhop understands. Pure path code takes one of these, so the Windows and
// the POSIX rules are both tested on every host.
#pragma once

namespace dirhop {

struct PathSyntax {
  char separator;  // '\\' on Windows, '/' on POSIX
  bool drives;     // "C:" prefixes and one current directory per drive
};

inline constexpr PathSyntax kWindowsPaths{'\\', true};
inline constexpr PathSyntax kPosixPaths{'/', false};

}  // namespace dirhop
