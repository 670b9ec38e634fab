"""End to end, natively: what a shell session that loads Dirhop's bash, zsh or fish integration
sees. Wildcards reach dirhop as typed in interactive bash and zsh; each session has one private
hand-off file, made once, reused by every jump without starting another process and removed when
the shell exits; a run that writes no hand-off never replays an earlier jump; subshells and child
shells keep out of the session's file; Tab completion offers what dirhop's search finds."""

import os
import shutil
import stat
import subprocess

import harness
from harness import PtySession
from test_shells import (PosixShellTestCase, SHELLS, UNICODE_NAMES, ShellScript, posix_wrapper,
                         read_results)

PROMPT = "READY> "

INTERACTIVE = {
    "bash": ["bash", "--norc", "--noprofile", "-i"],
    "zsh": ["zsh", "-f", "-i"],
}


class ShellSession(PosixShellTestCase):
    def interactive(self, shell, setup=()):
        """An interactive shell in a pseudo-terminal with the wrapper loaded, in the tree."""
        self.need(shell)
        env = self.shell_env(ShellScript(shell, posix_wrapper(shell)))
        env["PS1"] = PROMPT
        env["PROMPT"] = PROMPT
        session = PtySession(INTERACTIVE[shell], env, self.tree, rows=60, cols=100,
                             controlling_terminal=True)
        self.addCleanup(session.close)
        for line in (". \"$DIRHOP_TEST_WRAPPER\"",) + tuple(setup):
            session.write(line.encode() + b"\r")
        session.write(b"echo loaded\r")
        session.wait_for("\nloaded")
        return session

    def command(self, session, line):
        """Types `line` and Enter."""
        session.write(line.encode() + b"\r")

    def last_report(self, session):
        """The exit code, directory and globbing of the shell after the last command, as
        "rc=N pwd=DIR glob=on" (or off). The markers are split by quotes in the typed line, so
        that only the shell's output can match them, never the echo of what was typed."""
        session.write(b"echo \"RE\"\"PORT rc=$? pwd=$PWD glob=$( [[ -o noglob ]] && echo off ||"
                      b" echo on) E\"\"ND\"\r")
        session.wait_for("REPORT ")
        session.wait_for(" END")
        text = session.text()
        start = text.rfind("REPORT ") + len("REPORT ")
        return text[start:text.index(" END", start)]

    def test_wildcards_and_usage_reach_dirhop_in_interactive_shells(self):
        self.mkdirs(*["dir%03d" % i for i in range(1, 31)])
        for shell in INTERACTIVE:
            with self.subTest(shell=shell):
                session = self.interactive(shell)
                self.command(session, "c d*")
                # Thirty matches, the last of them dir030: the shell expanded nothing.
                session.wait_for("[3] %s" % self.path("dir030"))
                session.wait_for("Change directory to (a-3 or Escape to exit)? ")
                session.write(b"\x1b")
                # Escape leaves the shell where it was, with globbing on again.
                self.assertEqual(self.last_report(session),
                                 "rc=0 pwd=%s glob=on" % self.tree)
                self.command(session, "c -?")
                session.wait_for("Usage:")        # the whole screen fits: no pager
                session.wait_for("Examples:")
                self.assertEqual(self.last_report(session),
                                 "rc=250 pwd=%s glob=on" % self.tree)
                self.assertNotIn("no matches found", session.text())
                self.command(session, "echo dir00*")     # the user's globbing is untouched
                session.wait_for("dir001 dir002 dir003")
                if shell == "bash":
                    # c in a pipeline runs in a subshell: globbing is back by the next prompt.
                    self.command(session, "c --version | cat")
                    session.wait_for("dirhop 3.1")
                    self.assertEqual(self.last_report(session),
                                     "rc=0 pwd=%s glob=on" % self.tree)
                    # The user's own set -f stays on after c.
                    self.command(session, "set -f; c 'dir0[1]*'")
                    session.wait_for("Change directory to (a-")
                    session.write(b"\x1b")
                    self.assertEqual(self.last_report(session),
                                     "rc=0 pwd=%s glob=off" % self.tree)

    def session_script(self, shell, jumps):
        """A script that loads the wrapper twice and jumps with PATH emptied, so that any program
        c starts besides dirhop fails, then lists the temporary and runtime directories."""
        listing = os.path.join(self.root, "listing")
        script = ShellScript(shell, posix_wrapper(shell))
        # The set-up and the first load of the wrapper run with PATH as it is.
        prelude = len(script.lines)
        # Loading the wrapper again (a start-up file read twice) makes no second file.
        script.raw(script.lines[-1])
        for args, start in jumps:
            script.step(args, start)
        lines = script.lines[prelude:]
        del script.lines[prelude:]
        if script.fish:
            script.raw("set -l saved $PATH; set PATH %s" % os.path.join(self.root, "nothing"))
        else:
            script.raw("saved=$PATH; PATH=%s" % os.path.join(self.root, "nothing"))
        script.lines.extend(lines)
        script.raw("set PATH $saved" if script.fish else "PATH=$saved")
        script.raw("command ls -lnA \"$TMPDIR\" ${XDG_RUNTIME_DIR:-} >%s 2>&1" % listing
                   if not script.fish else
                   "command ls -lnA $TMPDIR $XDG_RUNTIME_DIR >%s 2>&1" % listing)
        return script, listing

    def test_one_private_file_per_session_removed_at_exit(self):
        self.mkdirs("one", "two")
        runtime = os.path.join(self.root, "runtime")
        os.mkdir(runtime, 0o700)
        for shell in SHELLS:
            for xdg in (None, runtime):
                with self.subTest(shell=shell, runtime=bool(xdg)):
                    self.need(shell)
                    script, listing = self.session_script(
                        shell, [(["one"], self.tree), (["two"], self.tree), (["one"], self.tree)])
                    env = {"XDG_RUNTIME_DIR": xdg} if xdg else {}
                    code, results, output = self.run_script(script, env=env)
                    self.assertEqual(results, [(0, self.path("one")), (0, self.path("two")),
                                               (0, self.path("one"))], output)
                    with open(listing) as f:
                        lines = [line for line in f.read().splitlines()
                                 if line[:1] and line[0] in "-dl"]
                    # One entry in all: a file (bash, zsh) or a directory (fish, whose file
                    # dirhop creates inside it), in the runtime directory when there is one;
                    # in the shared one only the user may read or enter it.
                    self.assertEqual(len(lines), 1, "\n".join(lines))
                    private = ("-rw-------", "drwx------")
                    self.assertIn(lines[0][:10], private + (("-rw-r--r--",) if xdg else ()),
                                  lines[0])
                    self.assertEqual(os.listdir(self.tmpdir) if xdg else [], [])
                    self.assertEqual(os.listdir(runtime), [], "left behind at exit")
                    self.assertNoTemporaryFiles()

    def test_users_exit_trap_still_runs(self):
        self.mkdirs("one")
        marker = os.path.join(self.root, "marker")
        for shell in ("bash", "zsh"):
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                script.lines.insert(0, "trap 'echo user-trap >>%s' EXIT" % marker)
                script.step(["one"], self.tree)
                code, results, output = self.run_script(script)
                self.assertEqual(results, [(0, self.path("one"))], output)
                with open(marker) as f:
                    self.assertEqual(f.read(), "user-trap\n")
                os.remove(marker)
                self.assertNoTemporaryFiles()

    def test_a_run_that_writes_no_hand_off_replays_nothing(self):
        self.mkdirs("one")
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                script.step(["one"], self.tree)
                script.step(["--version"], self.tree)
                script.step(["--list", "one"], self.tree)
                script.step(["-h"], self.tree)
                script.step(["-99"], self.tree)       # an invalid history index fails
                code, results, output = self.run_script(script)
                self.assertEqual([r[1] for r in results], [self.path("one")] + [self.tree] * 4,
                                 output)
                self.assertEqual([r[0] for r in results][:3], [0, 0, 0], output)
                self.assertNotEqual(results[4][0], 0, output)
                self.assertIn("dirhop 3.1", output)

    def test_fish_directory_history_follows_c(self):
        self.need("fish")
        self.mkdirs("one", "two")
        script = ShellScript("fish", posix_wrapper("fish"))
        script.step(["one"], self.tree)
        script.raw("c ../two; report $status; prevd; report $status; nextd; report $status")
        code, results, output = self.run_script(script)
        self.assertEqual(results, [(0, self.path("one")), (0, self.path("two")),
                                   (0, self.path("one")), (0, self.path("two"))], output)

    def test_subshells_and_child_shells_keep_out_of_the_sessions_file(self):
        self.mkdirs("one", "two", "three")
        for shell in ("bash", "zsh"):
            with self.subTest(shell=shell):
                self.need(shell)
                script = ShellScript(shell, posix_wrapper(shell))
                script.step(["one"], self.tree)
                script.raw("(builtin cd -- \"$DIRHOP_TEST_START0\"; c two; report $?)")
                # A child shell loading the wrapper makes its own file and removes it.
                script.raw("%s -c '. \"$DIRHOP_TEST_WRAPPER\"; builtin cd -- \"$DIRHOP_TEST_START0\";"
                           " c three; printf \"%%s\\0%%s\\0\" $? \"$PWD\" >>\"$DIRHOP_TEST_RESULTS\"'"
                           % ("bash --norc" if shell == "bash" else "zsh -f"))
                script.step(["two"], self.tree)
                code, results, output = self.run_script(script)
                self.assertEqual(results, [(0, self.path("one")), (0, self.path("two")),
                                           (0, self.path("three")),
                                           (0, self.path("two"))], output)
                self.assertNoTemporaryFiles()


def completed_in_intl(screen):
    """True when the line after the last prompt holds a name completed in intl/: something after
    "intl/", ending in a slash (zsh shows the typed word in its own way: a combining mark as
    <0301>, so the echo itself is not compared)."""
    line = screen.rsplit(PROMPT, 1)[-1].rstrip(" \b\r\n")  # zsh clears a tail and steps back
    return "intl/" in line and len(line.rsplit("intl/", 1)[1]) > 1 and line.endswith("/")


class Completion(PosixShellTestCase):
    """Tab completion of c: the shells' completion functions are called the way the shells call
    them, with the words typed so far."""

    def bash_completions(self, words):
        script = ShellScript("bash", posix_wrapper("bash"))
        out = os.path.join(self.root, "completions")
        for i, word in enumerate(words):
            script.env["DIRHOP_TEST_W%d" % i] = word
        script.env["DIRHOP_TEST_START"] = self.tree
        script.raw('builtin cd -- "$DIRHOP_TEST_START"')
        script.raw("COMP_WORDS=(%s); COMP_CWORD=%d; _dirhop_bash_complete"
                   % (" ".join('"$DIRHOP_TEST_W%d"' % i for i in range(len(words))),
                      len(words) - 1))
        script.raw("for x in \"${COMPREPLY[@]}\"; do printf '%%s\\0' \"$x\"; done >%s" % out)
        self.run_script(script)
        with open(out, "rb") as f:
            return [os.fsdecode(item) for item in f.read().split(b"\0")[:-1]]

    def fish_completions(self, line):
        script = ShellScript("fish", posix_wrapper("fish"))
        out = os.path.join(self.root, "completions")
        script.env["DIRHOP_TEST_LINE"] = line
        script.raw("builtin cd $DIRHOP_TEST_START; complete -C $DIRHOP_TEST_LINE >%s" % out)
        script.env["DIRHOP_TEST_START"] = self.tree
        self.run_script(script)
        with open(out, "rb") as f:
            return [os.fsdecode(entry.split(b"\t")[0]) for entry in f.read().splitlines()]

    def setUp(self):
        super().setUp()
        self.mkdirs("Windows/System32", "Projects/src", "Prototype/src", "my dir")

    def test_bash_offers_search_results_options_and_aliases(self):
        self.need("bash")
        self.c("-a", "proj", self.path("Projects"))
        # Directories without their slash, which readline adds (see
        # test_bash_completes_at_the_prompt); candidates that do not all begin with the word come
        # whole, after an empty one that keeps readline from cutting the word.
        self.assertEqual(self.bash_completions(["c", "wndows"]), ["Windows"])
        self.assertEqual(sorted(self.bash_completions(["c", "pro/sr"])),
                         ["", "Projects/src/", "Prototype/src/"])
        self.assertEqual(self.bash_completions(["c", "my"]), ["my dir"])
        self.assertEqual(self.bash_completions(["c", "Windows/"]), ["Windows/System32"])
        self.assertEqual(self.bash_completions(["c", "-ma"]), ["-mail", "-manual"])
        self.assertEqual(self.bash_completions(["c", "-a", ""]), ["proj"])
        self.assertEqual(self.bash_completions(["c", "Windows/System32/x"]), [])

    def test_fish_offers_search_results_options_and_aliases(self):
        self.need("fish")
        self.c("-a", "proj", self.path("Projects"))
        self.assertEqual(self.fish_completions("c Win"), ["Windows/"])
        self.assertEqual(sorted(self.fish_completions("c Pro/sr")),
                         ["Projects/src/", "Prototype/src/"])
        self.assertEqual(self.fish_completions("c -ma"), ["-mail", "-manual"])
        self.assertEqual(self.fish_completions("c -a "), ["proj"])

    def test_a_leading_tilde_is_the_home_directory_and_stays(self):
        # The shell has not expanded the word being typed: the search is made in the home
        # directory and what is offered begins with ~ again, as cd ~/pro<Tab> offers it.
        for name in ("Projects/src", "Documents/Taxes", "Documents/\u00dcbung"):
            os.makedirs(os.path.join(self.home, name))
        self.need("bash")
        self.assertEqual(self.bash_completions(["c", "~/Proj"]), ["~/Projects"])
        self.assertEqual(self.bash_completions(["c", "~/doc/tax"]), ["~/Documents/Taxes"])
        self.assertEqual(self.bash_completions(["c", "~/Documents/\u00fcb"]),
                         ["~/Documents/\u00dcbung"])
        self.assertEqual(sorted(self.bash_completions(["c", "~/"])),
                         ["~/Documents", "~/Projects"])
        self.need("fish")
        self.assertEqual(self.fish_completions("c ~/pro"), ["~/Projects/"])
        self.assertEqual(self.fish_completions("c ~/Doc/Tax"), ["~/Documents/Taxes/"])
        self.assertEqual(self.fish_completions("c ~/Documents/\u00fcb"),
                         ["~/Documents/\u00dcbung/"])
        # zsh redraws only what changed: the completed line is entered, and c goes there.
        session = self.prompt_session("zsh")
        self.tab_and_wait(session, "c ~/doc/tax\t", lambda text: "Taxes/" in text,
                          "the completed name")
        session.write(b"\r echo \"W\"\"ENT $PWD\"\r")
        session.wait_for("WENT " + os.path.join(self.home, "Documents", "Taxes"))

    def test_fish_tab_puts_the_one_directory_found_in_place_of_the_word(self):
        # fish's own completion drops what does not match the typed word by its rules (a typo, an
        # all-lowercase abbreviation); Tab after c puts the one directory found there instead.
        # The line is then shown by echo in place of c, so that what Tab made is what is seen.
        self.need("fish")
        self.mkdirs("Documents/Taxes", "Downloads")
        env = self.shell_env(ShellScript("fish", posix_wrapper("fish")))
        session = PtySession(["fish", "--no-config", "-i"], env, self.tree, rows=40, cols=100,
                             controlling_terminal=True)
        self.addCleanup(session.close)
        session.write(b"function fish_prompt; echo 'READY> '; end; "
                      b"source $DIRHOP_TEST_WRAPPER; echo lo''aded\r")
        session.wait_for("\nloaded")
        for typed, completed in (("dwnl", "Downloads/"), ("doc/tax", "Documents/Taxes/"),
                                 ("wndows", "Windows/"), ("my", "my\\ dir/")):
            session.write(b"c " + typed.encode() + b"\t\x01\x04echo WO\"\"RD\r")
            session.wait_for("WORD " + completed.replace("\\", ""))
        # Several that fish would drop are listed below the line, which keeps the word.
        session.write(b"c pro/sr\t")
        session.wait_for("Projects/src/")
        session.wait_for("Prototype/src/")
        session.write(b"\x01\x04echo WO\"\"RD\r")
        session.wait_for("WORD pro/sr")

    def test_unicode_names_are_offered_exactly(self):
        # Typed as stored (composed, CJK, decomposed, the bytes of a name that is not UTF-8), each
        # word is completed to the name's exact bytes; zsh's completion is then entered.
        self.mkdirs(*("intl/" + name for name in UNICODE_NAMES), "intl/Res")
        words = ["intl/\u00dcb", "intl/\u65e5\u672c", "intl/Re\u0301s", "intl/caf"]
        expected = ["intl/%s/" % name for name in UNICODE_NAMES]
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                if shell == "bash":
                    found = [[name + "/" for name in self.bash_completions(["c", word])]
                             for word in words]
                elif shell == "fish":
                    found = [self.fish_completions("c " + word) for word in words]
                else:
                    found = [[entered] for entered in self.zsh_complete_and_enter(words)]
                self.assertEqual(found, [[name] for name in expected])

    def test_unicode_names_typed_in_another_form_are_offered(self):
        # Matching by characters: another case, no accents, the composed form of a decomposed
        # name and the other way round. (fish keeps only the completions that match the typed
        # word by its own comparison, as it drops a misspelt word's; there `c` itself finds them.)
        self.mkdirs("intl/\u00dcbung", "intl/Re\u0301sume\u0301", "intl/Cr\u00e8me")
        cases = [("intl/\u00fcbu", "\u00dcbung"), ("intl/R\u00e9sum", "Re\u0301sume\u0301"),
                 ("intl/resu", "Re\u0301sume\u0301"), ("intl/cre\u0300", "Cr\u00e8me")]
        expected = [["intl/%s/" % name] for _, name in cases]
        for shell in ("bash", "zsh"):
            with self.subTest(shell=shell):
                self.need(shell)
                if shell == "bash":
                    found = [[name + "/" for name in self.bash_completions(["c", word])]
                             for word, _ in cases]
                else:
                    found = [[entered]
                             for entered in self.zsh_complete_and_enter([w for w, _ in cases])]
                self.assertEqual(found, expected)

    def zsh_complete_and_enter(self, words):
        """For each word: types `c WORD`, Tab, Enter in interactive zsh; returns the words c
        passed to dirhop (a stand-in logs them, then runs dirhop), after checking that each
        run entered that directory."""
        words_log = os.path.join(self.root, "words")
        program = self.fake_program(
            'if [ "$1" != --list ]; then printf \'%%s\\0\' "$@" >>"%s"; fi\n'
            'exec "$DIRHOP_REAL" "$@"\n' % words_log)
        env = self.shell_env(ShellScript("zsh", posix_wrapper("zsh")), program)
        env.update({"PS1": PROMPT, "DIRHOP_REAL": self.target.program,
                    "DIRHOP_TEST_START": self.tree})
        session = PtySession(["zsh", "-f", "-i"], env, self.tree, rows=40, cols=100,
                             controlling_terminal=True)
        self.addCleanup(session.close)
        session.write(b"autoload -Uz compinit; compinit -u; . \"$DIRHOP_TEST_WRAPPER\"\r")
        for word in words:
            session.write(b"builtin cd -- \"$DIRHOP_TEST_START\"\r")
            session.write(b"c " + word.encode() + b"\t")
            session.wait_until(lambda: completed_in_intl(session.text()), "the completed name")
            session.write(b"\r")
            session.write(b"printf '%s\\0%s\\0' $? \"$PWD\" >>\"$DIRHOP_TEST_RESULTS\"\r")
        session.write(b"echo \"DO\"\"NE\"\r")
        session.wait_for("\nDONE")
        with open(words_log, "rb") as f:
            passed = [os.fsdecode(word) for word in f.read().split(b"\0")[:-1]]
        self.assertEqual(read_results(self.results),
                         [(0, os.path.normpath(self.path(word))) for word in passed],
                         session.text())
        return passed

    def prompt_session(self, shell):
        """An interactive shell with line editing (zsh with compinit), the wrapper loaded, in the
        tree."""
        self.need(shell)
        env = self.shell_env(ShellScript(shell, posix_wrapper(shell)))
        env.update({"PS1": PROMPT, "INPUTRC": os.devnull})
        command = (["bash", "--norc", "--noprofile", "-i"] if shell == "bash"
                   else ["zsh", "-f", "-i"])
        session = PtySession(command, env, self.tree, rows=40, cols=100,
                             controlling_terminal=True)
        self.addCleanup(session.close)
        if shell == "zsh":
            session.write(b"autoload -Uz compinit; compinit -u\r")
        session.write(b". \"$DIRHOP_TEST_WRAPPER\"\r")
        session.write(b"echo loaded\r")
        session.wait_for("\nloaded")
        return session

    def typed_line(self, session):
        """The line being edited: what follows the last prompt on the screen."""
        line = session.text().rsplit(PROMPT, 1)[-1].split("\n")[0]
        return line.replace("\x07", "").rstrip(" \b\r")

    def tab_and_wait(self, session, line, condition, what):
        """Clears the line, types `line` and the Tab keys in it, and waits until `condition`
        holds for the screen text written since; returns that text."""
        start = len(session.text())
        session.write(b"\x15" + line.encode())
        session.wait_until(lambda: condition(session.text()[start:]), what)
        return session.text()[start:]

    def test_bash_completes_at_the_prompt(self):
        # One slash after a directory, in the line and in the list; a word that ends in a slash
        # offers what is inside; candidates that do not begin with the word are listed and the
        # word stays as typed.
        self.mkdirs("Projects/data-lake")
        session = self.prompt_session("bash")
        self.tab_and_wait(session, "c Projects/d\t",
                          lambda text: self.typed_line(session) == "c Projects/data-lake/",
                          "Projects/data-lake/ in the line")
        self.tab_and_wait(session, "c Projects/\t\t",
                          lambda text: "data-lake/" in text and "src/" in text,
                          "the folders in Projects listed")
        shown = self.tab_and_wait(session, "c pro/sr\t\t",
                                  lambda text: "Prototype/src/" in text and
                                  text.endswith(PROMPT + "c pro/sr"), "both candidates listed")
        self.assertIn("Projects/src/", shown)
        self.assertNotIn("//", session.text())

    def test_zsh_completes_inside_a_folder_and_never_cuts_the_word(self):
        self.mkdirs("Projects/data-lake", "tie/pjx", "tie/xjj")
        session = self.prompt_session("zsh")
        self.tab_and_wait(session, "c Projects/\t",
                          lambda text: "Projects/data-lake/" in text and "Projects/src/" in text,
                          "the folders in Projects offered")
        # Candidates with a common start shorter than the word (pro/sr) or none (a tie of typos,
        # pjj: pjx and xjj): a menu of them, the first in the line, never the common start.
        # (zsh redraws the line in place: the screen ends with the line as it is now.)
        self.tab_and_wait(session, "c pro/sr\t",
                          lambda text: text.rstrip(" \b\r\x07").endswith(
                              ("c Projects/src/", "c Prototype/src/")), "a candidate in the line")
        session.write(b"\x03")
        session.write(b"builtin cd tie\r")
        self.tab_and_wait(session, "c pjj\t",
                          lambda text: text.rstrip(" \b\r\x07").endswith(("c pjx/", "c xjj/")),
                          "a candidate in the line")

    def test_zsh_completes_a_misspelt_word_at_the_prompt(self):
        self.need("zsh")
        env = self.shell_env(ShellScript("zsh", posix_wrapper("zsh")))
        env["PS1"] = PROMPT
        session = PtySession(["zsh", "-f", "-i"], env, self.tree, rows=40, cols=100,
                             controlling_terminal=True)
        self.addCleanup(session.close)
        session.write(b"autoload -Uz compinit; compinit -u; . \"$DIRHOP_TEST_WRAPPER\"\r")
        session.write(b"echo loaded\r")
        session.wait_for("\nloaded")
        session.write(b"c wndows\t")
        session.wait_for("Windows/")
        session.write(b"\x15c -ma\t")
        session.wait_for("-ma")
        session.wait_until(lambda: "-mail" in session.text() and "-manual" in session.text(),
                           "the options offered")
        self.assertEqual(read_results(self.results), [])


README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")


class Loading(PosixShellTestCase):
    """What loading the integration costs a shell that never jumps, and what a shell leaves or
    says in the modes users run it in."""

    def load_command(self, shell, after=""):
        """The shell running: load the wrapper, then `after`."""
        if shell == "fish":
            return ["fish", "--no-config", "-c", "source $DIRHOP_TEST_WRAPPER; " + after]
        start = ["bash", "--norc", "--noprofile"] if shell == "bash" else ["zsh", "-f"]
        return start + ["-c", '. "$DIRHOP_TEST_WRAPPER"; ' + after]

    def run_shell(self, shell, command, env=None):
        full_env = self.shell_env(ShellScript(shell, posix_wrapper(shell)))
        full_env.update(env or {})
        return subprocess.run(command, cwd=self.tree, env=full_env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)

    def test_loading_starts_no_process_and_an_unused_session_leaves_nothing(self):
        strace = shutil.which("strace")
        for shell in SHELLS:
            with self.subTest(shell=shell):
                self.need(shell)
                if strace:
                    log = os.path.join(self.root, "trace")
                    proc = self.run_shell(shell, [strace, "-f", "-qq", "-e", "trace=execve",
                                                  "-o", log] + self.load_command(shell))
                    self.assertEqual(proc.returncode, 0, proc.stdout)
                    with open(log) as f:
                        programs = [line for line in f if "execve(" in line]
                    # The shell itself only: no file made, no trap read, nothing at exit.
                    self.assertEqual(len(programs), 1, "".join(programs))
                proc = self.run_shell(shell, self.load_command(shell, "type c >/dev/null"))
                self.assertEqual((proc.returncode, proc.stdout), (0, b""))
                self.assertNoTemporaryFiles()

    def test_shells_run_with_c_leave_no_hand_off_file(self):
        # A shell run with -c executes its last command in its own place, so its exit hook never
        # runs: editors read the login environment with `zsh -i -l -c env`.
        self.mkdirs("one")
        zdotdir = os.path.join(self.root, "zdot")
        os.makedirs(zdotdir)
        with open(os.path.join(zdotdir, ".zshrc"), "w") as f:
            f.write('. "$DIRHOP_TEST_WRAPPER"\n')
        runtime = os.path.join(self.root, "runtime")
        os.mkdir(runtime, 0o700)
        for xdg in (None, runtime):
            env = {"XDG_RUNTIME_DIR": xdg} if xdg else {}
            for shell in ("bash", "zsh"):
                with self.subTest(shell=shell, runtime=bool(xdg)):
                    self.need(shell)
                    if shell == "zsh":
                        proc = self.run_shell(shell, ["zsh", "-i", "-l", "-c", "env"],
                                              dict(env, ZDOTDIR=zdotdir))
                        self.assertEqual(proc.returncode, 0, proc.stdout)
                    proc = self.run_shell(shell, self.load_command(
                        shell, "c one; c ..; c one && command env >/dev/null"), env)
                    self.assertEqual((proc.returncode, proc.stdout), (0, b""))
                    self.assertNoTemporaryFiles()
                    self.assertEqual(os.listdir(runtime), [])

    def test_no_messages_in_posix_mode_or_with_zsh_warnings_on(self):
        self.mkdirs("one")
        steps = "c one; c ..; _dirhop_complete_word on; c -h >/dev/null; c nothing-here"
        cases = [("bash", ["bash", "--norc", "--noprofile", "--posix", "-c"], ""),
                 ("bash", ["bash", "--norc", "--noprofile", "-c"], "set -o posix; "),
                 ("zsh", ["zsh", "-f", "-c"], "setopt warn_create_global warn_nested_var; ")]
        for shell, start, before in cases:
            with self.subTest(shell=start[0], options=start[3:] + [before]):
                self.need(shell)
                proc = self.run_shell(shell, start + [
                    before + '. "$DIRHOP_TEST_WRAPPER"; ' + before + steps + " >/dev/null"])
                # dirhop's own message for the missing directory goes to standard output.
                self.assertEqual(proc.stdout, b"")
                self.assertNoTemporaryFiles()

    def test_readme_lines_load_c_and_say_nothing_once_dirhop_is_gone(self):
        with open(README, encoding="utf-8") as f:
            rows = [line for line in f
                    if line.startswith(("| bash ", "| zsh ", "| fish ", "| PowerShell "))
                    and "dirhop --init" in line]
        lines = {}
        for row in rows:
            code = row.rstrip().rstrip("|").rsplit("| `", 1)[1].rstrip().rstrip("`")
            lines[row.split("|")[1].strip().split()[0]] = code.replace("\\|", "|")
        self.assertEqual(sorted(lines), ["PowerShell", "bash", "fish", "zsh"])
        bin_dir = os.path.join(self.root, "bin")
        os.makedirs(bin_dir)
        os.symlink(self.target.program, os.path.join(bin_dir, "dirhop"))
        pwsh = shutil.which("pwsh") or os.path.expanduser("~/.dotnet/tools/pwsh")
        commands = {
            "bash": ["bash", "--norc", "--noprofile", "-c"],
            "zsh": ["zsh", "-f", "-c"],
            "fish": ["fish", "--no-config", "-c"],
            "PowerShell": [pwsh, "-NoLogo", "-NoProfile", "-NonInteractive", "-Command"],
        }
        check = {"PowerShell": "; if (Get-Command c -CommandType Function -ErrorAction Ignore) "
                               "{ 'c' }",
                 "fish": "; functions -q c; and echo c"}
        for shell, line in lines.items():
            with self.subTest(shell=shell):
                if not os.access(commands[shell][0], os.X_OK) and not shutil.which(
                        commands[shell][0]):
                    self.skipTest(shell + " is not installed")
                for installed in (True, False):
                    env = self.shell_env(ShellScript("bash", posix_wrapper("bash")))
                    del env["DIRHOP_PROGRAM"]
                    # Without dirhop: the shell's own directories only.
                    env["PATH"] = (bin_dir + os.pathsep if installed else "") + "/usr/bin:/bin"
                    test = line + check.get(shell, "; type c >/dev/null 2>&1 && echo c")
                    proc = subprocess.run(commands[shell] + [test], cwd=self.tree, env=env,
                                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                          stderr=subprocess.STDOUT, timeout=120)
                    # Nothing said without dirhop, not even "command not found".
                    self.assertEqual(proc.stdout, b"c\n" if installed else b"", (installed, line))


    def test_init_loads_the_jump_and_the_tab_at_their_first_use(self):
        # --init prints stubs of c and of Tab's functions; the first use of each loads the
        # real ones from dirhop: a jump (with a wildcard kept from the shell and an assignment
        # before c handed on) and a completion of a misspelt word must work on a fresh shell.
        place = os.path.join(self.root, "place")
        os.makedirs(os.path.join(place, "Windows"))
        os.makedirs(os.path.join(place, "Wine"))
        steps = {
            "bash": ("bash", "--norc", "--noprofile", "-c",
                     'eval "$(dirhop --init bash)"; NO_COLOR=1 c Wind* >/dev/null; echo "$PWD"; '
                     'case $- in *f*) echo glob-off ;; esac; builtin cd ..; '
                     'COMP_WORDS=(c wndows); COMP_CWORD=1; _dirhop_bash_complete; '
                     'echo "${COMPREPLY[*]}"'),
            "zsh": ("zsh", "-f", "-c",
                    'eval "$(dirhop --init zsh)"; c Wind* >/dev/null; echo $PWD; builtin cd ..; '
                    '_dirhop_load _dirhop_complete_word completion && _dirhop_complete_word '
                    'wndows && echo $_dirhop_found'),
            "fish": ("fish", "--no-config", "-c",
                     'dirhop --init fish | source; c "Wind*" >/dev/null; echo $PWD; '
                     'builtin cd ..; complete -C "c Wndows"'),
        }
        for shell, command in steps.items():
            with self.subTest(shell=shell):
                self.need(shell)
                env = self.shell_env(ShellScript(shell, posix_wrapper(shell)))
                del env["DIRHOP_PROGRAM"]
                env["PATH"] = os.path.dirname(self.target.program) + os.pathsep + env["PATH"]
                proc = subprocess.run(list(command), cwd=place, env=env,
                                      stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                      stderr=subprocess.STDOUT, timeout=120)
                self.assertEqual(proc.returncode, 0, proc.stdout)
                self.assertEqual(proc.stdout.decode().split("\n")[:2],
                                 [os.path.join(os.path.realpath(place), "Windows"),
                                  "Windows" + ("" if shell == "bash" else "/")], proc.stdout)

if __name__ == "__main__":
    harness.main()
