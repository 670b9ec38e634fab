"""End to end: the command `c` in real shells.

Natively: the functions of shell/dirhop.bash (in bash and zsh) and shell/dirhop.fish (in fish)
change the calling shell's directory, for any directory name, in a pseudo-terminal with the
chooser too, pass the program's exit code on, keep two shells apart and remove their temporary
files. Under Wine: shell/c.bat changes the directory of Wine's cmd and passes the exit code on,
and the rules by which shell/dirhop.ps1 reads a Windows hand-off are applied to the batch files
that dirhop.exe really writes (test_powershell.py runs the function itself in real pwsh)."""

import os
import re
import shutil
import subprocess

import harness
from harness import E2ETestCase

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", ".."))
SHELL_DIR = os.path.join(SOURCE, "shell")

FOOTER = "exit)? "

# Names in other scripts and forms: composed accents, CJK, a decomposed name (as macOS stores
# names: "Re" U+0301 "sume" U+0301) and a name that is not UTF-8 at all (b"caf\xe9", Latin-1),
# which Python holds as a lone surrogate (os.fsencode gives the byte back).
UNICODE_NAMES = [
    "\u00dcbung", "\u65e5\u672c\u8a9e", "Re\u0301sume\u0301", os.fsdecode(b"caf\xe9"),
]

# Directory names that break careless quoting somewhere: in sh, in fish, or in both.
AWKWARD_NAMES = [
    "my dir", " lead and trail ", "it's", "two''quotes", 'say "hi"', "$HOME", "${x:-y}",
    "$(touch pwned)", "`touch pwned`", "semi;colon&amp", "back\\slash", "a\\", "x\\\\y",
    "\\'", "new\nline", "trail\n", "tab\tname", "-dash", "--", "100%", "*star?[x]", "~tilde",
    "#hash", "{a,b}", "\u00fcml\u00e4ut",
] + UNICODE_NAMES

SHELLS = ("bash", "zsh", "fish")


def posix_wrapper(shell):
    return os.path.join(SHELL_DIR, "dirhop.fish" if shell == "fish" else "dirhop.bash")


def shell_command(shell, script_path):
    """The shell started without any user start-up file, running a script file."""
    return {
        "bash": ["bash", "--norc", "--noprofile", script_path],
        "zsh": ["zsh", "-f", script_path],
        "fish": ["fish", "--no-config", script_path],
    }[shell]


class ShellScript:
    """A script for one shell that sources a wrapper and runs `c` steps. Arguments travel in
    environment variables, so no test value needs quoting in any shell's syntax; after each step
    the exit code and $PWD are appended, NUL-separated, to a results file."""

    def __init__(self, shell, wrapper, private=False):
        self.shell = shell
        self.fish = shell == "fish"
        self.lines = []
        self.env = {}
        self.steps = 0
        if self.fish and not private:
            # fish 3.6 runs a --no-config session as a private one; these scripts stand for an
            # ordinary session.
            self.lines.append("set -e fish_private_mode")
        if self.fish:
            self.lines.append("function report; printf '%s\\0%s\\0' $argv[1] $PWD"
                              " >>$DIRHOP_TEST_RESULTS; end")
        else:
            self.lines.append("report() { printf '%s\\0%s\\0' \"$1\" \"$PWD\""
                              " >>\"$DIRHOP_TEST_RESULTS\"; }")
        self.env["DIRHOP_TEST_WRAPPER"] = wrapper
        self.raw("source $DIRHOP_TEST_WRAPPER" if self.fish else ". \"$DIRHOP_TEST_WRAPPER\"")

    def raw(self, line):
        self.lines.append(line)

    def step(self, args, start):
        """cd to `start`, run c with `args`, report."""
        n = self.steps
        self.steps += 1
        self.env["DIRHOP_TEST_START%d" % n] = start
        names = []
        for i, arg in enumerate(args):
            name = "DIRHOP_TEST_A%d_%d" % (n, i)
            self.env[name] = arg
            names.append(name)
        if self.fish:
            call = " ".join(["c"] + ["$" + name for name in names])
            self.raw("builtin cd $DIRHOP_TEST_START%d; %s; report $status" % (n, call))
        else:
            call = " ".join(["c"] + ['"$%s"' % name for name in names])
            self.raw('builtin cd -- "$DIRHOP_TEST_START%d"; %s; report $?' % (n, call))

    def text(self):
        return "\n".join(self.lines) + "\n"


def read_results(path):
    """[(exit code, directory)] from a results file."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        fields = f.read().split(b"\0")[:-1]
    return [(int(fields[i]), os.fsdecode(fields[i + 1])) for i in range(0, len(fields), 2)]


def write_fake_program(root, body, name="fake-dirhop"):
    """A stand-in for dirhop in `root`: a sh script of `body`; returns its path."""
    path = os.path.join(root, name)
    with open(path, "w") as f:
        f.write("#!/bin/sh\n" + body)
    os.chmod(path, 0o755)
    return path


def make_awkward_tree(case, names):
    """Under `case`'s tree, for each of `names`: direct/NAME, to be typed, and searchN/NAME, the
    only directory in searchN, to be found by a search without typing it. Returns the searchN
    folders, in the order of `names`."""
    parents = []
    for i, name in enumerate(names):
        os.makedirs(case.path("direct", name))
        os.makedirs(case.path("search%d" % i, name))
        parents.append("search%d" % i)
    return parents


def write_barrier_program(root):
    """A stand-in that runs $DIRHOP_REAL, appends its hand-off file's name to root/handoffs and
    then waits (up to 30 s) until a second run has written its result too, so that both hand-off
    files hold a result at the same time before either shell reads. Returns (program, barrier
    directory with one entry per run, log file)."""
    barrier = os.path.join(root, "barrier")
    os.makedirs(barrier)
    log = os.path.join(root, "handoffs")
    program = write_fake_program(root,
        '"$DIRHOP_REAL" "$@"; rc=$?\n'
        'echo "$DIRHOP_HANDOFF" >>"%s"\n'
        'touch "%s/$$"\n'
        'n=0; while [ "$(ls "%s" | wc -l)" -lt 2 ] && [ $n -lt 600 ]; do '
        'sleep 0.05; n=$((n+1)); done\n'
        'exit $rc\n' % (log, barrier, barrier))
    return program, barrier, log


class PosixShellTestCase(E2ETestCase):
    """Natively only: the shells run the wrappers against the built program."""

    def setUp(self):
        super().setUp()
        if self.target.windows:
            self.skipTest("bash, zsh and fish wrappers are for the POSIX program")
        # A TMPDIR of its own shows whether the wrappers leave temporary files behind.
        self.tmpdir = os.path.join(self.root, "tmp")
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.tmpdir)
        os.makedirs(self.home)
        self.results = os.path.join(self.root, "results")

    def need(self, shell):
        if shutil.which(shell) is None:
            self.skipTest(shell + " is not installed")

    def shell_env(self, script, program=None):
        env = self.target.base_env()
        # A UTF-8 locale, as a user of names in any script has.
        env.update({"HOME": self.home, "TMPDIR": self.tmpdir, "TERM": "xterm", "LC_ALL": "C.UTF-8",
                    "DIRHOP_PROGRAM": program or self.target.program,
                    "DIRHOP_TEST_RESULTS": self.results})
        env.update(script.env)
        return env

    def run_script(self, script, program=None, env=None, timeout=60):
        """Runs the script; returns (shell exit code, [(c exit code, directory)], output)."""
        if os.path.exists(self.results):
            os.remove(self.results)
        path = os.path.join(self.root, "script." + script.shell)
        with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
            f.write(script.text())
        full_env = self.shell_env(script, program)
        full_env.update(env or {})
        proc = subprocess.run(shell_command(script.shell, path), cwd=self.root, env=full_env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=timeout)
        return proc.returncode, read_results(self.results), proc.stdout.decode("utf-8", "replace")

    def assertNoTemporaryFiles(self):
        self.assertEqual(os.listdir(self.tmpdir), [], "the wrapper left temporary files")

    def fake_program(self, body):
        """A stand-in for dirhop: a sh script of `body`."""
        return write_fake_program(self.root, body)


class PosixShells(PosixShellTestCase):
    def test_any_directory_name_is_reached(self):
        parents = make_awkward_tree(self, AWKWARD_NAMES)
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                for name in AWKWARD_NAMES:
                    # A full path: "." would be read as the parent, "-" as an option.
                    script.step([self.path("direct", name)], self.path("direct"))
                for parent in parents:
                    script.step([parent + "/*"], self.tree)
                _, results, output = self.run_script(script)
                expected = [(0, self.path("direct", name)) for name in AWKWARD_NAMES]
                expected += [(0, self.path(parent, name))
                             for parent, name in zip(parents, AWKWARD_NAMES)]
                self.assertEqual(results, expected, output)
                self.assertFalse(os.path.exists(self.path("direct", "pwned")))
                self.assertFalse(os.path.exists(os.path.join(self.root, "pwned")))
                self.assertNoTemporaryFiles()

    def test_search_words_and_abbreviations_reach_the_shell(self):
        self.mkdirs("projects/src", "Windows", "my dir/deep")
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                script.step(["pro/sr"], self.tree)
                script.step(["wndows"], self.tree)
                script.step(["my", "dir"], self.tree)          # words joined by one space
                script.step(["..."], self.path("my dir", "deep"))
                script.step(["-"], self.tree)                    # back through the history
                _, results, output = self.run_script(script)
                self.assertEqual(results, [
                    (0, self.path("projects", "src")), (0, self.path("Windows")),
                    (0, self.path("my dir")), (0, self.tree), (0, self.path("my dir", "deep")),
                ], output)

    def test_unicode_names_typed_as_they_are_stored(self):
        # Each word typed in the form the name has on disk: composed, CJK, decomposed, and the
        # bytes of a name that is not UTF-8.
        self.mkdirs(*("intl/" + name for name in UNICODE_NAMES), "intl/Res")
        words = ["intl/\u00dcb", "intl/\u65e5\u672c", "intl/Re\u0301s", "intl/" + UNICODE_NAMES[3]]
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                for word in words:
                    script.step([word], self.tree)
                _, results, output = self.run_script(script)
                self.assertEqual(results, [(0, self.path("intl", name)) for name in UNICODE_NAMES],
                                 output)

    def test_unicode_names_typed_in_another_form(self):
        # Matching by characters: another case, no accents, the composed form of a decomposed
        # name and the other way round all lead to the one name there is.
        self.mkdirs("intl/\u00dcbung", "intl/Re\u0301sume\u0301", "intl/Cr\u00e8me")
        cases = [("intl/\u00fcbung", "\u00dcbung"), ("intl/ubung", "\u00dcbung"),
                 ("intl/R\u00e9sum\u00e9", "Re\u0301sume\u0301"), ("intl/resume", "Re\u0301sume\u0301"),
                 ("intl/cre\u0300me", "Cr\u00e8me"), ("intl/CREME", "Cr\u00e8me")]
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                for word, _ in cases:
                    script.step([word], self.tree)
                _, results, output = self.run_script(script)
                self.assertEqual(results, [(0, self.path("intl", name)) for _, name in cases],
                                 output)

    def test_exit_codes_are_passed_on_and_nothing_else_moves(self):
        stays = self.path("start")
        os.makedirs(stays)
        cd_fails = self.fake_program(
            "printf \"cd -- '%s'\\n\" /nonexistent/dir >\"$DIRHOP_HANDOFF\"\nexit 0\n")
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                script.step(["-0"], stays)              # invalid history index
                script.step(["nothing-here"], stays)    # nothing found, the question answered no
                script.step(["-?"], stays)              # usage screen
                script.step(["p?oj/new"], stays)        # single creation prompt declined
                script.step(["--version"], stays)       # prints the version
                script.step([], stays)                  # goes home, as cd does
                _, results, output = self.run_script(script)
                self.assertEqual(results, [(243, stays), (255, stays), (250, stays),
                                           (0, stays), (0, stays), (0, self.home)], output)
                self.assertIn("Dirhop: Invalid history index '0'", output)
                self.assertIn("dirhop 3.1\n", output)
                # A program that cannot be run: the shell's 127, nothing changes.
                script = ShellScript(shell, posix_wrapper(shell))
                script.step(["x"], stays)
                _, results, _ = self.run_script(script, program=os.path.join(self.root, "none"))
                self.assertEqual(results, [(127, stays)])
                # The program hands off a directory the shell cannot enter: c fails.
                _, results, _ = self.run_script(script, program=cd_fails)
                self.assertEqual(results, [(1, stays)])
                self.assertNoTemporaryFiles()

    def test_fish_private_mode_records_nothing(self):
        self.need("fish")
        self.mkdirs("secret-project")
        for private in (False, True):
            with self.subTest(private=private):
                open(os.path.join(self.config, "dirhop", "registry"), "w").close()
                script = ShellScript("fish", posix_wrapper("fish"), private=private)
                script.step(["secret-project"], self.tree)
                _, results, output = self.run_script(script)
                self.assertEqual(results, [(0, self.path("secret-project"))], output)
                listed = self.target.run(["-h"], self.root).text
                self.assertEqual("secret-project" in listed, not private, listed)

    def test_assignments_typed_before_c_reach_dirhop(self):
        # bash gives `NAME=value c` to the first command of c's alias; zsh's alias is noglob.
        # dirhop reads an empty variable as an unset one, and so does this program.
        out = os.path.join(self.root, "seen")
        program = self.fake_program('echo "[${NO_COLOR:-unset}] [${DIRHOP:-unset}]" >>"%s"\n'
                                    'echo "# rem" >"$DIRHOP_HANDOFF"\n' % out)
        for shell in ("bash", "zsh"):
            with self.subTest(shell=shell):
                self.need(shell)
                if os.path.exists(out):
                    os.remove(out)
                script = ShellScript(shell, posix_wrapper(shell))
                script.lines.insert(0, "shopt -s expand_aliases" if shell == "bash" else ":")
                script.raw("NO_COLOR=1 c x")
                script.raw("c x")
                script.raw("DIRHOP=/a/b NO_COLOR= c x")
                script.raw("NO_COLOR=1 c x")
                script.raw('echo "[${NO_COLOR:-unset}] [${DIRHOP:-unset}]" >>%s' % out)
                self.run_script(script, program=program)
                with open(out) as f:
                    self.assertEqual(f.read().splitlines(),
                                     ["[1] [unset]", "[unset] [unset]", "[unset] [/a/b]",
                                      "[1] [unset]", "[unset] [unset]"])

    def test_set_e_and_set_u_users(self):
        self.mkdirs("sub")
        for shell in ("bash", "zsh"):
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                script.lines.insert(0, "set -eu")
                script.step([], self.tree)               # no arguments under set -u: home
                script.step(["sub"], self.tree)
                script.raw("if c -0; then report went; else report $?; fi")
                script.raw("c -0")                        # ends the script, as cd would
                script.raw("report never")
                code, results, output = self.run_script(script)
                self.assertEqual(code, 243, output)
                self.assertEqual(results, [(0, self.home), (0, self.path("sub")),
                                           (243, self.path("sub"))], output)
                self.assertNotIn("unbound", output)
                self.assertNoTemporaryFiles()

    def test_alias_named_c_and_redefined_cd_do_not_interfere(self):
        self.mkdirs("sub")
        for shell in ("bash", "zsh"):
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                # Sourced after these, as from a start-up file that defines them first.
                script.lines.insert(0, "shopt -s expand_aliases" if shell == "bash" else ":")
                script.lines.insert(1, "alias c='echo ALIAS'")
                script.lines.insert(2, "cd() { echo CD-FUNCTION; return 1; }")
                script.step(["sub"], self.tree)
                _, results, output = self.run_script(script)
                self.assertEqual(results, [(0, self.path("sub"))], output)
                self.assertNotIn("ALIAS", output)
                self.assertNotIn("CD-FUNCTION", output)

    def test_zsh_options_that_change_expansion(self):
        self.need("zsh")
        name = "it's a $dir with  spaces"
        os.makedirs(self.path(name))
        script = ShellScript("zsh", posix_wrapper("zsh"))
        script.lines.insert(0, "setopt sh_word_split ksh_arrays rc_quotes no_unset "
                               "glob_subst auto_pushd chase_links")
        script.step([self.path(name)], self.tree)
        # auto_pushd: the test's own cd and then c's cd each put a directory on the stack.
        script.raw("report ${#dirstack[@]}")
        _, results, output = self.run_script(script)
        self.assertEqual(results, [(0, self.path(name)), (2, self.path(name))], output)

    def test_program_found_beside_an_installed_wrapper(self):
        # <prefix>/share/dirhop/dirhop.bash finds <prefix>/bin/dirhop when DIRHOP_PROGRAM is
        # unset and no dirhop is on PATH.
        prefix = os.path.join(self.root, "prefix")
        os.makedirs(os.path.join(prefix, "bin"))
        os.makedirs(os.path.join(prefix, "share", "dirhop"))
        os.symlink(self.target.program, os.path.join(prefix, "bin", "dirhop"))
        for name in ("dirhop.bash", "dirhop.fish"):
            shutil.copy(os.path.join(SHELL_DIR, name), os.path.join(prefix, "share", "dirhop"))
        self.mkdirs("sub")
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                wrapper = os.path.join(prefix, "share", "dirhop",
                                       "dirhop.fish" if shell == "fish" else "dirhop.bash")
                script = ShellScript(shell, wrapper)
                script.step(["sub"], self.tree)
                script.step(["sub"], self.tree)
                env = {"PATH": "/usr/bin:/bin"}
                full = self.shell_env(script)
                del full["DIRHOP_PROGRAM"]
                full.update(env)
                path = os.path.join(self.root, "script." + shell)
                with open(path, "w") as f:
                    f.write(script.text())
                if os.path.exists(self.results):
                    os.remove(self.results)
                # Started from elsewhere, with the wrapper named by a relative path.
                relative = os.path.relpath(wrapper, self.home)
                full["DIRHOP_TEST_WRAPPER"] = relative
                proc = subprocess.run(shell_command(shell, path), cwd=self.home, env=full,
                                      stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                      stderr=subprocess.STDOUT, timeout=60)
                self.assertEqual(read_results(self.results),
                                 [(0, self.path("sub")), (0, self.path("sub"))], proc.stdout)

    def test_two_shells_at_once_keep_their_own_results(self):
        self.mkdirs("alpha", "beta")
        slow, barrier, log = write_barrier_program(self.root)
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                for entry in os.listdir(barrier):
                    os.remove(os.path.join(barrier, entry))
                if os.path.exists(log):
                    os.remove(log)
                procs = []
                for name in ("alpha", "beta"):
                    script = ShellScript(shell, posix_wrapper(shell))
                    script.step([name], self.tree)
                    results = os.path.join(self.root, "results-" + name)
                    path = os.path.join(self.root, "script-%s.%s" % (name, shell))
                    with open(path, "w") as f:
                        f.write(script.text())
                    env = self.shell_env(script, program=slow)
                    env.update({"DIRHOP_REAL": self.target.program,
                                "DIRHOP_TEST_RESULTS": results})
                    if os.path.exists(results):
                        os.remove(results)
                    procs.append((name, results, subprocess.Popen(
                        shell_command(shell, path), cwd=self.root, env=env,
                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                        stderr=subprocess.STDOUT)))
                for name, results, proc in procs:
                    output = proc.communicate(timeout=60)[0]
                    self.assertEqual(read_results(results), [(0, self.path(name))], output)
                self.assertEqual(len(os.listdir(barrier)), 2)
                with open(log) as f:
                    used = f.read().split()
                self.assertEqual(len(set(used)), 2, used)
                self.assertNoTemporaryFiles()

    def test_chooser_and_creation_prompt_in_a_terminal(self):
        self.mkdirs("Projects/src", "Prototype/src", "lone/proj")
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                if os.path.isdir(self.path("lone", "proj", "newdir")):
                    os.rmdir(self.path("lone", "proj", "newdir"))
                script = ShellScript(shell, posix_wrapper(shell))
                script.step(["pro/sr"], self.tree)
                script.step(["p?oj/newdir"], self.path("lone"))
                script.step(["p?oj/newdir"], self.path("lone"))
                path = os.path.join(self.root, "script." + shell)
                with open(path, "w") as f:
                    f.write(script.text())
                if os.path.exists(self.results):
                    os.remove(self.results)
                code, screen = harness.run_in_pty(
                    shell_command(shell, path), self.shell_env(script), self.root,
                    [(FOOTER, b"b"), ("[y/N] ? ", b"n"), ("[y/N] ? ", b"y")])
                self.assertEqual(code, 0, screen)
                self.assertIn("Change directory to (a-b or Escape to exit)? b", screen)
                self.assertEqual(read_results(self.results), [
                    (0, self.path("Prototype", "src")),
                    (255, self.path("lone")),
                    (0, self.path("lone", "proj", "newdir")),
                ], screen)
                self.assertNoTemporaryFiles()


class CmdBatch(E2ETestCase):
    """c.bat in Wine's cmd. cmd commands go into a .bat file (Wine would quote a command line's
    double quotes). Wine's cmd loses a called batch file's `exit /b` code (it reports 1), so the
    exit codes are read from cmd's own exit code, with c.bat as the last command of the file."""

    def setUp(self):
        super().setUp()
        if not self.target.windows:
            self.skipTest("c.bat is for cmd on Windows")
        # c.bat beside the program, and a second copy alone (it then takes dirhop.exe from PATH).
        self.beside = os.path.join(self.root, "beside")
        self.alone = os.path.join(self.root, "alone")
        for folder in (self.beside, self.alone):
            os.makedirs(folder)
            shutil.copy(os.path.join(SHELL_DIR, "c.bat"), folder)
        os.symlink(self.target.program, os.path.join(self.beside, "dirhop.exe"))

    def win(self, unix_path):
        return self.target.host_path(unix_path)

    def cmd(self, lines, options=()):
        """Runs the lines as a batch file in Wine's cmd, started with `options`: (exit code,
        output)."""
        bat = os.path.join(self.root, "steps.bat")
        with open(bat, "wb") as f:
            f.write(("@echo off\r\n" + "\r\n".join(lines) + "\r\n").encode("latin-1"))
        proc = subprocess.run(["wine", "cmd"] + list(options) + ["/c", self.win(bat)],
                              env=self.target.base_env(),
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=120)
        return proc.returncode, proc.stdout.replace(b"\r\n", b"\n").decode("latin-1")

    def directories_after(self, calls, folder=None, options=()):
        """For each (arguments) of `calls`: start in the tree, `call c.bat arguments`, and read
        cmd's directory afterwards. Then the directory that `popd` goes back to: where the
        batch file started, when the calls have left cmd's directory stack as it was."""
        c_bat = self.win(os.path.join(folder or self.beside, "c.bat"))
        lines = ["cd /d " + self.win(self.root), "pushd " + self.win(self.tree)]
        for args in calls:
            lines += ["cd /d " + self.win(self.tree), 'call "%s" %s' % (c_bat, args),
                      "echo @@dir", "cd"]
        lines += ["popd", "echo @@dir", "cd"]
        code, output = self.cmd(lines, options)
        found = re.findall(r"^@@dir\n(.*)$", output, re.M)
        self.assertEqual(len(found), len(calls) + 1, output)
        self.assertEqual(found[-1], self.win(self.root), "the directory stack changed")
        return found[:-1]

    def test_file_is_a_batch_file_with_crlf_lines(self):
        with open(os.path.join(SHELL_DIR, "c.bat"), "rb") as f:
            data = f.read()
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), "line ends must all be CR LF")

    def test_changes_cmds_directory_for_awkward_names(self):
        names = ["sub", "100%", "a%PATH%b", "my dir", "x&y", "it's", "(paren)", "semi;colon",
                 "caret^", "bang!", "50%%off"]
        calls = []
        for i, name in enumerate(names):
            # Found by the search, so the name itself need not be typed at cmd's prompt.
            os.makedirs(self.path("p%d" % i, name))
            calls.append("p%d\\*" % i)
        self.mkdirs("plain dir/deeper")
        calls.append('"plain dir\\deeper"')
        calls.append("..")
        found = self.directories_after(calls)
        expected = [self.win(self.path("p%d" % i, name)) for i, name in enumerate(names)]
        expected += [self.win(self.path("plain dir", "deeper")), self.win(self.root)]
        self.assertEqual(found, expected)

    def test_delayed_expansion_changes_no_name(self):
        # cmd /v:on expands !NAME! and drops a lone ! even inside quotes; the hand-off for a name
        # with a ! turns it off. Names with %, ^ and & as well, with and without delayed
        # expansion, and the directory stack is left as it was.
        names = ["a!PATH!b", "bang!", "!", "!!", "e^!f", "^!^", "%!%", "a%PATH%!b", "x&y!",
                 "(p!)", "a^^!b", "50%%off!", "!COMSPEC!", "100%", "a%PATH%b", "caret^", "x&y"]
        calls = []
        for i, name in enumerate(names):
            os.makedirs(self.path("p%d" % i, name))
            calls.append("p%d\\*" % i)
        expected = [self.win(self.path("p%d" % i, name)) for i, name in enumerate(names)]
        for options in ([], ["/v:on"], ["/v:off"]):
            with self.subTest(options=options):
                self.assertEqual(self.directories_after(calls, options=options), expected)

    def test_program_taken_from_path_when_not_beside(self):
        self.mkdirs("sub")
        program_dir = self.win(os.path.dirname(self.target.program))
        c_bat = self.win(os.path.join(self.alone, "c.bat"))
        code, output = self.cmd([
            "set PATH=%s;%%PATH%%" % program_dir,
            "cd /d " + self.win(self.tree), 'call "%s" sub' % c_bat, "echo @@dir", "cd"])
        self.assertIn("@@dir\n%s\n" % self.win(self.path("sub")), output)

    def test_exit_codes_survive_the_hand_off(self):
        self.mkdirs("sub")
        c_bat = self.win(os.path.join(self.beside, "c.bat"))
        start = "cd /d " + self.win(self.tree)
        code, output = self.cmd([start, '"%s" sub' % c_bat])
        self.assertEqual(code, 0, output)
        code, output = self.cmd([start, '"%s" -0' % c_bat])
        self.assertEqual(code, 243, output)
        self.assertIn("Dirhop: Invalid history index '0'", output)
        # Without TEMP the program fails before writing anything: its code, not the failed call's.
        code, output = self.cmd([start, "set TEMP=", '"%s" sub' % c_bat])
        self.assertEqual(code, 243, output)
        self.assertIn("the environment variable TEMP is not defined", output)
        # No program at all: cmd's 9009 ("not recognised"), seen modulo 256 through Wine.
        c_alone = self.win(os.path.join(self.alone, "c.bat"))
        code, output = self.cmd([start, "set PATH=C:\\windows\\system32", '"%s" sub' % c_alone])
        self.assertEqual(code, 9009 % 256, output)

    def test_result_of_an_earlier_run_is_not_taken_again(self):
        self.mkdirs("sub")
        c_alone = self.win(os.path.join(self.alone, "c.bat"))
        # What a successful earlier run leaves: a change to "sub". (Two echo lines: Wine's cmd
        # loses a redirected parenthesised block here.)
        stale = ['echo Z:> "%TEMP%\\dirhop2.bat"',
                 'echo chdir "%s">> "%%TEMP%%\\dirhop2.bat"' % self.win(self.path("sub"))[2:]]
        start = "cd /d " + self.win(self.tree)
        code, output = self.cmd(
            [start] + stale + ['call "%TEMP%\\dirhop2.bat"', "echo @@control", "cd"] +
            [start] + stale + ["set PATH=C:\\windows\\system32",
                               'call "%s" sub' % c_alone, "echo @@dir", "cd"])
        # The stale file does move cmd when called; c.bat without a program does not call it.
        self.assertIn("@@control\n%s\n" % self.win(self.path("sub")), output)
        self.assertIn("@@dir\n%s\n" % self.win(self.tree), output)

    def test_hand_off_file_named_by_dirhop_handoff(self):
        self.mkdirs("sub")
        chosen = self.win(os.path.join(self.root, "chosen.bat"))
        code, output = self.cmd([
            "set DIRHOP_HANDOFF=" + chosen, "cd /d " + self.win(self.tree),
            'call "%s" sub' % self.win(os.path.join(self.beside, "c.bat")), "echo @@dir", "cd"])
        self.assertIn("@@dir\n%s\n" % self.win(self.path("sub")), output)
        self.assertTrue(os.path.exists(os.path.join(self.root, "chosen.bat")))


def powershell_rules():
    """The line patterns that shell/dirhop.ps1 declares, and a Python rendering of its
    ConvertFrom-DirhopHandoff: .NET and Python read these plain patterns (anchors, a character
    class, numbered groups) the same way."""
    with open(os.path.join(SHELL_DIR, "dirhop.ps1"), encoding="utf-8") as f:
        text = f.read()
    patterns = dict(re.findall(r"^\$global:(Dirhop\w+) = '([^']*)'$", text, re.M))
    body = text[text.index("function global:ConvertFrom-DirhopHandoff"):
                text.index("function global:c ")]

    def convert(lines):
        lines = [line for line in lines
                 if line != "" and not re.search(patterns["DirhopFrameLine"], line)]
        drive = re.search(patterns["DirhopDriveLine"], lines[0]) if len(lines) == 2 else None
        if drive:
            chdir = re.search(patterns["DirhopChdirLine"], lines[1])
            if chdir:
                return drive.group(1) + re.sub(patterns["DirhopDoubledPercent"], "%",
                                               chdir.group(1))
        elif len(lines) == 1:
            chdir = re.search(patterns["DirhopChdirLine"], lines[0])
            if chdir:
                return re.sub(patterns["DirhopDoubledPercent"], "%", chdir.group(1))
        return None

    return patterns, body, convert


def read_all_lines(data):
    """What .NET's File.ReadAllLines returns for the bytes: lines split at CR LF, LF or CR."""
    return re.split(r"\r\n|\n|\r", data.decode("latin-1"))[:-1] if data else []


class PowerShellHandoff(E2ETestCase):
    """PowerShell is not available here: the parsing rules of dirhop.ps1 are applied to the
    hand-off files that dirhop.exe writes."""

    def setUp(self):
        super().setUp()
        if not self.target.windows:
            self.skipTest("the PowerShell function reads the batch files of dirhop.exe")
        self.patterns, self.body, self.convert = powershell_rules()

    def test_rules_are_the_ones_the_function_uses(self):
        self.assertEqual(set(self.patterns), {"DirhopDriveLine", "DirhopChdirLine",
                                              "DirhopDoubledPercent", "DirhopFrameLine"})
        for name in self.patterns:
            self.assertIn("$" + name, self.body)
        with open(os.path.join(SHELL_DIR, "dirhop.ps1"), encoding="utf-8") as f:
            script = f.read()
        self.assertIn("Set-Location -LiteralPath $target", script)
        self.assertIn("SetEnvironmentVariable('DIRHOP_HANDOFF', $handoff)", script)

    def test_real_hand_off_files_give_the_directory_entered(self):
        names = ["sub", "100%", "a%PATH%b", "50%%off", "my dir", "it's", "x&y", "(p)", "^c",
                 "a!PATH!b", "%!%", "popd"]
        self.mkdirs(*names)
        handoff = os.path.join(self.root, "handoff.bat")
        for name in names:
            with self.subTest(name=name):
                r = self.c(name, handoff=handoff)
                self.assertEqual(r.code, 0, r)
                self.assertEqual(self.convert(read_all_lines(r.handoff)),
                                 self.target.host_path(self.path(name)))
        # A drive root, through a drive of its own.
        self.target.drive("d", self.tree)
        try:
            r = self.c("D:\\", handoff=handoff)
            self.assertEqual(self.convert(read_all_lines(r.handoff)), "D:\\")
            r = self.c("d:sub", handoff=handoff)
            self.assertEqual(self.convert(read_all_lines(r.handoff)), "D:\\sub")
        finally:
            self.target.drop_drive("d")
        # The placeholder of a run without a result means: stay.
        r = self.c("-0", handoff=handoff)
        self.assertEqual(r.handoff, b"rem\r\n")
        self.assertIsNone(self.convert(read_all_lines(r.handoff)))

    def test_unc_and_unexpected_contents(self):
        # Wine cannot enter a UNC directory; this is the line dirhop.exe writes for one.
        self.assertEqual(self.convert(read_all_lines(b'chdir "\\\\srv\\share\\100%%"\r\n')),
                         "\\\\srv\\share\\100%")
        self.assertEqual(self.convert(read_all_lines(
            b'setlocal DisableDelayedExpansion\r\nchdir "\\\\srv\\s!"\r\npushd .\r\nendlocal\r\n'
            b'popd\r\n')), "\\\\srv\\s!")
        for data in (b"", b"rem\r\n", b"C:\r\n", b"echo hi\r\n", b'C:\r\necho "x"\r\n',
                     b"setlocal DisableDelayedExpansion\r\npushd .\r\nendlocal\r\npopd\r\n",
                     b'C:\r\nchdir "\\a"\r\nchdir "\\b"\r\n', b'chdir ""\r\n'):
            with self.subTest(data=data):
                self.assertIsNone(self.convert(read_all_lines(data)))


if __name__ == "__main__":
    harness.main()
