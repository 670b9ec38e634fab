// Creating a missing directory level by level, from the root down. Nothing is printed and the
// file system is reached only through the FileSystem given.
#pragma once

#include <optional>
#include <string>

#include "base/windows_errors.h"
#include "match/path_syntax.h"
#include "platform/file_system.h"

namespace dirhop {

// The level at which a creation stopped, and the low byte of its error code.
struct CreateFailure {
  std::string level;
  int code = 0;
};

// Creates every missing level of the absolute path `full_path`, from the root down. Levels that
// exist, or that deny access (they may exist), are passed over; each level is made with
// fs.CreateOneDirectory. Returns the first level that failed with its code, or nullopt when every
// level exists now.
std::optional<CreateFailure> CreatePath(const std::string& full_path, PathSyntax syntax,
                                        FileSystem& fs);

}  // namespace dirhop
