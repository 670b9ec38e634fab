"""A FUSE file system of directories that stops answering on request, as a dead network share
does: every request made once the file `hold` exists waits until the daemon is killed.

    held_fuse.py [--one-thread] [--slow SECONDS] MOUNT_POINT HOLD_FILE DIR...

Mounts a tree of the directories named (relative paths) at MOUNT_POINT and serves it in the
foreground; each request it holds first creates HOLD_FILE.held. With --one-thread it serves one
request at a time: while it holds one, the kernel keeps the requests after it queued, where a
fatal signal still ends the process that made them (a request the daemon has taken can only be
answered). With --slow every listing takes SECONDS, as on a share far away. Needs Debian's python3-fusepy (the module `fusepy`, or `fuse` elsewhere)."""

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
    def __init__(self, hold, dirs, slow=0.0):
        self.hold = hold
        self.slow = slow
        self.dirs = {"/"}
        for d in dirs:
            parts = d.strip("/").split("/")
            for n in range(1, len(parts) + 1):
                self.dirs.add("/" + "/".join(parts[:n]))

    def _wait_while_held(self):
        if os.path.exists(self.hold):
            open(self.hold + ".held", "w").close()
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
        time.sleep(self.slow)
        prefix = path.rstrip("/") + "/"
        names = [d[len(prefix):] for d in self.dirs
                 if d.startswith(prefix) and d != path and "/" not in d[len(prefix):]]
        return [".", ".."] + sorted(names)


def main():
    args = sys.argv[1:]
    one_thread = args[0] == "--one-thread"
    if one_thread:
        args = args[1:]
    slow = 0.0
    if args[0] == "--slow":
        slow = float(args[1])
        args = args[2:]
    mount_point, hold = args[0], args[1]
    # No kernel caching: every look at the tree is a request the daemon sees.
    fuse.FUSE(HeldTree(hold, args[2:], slow), mount_point, foreground=True, nothreads=one_thread,
              entry_timeout=0, attr_timeout=0, negative_timeout=0)


if __name__ == "__main__":
    main()
