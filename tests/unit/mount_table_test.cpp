// Which mount a path lies on, read from a Linux mount table: the parsing of its lines and the
// longest-prefix rule.

#include "platform/mount_table.h"

#include <gtest/gtest.h>

#include <string>

namespace dirhop::platform {
namespace {

std::string Where(const MountTable& table, const std::string& path) {
  const MountPlace place = table.MountOf(path);
  return place.point + (place.remote ? " remote" : " local");
}

TEST(MountTableTest, APathLiesOnTheLongestMountAboveItAndRemoteTypesAreKnown) {
  const MountTable table = MountTable::FromMountInfo(
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "30 22 0:40 / /mnt/nas rw,relatime shared:9 - nfs4 nas:/export rw,vers=4.2\n"
      "31 22 0:41 / /home/u/remote rw,nosuid master:3 - fuse.sshfs u@h:/ rw,user_id=1000\n"
      "32 22 0:42 / /home/u/my\\040disk rw - fuseblk /dev/sdb1 rw\n"
      "33 22 0:43 / /auto rw - autofs systemd-1 rw\n"
      "34 30 8:2 / /mnt/nas/local rw - ext4 /dev/sdc1 rw\n"
      "broken line\n"
      "35 22 0:44 / /mnt/stack rw - ext4 /dev/sdd1 rw\n"
      "36 35 0:45 / /mnt/stack rw - cifs //srv/x rw\n");
  EXPECT_EQ(Where(table, "/home/u/projects"), "/ local");
  EXPECT_EQ(Where(table, "/mnt/nas"), "/mnt/nas remote");
  EXPECT_EQ(Where(table, "/mnt/nas/a/b"), "/mnt/nas remote");
  // A mount point is a whole component: /mnt/nasty is not on /mnt/nas.
  EXPECT_EQ(Where(table, "/mnt/nasty"), "/ local");
  // A local mount below a remote one is local.
  EXPECT_EQ(Where(table, "/mnt/nas/local/x"), "/mnt/nas/local local");
  EXPECT_EQ(Where(table, "/home/u/remote/src"), "/home/u/remote remote");
  // The kernel's escapes in a mount point are undone.
  EXPECT_EQ(Where(table, "/home/u/my disk/x"), "/home/u/my disk remote");
  EXPECT_EQ(Where(table, "/auto/x"), "/auto remote");
  // The last mount on a point hides the ones before it.
  EXPECT_EQ(Where(table, "/mnt/stack/x"), "/mnt/stack remote");
  // No table: every path is on a local root.
  EXPECT_EQ(Where(MountTable::FromMountInfo(""), "/mnt/nas"), "/ local");
  EXPECT_FALSE(IsRemoteFileSystemType("tmpfs"));
  EXPECT_FALSE(IsRemoteFileSystemType("nfsd"));
  EXPECT_TRUE(IsRemoteFileSystemType("cifs"));
  EXPECT_TRUE(IsRemoteFileSystemType("fuse"));
}

}  // namespace
}  // namespace dirhop::platform
