"""End to end: start-up, the direct change of directory, drive and parent steps, and the hand-off
with every failure it reports."""

import os
import subprocess
import unittest

import harness
from harness import E2ETestCase


class StartAndDirectChange(E2ETestCase):
    def test_no_arguments_print_the_start_directory_on_windows_and_go_home_on_posix(self):
        if self.target.windows:
            r = self.c()
            self.assertStayed(r, 0)
            self.assertEqual(r.text, self.target.host_path(self.tree) + "\n")
            return
        self.mkdirs("home dir")
        home = self.path("home dir")
        self.assertWentTo(self.c(env={"HOME": home}), home)
        r = self.c(env={"HOME": ""})
        self.assertStayed(r, 243)
        self.assertEqual(r.text, "Dirhop: HOME is not set\n")

    def test_subdirectory_parent_and_dots(self):
        self.mkdirs("sub/deeper")
        self.assertWentTo(self.c("sub"), self.path("sub"))
        self.assertWentTo(self.c("..", cwd=self.path("sub")), self.tree)
        # A lone dot is the parent, three dots the grandparent.
        self.assertWentTo(self.c(".", cwd=self.path("sub")), self.tree)
        self.assertWentTo(self.c("...", cwd=self.path("sub", "deeper")), self.tree)
        self.assertWentTo(self.c("sub/deeper"), self.path("sub", "deeper"))

    def test_root(self):
        r = self.c(self.target.root_spec)
        self.assertEqual(r.code, 0, r)
        if self.target.windows:
            self.assertEqual(r.handoff, self.target.handoff_for_windows_dir("Z:\\"))
        else:
            self.assertEqual(r.handoff, self.target.handoff_for("/"))

    def test_parent_steps_before_a_name_that_is_not_there(self):
        self.mkdirs("a/b")
        r = self.c("..", "", cwd=self.path("a", "b"))  # the empty word is dropped
        self.assertWentTo(r, self.path("a"))
        # "..\x" does not exist directly: the parent step is taken and x is searched for there.
        self.mkdirs("a/xylophone")
        r = self.c("../xy", cwd=self.path("a", "b"))
        self.assertWentTo(r, self.path("a", "xylophone"))

    def test_names_with_spaces_and_special_characters(self):
        self.mkdirs("my dir", "100%", "it's", "a%PATH%b")
        self.assertWentTo(self.c("my dir"), self.path("my dir"))
        self.assertWentTo(self.c("my", "dir"), self.path("my dir"))  # words joined by one space
        self.assertWentTo(self.c("100%"), self.path("100%"))
        self.assertWentTo(self.c("a%PATH%b"), self.path("a%PATH%b"))
        self.assertWentTo(self.c("it's"), self.path("it's"))

    def test_no_match_offers_creation_and_leaving_changes_nothing(self):
        # Standard input is not a console: the single question (the one place to create it,
        # offered once) is answered no.
        r = self.c("nothing-here")
        self.assertStayed(r, 255)
        slash = "\\" if self.target.windows else "/"
        self.assertEqual(r.text, "Dirhop: No directories found matching 'nothing-here'\n"
                         "Create '%s%s' [y/N] ? No\n"
                         % (self.target.host_path(self.path("nothing-here")), slash))
        self.assertFalse(os.path.exists(self.path("nothing-here")))


class DriveLetters(E2ETestCase):
    def setUp(self):
        super().setUp()
        if not self.target.windows:
            self.skipTest("drive letters exist only on Windows")

    def tearDown(self):
        self.target.drop_drive("d")
        super().tearDown()

    def test_drive_relative_specs(self):
        self.mkdirs("sub")
        self.target.drive("d", self.tree)
        self.assertEqual(self.c("D:..").handoff, self.target.handoff_for_windows_dir("D:\\"))
        self.assertEqual(self.c("d:sub").handoff, self.target.handoff_for_windows_dir("D:\\sub"))
        self.assertEqual(self.c("D:").handoff, self.target.handoff_for_windows_dir("D:\\"))

    def test_invalid_drive_letter(self):
        r = self.c("1:x")
        self.assertStayed(r, 243)
        self.assertEqual(r.text,
                         "Dirhop: Invalid drive letter '1' (valid drives are A: through Z:)\n")
        # With a root after the prefix no drive test is made: nothing is found instead, and the
        # one place to create it is offered once (answered no without a console).
        r = self.c("1:\\x")
        self.assertStayed(r, 255)
        self.assertEqual(r.text, "Dirhop: No directories found matching '1:\\x'\n"
                         "Create '1:\\x\\' [y/N] ? No\n")

    def test_drive_that_does_not_exist(self):
        self.target.drop_drive("q")
        r = self.c("Q:")
        self.assertStayed(r, 243)
        self.assertEqual(r.text, "Dirhop: Could not change directory to 'Q:'\n")
        # With a name after it the process's own directory is the base of the search: the place
        # to create it is there, offered once (answered no without a console).
        r = self.c("q:zz")
        self.assertStayed(r, 255)
        self.assertEqual(r.text, "Dirhop: No directories found matching 'q:zz'\n"
                         "Create '%s\\' [y/N] ? No\n" % self.target.host_path(self.path("zz")))


class ClosedStandardStreams(E2ETestCase):
    def test_a_closed_standard_stream_still_jumps(self):
        # Started by a service or a script that closed one of its streams, the run acts as one
        # whose streams are not a terminal: it jumps and leaves the jump in the hand-off.
        self.mkdirs("alpha")
        for fd in (0, 1, 2):
            with self.subTest(closed=fd):
                env = self.target.base_env()
                env["DIRHOP_HANDOFF"] = self.handoff
                command = ["sh", "-c", 'exec %d>&-; exec "$@"' % fd, "sh"]
                proc = subprocess.run(command + self.target.command(["alpha"]), cwd=self.tree,
                                      env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                      stderr=subprocess.PIPE, timeout=60)
                with open(self.handoff, "rb") as f:
                    handoff = f.read()
                self.assertEqual(proc.returncode, 0, proc)
                self.assertNotIn(b"Cannot get console", proc.stdout + proc.stderr)
                self.assertEqual(handoff, self.target.handoff_for(self.path("alpha")))


class HandoffFailures(E2ETestCase):
    def test_handoff_file_that_cannot_be_written(self):
        missing = os.path.join(self.root, "missing", "h.out")
        r = self.c("..", handoff=missing)
        self.assertEqual(r.code, 243, r)
        what = "batch file" if self.target.windows else "the hand-off file"
        self.assertEqual(r.text, "Dirhop: Error - can't write to %s '%s'\n\n" % (what, missing))

    def test_directory_that_cannot_be_entered(self):
        self.mkdirs("locked")
        os.chmod(self.path("locked"), 0)
        try:
            os.listdir(self.path("locked"))
            self.skipTest("permissions are not enforced for this user")
        except PermissionError:
            pass
        # The direct attempt cannot enter it; the search finds it by name, and entering fails.
        r = self.c("locked")
        self.assertStayed(r, 243)
        self.assertEqual(r.text, "Dirhop: Could not change directory to '%s' (permission denied)\n"
                         % self.target.host_path(self.path("locked")))
        if not self.target.windows:
            return
        # A drive root is handed to GoToDirectory as it is: entering it fails there.
        self.target.drive("d", self.path("locked"))
        try:
            r = self.c("D:\\")
        finally:
            self.target.drop_drive("d")
        self.assertStayed(r, 243)
        self.assertEqual(r.text, "Dirhop: Could not change directory to 'D:\\' (permission denied)\n")

    def test_handoff_is_never_written_through_a_link(self):
        if self.target.windows:
            self.skipTest("POSIX hand-off rule")
        victim = os.path.join(self.root, "victim")
        with open(victim, "w") as f:
            f.write("keep")
        # A symbolic link and a hard link (a second name of the victim) named by DIRHOP_HANDOFF,
        # and a hard link at the fallback place in TMPDIR when DIRHOP_HANDOFF is not set.
        symbolic = os.path.join(self.root, "link.sh")
        hard = os.path.join(self.root, "hard.sh")
        fallback = os.path.join(self.root, "dirhop2-%d.sh" % os.geteuid())
        os.symlink(victim, symbolic)
        os.link(victim, hard)
        os.link(victim, fallback)
        for handoff, env in ((symbolic, {}), (hard, {}),
                             (None, {"TMPDIR": self.root, "XDG_RUNTIME_DIR": ""})):
            with self.subTest(handoff=handoff):
                r = self.c("..", handoff=handoff, env=env)
                self.assertEqual(r.code, 243, r)
                self.assertEqual(r.text, "Dirhop: Error - can't write to the hand-off file '%s'\n\n"
                                 % (handoff or fallback))
                with open(victim) as f:
                    self.assertEqual(f.read(), "keep")

    def test_fish_handoff_quotes_for_fish(self):
        if self.target.windows:
            self.skipTest("POSIX hand-off rule")
        self.mkdirs("a\\")
        fish = os.path.join(self.root, "h.fish")
        r = self.c("a\\", handoff=fish)
        self.assertEqual(r.code, 0, r)
        with open(fish, "rb") as f:
            self.assertEqual(f.read(), b"cd -- '" + self.path("a\\\\").encode() + b"'\n")

    def run_batch(self, lines):
        """Runs dirhop.exe from a cmd batch file, so TEMP can be changed inside Wine."""
        bat = os.path.join(self.root, "run.bat")
        with open(bat, "w", newline="\r\n") as f:
            f.write("@echo off\n" + "\n".join(lines) + "\n")
        return self.target.run(["cmd", "/c", self.target.host_path(bat)], self.tree,
                               handoff=None, raw=True)

    def test_missing_temp(self):
        if not self.target.windows:
            self.skipTest("TEMP names the hand-off folder only on Windows")
        prog = self.target.host_path(self.target.program)
        r = self.run_batch(["set TEMP=", '"%s" sub' % prog, "echo code=%ERRORLEVEL%"])
        self.assertEqual(r.text,
                         "Dirhop: Error - the environment variable TEMP is not defined\n"
                         "You can define it with the following command in your autoexec.bat:\n"
                         "  SET TEMP=c:\\temp\n\ncode=243\n")

    def test_temp_decides_the_batch_file(self):
        if not self.target.windows:
            self.skipTest("TEMP names the hand-off folder only on Windows")
        self.mkdirs("sub")
        prog = self.target.host_path(self.target.program)
        temp = self.target.host_path(self.root)
        for value in (temp, temp + "\\"):
            bat = os.path.join(self.root, "dirhop2.bat")
            if os.path.exists(bat):
                os.remove(bat)
            r = self.run_batch(["set TEMP=" + value, '"%s" sub' % prog, "echo code=%ERRORLEVEL%"])
            self.assertEqual(r.text, "code=0\n")
            with open(bat, "rb") as f:
                self.assertEqual(f.read(), self.target.handoff_for(self.path("sub")))
        r = self.run_batch(["set TEMP=" + temp + "\\nowhere", '"%s" sub' % prog,
                            "echo code=%ERRORLEVEL%"])
        self.assertEqual(r.text, "Dirhop: Error - can't write to batch file '%s\\nowhere\\"
                                 "dirhop2.bat'\n\ncode=243\n" % temp)


if __name__ == "__main__":
    harness.main()
