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

// The level of the absolute `full_path` that is a file (FileSystem::IsRegularFile) where a
// directory would have to be made, or nullopt when none is: the levels are asked from the deepest
// up, and a level that is a directory (FileSystem::DirectoryItselfName) ends the walk, since the
// levels above it are directories too. Costs two calls a missing level.
std::optional<std::string> FileInTheWay(const std::string& full_path, PathSyntax syntax,
                                        FileSystem& fs);

}  // namespace dirhop
