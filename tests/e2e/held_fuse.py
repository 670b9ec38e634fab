"""A FUSE file system of directories that stops answering on request, as a dead network share
does: every request made once the file `hold` exists waits until the daemon is killed.

    held_fuse.py MOUNT_POINT HOLD_FILE DIR...

Mounts a tree of the directories named (relative paths) at MOUNT_POINT and serves it in the
foreground. Needs Debian's python3-fusepy (the module `fusepy`, or `fuse` elsewhere)."""

import errno
import os
import stat
import sys
import time

try:
    import fusepy as fuse
except ImportError:
    import fuse


class HeldTree(fuse.Operations):
    def __init__(self, hold, dirs):
        self.hold = hold
        self.dirs = {"/"}
        for d in dirs:
            parts = d.strip("/").split("/")
            for n in range(1, len(parts) + 1):
                self.dirs.add("/" + "/".join(parts[:n]))

    def _wait_while_held(self):
        while os.path.exists(self.hold):
            time.sleep(0.05)

    def getattr(self, path, fh=None):
        self._wait_while_held()
        if path not in self.dirs:
            raise fuse.FuseOSError(errno.ENOENT)
        now = time.time()
        return {"st_mode": stat.S_IFDIR | 0o755, "st_nlink": 2, "st_uid": os.getuid(),
                "st_gid": os.getgid(), "st_atime": now, "st_mtime": now, "st_ctime": now}

    def access(self, path, amode):
        self._wait_while_held()
        if path not in self.dirs:
            raise fuse.FuseOSError(errno.ENOENT)
        return 0

    def opendir(self, path):
        self._wait_while_held()
        return 0

    def readdir(self, path, fh):
        self._wait_while_held()
        prefix = path.rstrip("/") + "/"
        names = [d[len(prefix):] for d in self.dirs
                 if d.startswith(prefix) and d != path and "/" not in d[len(prefix):]]
        return [".", ".."] + sorted(names)


def main():
    mount_point, hold = sys.argv[1], sys.argv[2]
    # No kernel caching: every look at the tree is a request the daemon sees.
    fuse.FUSE(HeldTree(hold, sys.argv[3:]), mount_point, foreground=True, nothreads=False,
              entry_timeout=0, attr_timeout=0, negative_timeout=0)


if __name__ == "__main__":
    main()
