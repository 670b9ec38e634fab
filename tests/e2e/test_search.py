"""End to end: the directory search, the chooser in a pseudo-terminal, and the offer to create a
missing directory."""

import os
import re

import harness
from harness import E2ETestCase

FOOTER = "exit)? "


class TypedSpecTestCase(E2ETestCase):
    def sep(self, spec):
        """A spec typed with '/' as the user would on POSIX, with '\\' on Windows."""
        return spec.replace("/", "\\") if self.target.windows else spec


class Search(TypedSpecTestCase):
    def tail(self, path):
        """A regular expression for the end of a shown path, in the target's separators."""
        return re.escape(self.sep(path))

    def test_typo_prefix_and_extension_rules(self):
        self.mkdirs("Windows", "Users", "DOC", "DOCUMENTS", "ALPHA", "ALPHA.BETA")
        self.assertWentTo(self.c("wndows"), self.path("Windows"))
        self.assertWentTo(self.c("docx"), self.path("DOC"))
        self.assertWentTo(self.c("a.b"), self.path("ALPHA.BETA"))
        if self.target.windows:
            # Names ignore case there: the direct attempt enters it, spelt as typed.
            self.assertEqual(self.c("WINDOWS").handoff, self.target.handoff_for(self.path("WINDOWS")))
        else:
            # The search's exact-name rule ignores case and takes the name as on disk.
            self.assertWentTo(self.c("WINDOWS"), self.path("Windows"))

    def test_two_candidates_menu_key_a(self):
        self.mkdirs("Projects/src", "Prototype/src", "Other/src")
        r = self.target.run_pty([self.sep("pro/sr")], self.tree, [(FOOTER, b"a")],
                                handoff=self.handoff)
        self.assertWentTo(r, self.path("Projects", "src"))
        # Long paths are shown with their leading levels replaced by "...".
        self.assertRegex(r.text, r"\[a\] \S*\.\.\.\S*" + self.tail("tree/Projects/src") + " ")
        self.assertRegex(r.text, r"\[b\] \S*\.\.\.\S*" + self.tail("tree/Prototype/src") + " ")
        self.assertIn("Change directory to (a-b or Escape to exit)? a", r.text)

    def test_menu_escape_and_paging(self):
        for i in range(50):
            self.mkdirs("d%02d" % i)
        # 10 rows: 16 entries a page, 4 pages; Next twice, Previous once, then key c of page 2.
        r = self.target.run_pty(["d"], self.tree,
                                [(FOOTER, b" "), (FOOTER, b"\x1b[6~"), (FOOTER, b"<"),
                                 (FOOTER, b"c")], handoff=self.handoff, rows=10)
        self.assertWentTo(r, self.path("d18"))
        self.assertIn("Page 3 of 4", r.text)
        r = self.target.run_pty(["d"], self.tree, [(FOOTER, b"\x1b")], handoff=self.handoff,
                                rows=10)
        self.assertStayed(r, 0)
        self.assertIn("Escape to exit)? Exit", r.text)

    def test_star_lists_every_subdirectory_hidden_ones_too(self):
        self.mkdirs("one", "two", ".hidden")
        r = self.c("*")  # no console to answer: the menu is shown and left
        self.assertStayed(r, 0)
        for name in ("one", "two", ".hidden"):
            self.assertRegex(r.text, self.tail("tree/" + name) + r"(\s|$)")
        self.assertTrue(r.text.endswith("(a-c or Escape to exit)? Exit\n"), r.text)

    def test_double_separator_lists_the_root(self):
        r = self.c("\\\\" if self.target.windows else "//")
        self.assertStayed(r, 0)
        root_tmp = "Z:\\tmp" if self.target.windows else "/tmp"
        self.assertIn("] " + root_tmp + " ", r.text)

    def test_three_dots_then_a_name_searches_the_grandparent(self):
        self.mkdirs("a/b", "xylophone")
        self.assertWentTo(self.c(self.sep(".../xy"), cwd=self.path("a", "b")),
                          self.path("xylophone"))

    def test_best_rank_only_and_start_dir_left_out(self):
        self.mkdirs("work/src", "work2/src")
        # From inside work/src, "src" below both is found; the start directory is dropped and
        # the other one is taken without a menu.
        r = self.c(self.sep("../../w*/src"), cwd=self.path("work", "src"))
        self.assertWentTo(r, self.path("work2", "src"))


class Create(TypedSpecTestCase):
    def test_chooser_of_creation_candidates_creates_and_goes(self):
        self.mkdirs("proj")
        r = self.target.run_pty([self.sep("pro/newdir")], self.tree, [(FOOTER, b"a")],
                                handoff=self.handoff)
        self.assertIn("No directories found matching '%s'" % self.sep("pro/newdir"), r.text)
        self.assertIn("** Create a new directory? **", r.text)
        self.assertIn("Create directory (a-b or Escape to exit)? a", r.text)
        self.assertTrue(os.path.isdir(self.path("proj", "newdir")))
        self.assertWentTo(r, self.path("proj", "newdir"))

    def test_single_prompt_yes_and_no(self):
        self.mkdirs("proj")
        typed = self.sep("p?oj/newdir")
        offered = self.target.host_path(self.path("proj", "newdir")) + ("\\" if self.target.windows else "/")
        r = self.target.run_pty([typed], self.tree, [("[y/N] ? ", b"x"), ("", b"n")],
                                handoff=self.handoff)
        self.assertStayed(r, 255)
        self.assertIn("Create '%s' [y/N] ? No" % offered, r.text)
        self.assertFalse(os.path.exists(self.path("proj", "newdir")))
        r = self.target.run_pty([typed], self.tree, [("[y/N] ? ", b"Y")], handoff=self.handoff)
        self.assertIn("[y/N] ? Yes", r.text)
        self.assertWentTo(r, self.path("proj", "newdir"))
        # Without a console to answer from, the answer is no.
        os.rmdir(self.path("proj", "newdir"))
        r = self.c(typed)
        self.assertStayed(r, 255)
        self.assertTrue(r.text.endswith("[y/N] ? No\n"), r.text)

    def test_creation_failure_is_reported_in_words(self):
        with open(self.path("f.txt"), "w") as f:
            f.write("x")
        typed = self.sep("f.txt/x")
        r = self.target.run_pty([typed], self.tree, [(FOOTER, b"b")], handoff=self.handoff)
        self.assertStayed(r, 0)
        self.assertIn("Path not found creating directory '%s'"
                      % self.target.host_path(self.path("f.txt", "x")), r.text)

    def test_wildcards_are_never_offered(self):
        self.mkdirs("proj")
        r = self.c(self.sep("pro*/new*"))
        self.assertStayed(r, 0)
        self.assertEqual(r.text, "Dirhop: No directories found matching '%s'\n"
                         % self.sep("pro*/new*"))


if __name__ == "__main__":
    harness.main()
