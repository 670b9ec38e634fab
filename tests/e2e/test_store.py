"""End to end: what Dirhop remembers between runs. The history and the alias table in the
settings key (the registry under Wine, the emulating text file natively) and in the data file
named by DIRHOP; bad data files, concurrent runs and runs killed while saving.

Every test has a store of its own: natively XDG_CONFIG_HOME points into the test's folder, under
Wine the key is removed before each test. DIRHOP_OTHER_PROGRAM, when set, names the other build's
program (dirhop.exe for the native run, dirhop for the Wine run) for the cross-build test."""

import os
import random
import shutil
import signal
import stat
import subprocess
import time

import harness
from store_case import StoreTestCase

RECORD_SIZE = 10736


def default_record():
    image = bytearray(RECORD_SIZE)
    image[5376:5380] = b"\x03dos"
    image[5387:5394] = b"\x06c:\\dos"
    image[5643:5647] = b"\x03win"
    image[5654:5665] = b"\x0ac:\\windows"
    image[10720] = 1
    image[10732] = 1  # the texts are UTF-8
    return bytes(image)


def history_slot(image, slot):
    offset = slot * 256
    return image[offset + 1:offset + 1 + image[offset]].decode("latin-1")


def alias_slot(image, slot):
    offset = 5376 + (slot - 1) * 267
    name = image[offset + 1:offset + 1 + min(image[offset], 10)].decode("latin-1")
    target = image[offset + 12:offset + 12 + image[offset + 11]].decode("latin-1")
    return name, target


class History(StoreTestCase):
    def test_history_built_by_several_runs_is_listed_and_revisited(self):
        self.mkdirs("one", "two/deep", "three")
        self.assertWentTo(self.c("one"), self.path("one"))
        self.assertWentTo(self.c("deep", cwd=self.path("two")), self.path("two", "deep"))
        self.assertWentTo(self.c("three"), self.path("three"))
        # Slot 0 is where this run started: the tree, recorded because it differs from slot 0.
        r = self.c("-h")
        self.assertStayed(r, 0)
        self.assertEqual(r.text,
                         "  Dirhop  Directory History  \n"
                         "   4  %s\n   3  %s\n   2  %s\n   1  %s\n   0  %s\n"
                         % (self.host("one"), self.host("two"), self.host("two", "deep"),
                            self.host("three"), self.host()))
        self.assertEqual(self.c("-L").text, r.text)
        self.assertEqual(self.key_value("history_1"), ("REG_SZ", self.host("three")))
        # "-" and "-1" go to slot 1; a slot beyond the history is reported.
        self.assertWentTo(self.c("-"), self.path("three"))
        self.assertWentTo(self.c("-3", cwd=self.path("three")), self.path("two"))
        r = self.c("-20")
        self.assertStayed(r, 243)
        self.assertEqual(r.text, "Dirhop: History does not yet extend back 20 entries.\n")

    def test_start_directory_is_recorded_with_its_case_once(self):
        self.mkdirs("Mixed")
        self.assertStayed(self.c("-h", cwd=self.path("Mixed")), 0)
        r = self.c("-h", cwd=self.path("Mixed"))
        self.assertEqual(r.text.count(self.host("Mixed")), 1, r.text)

    def test_empty_history_listing(self):
        # A store without history: listing from a data file whose slot 0 is empty still adds
        # the start directory first, so use a directory that is too long to be recorded.
        if self.target.windows:
            self.skipTest("paths over 255 characters are not entered under Wine here")
        deep = os.path.join(self.tree, *(["d" * 60] * 5))
        os.makedirs(deep)
        r = self.c("-h", cwd=deep)
        self.assertStayed(r, 0)
        self.assertEqual(r.text, "No directories in history.\n")


class Aliases(StoreTestCase):
    def test_define_use_list_and_remove_twice(self):
        self.mkdirs("projects/src")
        target = self.host("projects", "src")
        r = self.c("-a", "proj", target)
        self.assertStayed(r, 0)
        self.assertEqual(r.text, "Dirhop: Adding alias proj=%s\n" % target)
        self.assertWentTo(self.c("PROJ", cwd=self.root), self.path("projects", "src"))
        r = self.c("-a")
        self.assertEqual(r.text,
                         "  Dirhop  Directory Aliases (19 entries remaining)  \n"
                         "        PROJ = %s\n" % target)
        self.assertEqual(self.key_value("aliasname_1"), ("REG_SZ", "PROJ"))
        r = self.c("-a", "proj")
        self.assertStayed(r, 0)
        self.assertEqual(r.text, "Dirhop: Removing alias 'proj'\n")
        r = self.c("-a", "proj")
        self.assertStayed(r, 0)
        self.assertEqual(r.text, "Dirhop: No alias to delete called 'proj'\n")
        self.assertIn("(20 entries remaining)", self.c("-a").text)

    def test_dot_is_the_start_directory_and_a_directory_beats_an_alias(self):
        self.mkdirs("here", "elsewhere/here")
        self.assertStayed(self.c("-a", "here", ".", cwd=self.path("here")), 0)
        self.assertEqual(self.key_value("aliasdir_1"), ("REG_SZ", self.host("here")))
        self.assertWentTo(self.c("here", cwd=self.root), self.path("here"))
        # A subdirectory with the alias's name is entered directly.
        self.assertWentTo(self.c("here", cwd=self.path("elsewhere")),
                          self.path("elsewhere", "here"))

    def test_full_table_drops_the_oldest(self):
        for n in range(1, 21):
            self.assertStayed(self.c("-a", "a%d" % n, "C:\\d%d" % n), 0)
        r = self.c("-a", "new", "C:\\new")
        self.assertEqual(r.text, "Dirhop: Alias list is full. Removing alias a1 = C:\\d1\n"
                                 "Dirhop: Adding alias new=C:\\new\n")
        listing = self.c("-a").text.splitlines()
        self.assertEqual(listing[0], "  Dirhop  Directory Aliases (No entries remaining)  ")
        self.assertEqual(listing[1], "          a2 = C:\\d2")
        self.assertEqual(listing[-1], "         new = C:\\new")

    def test_long_names_and_targets(self):
        r = self.c("-a", "abcdefghijklm", "C:\\x")
        self.assertEqual(r.text, "Dirhop: Adding alias abcdefghij=C:\\x\n")
        r = self.c("-a", "far", "C:\\" + "x" * 253)
        self.assertStayed(r, 243)
        self.assertEqual(r.text, "Dirhop: Alias target is longer than 255 characters; "
                                 "alias 'far' not defined\n")
        self.assertNotIn("far", self.c("-a").text)

    def test_alias_to_a_missing_directory_is_promoted_then_reported(self):
        self.assertStayed(self.c("-a", "gone", self.host("gone")), 0)
        self.assertStayed(self.c("-a", "other", "C:\\x"), 0)
        r = self.c("gone")
        self.assertStayed(r, 243)
        self.assertEqual(r.text, "Dirhop: Could not change directory to '%s' (it no longer exists)\n"
                         % self.host("gone"))
        self.assertEqual(self.key_value("aliasname_1"), ("REG_SZ", "gone"))


class SettingsKeyValues(StoreTestCase):
    def test_first_run_creates_an_empty_key_without_default_aliases(self):
        self.remove_store()
        r = self.c("-a")
        # The run that creates the store shows the welcome and usage screens first.
        self.assertTrue(r.text.startswith("Dirhop 3.1"), r.text)
        self.assertIn("\nUsage:\n", r.text)
        self.assertTrue(r.text.endswith(
            "\n  Dirhop  Directory Aliases (20 entries remaining)  \n"), r.text)
        r = self.c("-a")
        self.assertEqual(r.text, "  Dirhop  Directory Aliases (20 entries remaining)  \n")
        self.assertEqual(self.key_value("aliasname_1"), ("REG_SZ", ""))
        self.assertIsNone(self.key_value("canCreatePath"))  # only ever read

    def test_wrong_types_read_as_defaults(self):
        self.put_value("canCreatePath", "REG_SZ", "0")       # a string: still true
        self.put_value("history_1", "REG_DWORD", "5")        # a number: empty
        self.put_value("history_0", "REG_SZ", self.host())
        self.put_value("aliasname_1", "REG_SZ", "abcdefghijklmno")
        self.put_value("aliasdir_1", "REG_SZ", "C:\\x")
        r = self.c("-h")
        self.assertEqual(r.text, "  Dirhop  Directory History  \n   0  %s\n" % self.host())
        self.assertEqual(self.c("-a").text.splitlines()[1], "  abcdefghij = C:\\x")
        r = self.c("nothing-here")
        self.assertIn("' [y/N] ? No", r.text)

    def test_can_create_path_off_stops_the_offer(self):
        self.put_value("canCreatePath", "REG_DWORD", "0")
        r = self.c("nothing-here")
        self.assertStayed(r, 0)
        self.assertIn("No directories found matching 'nothing-here'", r.text)
        self.assertNotIn("Create", r.text)

    def test_damaged_key_file_lines_are_ignored(self):
        if self.target.windows:
            self.skipTest("the key file exists only on POSIX")
        path = os.path.join(self.config, "dirhop", "registry")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(b"history_0\tsz\t" + self.tree.encode() + b"\n\xff\xfe garbage\x01\n"
                    b"history_1\tsz\t/with\\nnewline\\\\and\\tmore\n")
        r = self.c("-h")
        self.assertStayed(r, 0)
        # The line feed and the tab of the name are shown as escapes; its backslash as it is.
        self.assertEqual(r.text, "  Dirhop  Directory History  \n"
                                 "   1  /with\\nnewline\\and\\tmore\n   0  %s\n" % self.tree)


class DataFile(StoreTestCase):
    def test_missing_file_is_created_with_the_defaults(self):
        self.mkdirs("sub")
        r = self.c("-a", data_file=self.data)
        self.assertStayed(r, 0)
        name = self.target.host_path(self.data)
        # Creating the store makes this the first run: the welcome and usage screens come
        # between the notice and the listing the command asked for.
        self.assertTrue(r.text.startswith(
            "Dirhop: Error - can't read settings from '%s'\n"
            "        Creating new file\n\nDirhop 3.1" % name), r.text)
        self.assertIn("\nUsage:\n", r.text)
        # Windows makes the two aliases of its own directories; POSIX has no such directories.
        aliases = ("  Dirhop  Directory Aliases (18 entries remaining)  \n"
                   "         win = c:\\windows\n"
                   "         dos = c:\\dos\n" if self.target.windows else
                   "  Dirhop  Directory Aliases (20 entries remaining)  \n")
        self.assertTrue(r.text.endswith(aliases), r.text)
        self.assertEqual(self.c("-a", data_file=self.data).text, aliases)
        image = self.read_data()
        self.assertEqual(len(image), RECORD_SIZE)
        self.assertEqual(history_slot(image, 0), self.host())
        self.assertEqual(image[256:5376], bytes(5376 - 256))
        if self.target.windows:
            self.assertEqual(image[5376:], default_record()[5376:])
        else:
            self.assertEqual(image[5376:10720], bytes(10720 - 5376))
            self.assertEqual(image[10720:], default_record()[10720:])
        self.assertWentTo(self.c("sub", data_file=self.data), self.path("sub"))
        self.assertEqual(history_slot(self.read_data(), 0), self.host("sub"))
        self.assertEqual([n for n in os.listdir(self.root)
                          if n.startswith("dirhop.dat") and ".places" not in n],
                         ["dirhop.dat", "dirhop.dat.lock"])

    def test_bad_files_are_read_as_far_as_they_go(self):
        self.mkdirs("sub")
        rng = random.Random(4)
        cases = {
            "empty": b"",
            "one byte": b"\x05",
            "history only": b"\x00" * 5376,
            "one short": default_record()[:-1],
            "random": rng.randbytes(RECORD_SIZE),
            "lengths over their fields": b"\xff" * RECORD_SIZE,
        }
        for label, content in cases.items():
            with self.subTest(label):
                with open(self.data, "wb") as f:
                    f.write(content)
                for args in (["-h"], ["-a"]):
                    r = self.c(*args, data_file=self.data)
                    self.assertEqual(r.code, 0, r)
                    self.assertNotIn("Error", r.text)
                self.assertWentTo(self.c("sub", data_file=self.data), self.path("sub"))
                image = self.read_data()
                self.assertEqual(len(image), RECORD_SIZE)
                self.assertEqual(history_slot(image, 0), self.host("sub"))
                self.assertEqual(image[10716:10720], b"\0\0\0\0")

    def test_history_only_file_keeps_default_aliases(self):
        with open(self.data, "wb") as f:
            f.write(b"\x00" * 5376)
        self.assertIn("         dos = c:\\dos", self.c("-a", data_file=self.data).text)

    def test_file_in_a_missing_folder(self):
        self.mkdirs("sub")
        missing = os.path.join(self.root, "nowhere", "dirhop.dat")
        name = self.target.host_path(missing)
        r = self.c("sub", data_file=missing)
        self.assertWentTo(r, self.path("sub"))
        write_error = "Dirhop: Error - can't write to '%s'\n" % name
        self.assertEqual(r.text,
                         "Dirhop: Error - can't read settings from '%s'\n"
                         "        Creating new file\n" % name + write_error + "\n"
                         + write_error)  # the start directory and the new one, saved together
        self.assertFalse(os.path.exists(os.path.dirname(missing)))

    def test_read_only_file_is_never_replaced(self):
        self.mkdirs("sub")
        original = default_record()[:-1] + b"\x07"
        with open(self.data, "wb") as f:
            f.write(original)
        os.chmod(self.data, 0o444)
        try:
            with open(self.data, "ab"):
                self.skipTest("this user may write read-only files")
        except PermissionError:
            pass
        name = self.target.host_path(self.data)
        r = self.c("sub", data_file=self.data)
        self.assertWentTo(r, self.path("sub"))
        self.assertTrue(r.text.startswith(
            "Dirhop: Error - can't read settings from '%s'\n        Creating new file\n"
            "Dirhop: Error - can't write to '%s'\n\n" % (name, name)), r.text)
        # Creating the file, then one save for the start directory and the one entered.
        self.assertEqual(r.text.count("Dirhop: Error - can't write to"), 2, r.text)
        self.assertEqual(self.read_data(), original)
        self.assertEqual(os.listdir(self.root).count("dirhop.dat"), 1)
        self.assertEqual([n for n in os.listdir(self.root)
                          if n.startswith("dirhop.dat") and ".places" not in n],
                         ["dirhop.dat", "dirhop.dat.lock"])

    def test_eight_runs_at_once_leave_a_whole_record(self):
        self.mkdirs(*("d%d" % n for n in range(8)))
        self.assertStayed(self.c("-a", "x", "C:\\x", data_file=self.data), 0)
        env = self.target.base_env()
        env.update(self.env(self.data))
        procs = []
        for n in range(8):
            env_n = dict(env, DIRHOP_HANDOFF=os.path.join(self.root, "h%d" % n))
            procs.append(subprocess.Popen(self.target.command(["d%d" % n]), cwd=self.tree,
                                          env=env_n, stdin=subprocess.DEVNULL,
                                          stdout=subprocess.PIPE, stderr=subprocess.PIPE))
        for proc in procs:
            out, _ = proc.communicate(timeout=120)
            self.assertEqual(proc.returncode, 0, out)
            self.assertNotIn(b"Error", out)
        image = self.read_data()
        self.assertEqual(len(image), RECORD_SIZE)
        self.assertEqual(alias_slot(image, 1), ("x", "C:\\x"))
        self.assertIn(history_slot(image, 0), [self.host("d%d" % n) for n in range(8)])
        self.assertEqual([n for n in os.listdir(self.root)
                          if n.startswith("dirhop.dat") and ".places" not in n],
                         ["dirhop.dat", "dirhop.dat.lock"])

    def test_run_killed_while_saving_leaves_old_or_new_record(self):
        self.mkdirs("a", "b")
        self.assertStayed(self.c("-h", data_file=self.data), 0)
        env = self.target.base_env()
        env.update(self.env(self.data))
        env["DIRHOP_HANDOFF"] = self.handoff
        rng = random.Random(7)
        for attempt in range(40 if not self.target.windows else 15):
            proc = subprocess.Popen(self.target.command(["-a", "k%d" % attempt, "C:\\k"]),
                                    cwd=self.path("ab"[attempt % 2]), env=env,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, start_new_session=True)
            time.sleep(rng.uniform(0, 0.004 if not self.target.windows else 0.3))
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()
            image = self.read_data()
            self.assertEqual(len(image), RECORD_SIZE, "attempt %d" % attempt)
            self.assertEqual(image[10720], 1)
        # The next run reads a whole record, and its save removes whatever a killed save left.
        self.assertStayed(self.c("-a", "last", "C:\\last", data_file=self.data), 0)
        self.assertEqual([n for n in os.listdir(self.root)
                          if n.startswith("dirhop.dat") and ".places" not in n],
                         ["dirhop.dat", "dirhop.dat.lock"])


def refusal(name, reason):
    """The line a run writes, once, about a store it does not use."""
    return "Dirhop: Error - can't use '%s' for settings: %s\n" % (name, reason)


def is_root():
    return hasattr(os, "geteuid") and os.geteuid() == 0


class StoreNodes(StoreTestCase):
    """The store only ever replaces a regular file, or creates a missing one; anything else at
    its path is reported once and the run goes on without saving."""

    def nodes(self):
        """(label, path, check that it is still what it was) for the nodes this user can make."""
        made = []
        place = os.path.join(self.root, "nodes")
        os.mkdir(place)
        folder = os.path.join(place, "folder")
        os.mkdir(folder)
        made.append(("folder", folder, lambda: stat.S_ISDIR(os.lstat(folder).st_mode)))
        fifo = os.path.join(place, "fifo")
        os.mkfifo(fifo)
        # Held open by another process, as a reader or writer of the FIFO would.
        held = os.open(fifo, os.O_RDWR | os.O_NONBLOCK)
        self.addCleanup(os.close, held)
        made.append(("FIFO", fifo, lambda: stat.S_ISFIFO(os.lstat(fifo).st_mode)))
        if is_root():
            # A null device of the test's own: a failure replaces it, never the system's.
            null = os.path.join(place, "null")
            os.mknod(null, 0o666 | stat.S_IFCHR, os.stat("/dev/null").st_rdev)
            made.append(("null device", null, lambda: stat.S_ISCHR(os.lstat(null).st_mode)))
        return made

    def test_the_null_device_keeps_nothing_and_says_nothing(self):
        # DIRHOP=/dev/null (Windows: NUL): the defaults are read, nothing is saved, no message.
        self.mkdirs("sub")
        null = "NUL" if self.target.windows else "/dev/null"
        env = dict(self.env(), DIRHOP=null)
        for _ in range(2):
            r = self.c("sub", env=env)
            self.assertWentTo(r, self.path("sub"))
            self.assertEqual(r.text, "")
        r = self.c("-h", env=env)
        self.assertEqual((r.code, r.text),
                         (0, "  Dirhop  Directory History  \n   0  %s\n" % self.host()), r)
        self.assertFalse(os.path.exists(self.path("NUL")))
        if not self.target.windows:
            self.assertEqual(os.path.getsize(os.path.join(self.config, "dirhop", "registry")), 0)

    def test_a_node_that_is_not_a_regular_file_is_never_replaced(self):
        self.mkdirs("sub")
        for label, node, unchanged in self.nodes():
            with self.subTest(label):
                before = sorted(os.listdir(os.path.dirname(node)))
                name = self.target.host_path(node)
                r = self.c("sub", data_file=node, timeout=30)
                self.assertWentTo(r, self.path("sub"))
                self.assertEqual(r.text, refusal(name, "not a regular file"))
                # The history lives for the run alone.
                r = self.c("-h", data_file=node, timeout=30)
                self.assertEqual(r.code, 0, r)
                self.assertEqual(r.text, refusal(name, "not a regular file") +
                                 "  Dirhop  Directory History  \n   0  %s\n" % self.host())
                self.assertTrue(unchanged(), label)
                self.assertEqual(sorted(os.listdir(os.path.dirname(node))), before)

    def test_a_key_file_that_is_not_a_regular_file_is_never_replaced(self):
        if self.target.windows:
            self.skipTest("the key file exists only on POSIX")
        self.mkdirs("sub")
        registry = os.path.join(self.config, "dirhop", "registry")
        os.remove(registry)
        os.mkfifo(registry)
        held = os.open(registry, os.O_RDWR | os.O_NONBLOCK)
        self.addCleanup(os.close, held)
        r = self.c("sub", timeout=30)
        self.assertWentTo(r, self.path("sub"))
        self.assertEqual(r.text, refusal(registry, "not a regular file"))
        self.assertTrue(stat.S_ISFIFO(os.lstat(registry).st_mode))
        self.assertEqual(os.listdir(os.path.dirname(registry)), ["registry"])


class StoreLinks(StoreTestCase):
    def test_a_link_planted_by_another_user_is_not_followed(self):
        if self.target.windows:
            self.skipTest("link owners are a POSIX matter")
        if not is_root():
            self.skipTest("only root can make a link of another user")
        self.mkdirs("sub")
        notes = os.path.join(self.root, "notes.txt")
        with open(notes, "w") as f:
            f.write("my notes\n")
        shared = os.path.join(self.root, "shared")
        os.mkdir(shared)
        os.chmod(shared, 0o1777)
        planted = os.path.join(shared, "dirhop.dat")
        os.symlink(notes, planted)
        os.lchown(planted, 12345, 12345)
        r = self.c("sub", data_file=planted)
        self.assertWentTo(r, self.path("sub"))
        self.assertEqual(r.text, refusal(planted, "a link owned by another user"))
        with open(notes) as f:
            self.assertEqual(f.read(), "my notes\n")
        self.assertTrue(os.path.islink(planted))
        self.assertEqual(os.listdir(shared), ["dirhop.dat"])

        # The user's own link that leads to someone else's file is not followed either.
        theirs = os.path.join(self.root, "theirs.dat")
        with open(theirs, "wb") as f:
            f.write(default_record())
        os.chown(theirs, 12345, 12345)
        mine = os.path.join(self.root, "mine.dat")
        os.symlink(theirs, mine)
        r = self.c("sub", data_file=mine)
        self.assertWentTo(r, self.path("sub"))
        self.assertEqual(r.text, refusal(mine, "a link to a file owned by another user"))
        with open(theirs, "rb") as f:
            self.assertEqual(f.read(), default_record())

    def test_the_users_own_link_is_followed_and_kept(self):
        self.mkdirs("sub")
        dotfiles = os.path.join(self.root, "dotfiles")
        os.mkdir(dotfiles)
        real = os.path.join(dotfiles, "dirhop.dat")
        with open(real, "wb") as f:
            f.write(default_record())
        os.symlink("dotfiles/dirhop.dat", self.data)
        self.assertWentTo(self.c("sub", data_file=self.data), self.path("sub"))
        self.assertTrue(os.path.islink(self.data))
        with open(real, "rb") as f:
            self.assertEqual(history_slot(f.read(), 0), self.host("sub"))
        self.assertEqual(sorted(os.listdir(dotfiles)), ["dirhop.dat", "dirhop.dat.lock"])

    def test_a_dangling_link_of_the_users_gets_its_file(self):
        if self.target.windows:
            self.skipTest("Wine shows a dangling link as no file at all")
        self.mkdirs("sub")
        kept = os.path.join(self.root, "kept")
        os.mkdir(kept)
        os.symlink(os.path.join(kept, "dirhop.dat"), self.data)
        r = self.c("sub", data_file=self.data)
        self.assertWentTo(r, self.path("sub"))
        self.assertTrue(r.text.startswith("Dirhop: Error - can't read settings from '%s'\n"
                                          "        Creating new file\n\n" % self.data), r.text)
        self.assertTrue(os.path.islink(self.data))
        with open(os.path.join(kept, "dirhop.dat"), "rb") as f:
            self.assertEqual(history_slot(f.read(), 0), self.host("sub"))


class StoreSize(StoreTestCase):
    """Nothing is ever cut: a store file too long to be loaded whole is reported, not loaded and
    never rewritten."""

    def test_a_longer_data_file_is_reported_and_kept(self):
        self.mkdirs("sub")
        rng = random.Random(5)
        for label, content in (("one long", default_record() + b"x"),
                               ("one MiB", rng.randbytes(1 << 20))):
            with self.subTest(label):
                with open(self.data, "wb") as f:
                    f.write(content)
                name = self.target.host_path(self.data)
                r = self.c("-a", data_file=self.data)
                self.assertEqual(r.code, 0, r)
                # The run goes on with the defaults (on POSIX without Windows's two aliases).
                self.assertEqual(r.text, refusal(name, "larger than 10736 bytes") + (
                    "  Dirhop  Directory Aliases (18 entries remaining)  \n"
                    "         win = c:\\windows\n"
                    "         dos = c:\\dos\n" if self.target.windows else
                    "  Dirhop  Directory Aliases (20 entries remaining)  \n"))
                r = self.c("sub", data_file=self.data)
                self.assertWentTo(r, self.path("sub"))
                self.assertEqual(r.text, refusal(name, "larger than 10736 bytes"))
                with open(self.data, "rb") as f:
                    self.assertEqual(f.read(), content)

    def test_a_key_file_over_16_mib_is_reported_and_kept(self):
        if self.target.windows:
            self.skipTest("the key file exists only on POSIX")
        self.mkdirs("sub")
        registry = os.path.join(self.config, "dirhop", "registry")
        content = (b"#" + b"c" * (16 << 20) + b"\n"
                   b"aliasdir_1\tsz\t/home/user/projects/important-client\n")
        with open(registry, "wb") as f:
            f.write(content)
        r = self.c("-a")
        self.assertEqual(r.code, 0, r)
        self.assertTrue(r.text.startswith(refusal(registry, "larger than 16777216 bytes")), r.text)
        self.assertNotIn("/home/user/proj", r.text)
        r = self.c("sub")
        self.assertWentTo(r, self.path("sub"))
        self.assertEqual(r.text, refusal(registry, "larger than 16777216 bytes"))
        self.assertEqual(os.path.getsize(registry), len(content))
        with open(registry, "rb") as f:
            self.assertEqual(f.read(), content)


class StoreFaults(StoreTestCase):
    def test_runs_killed_while_saving_the_key_file_leave_nothing_behind(self):
        if self.target.windows:
            self.skipTest("the key file exists only on POSIX")
        self.mkdirs("a", "b")
        folder = os.path.join(self.config, "dirhop")
        env = self.target.base_env()
        env.update(self.env())
        env["DIRHOP_HANDOFF"] = self.handoff
        rng = random.Random(8)
        for attempt in range(40):
            proc = subprocess.Popen(self.target.command(["-a", "k%d" % attempt, "/k"]),
                                    cwd=self.path("ab"[attempt % 2]), env=env,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, start_new_session=True)
            time.sleep(rng.uniform(0, 0.004))
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()
        self.assertStayed(self.c("-a", "last", "/last"), 0)
        self.assertEqual(sorted(os.listdir(folder)), ["registry", "registry.lock"])
        self.assertEqual(self.key_value("aliasname_1"), ("REG_SZ", "last"))

    def full_disk(self):
        """A folder on a file system of 64 KiB; None where it cannot be mounted."""
        if not is_root() or shutil.which("mount") is None:
            return None
        mount_point = os.path.join(self.root, "full")
        os.mkdir(mount_point)
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k,nr_inodes=64", "none",
                            mount_point], stdin=subprocess.DEVNULL, capture_output=True)
        if r.returncode != 0:
            os.rmdir(mount_point)
            return None
        self.mounted = mount_point
        return mount_point

    def fill(self, folder):
        """Fills the file system of `folder` to the last byte with one file; returns its path."""
        filler = os.path.join(folder, "filler")
        fd = os.open(filler, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        try:
            while True:
                os.write(fd, b"f" * 512)
        except OSError:
            pass
        finally:
            os.close(fd)
        return filler

    def tearDown(self):
        if getattr(self, "mounted", None):
            subprocess.run(["umount", "-l", self.mounted], stdin=subprocess.DEVNULL)
        super().tearDown()

    def test_a_full_disk_is_reported_and_the_directory_still_changes(self):
        self.mkdirs("sub")
        disk = self.full_disk()
        if disk is None:
            self.skipTest("a small file system can be mounted only by root")
        data = os.path.join(disk, "dirhop.dat")
        with open(data, "wb") as f:
            f.write(default_record())
        # (label, store file, its name in messages, how to run on it, what its folder holds)
        stores = [("data file", data, self.target.host_path(data), {"data_file": data},
                   ["dirhop.dat", "dirhop.dat.lock", "filler"])]
        if not self.target.windows:
            config = os.path.join(disk, "config")
            os.makedirs(os.path.join(config, "dirhop"))
            registry = os.path.join(config, "dirhop", "registry")
            with open(registry, "w") as f:
                f.write("history_0\tsz\t/elsewhere\n")
            stores.append(("key file", registry, registry, {"env": {"XDG_CONFIG_HOME": config}},
                           ["registry", "registry.lock"]))
            stores[0][4].append("config")
        filler = self.fill(disk)
        for label, path, name, how, entries in stores:
            with self.subTest(label):
                with open(path, "rb") as f:
                    before = f.read()
                r = self.c("sub", **how)
                self.assertWentTo(r, self.path("sub"))
                # The start directory and the one entered go to the store in one save.
                self.assertEqual(r.text, "Dirhop: Error - can't write to '%s'\n" % name)
                with open(path, "rb") as f:
                    self.assertEqual(f.read(), before)
                # The memory of places beside the data file, and its lock, may be there, empty
                # on a full disk.
                self.assertEqual(sorted(n for n in os.listdir(os.path.dirname(path))
                                        if ".places" not in n), sorted(entries))
        os.remove(filler)
        for label, path, name, how, entries in stores:
            with self.subTest(label + " with room again"):
                r = self.c("sub", **how)
                self.assertWentTo(r, self.path("sub"))
                self.assertEqual(r.text, "")
                with open(path, "rb") as f:
                    saved = f.read()
                if path == data:
                    self.assertEqual(history_slot(saved, 0), self.host("sub"))
                else:
                    self.assertIn(b"\nhistory_0\tsz\t%s\n" % self.path("sub").encode(), saved)


class CrossBuild(StoreTestCase):
    """A data file written by one build is read by the other, byte for byte."""

    def other(self):
        program = os.environ.get("DIRHOP_OTHER_PROGRAM")
        if not program or not os.path.exists(program):
            self.skipTest("DIRHOP_OTHER_PROGRAM does not name the other build's program")
        if program.endswith(".exe"):
            prefix = os.environ.get("DIRHOP_E2E_WINEPREFIX") or os.path.join(
                os.path.dirname(os.path.abspath(program)), "e2e-wineprefix")
            other = harness.WineTarget(program, prefix)
            env = other.base_env()
            for command in (["wineserver", "-p"], ["wine", "cmd", "/c", "exit"]):
                subprocess.run(command, env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        else:
            other = harness.NativeTarget(program)
        return other

    def run_other(self, other, *args):
        env = {"XDG_CONFIG_HOME": self.config, "DIRHOP": other.host_path(self.data)}
        return other.run(list(args), self.tree, handoff=os.path.join(self.root, "other.out"),
                         env=env)

    def test_both_builds_share_one_data_file(self):
        other = self.other()
        self.assertStayed(self.c("-a", "mine", "C:\\mine", data_file=self.data), 0)
        written = self.read_data()
        # The other build reads exactly what this one wrote.
        r = self.run_other(other, "-a")
        self.assertIn("        mine = C:\\mine", r.text)
        self.assertIn("   1  %s\n" % self.host(), self.run_other(other, "-h").text)
        r = self.run_other(other, "-a", "theirs", "D:\\theirs")
        self.assertEqual(r.code, 0, r)
        image = self.read_data()
        self.assertEqual(len(image), RECORD_SIZE)
        self.assertEqual(image[5376 + 267:10716], written[5376:10716 - 267])  # moved down one slot
        self.assertEqual(image[10716:], written[10716:])
        self.assertEqual(alias_slot(image, 1), ("theirs", "D:\\theirs"))
        # And this build reads what the other wrote.
        r = self.c("-a", data_file=self.data)
        self.assertTrue(r.text.endswith("        mine = C:\\mine\n      theirs = D:\\theirs\n"),
                        r.text)
        before = self.read_data()
        self.assertStayed(self.c("-a", "theirs", "D:\\theirs", data_file=self.data), 0)
        self.assertEqual(self.read_data(), before)


class SharedStore(StoreTestCase):
    """Many shells, one store: every run saves only what it changed, made again on what the store
    holds by then, under a lock that every run takes; a lock that cannot be had never stops a
    jump. Each case runs on the settings key (the registry under Wine) and on a data file."""

    STORES = ("key", "data")

    def store_env(self, store):
        return self.env(self.data if store == "data" else None)

    def at_once(self, store, runs):
        """Starts every word list of `runs` at the same moment; fails unless each ends with 0."""
        procs = []
        for n, words in enumerate(runs):
            env = self.target.base_env()
            env.update(self.store_env(store))
            env["DIRHOP_HANDOFF"] = os.path.join(self.root, "h%d" % n)
            procs.append(subprocess.Popen(self.target.command(words), cwd=self.tree, env=env,
                                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                          stderr=subprocess.PIPE))
        for proc in procs:
            out, _ = proc.communicate(timeout=300)
            self.assertEqual(proc.returncode, 0, out)
            self.assertNotIn(b"Error", out)

    def table(self, store):
        listing = self.c("-a", env=self.store_env(store)).text.splitlines()[1:]
        return [tuple(line.strip().split(" = ", 1)) for line in listing]

    def history(self, store):
        listing = self.c("-h", env=self.store_env(store)).text.splitlines()[1:]
        return [line.split(None, 1)[1] for line in listing]

    def fresh(self, store):
        if self.target.windows:
            self.reg("delete", harness.STORE_KEY, "/f")
            self.target.ensure_store()
        for path in (self.data, os.path.join(self.config, "dirhop", "registry")):
            with open(path, "wb"):
                pass
        if store == "data":
            with open(self.data, "wb") as f:
                f.write(default_record())

    def test_runs_at_once_keep_every_change(self):
        dirs = ["d%d" % n for n in range(8)]
        self.mkdirs(*dirs)
        for store in self.STORES:
            with self.subTest(store=store):
                self.fresh(store)
                # Eight definitions at once, then eight uses at once (each promotes its alias
                # and records its directory): all of them stay, each name with its own target.
                self.at_once(store, [["-a", "n%d" % n, self.host(d)] for n, d in enumerate(dirs)])
                self.at_once(store, [["n%d" % n] for n in range(len(dirs))])
                table = self.table(store)
                names = [name for name, _ in table]
                self.assertEqual(sorted(n for n in names if n.startswith("n")),
                                 ["n%d" % n for n in range(8)], table)
                self.assertEqual(len(names), len(set(names)), table)
                for name, target in table:
                    if name.startswith("n"):
                        self.assertEqual(target, self.host("d" + name[1:]), table)
                self.assertEqual(sorted(h for h in self.history(store) if h != self.host()),
                                 sorted(self.host(d) for d in dirs))

    def test_a_run_waiting_at_a_menu_loses_nothing_saved_meanwhile(self):
        self.mkdirs("x1", "x2", "p2_05", "p2_06")
        for store in self.STORES:
            with self.subTest(store=store):
                self.fresh(store)
                env = self.target.pty_env(self.handoff, self.store_env(store))
                waiting = harness.PtySession(self.target.command(["x*"]), env, self.tree)
                self.addCleanup(waiting.close)
                waiting.wait_for("exit)? ")
                # Another shell meanwhile: an alias and two directories.
                self.assertStayed(self.c("-a", "mine", self.host("x2"),
                                         env=self.store_env(store)), 0)
                for d in ("p2_05", "p2_06"):
                    self.assertWentTo(self.c(d, env=self.store_env(store)), self.path(d))
                waiting.write(b"a")
                self.assertEqual(waiting.wait(), 0, waiting.text())
                self.assertIn(("mine", self.host("x2")), self.table(store))
                history = self.history(store)
                self.assertIn(self.host("p2_05"), history)
                self.assertIn(self.host("p2_06"), history)
                # The listing run records where it starts, after the choice of the menu.
                self.assertEqual(history[-2:], [self.host("x1"), self.host()])

    def hold_lock(self, store, data_file=None):
        """Starts the program that holds the store's lock (the data file's by the name
        `data_file`, when given); returns it once it holds it."""
        if not harness.ARGS.lock_holder:
            self.skipTest("no --lock-holder program given")
        holder = os.path.abspath(harness.ARGS.lock_holder)
        words = (["file", data_file or self.target.host_path(self.data)] if store == "data"
                 else ["key"])
        env = self.target.base_env()
        env.update(self.store_env(store))
        command = (["wine", holder] if self.target.windows else [holder]) + words
        proc = subprocess.Popen(command, cwd=self.root, env=env, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: proc.poll() is None and proc.kill())
        self.assertEqual(proc.stdout.readline().strip(), b"held")
        return proc

    def test_a_lock_held_elsewhere_never_blocks_a_jump(self):
        self.mkdirs("d1", "d2", "d3")
        for store in self.STORES:
            with self.subTest(store=store):
                self.fresh(store)
                path = self.target.host_path(self.data) if store == "data" else (
                    "SOFTWARE\\Brantel Software\\Dirhop" if self.target.windows
                    else os.path.join(self.config, "dirhop", "registry"))
                holder = self.hold_lock(store)
                before = self.history(store)
                r = self.c("d1", env=self.store_env(store))
                self.assertWentTo(r, self.path("d1"))
                message = ("Dirhop: Error - '%s' is locked by another run; nothing is saved "
                           "this time\n" % path)
                self.assertEqual(r.text.count("is locked by another run"), 1, r.text)
                self.assertIn(message, r.text)
                self.assertEqual(self.history(store), before)
                holder.stdin.close()
                self.assertEqual(holder.wait(timeout=60), 0)
                self.assertWentTo(self.c("d2", env=self.store_env(store)), self.path("d2"))
                self.assertEqual(self.history(store)[-2:], [self.host("d2"), self.host()])
                # A holder that dies lets go at once.
                holder = self.hold_lock(store)
                holder.kill()
                holder.wait(timeout=60)
                r = self.c("d3", env=self.store_env(store))
                self.assertWentTo(r, self.path("d3"))
                self.assertNotIn("locked", r.text)
                self.assertEqual(self.history(store)[-2:], [self.host("d3"), self.host()])

    def test_every_name_of_a_data_file_takes_one_lock(self):
        self.mkdirs("d1")
        folder = os.path.join(self.root, "store")
        os.makedirs(folder)
        with open(os.path.join(folder, "dirhop.dat"), "wb") as f:
            f.write(default_record())
        os.symlink("dirhop.dat", os.path.join(folder, "link.dat"))
        # The file's own name, a link of the user's, and (Windows) the name in other letters
        # and the folder as drive Q:.
        names = [self.target.host_path(os.path.join(folder, n)) for n in ("dirhop.dat", "link.dat")]
        if self.target.windows:
            names.append(self.target.host_path(os.path.join(folder, "DIRHOP.DAT")))
            self.target.drive("q", folder)
            self.addCleanup(self.target.drop_drive, "q")
            names.append("Q:\\dirhop.dat")
        for held_as in names:
            for other in names[1:] if held_as == names[0] else names[:1]:
                with self.subTest(held_as=held_as, other=other):
                    holder = self.hold_lock("data", held_as)
                    r = self.c("d1", env=self.env(None) | {"DIRHOP": other})
                    holder.stdin.close()
                    self.assertEqual(holder.wait(timeout=60), 0)
                    self.assertWentTo(r, self.path("d1"))
                    self.assertEqual(r.text, "Dirhop: Error - '%s' is locked by another run; "
                                     "nothing is saved this time\n" % other)

    def test_first_runs_at_once_on_a_fresh_account_keep_every_alias(self):
        if self.target.windows:
            self.skipTest("the key's folder is made by the POSIX build only")
        dirs = ["f%d" % n for n in range(16)]
        self.mkdirs(*dirs)
        # Neither the configuration folder nor Dirhop's folder in it exists yet.
        self.config = os.path.join(self.root, "fresh", "config")
        self.at_once("key", [["-a", "n%d" % n, self.host(d)] for n, d in enumerate(dirs)])
        self.assertEqual(sorted(self.table("key")),
                         sorted(("n%d" % n, self.host(d)) for n, d in enumerate(dirs)))
        folder = os.path.join(self.config, "dirhop")
        self.assertEqual(stat.S_IMODE(os.stat(folder).st_mode), 0o700)
        self.assertEqual(sorted(os.listdir(folder)), ["registry", "registry.lock"])

    @staticmethod
    def traced(command):
        """`command` run under strace: in the sanitizer build without LeakSanitizer, which
        cannot work under ptrace and would end the run with a fatal report of its own."""
        options = os.environ.get("ASAN_OPTIONS")
        if options is None:
            return command
        return ["env", "ASAN_OPTIONS=" + options.replace("detect_leaks=1", "detect_leaks=0")] + \
            command

    def without_file_locks(self, words):
        """The command that runs `words` with every flock call of the program failing as it
        fails on a file system without locks; skips the test where that cannot be done."""
        if self.target.windows or not shutil.which("strace"):
            self.skipTest("needs the native build and strace")
        # Only flock stops the program (seccomp), so the runs go at nearly their own speed.
        return self.traced(["strace", "--seccomp-bpf", "-f", "-qq", "-o", "/dev/null", "-e",
                            "trace=flock", "-e", "inject=flock:error=ENOLCK"] +
                           self.target.command(words))

    def test_a_file_system_without_locks_is_told_once_and_loses_nothing(self):
        dirs = ["j%d" % n for n in range(80)]
        self.mkdirs(*dirs)
        refused = "refuses file locks; runs take turns by creating that file instead"
        for store in self.STORES:
            with self.subTest(store=store):
                self.fresh(store)
                said = 0
                # 80 recorded jumps, 20 at a time (the history holds 21 directories).
                for first in range(0, 80, 20):
                    procs = []
                    for n in range(first, first + 20):
                        env = self.target.base_env()
                        env.update(self.store_env(store))
                        env["DIRHOP_HANDOFF"] = os.path.join(self.root, "h%d" % n)
                        procs.append(subprocess.Popen(
                            self.without_file_locks(["j%d" % n]), cwd=self.tree, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT))
                    for proc in procs:
                        out, _ = proc.communicate(timeout=300)
                        self.assertEqual(proc.returncode, 0, out)
                        self.assertNotIn(b"Error", out)
                        said += out.decode().count(refused)
                    self.assertEqual(sorted(h for h in self.history(store) if h != self.host()),
                                     sorted(self.host("j%d" % n)
                                            for n in range(first, first + 20)))
                self.assertEqual(said, 1)
                path = self.data if store == "data" else os.path.join(
                    self.config, "dirhop", "registry")
                self.assertFalse(os.path.exists(path + ".lock.held"))

    def test_without_locks_a_holder_that_died_is_passed_and_a_live_one_waited_for(self):
        self.without_file_locks([])
        self.mkdirs("d1", "d2")
        self.fresh("data")
        held = self.data + ".lock.held"
        host = os.uname().nodename

        def run(words):
            env = self.target.base_env()
            env.update(self.store_env("data"))
            env["DIRHOP_HANDOFF"] = self.handoff
            return subprocess.run(
                self.without_file_locks(words), cwd=self.tree, env=env, stdin=subprocess.DEVNULL,
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120).stdout.decode()

        # A process that has ended (its number, should another process have it by now, names
        # one started at another moment).
        ended = subprocess.Popen(["true"])
        ended.wait()
        with open(held, "w") as f:
            f.write("%s %d 1\n" % (host, ended.pid))
        out = run(["d1"])
        self.assertNotIn("locked by another run", out)
        self.assertIn(self.host("d1"), self.history("data"))
        self.assertFalse(os.path.exists(held))
        # This test's own process, started when /proc says it was.
        with open("/proc/self/stat") as f:
            start = f.read().rsplit(")", 1)[1].split()[19]
        with open(held, "w") as f:
            f.write("%s %d %s\n" % (host, os.getpid(), start))
        out = run(["d2"])
        self.assertIn("Dirhop: Error - '%s' is locked by another run; nothing is saved this "
                      "time\n" % self.data, out)
        self.assertNotIn(self.host("d2"), self.history("data"))
        self.assertTrue(os.path.exists(held))

    def test_a_query_takes_no_lock(self):
        if self.target.windows or not shutil.which("strace"):
            self.skipTest("needs the native build and strace")
        self.mkdirs("x1")
        for store in self.STORES:
            with self.subTest(store=store):
                self.fresh(store)
                trace = os.path.join(self.root, "trace")
                env = self.target.base_env()
                env.update(self.store_env(store))
                # A listing and the alias names of completion.
                for words in (["--list", "x"], ["--aliases"]):
                    subprocess.run(self.traced(["strace", "-f", "-qq", "-o", trace, "-e",
                                                "trace=flock"] + self.target.command(words)),
                                   cwd=self.tree, env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   timeout=60, check=True)
                    with open(trace) as f:
                        self.assertEqual(f.read(), "", words)


class PrivateStore(StoreTestCase):
    """Nobody but the user reads the store's lock file, or holds up a save: new store files and
    the folders Dirhop makes are the user's alone, and a store others may read is locked through
    a file they may not open."""

    def setUp(self):
        super().setUp()
        if self.target.windows:
            self.skipTest("POSIX modes and users")
        self.addCleanup(os.umask, os.umask(0o022))

    def test_new_files_and_folders_are_private_and_a_files_own_mode_stays(self):
        self.mkdirs("sub")
        self.config = os.path.join(self.root, "fresh", "config")
        self.assertStayed(self.c("-a"), 0)
        folder = os.path.join(self.config, "dirhop")
        for made in (folder, self.config):
            self.assertEqual(stat.S_IMODE(os.stat(made).st_mode), 0o700, made)
        for name in ("registry", "registry.lock"):
            self.assertEqual(stat.S_IMODE(os.stat(os.path.join(folder, name)).st_mode), 0o600)
        self.assertWentTo(self.c("sub", data_file=self.data), self.path("sub"))
        self.assertEqual(stat.S_IMODE(os.stat(self.data).st_mode), 0o600)
        # A mode the user gave the file is kept by every save.
        os.chmod(self.data, 0o644)
        self.assertWentTo(self.c("sub", data_file=self.data), self.path("sub"))
        self.assertEqual(stat.S_IMODE(os.stat(self.data).st_mode), 0o644)

    def test_another_user_who_can_read_the_store_holds_up_nothing(self):
        if os.geteuid() != 0 or not shutil.which("useradd") or not shutil.which("setpriv"):
            self.skipTest("needs root, useradd and setpriv to act as a second user")
        user = "dirhope2e%d" % os.getpid()
        subprocess.run(["useradd", "--no-create-home", "--shell", "/bin/false", user],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(subprocess.run, ["userdel", user], stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL)
        as_other = ["setpriv", "--reuid", user, "--regid", user, "--clear-groups"]
        self.mkdirs("d1", "d2")
        os.chmod(self.root, 0o755)
        with open(self.data, "wb") as f:
            f.write(default_record())
        os.chmod(self.data, 0o644)
        # The other user holds a shared lock on the store file itself, as long as it likes.
        holder = subprocess.Popen(as_other + ["flock", "-s", self.data, "sh", "-c",
                                              "echo held; exec cat"],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.addCleanup(lambda: holder.poll() is None and holder.kill())
        self.assertEqual(holder.stdout.readline().strip(), b"held")
        for d in ("d1", "d2"):
            r = self.c(d, data_file=self.data)
            self.assertWentTo(r, self.path(d))
            self.assertEqual(r.text, "")
        listing = self.c("-h", data_file=self.data).text
        self.assertNotIn("locked", listing)
        self.assertIn(self.host("d1"), listing)
        self.assertIn(self.host("d2"), listing)
        # The lock file is the user's alone: the other user cannot even open it.
        lock = self.data + ".lock"
        self.assertEqual(stat.S_IMODE(os.stat(lock).st_mode), 0o600)
        tried = subprocess.run(as_other + ["flock", "-n", "-s", lock, "true"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.assertNotEqual(tried.returncode, 0)
        self.assertIn(b"Permission denied", tried.stderr)
        holder.stdin.close()
        self.assertEqual(holder.wait(timeout=60), 0)

    def test_a_lock_file_the_user_does_not_own_is_reported_and_the_save_goes_on(self):
        self.mkdirs("d1")
        with open(self.data, "wb") as f:
            f.write(default_record())
        os.symlink(os.path.join(self.root, "elsewhere"), self.data + ".lock")
        r = self.c("d1", data_file=self.data)
        self.assertWentTo(r, self.path("d1"))
        self.assertEqual(r.text, "Dirhop: Error - can't use '%s.lock' as the store's lock: it is "
                         "not your own file; saving without the lock\n" % self.data)
        self.assertEqual(history_slot(self.read_data(), 0), self.host("d1"))
        self.assertFalse(os.path.exists(os.path.join(self.root, "elsewhere")))


if __name__ == "__main__":
    harness.main()
