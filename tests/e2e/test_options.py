"""End to end: the options of the command line, the paged screens in a pseudo-terminal, the
history index, the launcher's announcements and the first run."""

import os
import shutil

import harness
from store_case import StoreTestCase

PROMPT = " -- Press [Esc] to exit or any other key to continue -- "


class Screens(StoreTestCase):
    def test_usage_screen_pauses_in_a_small_terminal(self):
        # 10 rows: the prompt comes after 9 lines; a key continues, Escape then ends with 0.
        r = self.target.run_pty(["-?"], self.tree, [(PROMPT, b"x"), (PROMPT, b"\x1b")],
                                handoff=self.handoff, rows=10)
        self.assertStayed(r, 0)
        self.assertIn("Dirhop 3.1", r.text)
        self.assertIn("Usage:", r.text)
        self.assertIn("displays the directory history list", r.text)  # after the first pause
        self.assertNotIn("Examples:", r.text)  # Escape left before the end

    def test_usage_and_welcome_screens_end_with_250(self):
        r = self.c("-?")
        self.assertStayed(r, 250)
        lines = r.text.split("\n")
        self.assertTrue(lines[0].startswith("Dirhop 3.1"), r.text)
        self.assertEqual(lines[1:3], ["", "Usage:"])
        self.assertIn("  c -?             displays this usage screen", lines)
        # No console to read a key from: the pager goes on as after any other key.
        self.assertIn(PROMPT, r.text)
        self.assertTrue(r.text.endswith("c D:..\\*\n" if self.target.windows else "c ../*\n"),
                        r.text)
        r = self.c("-W")
        self.assertStayed(r, 250)
        self.assertIn("Send us email with your comments, suggestions or bug reports at\n", r.text)

    def test_first_run_shows_the_screens_then_does_the_command(self):
        self.mkdirs("sub")
        self.remove_store()
        r = self.c("sub")
        self.assertWentTo(r, self.path("sub"))
        self.assertTrue(r.text.startswith("Dirhop 3.1"), r.text)
        self.assertIn("\nUsage:\n", r.text)
        r = self.c("sub")
        self.assertWentTo(r, self.path("sub"))
        self.assertEqual(r.text, "")


class HistoryIndex(StoreTestCase):
    def build_history(self):
        """Four runs: start in the tree, go to d1, d2, d3 in turn."""
        self.mkdirs("d1", "d2", "d3")
        for n in range(1, 4):
            cwd = self.tree if n == 1 else self.path("d%d" % (n - 1))
            self.assertWentTo(self.c(os.path.join("..", "d%d" % n) if n > 1 else "d1", cwd=cwd),
                              self.path("d%d" % n))
        # History now: 0 d3, 1 d2, 2 d1, 3 tree.

    def test_listing_and_going_back(self):
        self.build_history()
        for option in ("-h", "-l", "-H", "-L"):
            r = self.c(option, "ignored", cwd=self.path("d3"))
            self.assertStayed(r, 0)
            self.assertIn("   3  " + self.host(), r.text)
            self.assertIn("   0  " + self.host("d3"), r.text)
        self.assertWentTo(self.c("-", cwd=self.path("d3")), self.path("d2"))
        # Going to d2 moved it to the front: 0 d2, 1 d3, 2 d1, 3 tree.
        self.assertWentTo(self.c("-1", cwd=self.path("d2")), self.path("d3"))
        self.assertWentTo(self.c("-3", cwd=self.path("d3")), self.tree)

    def test_indexes_beyond_the_history_and_invalid_ones(self):
        self.build_history()
        for word, shown in (("-5", 5), ("-20", 20), ("-$A", 10), ("-$a", 10)):
            r = self.c(word, cwd=self.path("d3"))
            self.assertStayed(r, 243)
            self.assertEqual(r.text, "Dirhop: History does not yet extend back %d entries.\n"
                             % shown)
        for word in ("-0", "-21", "-abc", "--3", "-hx", "-a1"):
            r = self.c(word, cwd=self.path("d3"))
            self.assertStayed(r, 243)
            self.assertEqual(r.text, "Dirhop: Invalid history index '%s' (valid values are 1 "
                             "to 20).\n" % word[1:])


class Launcher(StoreTestCase):
    def test_explorer_announces_itself_even_without_a_file_manager(self):
        if self.target.windows:
            # Wine's explorer.exe disabled: no file manager to start.
            env = dict(self.env(), WINEDLLOVERRIDES="explorer.exe=d")
        else:
            env = dict(self.env(), PATH="/nonexistent")  # no xdg-open to find
        r = self.c("-x", env=env)
        self.assertStayed(r, 0)
        self.assertTrue(r.text.startswith("Starting Explorer in current directory\n"), r.text)

    def test_manual_missing_beside_the_program(self):
        # A copy of the program in a folder of its own, with no manual beside it.
        alone = os.path.join(self.root, "bin")
        os.makedirs(alone)
        copy = os.path.join(alone, os.path.basename(self.target.program))
        shutil.copy2(self.target.program, copy)
        target = self.target
        self.target = type(target).__new__(type(target))
        self.target.__dict__.update(target.__dict__, program=copy)
        try:
            r = self.c("-manual")
            self.assertStayed(r, 0)
            manual = os.path.join(alone, "dirhop.chm" if target.windows else "dirhop.html")
            self.assertEqual(r.text, "Starting program to display Dirhop help manual\n"
                                     "Error: %s - The specified file was not found.\n"
                             % target.host_path(manual))
            self.assertEqual(self.c("-HELP").text, r.text)
        finally:
            self.target = target


if __name__ == "__main__":
    harness.main()
