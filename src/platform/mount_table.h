// Which file system holds a path, found from the system's table of mounts without touching any of
// them: a file system that can stop answering (a network share, a FUSE daemon, an automounter)
// holds every call that reaches it, so a caller that must not wait asks here first.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dirhop::platform {

// The mount a path lies on.
struct MountPlace {
  // Where that file system is mounted: "/", "/mnt/share"; on Windows the drive or share root
  // ("C:\", "\\server\share\"). Two paths on one mount have the same point.
  std::string point;
  // A network, FUSE or automounted file system: one whose answers can stop coming.
  bool remote = false;
};

// True for the file system types (as /proc/self/mountinfo names them) whose answers can stop
// coming: network file systems (nfs, cifs, ...), every FUSE file system ("fuse", "fuse.sshfs",
// "fuseblk") and autofs.
bool IsRemoteFileSystemType(std::string_view type);

// The mounts of one Linux mount table, in the order they were mounted.
class MountTable {
 public:
  // Parses the text of /proc/<pid>/mountinfo: each line's mount point (with its octal escapes
  // "\040" and the like undone) and file system type. A line that cannot be read is left out.
  static MountTable FromMountInfo(std::string_view text);

  // The mount of the absolute `path`: the one whose point is the longest prefix of it that ends
  // at a component boundary, the last mounted when several share that point (it hides the
  // others). A local "/" when no mount is known.
  MountPlace MountOf(std::string_view path) const;

 private:
  std::vector<MountPlace> mounts_;
};

}  // namespace dirhop::platform
