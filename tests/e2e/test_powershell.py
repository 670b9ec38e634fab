"""End to end: the command `c` of shell/dirhop.ps1 in real PowerShell 7 (pwsh) on this system.

Natively only: pwsh loads dirhop.ps1 (dot-sourced, from `dirhop --init powershell`, or installed
beside the program) and `c` changes its location for any directory name, passes dirhop's exit code
on in $LASTEXITCODE, never repeats an earlier jump, keeps one private hand-off file per session,
hands -? to dirhop and completes options, alias names and directories. pwsh is found on PATH or
in ~/.dotnet/tools (scripts/install-deps installs it there when dotnet is present)."""

import os
import pwd
import re
import shutil
import subprocess
import time

import harness
from harness import E2ETestCase
from test_shells import (UNICODE_NAMES, make_awkward_tree, write_barrier_program,
                         write_fake_program)

# The names of other scripts and forms that pwsh can hold: .NET reads a name that is not UTF-8
# with U+FFFD in place of its bytes, so such a name can be listed but never entered (see
# test_missing_program_and_directory_that_cannot_be_entered).
PWSH_UNICODE_NAMES = UNICODE_NAMES[:3]

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", ".."))
WRAPPER = os.path.join(SOURCE, "shell", "dirhop.ps1")

FOOTER = "exit)? "

# Directory names that break careless quoting in PowerShell or in sh: quotes (PowerShell takes
# the typographic ones as quotes too), $, backtick, wildcards (PowerShell's include [ and ]), a
# leading - or ~, %, line feeds, unicode. (Not a backslash: PowerShell takes it for a directory
# separator on every system, so Set-Location cannot enter such a directory; see
# test_missing_program_and_directory_that_cannot_be_entered.)
AWKWARD_NAMES = [
    "my dir", " lead and trail ", "it's", "two''quotes", 'say "hi"', "$HOME", "$(touch pwned)",
    "`touch pwned`", "back`tick", "semi;colon&amp", "a[b]", "[ab]", "*star?",
    "new\nline", "trail\n", "tab\tname", "-dash", "--", "100%", "~tilde", "#hash", "{a,b}",
    "@at", "\u2018curly\u2019", "\u201cdouble\u201d", "\u00fcml\u00e4ut", "010",
] + PWSH_UNICODE_NAMES


def find_pwsh():
    found = shutil.which("pwsh")
    if found:
        return found
    tool = os.path.expanduser("~/.dotnet/tools/pwsh")
    return tool if os.access(tool, os.X_OK) else None


def ps_quote(text):
    """`text` as a PowerShell single-quoted string (typographic single quotes count too)."""
    for quote in ("'", "\u2018", "\u2019", "\u201a", "\u201b"):
        text = text.replace(quote, quote + quote)
    return "'" + text + "'"


# Loads the wrapper and defines `Report`, which appends a value and the location, NUL-separated,
# to the results file.
PROLOGUE = r"""
$PSStyle.OutputRendering = 'PlainText'
function Report($value) {
    [IO.File]::AppendAllText($env:DIRHOP_TEST_RESULTS, "$value`0$((Get-Location).ProviderPath)`0")
}
"""

DOT_SOURCE = ". $env:DIRHOP_TEST_WRAPPER\n"


def init_load(program):
    """The README's line for a profile, run with `program`: core parts and the stubs of the jump
    and of the completion."""
    return ". ([scriptblock]::Create((& %s --init powershell) -join [char]10))\n" % (
        ps_quote(program))


class PowerShellTestCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        if self.target.windows:
            self.skipTest("pwsh runs the POSIX program here; under Wine the batch hand-off rules "
                          "of dirhop.ps1 are checked by test_shells.PowerShellHandoff")
        self.pwsh = find_pwsh()
        if self.pwsh is None:
            self.skipTest("pwsh is not installed (on PATH or in ~/.dotnet/tools): "
                          "dotnet tool install --global PowerShell --version 7.6.10")
        self.tmpdir = os.path.join(self.root, "tmp")
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.tmpdir)
        os.makedirs(self.home)
        self.results = os.path.join(self.root, "results")

    def pwsh_env(self, program=None, **extra):
        env = self.target.base_env()
        env.pop("XDG_RUNTIME_DIR", None)
        env.update({"HOME": self.home, "TMPDIR": self.tmpdir, "TERM": "xterm", "NO_COLOR": "1",
                    "LC_ALL": "C.UTF-8",
                    "DIRHOP_PROGRAM": program or self.target.program,
                    "DIRHOP_TEST_RESULTS": self.results, "DIRHOP_TEST_WRAPPER": WRAPPER,
                    "POWERSHELL_TELEMETRY_OPTOUT": "1", "POWERSHELL_UPDATECHECK": "Off"})
        env.update(extra)
        return {k: v for k, v in env.items() if v is not None}

    def write_script(self, body, load=DOT_SOURCE, name="script.ps1"):
        path = os.path.join(self.root, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(PROLOGUE + load + body)
        return path

    def command(self, path):
        return [self.pwsh, "-NoProfile", "-NonInteractive", "-File", path]

    def run_ps(self, body, load=DOT_SOURCE, env=None, cwd=None, timeout=120):
        """Runs a script in pwsh: (pwsh exit code, [(value, location)], output)."""
        if os.path.exists(self.results):
            os.remove(self.results)
        path = self.write_script(body, load)
        proc = subprocess.run(self.command(path), cwd=cwd or self.root,
                              env=env or self.pwsh_env(), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
        return proc.returncode, self.read_results(), proc.stdout.decode("utf-8", "replace")

    def read_results(self, path=None):
        path = path or self.results
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            fields = f.read().split("\0")[:-1]
        return [(fields[i], fields[i + 1]) for i in range(0, len(fields), 2)]

    def fake_program(self, body, name="fake-dirhop"):
        """A stand-in for dirhop: a sh script of `body`."""
        return write_fake_program(self.root, body, name)

    def assertNoTemporaryFiles(self):
        self.assertEqual(os.listdir(self.tmpdir), [], "the session left files behind")


def step(args, start):
    """PowerShell lines: go to `start`, run c with `args` (each a quoted string), report the
    exit code and the location."""
    return "Set-Location -LiteralPath %s; c %s; Report $LASTEXITCODE\n" % (
        ps_quote(start), " ".join(ps_quote(a) for a in args))


class Jumps(PowerShellTestCase):
    def test_any_directory_name_is_reached(self):
        parents = make_awkward_tree(self, AWKWARD_NAMES)
        body = "".join(step([self.path("direct", name)], self.path("direct"))
                       for name in AWKWARD_NAMES)
        body += "".join(step([parent + "/*"], self.tree) for parent in parents)
        _, results, output = self.run_ps(body)
        expected = [("0", self.path("direct", name)) for name in AWKWARD_NAMES]
        expected += [("0", self.path(parent, name)) for parent, name in zip(parents, AWKWARD_NAMES)]
        self.assertEqual(results, expected, output)
        self.assertFalse(os.path.exists(self.path("direct", "pwned")))
        self.assertFalse(os.path.exists(self.path("pwned")))
        self.assertNoTemporaryFiles()

    def test_words_reach_dirhop_as_typed(self):
        # Typed unquoted: PowerShell globs and tilde-expands a program's bare words on POSIX, and
        # reads 010 as a number; `c` hands dirhop the text itself, also when the first `c` is the
        # stub that --init prints and hands the words on to the `c` it loads.
        self.mkdirs("xa", "xb", "010", "10", "my dir", "home-sub")
        os.makedirs(os.path.join(self.home, "docs"))
        typed = ["010", "x*", "my dir", "~/docs", "~", "", "a b c d e f"]
        here = "Set-Location -LiteralPath %s; " % ps_quote(self.tree)
        # x* matches both: the chooser, which ends at once without a console.
        body = "".join(here + "c %s; Report $LASTEXITCODE\n" % words for words in typed)
        record = os.path.join(self.root, "argv")
        # The arguments as the program gets them, one per line, then the real run.
        recorder = self.fake_program(
            'for a in "$@"; do printf "%%s\\n" "$a"; done >>"%s"\necho -- >>"%s"\n'
            'exec "%s" "$@"\n' % (record, record, self.target.program))
        for load in (DOT_SOURCE, init_load(self.target.program)):
            with self.subTest(load=load):
                if os.path.exists(record):
                    os.remove(record)
                _, results, output = self.run_ps(body, load=load,
                                                 env=self.pwsh_env(program=recorder))
                with open(record, encoding="utf-8") as f:
                    argv = [a for a in f.read().split("--\n")[:-1] if not a.startswith("--init")]
                self.assertEqual(argv, ["010\n", "x*\n", "my\ndir\n", self.home + "/docs\n",
                                        self.home + "\n", "", "a\nb\nc\nd\ne\nf\n"], output)
                self.assertEqual(results[0], ("0", self.path("010")), output)
                self.assertEqual(results[1][1], self.tree, output)   # x*: a chooser, no tty
                self.assertEqual(results[2:6], [
                    ("0", self.path("my dir")), ("0", os.path.join(self.home, "docs")),
                    ("0", self.home), ("0", self.home)], output)

    def test_exit_codes_and_runs_without_a_result_do_not_move(self):
        self.mkdirs("sub", "start")
        stays = self.path("start")
        body = (
            # A jump first: what it leaves in the hand-off file must never be taken again.
            step([self.path("sub")], stays) +
            step(["-0"], stays) +                 # invalid history index
            step(["--version"], stays) +          # a query: exit 0, no hand-off written
            step(["--list", self.path("sub")], stays) +
            step(["--aliases"], stays) +
            step(["nothing-here"], stays) +       # nothing found, the question answered no
            "$global:LASTEXITCODE = 7\n" +
            step([self.path("sub")], stays) +     # 0 again after another code
            step(["-?"], stays))
        _, results, output = self.run_ps(body)
        self.assertEqual(results, [
            ("0", self.path("sub")), ("243", stays), ("0", stays), ("0", stays), ("0", stays),
            ("255", stays), ("0", self.path("sub")), ("250", stays)], output)
        self.assertIn("Dirhop: Invalid history index '0'", output)
        self.assertIn("dirhop 3.1\n", output)
        self.assertIn(self.path("sub") + "\n", output)   # what --list printed
        self.assertNoTemporaryFiles()

    def test_missing_program_and_directory_that_cannot_be_entered(self):
        self.mkdirs("start")
        stays = self.path("start")
        _, results, output = self.run_ps(
            step(["x"], stays), env=self.pwsh_env(program=os.path.join(self.root, "none")))
        self.assertEqual(results, [("127", stays)], output)
        cd_fails = self.fake_program(
            "printf \"cd -- '%s'\\n\" /nonexistent/dir >\"$DIRHOP_HANDOFF\"\nexit 0\n")
        _, results, output = self.run_ps(step(["x"], stays), env=self.pwsh_env(program=cd_fails))
        self.assertEqual(results, [("1", stays)], output)
        # PowerShell reads a backslash as a directory separator: dirhop finds the directory, c
        # reports that it cannot enter it.
        self.mkdirs("back\\slash")
        _, results, output = self.run_ps(step([self.path("back\\slash")], stays))
        self.assertEqual(results, [("1", stays)], output)
        self.assertIn("Cannot find path", output)
        # The same for a name that is not UTF-8: found by dirhop, read by .NET with U+FFFD.
        not_utf8 = UNICODE_NAMES[3]
        self.mkdirs("latin1/" + not_utf8)
        _, results, output = self.run_ps(step([self.path("latin1") + "/*"], stays))
        self.assertEqual(results, [("1", stays)], output)
        self.assertIn("Cannot find path", output)
        self.assertNoTemporaryFiles()

    def test_only_a_whole_cd_line_is_followed(self):
        self.mkdirs("start", "it's", "target")
        stays = self.path("start")
        target = self.path("target")
        content = os.path.join(self.root, "content")
        fake = self.fake_program('cat "%s" >"$DIRHOP_HANDOFF"\nexit 0\n' % content)
        quoted = "'" + self.path("it's").replace("'", "'\\''") + "'"
        cases = [
            ("cd -- '%s'\n" % target, target),
            ("cd -- '%s'" % target, target),                    # no line feed at the end
            ("cd -- %s\n" % quoted, self.path("it's")),
            ("# rem\n", stays),
            ("", stays),
            ("cd -- '%s'\n\n" % target, stays),                 # a second line
            ("cd -- '%s'; touch pwned\n" % target, stays),
            ("cd -- '%s' ; : '\n" % target, stays),
            ("cd '%s'\n" % target, stays),
            ("cd -- \"%s\"\n" % target, stays),
            ("cd -- '%s'x'\n" % target, stays),                 # a lone quote inside
            (" cd -- '%s'\n" % target, stays),
            ("cd -- '%s'\r\n" % target, stays),
            ("cd -- '" + "a" * 5000 + "\n", stays),             # never closed
        ]
        for data, expected in cases:
            with self.subTest(data=data[:60]):
                with open(content, "w") as f:
                    f.write(data)
                _, results, output = self.run_ps(step(["x"], stays),
                                                 env=self.pwsh_env(program=fake))
                self.assertEqual(results, [("0", expected)], output)
        self.assertFalse(os.path.exists(os.path.join(stays, "pwned")))

    def test_strict_mode_users(self):
        # A profile that turns strict mode on before loading the file.
        self.mkdirs("sub", "start")
        stays = self.path("start")
        strict = "Set-StrictMode -Version Latest\n" + DOT_SOURCE
        code, results, output = self.run_ps(
            step(["sub"], self.tree) + step(["--version"], stays) + step(["-0"], stays) +
            "Set-Location -LiteralPath %s\n" % ps_quote(self.tree) +
            "$r = TabExpansion2 -inputScript 'c su' -cursorColumn 4\n"
            "Report (($r.CompletionMatches | ForEach-Object { $_.CompletionText }) -join ',')\n",
            load=strict)
        self.assertEqual((code, results), (0, [
            ("0", self.path("sub")), ("0", stays), ("243", stays), ("sub/", self.tree)]), output)
        self.assertNotIn("cannot be retrieved", output)

    def test_windows_hand_off_read_the_same_way(self):
        # The Windows branch of `c` in real pwsh: a stand-in program writes the batch form that
        # dirhop.exe writes (here the one-line form, which names a directory without a drive):
        # in the OEM code page (u-umlaut is byte 0x81 in 437 and 850), or in UTF-8 between two chcp
        # lines for a name outside it.
        names = ["100%", "a!b", "x", "\u00fcbung", "\u03b1\u03b2\u03b3"]
        self.mkdirs("start", *names)
        stays = self.path("start")
        content = os.path.join(self.root, "content")
        fake = self.fake_program('cat "%s" >"$DIRHOP_HANDOFF"\nexit ${DIRHOP_TEST_CODE:-0}\n'
                                 % content)
        cases = [
            ('chdir "%s"\r\n' % self.path("100%").replace("%", "%%"), "0", self.path("100%")),
            ('setlocal DisableDelayedExpansion\r\nchdir "%s"\r\npushd .\r\nendlocal\r\n'
             'popd\r\n' % self.path("a!b"), "0", self.path("a!b")),
            ("rem\r\n", "0", stays),
            ('chdir "%s"\r\necho x\r\n' % self.path("x"), "0", stays),
            ('chdir "%s"\r\n' % self.path("x"), "3", stays),    # not read after a failure
            (('chdir "%s"\r\n' % self.path("\u00fcbung")).encode("cp850"), "0",
             self.path("\u00fcbung")),
            ('@chcp 65001 >nul\r\nchdir "%s"\r\n@chcp 850 >nul\r\n'
             % self.path("\u03b1\u03b2\u03b3"), "0", self.path("\u03b1\u03b2\u03b3")),
        ]
        load = DOT_SOURCE + "$global:DirhopOnWindows = $true\n"
        for data, code, expected in cases:
            with self.subTest(data=data):
                with open(content, "wb") as f:
                    f.write(data if isinstance(data, bytes) else data.encode("utf-8"))
                _, results, output = self.run_ps(
                    step(["x"], stays), load=load,
                    env=self.pwsh_env(program=fake, DIRHOP_TEST_CODE=code))
                self.assertEqual(results, [(code, expected)], output)

    def test_usage_screen_for_question_mark_and_help(self):
        self.mkdirs("start")
        stays = self.path("start")
        # Loaded from --init, the first word reaches the real `c` through the stub.
        for load in (DOT_SOURCE, init_load(self.target.program)):
            for word, code in (("-?", "250"), ("--help", "0")):
                with self.subTest(word=word, load=load):
                    # Typed, not quoted: the form PowerShell would take as a request for help.
                    _, results, output = self.run_ps(
                        "Set-Location -LiteralPath %s; c %s; Report $LASTEXITCODE\n"
                        % (ps_quote(stays), word), load=load)
                    self.assertEqual(results, [(code, stays)], output)
                    self.assertIn("Usage:", output)
                    self.assertIn("displays this usage screen", output)
                    self.assertNotIn("SYNTAX", output)       # PowerShell's own help for c

    def test_stubs_that_cannot_load_their_part_say_so_and_stay(self):
        # A program that gives no part (an older dirhop, a broken install): the stub reports it
        # and sets $LASTEXITCODE, every time, without calling itself; Tab offers nothing.
        self.mkdirs("start")
        stays = self.path("start")
        silent = self.fake_program("exit 0\n")
        body = (step(["x"], stays) + step(["x"], stays) +
                "$r = TabExpansion2 -inputScript 'c st' -cursorColumn 4\n"
                "Report ('{0} {1}' -f $r.CompletionMatches.Count, $LASTEXITCODE)\n")
        code, results, output = self.run_ps(body, load=init_load(self.target.program),
                                            env=self.pwsh_env(program=silent))
        self.assertEqual((code, results), (0, [("1", stays), ("1", stays), ("0 1", stays)]),
                         output)
        self.assertEqual(output.count("Dirhop: %s gave no New-DirhopSessionFile" % silent), 2,
                         output)
        self.assertNoTemporaryFiles()


class Sessions(PowerShellTestCase):
    def test_session_file_is_private_reused_and_removed(self):
        self.mkdirs("one", "two")
        runtime = os.path.join(self.root, "runtime")
        os.makedirs(runtime, mode=0o700)
        user = pwd.getpwuid(os.geteuid()).pw_name
        report_file = ("Report ('{0} {1}' -f $DirhopHandoff, "
                       "(& /usr/bin/stat -c '%i %a %F %U' -- $DirhopHandoff))\n")
        # Loading makes no file: the first jump makes it.
        body = ("Report ('before ' + [string] $DirhopHandoff)\n" +
                step(["one"], self.tree) + report_file +
                step(["two"], self.tree) + report_file +
                # Removed behind the session's back: the next jump makes another.
                "Remove-Item -LiteralPath $DirhopHandoff\n" +
                step(["one"], self.tree) + report_file +
                # Loading the file again keeps the session's file.
                DOT_SOURCE + report_file)
        for directory, extra in ((runtime, {"XDG_RUNTIME_DIR": runtime}),
                                 (self.tmpdir, {}),
                                 (self.tmpdir, {"XDG_RUNTIME_DIR": os.path.join(self.root, "no")})):
            with self.subTest(directory=directory, env=extra):
                code, results, output = self.run_ps(body, env=self.pwsh_env(**extra))
                self.assertEqual(code, 0, output)
                self.assertEqual(results[0][0], "before ", output)
                results = results[1:]
                files = [value for value, _ in results if not value.isdigit()]
                self.assertEqual(len(files), 4, output)
                self.assertEqual([r for r in results if r[0].isdigit()],
                                 [("0", self.path("one")), ("0", self.path("two")),
                                  ("0", self.path("one"))], output)
                names = [f.split(" ")[0] for f in files]
                inodes = [f.split(" ")[1] for f in files]
                self.assertEqual(os.path.dirname(names[0]), directory)
                self.assertNotRegex(os.path.basename(names[0]), r"\.fish$")
                for f in files:
                    # Mode 0600, a plain file (not a link), owned by the user running the test.
                    self.assertRegex(f, r" 600 regular (empty )?file %s$" % re.escape(user),
                                     output)
                # One file for the first jumps, a new one after the removal, kept on reloading.
                self.assertEqual(names[0], names[1])
                self.assertEqual(inodes[0], inodes[1])
                self.assertNotEqual(names[2], names[1])
                self.assertEqual(names[2], names[3])
                self.assertEqual(os.listdir(directory), [], "not removed at exit")
                self.assertNoTemporaryFiles()

    def test_file_of_a_session_whose_terminal_closed_goes_at_the_next_jump(self):
        # A pwsh whose terminal goes away (SIGHUP, here tmux's server killed) runs no exit hook,
        # so its file stays; the next session's first jump removes the files of sessions that
        # are gone, and that session removes its own at exit.
        tmux = shutil.which("tmux")
        if tmux is None:
            self.skipTest("tmux is not installed")
        self.mkdirs("one", "two")
        socket = os.path.join(self.root, "tmux-socket")
        script = self.write_script(step(["one"], self.tree), name="first.ps1")
        subprocess.run([tmux, "-S", socket, "-f", os.devnull, "new-session", "-d",
                        self.pwsh, "-NoProfile", "-NoExit", "-File", script],
                       env=self.pwsh_env(), check=True)
        self.addCleanup(subprocess.run, [tmux, "-S", socket, "kill-server"],
                        stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 120
        while self.read_results() != [("0", self.path("one"))]:
            self.assertLess(time.monotonic(), deadline, "the first session never jumped")
            time.sleep(0.2)
        # (.NET's own pipes and sockets of the killed process may stay beside it.)
        left = [name for name in os.listdir(self.tmpdir) if name.startswith("dirhop.")]
        self.assertEqual(len(left), 1, left)
        owner = int(left[0].split(".")[1])
        subprocess.run([tmux, "-S", socket, "kill-server"], check=True)
        while os.path.exists("/proc/%d" % owner):
            self.assertLess(time.monotonic(), deadline, "pwsh outlived its terminal")
            time.sleep(0.2)
        code, results, output = self.run_ps(step(["two"], self.tree))
        self.assertEqual((code, results), (0, [("0", self.path("two"))]), output)
        self.assertEqual([name for name in os.listdir(self.tmpdir) if name.startswith("dirhop.")],
                         [])

    def test_two_sessions_at_once_keep_their_own_results(self):
        self.mkdirs("alpha", "beta")
        slow, barrier, log = write_barrier_program(self.root)
        procs = []
        for name in ("alpha", "beta"):
            results = os.path.join(self.root, "results-" + name)
            path = self.write_script(step([name], self.tree), name="script-%s.ps1" % name)
            env = self.pwsh_env(program=slow, DIRHOP_REAL=self.target.program,
                                DIRHOP_TEST_RESULTS=results)
            procs.append((name, results, subprocess.Popen(
                self.command(path), cwd=self.root, env=env, stdin=subprocess.DEVNULL,
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)))
        for name, results, proc in procs:
            output = proc.communicate(timeout=120)[0]
            self.assertEqual(self.read_results(results), [("0", self.path(name))], output)
        self.assertEqual(len(os.listdir(barrier)), 2)
        with open(log) as f:
            used = f.read().split()
        self.assertEqual(len(set(used)), 2, used)
        self.assertNoTemporaryFiles()

    def test_loaded_from_init_or_installed_beside_the_program(self):
        self.mkdirs("sub")
        # The line that earlier READMEs gave still loads the same text.
        earlier_line = "Invoke-Expression (& $env:DIRHOP_PROGRAM --init powershell | Out-String)\n"
        code, results, output = self.run_ps(step(["sub"], self.tree) + step(["sub"], self.tree),
                                            load=earlier_line)
        self.assertEqual((code, results), (0, [("0", self.path("sub"))] * 2), output)
        self.assertNoTemporaryFiles()
        # From --init with the program found on PATH only.
        bindir = os.path.join(self.root, "bin")
        os.makedirs(bindir)
        os.symlink(self.target.program, os.path.join(bindir, "dirhop"))
        env = self.pwsh_env(DIRHOP_PROGRAM=None, PATH=bindir + ":" + os.environ["PATH"])
        code, results, output = self.run_ps(
            step(["sub"], self.tree), load=init_load("dirhop"), env=env)
        self.assertEqual((code, results), (0, [("0", self.path("sub"))]), output)
        # <prefix>/share/dirhop/dirhop.ps1 finds <prefix>/bin/dirhop, with no dirhop on PATH.
        prefix = os.path.join(self.root, "prefix")
        os.makedirs(os.path.join(prefix, "bin"))
        os.makedirs(os.path.join(prefix, "share", "dirhop"))
        os.symlink(self.target.program, os.path.join(prefix, "bin", "dirhop"))
        shutil.copy(WRAPPER, os.path.join(prefix, "share", "dirhop"))
        env = self.pwsh_env(DIRHOP_PROGRAM=None,
                            PATH=os.path.dirname(self.pwsh) + ":/usr/bin:/bin",
                            DIRHOP_TEST_WRAPPER=os.path.join(prefix, "share", "dirhop",
                                                             "dirhop.ps1"))
        code, results, output = self.run_ps(step(["sub"], self.tree) + step(["sub"], self.tree),
                                            env=env, cwd=self.home)
        self.assertEqual((code, results), (0, [("0", self.path("sub"))] * 2), output)
        self.assertNoTemporaryFiles()

    def test_chooser_and_creation_prompt_in_a_terminal(self):
        self.mkdirs("Projects/src", "Prototype/src", "lone/proj")
        body = (step(["pro/sr"], self.tree) + step(["p?oj/newdir"], self.path("lone")) +
                step(["p?oj/newdir"], self.path("lone")))
        path = self.write_script(body)
        code, screen = harness.run_in_pty(
            self.command(path), self.pwsh_env(), self.root,
            [(FOOTER, b"b"), ("[y/N] ? ", b"n"), ("[y/N] ? ", b"y")])
        self.assertEqual(code, 0, screen)
        self.assertIn("Change directory to (a-b or Escape to exit)? b", screen)
        self.assertEqual(self.read_results(), [
            ("0", self.path("Prototype", "src")), ("255", self.path("lone")),
            ("0", self.path("lone", "proj", "newdir"))], screen)
        self.assertNoTemporaryFiles()


class Completion(PowerShellTestCase):
    def complete(self, lines, cwd, load=DOT_SOURCE):
        """The completion texts and list texts TabExpansion2 gives for each input line, typed in
        `cwd`, with the check that completion changed neither $LASTEXITCODE, the location nor
        the hand-off file (nor the stub that --init prints, which loads the completion part at
        the first Tab)."""
        body = (step([self.path("sub")], self.tree) +     # a result in the hand-off file
                "Set-Location -LiteralPath %s\n" % ps_quote(cwd) +
                "$before = [IO.File]::ReadAllText($DirhopHandoff)\n"
                "$global:LASTEXITCODE = 5\n")
        for line in lines:
            body += ("$r = TabExpansion2 -inputScript %s -cursorColumn %d\n"
                     "Report (($r.CompletionMatches | ForEach-Object { $_.CompletionText + "
                     "'|' + $_.ListItemText }) -join \"`n\")\n" % (ps_quote(line), len(line)))
        body += ("Report ('{0} {1}' -f $LASTEXITCODE, "
                 "($before -eq [IO.File]::ReadAllText($DirhopHandoff)))\n")
        _, results, output = self.run_ps(body, load=load)
        self.assertEqual(len(results), len(lines) + 2, output)
        self.assertEqual(results[-1], ("5 True", cwd), output)
        return [[tuple(m.split("|", 1)) for m in value.split("\n") if m]
                for value, _ in results[1:-1]], output

    def test_options_and_alias_names(self):
        self.mkdirs("sub", "projects")
        for name, directory in (("proj", self.path("projects")), ("place", self.path("sub")),
                                ("work", self.tree)):
            r = self.target.run(["-a", name, directory], self.tree)
            self.assertEqual(r.code, 0, r)
        for load in (DOT_SOURCE, init_load(self.target.program)):
            with self.subTest(load=load):
                found, output = self.complete(
                    ["c -", "c --", "c --v", "c -a ", "c -a p", "c -a x"], self.tree, load)
                self.check_options_and_alias_names(found, output)

    def check_options_and_alias_names(self, found, output):
        options = ["-?", "-w", "-h", "-l", "-a", "-x", "-mail", "-brantel", "-home", "-manual",
                   "--help", "--version", "--places", "--forget", "--import"]
        self.assertEqual(found[0], [(o, o) for o in options], output)
        self.assertEqual(found[1], [(o, o) for o in options if o.startswith("--")], output)
        self.assertEqual(found[2], [("--version", "--version")], output)
        r = self.target.run(["--aliases"], self.tree)
        aliases = r.text.split()
        self.assertEqual(sorted(a.lower() for a in aliases), ["place", "proj", "work"], r)
        self.assertEqual(found[3], [(a, a) for a in aliases], output)
        self.assertEqual(sorted(found[4]), [("place", "place"), ("proj", "proj")], output)
        self.assertEqual(found[5], [], output)

    def test_unicode_names_completed_exactly(self):
        # Typed as stored (composed, CJK, decomposed), each word completes to the name itself.
        self.mkdirs(*("intl/" + name for name in PWSH_UNICODE_NAMES), "intl/Res", "sub")
        found, output = self.complete(
            ["c intl/\u00dcb", "c intl/\u65e5\u672c", "c intl/Re\u0301s"], self.tree)
        self.assertEqual(found, [[("intl/%s/" % name, "intl/%s/" % name)]
                                 for name in PWSH_UNICODE_NAMES], output)

    def test_directories_from_the_search(self):
        names = ["sub", "subway", "my dir", "it's", "$x", "-dash", "~t", "a[1]", "\u00fcber"]
        self.mkdirs(*names, "elsewhere/deep")
        lines = ["c su", "c sbway", "c my", "c it", "c 'my d", "c '$", "c ?das", "c ~t",
                 "c a[", "c \u00fcb", "c nothing-like-it", "c ../tree/su"]
        found, output = self.complete(lines, self.tree)

        def listed(spec, cwd=self.tree):
            r = self.target.run(["--list", spec], cwd)
            return r.stdout.decode("utf-8").splitlines()

        self.assertEqual(found[0], [("sub/", "sub/"), ("subway/", "subway/")], output)
        self.assertEqual(listed("su"), [self.path("sub"), self.path("subway")])
        self.assertEqual(found[1], [("subway/", "subway/")], output)     # misspelt
        self.assertEqual(found[2], [("'my dir/'", "my dir/")], output)
        self.assertEqual(found[3], [("'it''s/'", "it's/")], output)
        self.assertEqual(found[4], [("'my dir/'", "my dir/")], output)   # typed in quotes
        self.assertEqual(found[5], [("'$x/'", "$x/")], output)
        # A name that starts like an option is given as ./-dash.
        self.assertEqual(found[6], [("./-dash/", "./-dash/")], output)
        self.assertEqual(found[7], [("./~t/", "./~t/")], output)
        self.assertEqual(found[8], [("'a[1]/'", "a[1]/")], output)
        self.assertEqual(found[9], [("\u00fcber/", "\u00fcber/")], output)
        # A word nothing is close to: far-fetched guesses are never completed.
        self.assertEqual(listed("nothing-like-it"), [])
        self.assertEqual(found[10], [], output)
        self.assertEqual(found[11], [("sub/", "sub/"), ("subway/", "subway/")], output)
        # Outside the current directory: the full path.
        found, output = self.complete(["c ../../su", "c " + self.path("el")],
                                      self.path("elsewhere", "deep"))
        self.assertEqual(found[0], [(self.path("sub") + "/", self.path("sub") + "/"),
                                    (self.path("subway") + "/", self.path("subway") + "/")],
                         output)
        self.assertEqual(found[1], [(self.path("elsewhere") + "/", self.path("elsewhere") + "/")],
                         output)


if __name__ == "__main__":
    harness.main()
