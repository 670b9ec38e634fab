// What listing one directory gives: the names of its subdirectories and where its links lead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/name_list.h"

namespace dirhop::platform {

// True for the entries "." and "..", by which every directory lists itself and its parent:
// names no listing passes on and no file of ours may have. `name` ends at its first NUL.
constexpr bool IsSelfOrParentEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Which directory a path leads to once links are followed: two paths lead to the same directory
// exactly when their identities are equal (POSIX: device and inode; Windows: volume serial number
// and file id).
struct DirectoryIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file_high = 0;
  std::uint64_t file_low = 0;
  friend bool operator==(const DirectoryIdentity& a, const DirectoryIdentity& b) {
    return a.volume == b.volume && a.file_high == b.file_high && a.file_low == b.file_low;
  }
  friend bool operator!=(const DirectoryIdentity& a, const DirectoryIdentity& b) {
    return !(a == b);
  }
};

// The subdirectories of one directory, in the order the system lists them.
struct DirectoryListing {
  NameList names;  // as on disk
  // Where the links among them lead (POSIX symbolic links, Windows junctions and other reparse
  // points: the only kind of entry that can lead back to a directory above it), by index into
  // `names`, indices rising. A plain subdirectory has none; so may a link that could not be
  // identified.
  std::vector<std::pair<std::size_t, DirectoryIdentity>> links;

  // Appends one subdirectory, with its identity when it is a link.
  void Add(std::string_view name, std::optional<DirectoryIdentity> identity = std::nullopt);

  // The identity of subdirectory `index` when it is an identified link; nullopt otherwise.
  std::optional<DirectoryIdentity> IdentityOf(std::size_t index) const;
};

}  // namespace dirhop::platform
