"""End to end: the options of the command line, the paged screens in a pseudo-terminal, the
history index, the launcher's announcements and the first run."""

import os
import shutil

import harness
from store_case import StoreTestCase
from test_shells import write_fake_program

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
        # Output into a pipe is never paged: no prompt, no key read, the whole text.
        self.assertNotIn(PROMPT, r.text)
        self.assertTrue(r.text.endswith("c D:..\\*\n" if self.target.windows else "c ../*\n"),
                        r.text)
        r = self.c("-W")
        self.assertStayed(r, 250)
        # This build's example addresses never show: the manual stands in for them.
        self.assertIn("For comments, suggestions or bug reports, see the Dirhop manual -\n"
                      "  c -manual\n", r.text)
        self.assertNotIn(".example", r.text)

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
        for word in ("-0", "-21", "-abc", "-hx", "-a1", "-version"):
            r = self.c(word, cwd=self.path("d3"))
            self.assertStayed(r, 243)
            self.assertEqual(r.text, "Dirhop: Invalid history index '%s' (valid values are 1 "
                             "to 20).\n" % word[1:])


class Launcher(StoreTestCase):
    def test_explorer_without_a_file_manager(self):
        if self.target.windows:
            # Wine's explorer.exe disabled: no file manager to start.
            env = dict(self.env(), WINEDLLOVERRIDES="explorer.exe=d")
        else:
            env = dict(self.env(), PATH="/nonexistent")  # no xdg-open to find
        r = self.c("-x", env=env)
        if self.target.windows:
            self.assertStayed(r, 0)
            self.assertTrue(r.text.startswith("Starting Explorer in current directory\n"), r.text)
        else:
            # Nothing can be started: said so, with an error's exit code.
            self.assertStayed(r, 243)
            self.assertEqual(r.text, "Dirhop: No file manager to start (neither xdg-open nor "
                             "open is installed)\n")

    def fake_tool(self, name, body):
        """A sh script `name` in a folder of its own; the folder is returned."""
        folder = os.path.join(self.root, "tools")
        os.makedirs(folder, exist_ok=True)
        write_fake_program(folder, body, name)
        return folder

    def test_manual_page_when_posix_has_no_desktop_opener(self):
        if self.target.windows:
            self.skipTest("Windows always has its shell to open the manual")
        log = os.path.join(self.root, "man.log")
        tools = self.fake_tool("man", 'echo "$@" > "%s"\nexit 16\n' % log)
        r = self.c("-manual", env=dict(self.env(), PATH=tools))  # no xdg-open on this PATH
        self.assertStayed(r, 0)
        self.assertEqual(r.text, "Starting program to display Dirhop help manual\n")
        with open(log) as f:
            self.assertEqual(f.read(), "dirhop\n")
        r = self.c("-manual", env=dict(self.env(), PATH="/nonexistent"))
        self.assertStayed(r, 0)
        self.assertEqual(r.text, "Starting program to display Dirhop help manual\n"
                                 "Error: man dirhop - The specified file was not found.\n")

    def test_manual_missing_beside_the_program(self):
        # A copy of the program in a folder of its own, with no manual beside it.
        alone = os.path.join(self.root, "bin")
        os.makedirs(alone)
        copy = os.path.join(alone, os.path.basename(self.target.program))
        shutil.copy2(self.target.program, copy)
        target = self.target
        self.target = type(target).__new__(type(target))
        self.target.__dict__.update(target.__dict__, program=copy)
        env = self.env()
        if not target.windows:
            # A desktop opener is there, so the missing document is what is reported.
            env["PATH"] = self.fake_tool("xdg-open", "exit 0\n") + ":" + os.environ["PATH"]
        try:
            r = self.c("-manual", env=env)
            self.assertStayed(r, 0)
            if target.windows:
                manual, missing = os.path.join(alone, "dirhop.chm"), "file"
            else:
                # Not beside the program: the installed place, share/doc/dirhop, is tried.
                manual = os.path.join(self.root, "share", "doc", "dirhop", "dirhop.html")
                missing = "path"
            self.assertEqual(r.text, "Starting program to display Dirhop help manual\n"
                                     "Error: %s - The specified %s was not found.\n"
                             % (target.host_path(manual), missing))
            self.assertEqual(self.c("-HELP", env=env).text, r.text)
        finally:
            self.target = target



class Queries(StoreTestCase):
    """--list, --aliases, --init, --version and --help are run by scripts and completion: they
    answer on standard output and leave no trace (no store, no history, no hand-off); so does a
    "--" word that is not an option."""

    def store_exists(self):
        if self.target.windows:
            return self.reg("query", harness.STORE_KEY).code == 0
        return os.path.exists(os.path.join(self.config, "dirhop", "registry"))

    def test_queries_on_a_first_run_create_nothing_and_show_no_screens(self):
        self.mkdirs("proj/src", "prod")
        self.remove_store()
        with open(self.handoff, "wb") as f:
            f.write(b"earlier\n")
        cases = [
            (["--list", "prj/sr"], 0, self.host("proj", "src") + "\n"),
            (["--list", "pro"], 0, self.host("prod") + "\n" + self.host("proj") + "\n"),
            (["--list", "proj/src/x"], 1, ""),
            # A store not made yet holds the defaults: Windows's two aliases there only.
            (["--aliases"], 0, "dos\nwin\n" if self.target.windows else ""),
            (["--version"], 0, "dirhop 3.1\n"),
            # Two dashes are ours: a typo is an unknown option, not a history index.
            (["--hlep"], 243, "Dirhop: Unknown option '--hlep' (c --help or c -? lists the "
             "options)\n"),
            (["--3"], 243, "Dirhop: Unknown option '--3' (c --help or c -? lists the options)\n"),
        ]
        for args, code, text in cases:
            with self.subTest(args=args):
                r = self.c(*args)
                self.assertEqual((r.code, r.text), (code, text), r)
                self.assertEqual(r.handoff, b"earlier\n")
                self.assertFalse(self.store_exists())
        r = self.c("--help")
        self.assertEqual(r.code, 0, r)
        self.assertTrue(r.text.startswith("Dirhop 3.1"), r.text)
        self.assertEqual(r.text.count("\nUsage:\n"), 1)  # no first-run screens before it
        self.assertFalse(self.store_exists())

    def test_error_lines_go_to_standard_error_on_posix(self):
        # What scripts read stays on standard output; the error lines go to standard error
        # natively (dirhop --list x 2>/dev/null shows nothing) and stay with the rest on Windows.
        error = "Dirhop: No directories found matching 'nothing-here'\n"
        r = self.c("nothing-here", separate_errors=True)
        # The creation offer is declined (255) or left (0), as the candidates have it.
        self.assertIn(r.code, (0, 255), r)
        self.assertEqual(r.handoff, self.target.placeholder, r)
        self.mkdirs("proj")
        unknown = "Dirhop: Unknown option '--hlep' (c --help or c -? lists the options)\n"
        u = self.c("--hlep", separate_errors=True)
        self.assertEqual(u.code, 243, u)
        if self.target.windows:
            self.assertIn(error, r.text)
            self.assertEqual(u.text, unknown)
        else:
            self.assertNotIn(error, r.text)
            self.assertIn(error, r.stderr.decode())
            self.assertEqual((u.text, u.stderr.decode()), ("", unknown))
        for args, text in ((["--list", "pro"], self.host("proj") + "\n"),
                           (["--version"], "dirhop 3.1\n")):
            r = self.c(*args, separate_errors=True)
            self.assertEqual((r.code, r.text), (0, text), r)
            if not self.target.windows:
                self.assertEqual(r.stderr, b"", r)

    def test_list_reads_aliases_from_the_data_file_and_leaves_it_unchanged(self):
        self.mkdirs("target dir")
        self.assertEqual(self.c("-a", "t", self.host("target dir"), data_file=self.data).code, 0)
        before = self.read_data()
        r = self.c("--list", "T", data_file=self.data)
        self.assertEqual((r.code, r.text), (0, self.host("target dir") + "\n"), r)
        r = self.c("--aliases", data_file=self.data)
        self.assertEqual(r.text.split("\n")[0], "t", r)
        self.assertEqual(self.read_data(), before)

    def test_init_prints_the_shell_files_byte_for_byte(self):
        # bash, zsh and fish get their file without its comment lines, cut into the parts marked
        # "#@ part NAME": the start gets the core parts and the loader, which asks for the jump
        # part (--jump) at the first c and the completion part (--completion) at the first Tab;
        # the part that finds the program beside a sourced file is never printed, the hook of
        # --remember-cd only with that option.
        shell_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shell")

        def commentless(file):
            with open(os.path.join(shell_dir, file), "rb") as f:
                lines = f.read().split(b"\n")
            kept = b"\n".join(line for line in lines if not line.lstrip(b" \t").startswith(b"#")
                               or line.startswith(b"#@ part "))
            return kept.lstrip(b"\n")

        def parts(text):
            found, name = {}, b"core"
            for line in text.splitlines(keepends=True):
                if line.startswith(b"#@ part "):
                    name = line.split()[2]
                else:
                    found[name] = found.get(name, b"") + line
            return found

        for name, file, loader in [("bash", "dirhop.bash", "loader.bash"),
                                   ("zsh", "dirhop.bash", "loader.bash"),
                                   ("FISH", "dirhop.fish", "loader.fish"),
                                   ("powershell", "dirhop.ps1", "loader.ps1")]:
            with self.subTest(shell=name):
                found = parts(commentless(file))
                self.assertEqual(sorted(found), [b"completion", b"core", b"jump", b"locate",
                                                 b"remember-cd"])
                for extra, expected in [((), found[b"core"] + commentless(loader)),
                                        (("--jump",), found[b"jump"]),
                                        (("--completion",), found[b"completion"])]:
                    r = self.c("--init", name, *extra)
                    self.assertEqual(r.code, 0, r)
                    self.assertNotIn(b"\n#", r.stdout)
                    self.assertEqual(r.stdout, expected, extra)
        r = self.c("--init", "tcsh")
        self.assertEqual(r.code, 243, r)
        self.assertEqual(
            r.text, "Dirhop: Unknown shell 'tcsh' for --init (use bash, zsh, fish or powershell)\n")
        self.assertFalse(os.path.exists(self.handoff))


if __name__ == "__main__":
    harness.main()
