// Creating a missing directory level by level, from the root down. Pure: nothing is printed and
// the file system is reached only through the function given.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/windows_errors.h"
#include "match/path_syntax.h"

namespace dirhop {

// Creates one directory and returns the system's error code for it in Windows numbering
// (0 success, 183 already exists, 5 access denied, 3 path not found, ...).
using CreateDirectoryFn = std::function<int(const std::string& path)>;

// The level at which a creation stopped, and the low byte of its error code.
struct CreateFailure {
  std::string level;
  int code = 0;
};

// Creates every missing level of the absolute path `full_path`, from the root down. Levels that
// exist, or that deny access (they may exist), are passed over. Returns the first level that
// failed with its code, or nullopt when every level exists now.
std::optional<CreateFailure> CreatePath(const std::string& full_path, PathSyntax syntax,
                                        const CreateDirectoryFn& create);

}  // namespace dirhop
