#include "platform/mount_table.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace dirhop::platform {

namespace {

// `field` with each "\ooo" octal escape (how the kernel writes a space, tab, newline or backslash
// in a mount point) turned back into its byte.
std::string Unescape(std::string_view field) {
  std::string text;
  text.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && field.size() - i >= 4) {
      const std::string_view digits = field.substr(i + 1, 3);
      bool octal = true;
      int value = 0;
      for (const char d : digits) {
        octal = octal && d >= '0' && d <= '7';
        value = value * 8 + (d - '0');
      }
      if (octal && value < 256) {
        text.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    text.push_back(field[i]);
  }
  return text;
}

// The space-separated fields of one line.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t end = std::min(line.find(' ', at), line.size());
    if (end > at) fields.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return fields;
}

// True when `point` is `path` itself or a directory above it.
bool Contains(std::string_view point, std::string_view path) {
  if (path.compare(0, point.size(), point) != 0) return false;
  return path.size() == point.size() || point.back() == '/' || path[point.size()] == '/';
}

}  // namespace

bool IsRemoteFileSystemType(std::string_view type) {
  static constexpr std::array<std::string_view, 16> kRemote = {
      "nfs",  "nfs4", "cifs",      "smb3",   "smbfs", "ncpfs", "ncp",    "afs",
      "coda", "ceph", "glusterfs", "lustre", "gpfs",  "davfs", "autofs", "9p"};
  if (type.compare(0, 4, "fuse") == 0) return true;  // fuse, fuseblk, fuse.sshfs, ...
  for (const std::string_view remote : kRemote) {
    if (type == remote) return true;
  }
  return false;
}

MountTable MountTable::FromMountInfo(std::string_view text) {
  MountTable table;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::vector<std::string_view> fields = Fields(text.substr(at, end - at));
    at = end + 1;
    // id parent major:minor root point options [optional fields...] - type source super-options
    std::size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (fields.size() < 5 || dash + 1 >= fields.size()) continue;
    MountPlace mount{Unescape(fields[4]), IsRemoteFileSystemType(fields[dash + 1])};
    if (mount.point.empty() || mount.point[0] != '/') continue;
    table.mounts_.push_back(std::move(mount));
  }
  return table;
}

MountPlace MountTable::MountOf(std::string_view path) const {
  const MountPlace* best = nullptr;
  for (const MountPlace& mount : mounts_) {
    if (Contains(mount.point, path) &&
        (best == nullptr || mount.point.size() >= best->point.size())) {
      best = &mount;
    }
  }
  return best != nullptr ? *best : MountPlace{"/", false};
}

}  // namespace dirhop::platform
