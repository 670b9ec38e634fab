"""End to end: the memory of places. Jumps are remembered beside the data file and listed by
frecency; parallel runs lose no visit while one of them compacts the file; private runs and the
null device keep nothing; other tools' memories are imported with their bad lines reported; a
place is forgotten; and (natively) the shells' --remember-cd hooks record plain cd."""

import os
import stat
import subprocess

import harness
from store_case import StoreTestCase
from test_powershell import find_pwsh
from test_shells import ShellScript, posix_wrapper, shell_command

RECORD_SIZE = 10736


class Places(StoreTestCase):
    def setUp(self):
        super().setUp()
        # An existing data file of empty slots: runs are not first runs.
        with open(self.data, "wb") as f:
            f.write(b"\0" * RECORD_SIZE)
        self.memory = self.data + ".places"

    def places(self, env=None):
        """[(score, path)] as --places lists them."""
        full = self.env(self.data)
        full.update(env or {})
        r = self.target.run(["--places"], self.tree, env=full)
        self.assertEqual(r.code, 0, r)
        listed = []
        for line in r.text.splitlines():
            score, path = line.strip().split("  ", 1)
            listed.append((float(score), path))
        return listed

    def test_jumps_are_remembered_beside_the_data_file_most_frecent_first(self):
        self.mkdirs("alpha", "beta")
        self.assertWentTo(self.c("alpha", data_file=self.data), self.path("alpha"))
        self.assertWentTo(self.c("beta", data_file=self.data), self.path("beta"))
        self.assertWentTo(self.c("beta", data_file=self.data), self.path("beta"))
        # Within the hour each visit weighs 4; the tree is the start of every run (the shell
        # that would have followed the jumps is not there).
        self.assertEqual(self.places(), [(12.0, self.target.host_path(self.tree)),
                                         (8.0, self.host("beta")), (4.0, self.host("alpha"))])
        if not self.target.windows:
            self.assertEqual(stat.S_IMODE(os.stat(self.memory).st_mode), 0o600)
        # The fixed store holds its history as before.
        history = self.c("-h", data_file=self.data).text
        self.assertIn(self.host("beta"), history)

    def test_parallel_runs_lose_no_visit_while_the_file_is_compacted(self):
        self.mkdirs("p")
        place = self.host("p")
        # Just under the bound of appended records: the first run to append compacts the file
        # while the others append.
        filler = b""
        n = 0
        while len(filler) < 128 * 1024 - 40:
            path = ("/filler/%05d" % n).encode()
            filler += b"V 1700000000 %d %s\n" % (len(path), path)
            n += 1
        with open(self.memory, "wb") as f:
            f.write(filler)
        runs, each = (4, 6) if self.target.windows else (8, 25)
        env = self.target.base_env()
        env.update(self.env(self.data))
        loop = [self.target.command(["--record-visit", place]) for _ in range(each)]
        procs = [subprocess.Popen(["sh", "-c", " && ".join(
                     " ".join("'%s'" % word.replace("'", "'\\''") for word in command)
                     for command in loop)],
                 cwd=self.tree, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                 stderr=subprocess.STDOUT) for _ in range(runs)]
        for proc in procs:
            out, _ = proc.communicate(timeout=300)
            self.assertEqual(proc.returncode, 0, out)
        with open(self.memory, "rb") as f:
            text = f.read()
        self.assertTrue(text.startswith(b"# dirhop places 1 "), text[:80])
        listed = dict((path, score) for score, path in self.places())
        # Every visit is there: runs x each visits within the hour, 4 each.
        self.assertEqual(listed[place], 4.0 * runs * each)
        self.assertEqual(sum(1 for path in listed if "filler" in path), n)

    def test_private_runs_and_the_null_device_keep_nothing(self):
        self.mkdirs("secret")
        r = self.c("secret", data_file=self.data, env=dict(self.env(self.data), DIRHOP_PRIVATE="1"))
        self.assertWentTo(r, self.path("secret"))
        self.assertFalse(os.path.exists(self.memory))
        null = "NUL" if self.target.windows else "/dev/null"
        env = self.env()
        env["DIRHOP"] = null
        self.assertWentTo(self.c("secret", env=env), self.path("secret"))
        self.assertEqual(self.target.run(["--places"], self.tree, env=env).text, "")
        if not self.target.windows:
            self.assertFalse(os.path.exists(self.data_dir_memory()))

    def data_dir_memory(self):
        return os.path.join(self.root, "data", "dirhop", "places")

    def test_default_place_is_under_the_data_home(self):
        if self.target.windows:
            self.skipTest("Wine's LOCALAPPDATA is the prefix's own")
        self.mkdirs("here")
        self.assertWentTo(self.c("here"), self.path("here"))
        self.assertEqual(stat.S_IMODE(os.stat(os.path.dirname(self.data_dir_memory())).st_mode),
                         0o700)
        with open(self.data_dir_memory(), "rb") as f:
            self.assertIn(self.path("here").encode(), f.read())

    def test_import_of_each_format_reports_bad_lines(self):
        self.mkdirs("one", "two", "three")
        one, two, three = self.host("one"), self.host("two"), self.host("three")
        files = {
            "z": "%s|12|1700000000\nnot a line\n%s|3|1700000000\n" % (one, two),
            "autojump": "20.0\t%s\n\n31.6\n" % three,
            "zoxide": "  40.0 %s\n  x %s\n" % (two, one),
        }
        expected_bad = {"z": [2], "autojump": [3], "zoxide": [2]}
        for tool, text in files.items():
            with self.subTest(tool=tool):
                path = os.path.join(self.root, tool + ".txt")
                with open(path, "w") as f:
                    f.write(text)
                r = self.c("--import", tool, self.target.host_path(path), data_file=self.data)
                self.assertEqual(r.code, 0, r)
                for line in expected_bad[tool]:
                    self.assertIn("Line %d of " % line, r.text)
                self.assertEqual(r.text.count("; skipped"), len(expected_bad[tool]), r.text)
                self.assertIn("Imported ", r.text)
        before = self.places()
        again = self.c("--import", "zoxide", self.target.host_path(
            os.path.join(self.root, "zoxide.txt")), data_file=self.data)
        self.assertEqual(again.code, 0, again)
        self.assertEqual(self.places(), before)  # importing twice adds nothing
        listed = dict((path, score) for score, path in before)
        self.assertEqual(set(listed), {one, two, three})

    def test_forget_removes_the_place_from_the_file(self):
        self.mkdirs("keep", "drop")
        self.c("keep", data_file=self.data)
        self.c("drop", data_file=self.data)
        r = self.c("--forget", "drop", data_file=self.data)
        self.assertEqual(r.code, 0, r)
        with open(self.memory, "rb") as f:
            self.assertNotIn(b"drop", f.read())
        self.assertIn(self.host("keep"), [path for _, path in self.places()])
        r = self.c("--forget", "drop", data_file=self.data)
        self.assertEqual(r.code, 243, r)
        self.assertIn("is not remembered", r.text)


class RememberCd(StoreTestCase):
    """The hooks of --remember-cd in real bash, zsh and fish (natively)."""

    def test_plain_cd_is_recorded_once_and_a_jump_is_not_counted_twice(self):
        if self.target.windows:
            self.skipTest("the POSIX shells run the native program")
        self.mkdirs("a", "b", "c")
        data = os.path.join(self.root, "dirhop.dat")
        with open(data, "wb") as f:
            f.write(b"\0" * RECORD_SIZE)
        for shell in ("bash", "zsh", "fish"):
            with self.subTest(shell=shell):
                memory = data + ".places"
                if os.path.exists(memory):
                    os.remove(memory)
                script = ShellScript(shell, posix_wrapper(shell))
                script.lines[-1] = ("eval (command $DIRHOP_PROGRAM --init fish --remember-cd"
                                    " | string collect)" if shell == "fish" else
                                    'eval "$(command "$DIRHOP_PROGRAM" --init %s --remember-cd)"'
                                    % shell)
                # bash records before each prompt: a script shows no prompt, so it runs the
                # prompt's command where an interactive shell would.
                prompt = 'eval "$PROMPT_COMMAND"' if shell == "bash" else ":"
                for step in ("cd a", prompt, "cd ../b", prompt, prompt, "c ../c", prompt,
                             "cd ..", prompt):
                    script.raw(step)
                path = os.path.join(self.root, "script." + shell)
                with open(path, "w") as f:
                    f.write(script.text())
                env = self.target.base_env()
                env.update({"DIRHOP": data, "DIRHOP_PROGRAM": self.target.program,
                            "HOME": self.root, "DIRHOP_TEST_RESULTS": "/dev/null"})
                env.update(script.env)
                proc = subprocess.run(shell_command(shell, path), cwd=self.tree, env=env,
                                      stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                      stderr=subprocess.STDOUT, timeout=60)
                self.assertEqual(proc.returncode, 0, proc.stdout)
                with open(memory, "rb") as f:
                    visits = sorted(line.rsplit(b" ", 1)[1].decode()
                                    for line in f.read().splitlines())
                self.assertEqual(visits, sorted([self.path("a"), self.path("b"), self.path("c"),
                                                 self.tree]), proc.stdout)

    def test_the_powershell_prompt_records_each_new_location_once(self):
        if self.target.windows:
            self.skipTest("pwsh runs the native program here")
        pwsh = find_pwsh()
        if pwsh is None:
            self.skipTest("pwsh is not installed")
        self.mkdirs("a", "b")
        data = os.path.join(self.root, "dirhop.dat")
        with open(data, "wb") as f:
            f.write(b"\0" * RECORD_SIZE)
        # A script shows no prompt: it calls the prompt function where a session would show it.
        script = (". ([scriptblock]::Create((& $env:DIRHOP_PROGRAM --init powershell "
                  "--remember-cd) -join [char]10))\n"
                  "Set-Location -LiteralPath $env:A; prompt | Out-Null; prompt | Out-Null\n"
                  "Set-Location -LiteralPath $env:B; prompt | Out-Null\n")
        env = self.target.base_env()
        env.update({"DIRHOP": data, "DIRHOP_PROGRAM": self.target.program, "HOME": self.root,
                    "A": self.path("a"), "B": self.path("b")})
        proc = subprocess.run([pwsh, "-NoProfile", "-NonInteractive", "-Command", script],
                              cwd=self.tree, env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        self.assertEqual(proc.returncode, 0, proc.stdout)
        with open(data + ".places", "rb") as f:
            visits = sorted(line.rsplit(b" ", 1)[1].decode() for line in f.read().splitlines())
        self.assertEqual(visits, [self.path("a"), self.path("b")], proc.stdout)

    def test_without_the_option_nothing_runs_at_prompt_time(self):
        if self.target.windows:
            self.skipTest("the POSIX shells run the native program")
        init = subprocess.run([self.target.program, "--init", "bash"], stdout=subprocess.PIPE,
                              env=self.target.base_env(), check=True).stdout
        hooked = subprocess.run([self.target.program, "--init", "bash", "--remember-cd"],
                                stdout=subprocess.PIPE, env=self.target.base_env(),
                                check=True).stdout
        self.assertTrue(hooked.endswith(b"\n_dirhop_remember_cd\n"), hooked[-100:])
        self.assertIn(b"_dirhop_record_pwd() {", hooked)
        self.assertNotIn(b"_dirhop_record_pwd", init)
        for shell in ("bash", "zsh"):
            with self.subTest(shell=shell):
                probe = subprocess.run(
                    [shell, "-c", 'eval "$(%s --init %s)"; cd /; echo "[${PROMPT_COMMAND-}]'
                     '[${chpwd_functions-}]"' % (self.target.program, shell)],
                    stdout=subprocess.PIPE, env=self.target.base_env(), check=True).stdout
                self.assertNotIn(b"record", probe)


if __name__ == "__main__":
    harness.main()
