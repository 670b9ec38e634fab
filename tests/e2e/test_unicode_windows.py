"""End to end under Wine: names in every script with the code pages of a Western and of a
Japanese Windows. The program reads its command line and environment and asks the file system
and the registry in UTF-16, so the code pages must not matter: a name is typed, found, listed,
entered, created and written exactly. Each group of cases first proves that its locale took (the
code pages are per process, from LANG)."""

import os
import shutil
import unittest

import harness
from harness import E2ETestCase, PtySession

FOOTER = "exit)? "
SHELL_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shell")

GERMAN = "de_DE.UTF-8"    # ANSI code page 1252, OEM 850
JAPANESE = "ja_JP.UTF-8"  # ANSI and OEM code page 932 (Shift JIS)
OEM_CODE_PAGE = {GERMAN: "cp850", JAPANESE: "cp932"}

WESTERN_NAMES = ["Übung", "café", "日本語", "Ελληνικά"]
# 表 is 0x95 0x5C in Shift JIS: its second byte is a backslash to any code that reads the bytes.
JAPANESE_NAMES = ["日本語", "表示", "Übung", "😀 emoji"]


class UnicodeCase(E2ETestCase):
    lang = None

    def setUp(self):
        if not self.target.windows:
            self.skipTest("the code pages of Windows exist only under Wine; the native build "
                          "takes names as bytes (test_search, test_shells)")
        super().setUp()

    def locale_env(self, env=None):
        full = {"LANG": self.lang, "LC_ALL": self.lang}
        full.update(env or {})
        return full

    def run_c(self, *args, env=None, **kwargs):
        return self.c(*args, env=self.locale_env(env), **kwargs)

    def assertLocaleTook(self, char, ansi_bytes):
        """cmd's echo to a pipe writes in the ANSI code page: the character comes out in the
        locale's code page, not in another one and not as '?'."""
        r = self.target.run(["cmd", "/c", "echo", char], self.root, raw=True,
                            env=self.locale_env())
        self.assertEqual(r.stdout, ansi_bytes + b"\n", r)

    def assertHandedOff(self, result, unix_dir):
        """The hand-off enters `unix_dir`: its chdir names the directory, in the bytes of UTF-8 or
        of the console's code page (the batch file's own encoding is the hand-off's business)."""
        self.assertEqual(result.code, 0, result)
        self.assertIsNotNone(result.handoff, result)
        win_dir = self.target.host_path(unix_dir)
        forms = [win_dir[2:].encode("utf-8")]
        try:
            forms.append(win_dir[2:].encode(OEM_CODE_PAGE[self.lang]))
        except UnicodeEncodeError:
            pass
        self.assertTrue(any(b'chdir "' + form + b'"' in result.handoff for form in forms),
                        result)

    def host(self, *parts):
        return self.target.host_path(self.path(*parts))

    def names_listed(self, result):
        """The lines of --list, as UTF-8."""
        self.assertEqual(result.code, 0, result)
        return result.stdout.decode("utf-8").split("\n")[:-1]


class Western(UnicodeCase):
    lang = GERMAN

    def test_names_are_typed_listed_and_entered_exactly(self):
        self.assertLocaleTook("Ü", b"\xdc")  # 1252, where 850 would give 0x9a
        self.mkdirs(*WESTERN_NAMES)
        for name in WESTERN_NAMES:
            with self.subTest(name=name):
                self.assertHandedOff(self.run_c(name), self.path(name))
        # Redirected, --list gives every name as UTF-8 bytes, as a wrapper reads them.
        listed = self.names_listed(self.run_c("--list", "*"))
        self.assertEqual(sorted(listed), sorted(self.host(name) for name in WESTERN_NAMES))

    def test_paths_carry_the_names_as_the_disk_holds_them(self):
        """Levels typed whole in another case are looked up, not listed: what is listed, handed
        off and recorded still spells every level as it is on disk."""
        self.mkdirs("lp/Clients/Archive/Reports", "lp/Шаблоны/Αρχείο")
        data = os.path.join(self.root, "dirhop.dat")
        env = {"DIRHOP": self.target.host_path(data)}
        listed = self.names_listed(self.run_c("--list", "lp\\clients\\archive\\rep", env=env))
        self.assertEqual(listed, [self.host("lp", "Clients", "Archive", "Reports")])
        for spec, parts in [("lp\\clients\\archive\\reports", ("Clients", "Archive", "Reports")),
                            ("lp\\clients\\archive\\reportz", ("Clients", "Archive", "Reports")),
                            ("LP\\шаблоны\\αρχείο", ("Шаблоны", "Αρχείο"))]:
            with self.subTest(spec=spec):
                self.assertHandedOff(self.run_c(spec, env=env), self.path("lp", *parts))
                with open(data, "rb") as f:
                    self.assertIn(self.host("lp", *parts).encode("utf-8") + b"\0", f.read())

    def test_data_file_temp_and_handoff_under_accented_folders(self):
        self.mkdirs("Übung")
        folder = os.path.join(self.root, "Müller")
        os.makedirs(folder)
        data = os.path.join(folder, "daten-ä.dat")
        r = self.run_c("Übung", env={"DIRHOP": self.target.host_path(data)})
        self.assertHandedOff(r, self.path("Übung"))
        # Exactly that file and its lock file (beside the memory of places), and the history in it names the directory in
        # UTF-8.
        self.assertEqual(sorted(n for n in os.listdir(folder) if ".places" not in n),
                         ["daten-ä.dat", "daten-ä.dat.lock"])
        with open(data, "rb") as f:
            self.assertIn(self.host("Übung").encode("utf-8"), f.read())

        # The hand-off named by DIRHOP_HANDOFF, in an accented folder.
        handoff = os.path.join(self.root, "Ärger", "übergabe.bat")
        os.makedirs(os.path.dirname(handoff))
        r = self.run_c("Übung", handoff=self.target.host_path(handoff),
                       env={"DIRHOP": self.target.host_path(data)})
        self.assertEqual(r.code, 0, r)
        self.assertEqual(os.listdir(os.path.dirname(handoff)), ["übergabe.bat"])

        # TEMP under a user folder with an accent: Wine ignores the Linux TEMP, so a batch file
        # sets it (from a variable, so that the batch file itself stays ASCII).
        temp = os.path.join(self.root, "José", "Temp")
        os.makedirs(temp)
        batch = os.path.join(self.root, "run.bat")
        with open(batch, "w", newline="\r\n") as f:
            f.write("@echo off\nset TEMP=%DIRHOP_TEST_TEMP%\n\"%DIRHOP_TEST_PROGRAM%\" %*\n")
        r = self.target.run(["cmd", "/c", self.target.host_path(batch), "Übung"], self.tree,
                            raw=True, env=self.locale_env({
                                "DIRHOP_TEST_TEMP": self.target.host_path(temp),
                                "DIRHOP_TEST_PROGRAM": self.target.host_path(self.target.program),
                                "DIRHOP": self.target.host_path(data)}))
        self.assertEqual(r.code, 0, r)
        self.assertEqual(os.listdir(temp), ["dirhop2.bat"], r)

    def test_a_missing_name_is_created_exactly(self):
        # The one place to create it, offered by the single question.
        r = self.target.run_pty(["Änderung"], self.tree, [("[y/N] ? ", b"y")],
                                handoff=self.handoff, env=self.locale_env())
        self.assertEqual(r.code, 0, r)
        self.assertEqual(os.listdir(self.tree), ["Änderung"])
        self.assertHandedOff(r, self.path("Änderung"))

    def test_an_alias_typed_with_accents_is_entered(self):
        self.mkdirs("Übung/Straße")
        data = os.path.join(self.root, "dirhop.dat")
        env = {"DIRHOP": self.target.host_path(data)}
        r = self.run_c("-a", "süd", self.host("Übung", "Straße"), env=env)
        self.assertEqual(r.code, 0, r)
        self.assertHandedOff(self.run_c("süd", env=env), self.path("Übung", "Straße"))
        listed = self.names_listed(self.run_c("--list", "süd", env=env))
        self.assertEqual(listed, [self.host("Übung", "Straße")])
        self.assertEqual(self.names_listed(self.run_c("--aliases", env=env))[0], "süd")

    def test_the_menu_shows_every_name_in_the_console(self):
        # WriteConsoleW: Wine's console renders the characters to the pseudo-terminal in the
        # terminal's UTF-8, whatever the console's code page.
        self.mkdirs(*["%s/sub" % name for name in WESTERN_NAMES])
        session = PtySession(self.target.command(["*/sub"]),
                             self.target.pty_env(self.handoff, self.locale_env()), self.tree)
        self.addCleanup(session.close)
        session.wait_for(FOOTER)
        session.write(b"\x1b")
        self.assertEqual(session.wait(), 0)
        screen = harness.screen_text(session.raw()).encode("latin-1").decode("utf-8")
        for name in WESTERN_NAMES:
            self.assertIn(name, screen)

    def test_c_bat_in_cmd_with_accented_temp_and_data_file(self):
        # cmd without a console reads batch files in the OEM code page (850): a name of that page
        # is handed off in its bytes and cmd enters it; a Greek name comes in UTF-8 between two
        # chcp lines. Wine's cmd reads every batch line in the OEM page whatever chcp says
        # (measured), so there only the bytes of the second form can be checked.
        self.mkdirs("acc/Übung", "greek/αβγ")
        temp = os.path.join(self.root, "José", "Temp")
        folder = os.path.join(self.root, "Müller")
        os.makedirs(temp)
        os.makedirs(folder)
        shutil.copy(os.path.join(SHELL_DIR, "c.bat"), self.root)
        batch = os.path.join(self.root, "steps.bat")
        with open(batch, "w", newline="\r\n") as f:
            f.write("@echo off\nset TEMP=%DIRHOP_TEST_TEMP%\nset PATH=%DIRHOP_TEST_BIN%;%PATH%\n"
                    "cd /d %DIRHOP_TEST_TREE%\ncall %DIRHOP_TEST_C% acc\\*\necho @@dir\ncd\n"
                    "cd /d %DIRHOP_TEST_TREE%\ncall %DIRHOP_TEST_C% greek\\*\n")
        r = self.target.run(["cmd", "/c", self.target.host_path(batch)], self.tree, raw=True,
                            env=self.locale_env({
                                "DIRHOP_TEST_TEMP": self.target.host_path(temp),
                                "DIRHOP_TEST_BIN": self.target.host_path(
                                    os.path.dirname(self.target.program)),
                                "DIRHOP_TEST_TREE": self.host(),
                                "DIRHOP_TEST_C": self.target.host_path(
                                    os.path.join(self.root, "c.bat")),
                                "DIRHOP": self.target.host_path(
                                    os.path.join(folder, "daten-ä.dat"))}))
        self.assertIn(b"@@dir\n" + self.host("acc", "Übung").encode("cp1252") + b"\n",
                      r.stdout, r)  # cmd writes to a pipe in the ANSI code page
        self.assertEqual(sorted(n for n in os.listdir(folder) if ".places" not in n),
                         ["daten-ä.dat", "daten-ä.dat.lock"])
        with open(os.path.join(temp, "dirhop2.bat"), "rb") as f:
            greek = self.host("greek", "αβγ")
            self.assertEqual(f.read(), b"@chcp 65001 >nul\r\n" + greek[:2].encode() + b"\r\nchdir \""
                             + greek[2:].encode("utf-8") + b"\"\r\n@chcp 850 >nul\r\n")

    def test_stores_of_the_release_before_utf8_read_back(self):
        # That release held the OEM bytes (850): the data file kept them with a text form byte of
        # 0, and the registry got them through the ANSI functions, as the 1252 characters of the
        # same bytes (U-umlaut 0x9a became s-caron).
        self.mkdirs("Übung")
        target = self.host("Übung")
        image = bytearray(10736)
        image[0] = len(target.encode("cp850"))
        image[1:1 + image[0]] = target.encode("cp850")
        image[10720] = 1
        data = os.path.join(self.root, "old.dat")
        with open(data, "wb") as f:
            f.write(bytes(image))
        r = self.run_c("-h", env={"DIRHOP": self.target.host_path(data)})
        self.assertIn(target, r.stdout.decode("utf-8"), r)

        as_ansi = target.encode("cp850").decode("cp1252")
        self.addCleanup(self.target.run, ["reg", "delete", harness.STORE_KEY, "/f"], "/")
        for args in (["delete", harness.STORE_KEY, "/f"],
                     ["add", harness.STORE_KEY, "/v", "history_0", "/d", as_ansi, "/f"]):
            self.target.run(["reg"] + args, self.root, raw=True, env=self.locale_env())
        self.assertIn(target, self.run_c("-h").stdout.decode("utf-8"))
        # Saved by this release, the value holds the real characters and reads back as they are.
        self.assertHandedOff(self.run_c("Übung"), self.path("Übung"))
        r = self.target.run(["reg", "query", harness.STORE_KEY, "/v", "history_0"], self.root,
                            raw=True, env=self.locale_env())
        self.assertIn(target.encode("cp850"), r.stdout, r)  # reg writes to a pipe in OEM
        self.assertEqual(self.run_c("-h").stdout.decode("utf-8").count(target), 1)


class Japanese(UnicodeCase):
    lang = JAPANESE

    def test_names_are_typed_listed_entered_and_stored_exactly(self):
        self.assertLocaleTook("日本", b"\x93\xfa\x96\x7b")  # Shift JIS
        self.mkdirs(*JAPANESE_NAMES)
        folder = os.path.join(self.root, "データ")
        os.makedirs(folder)
        data = os.path.join(folder, "履歴.dat")
        env = {"DIRHOP": self.target.host_path(data)}
        for name in JAPANESE_NAMES:
            with self.subTest(name=name):
                self.assertHandedOff(self.run_c(name, env=env), self.path(name))
        self.assertEqual(sorted(n for n in os.listdir(folder) if ".places" not in n),
                         ["履歴.dat", "履歴.dat.lock"])
        with open(data, "rb") as f:
            self.assertIn(self.host("表示").encode("utf-8"), f.read())
        listed = self.names_listed(self.run_c("--list", "*"))
        self.assertEqual(sorted(listed), sorted(self.host(name) for name in JAPANESE_NAMES))

        handoff = os.path.join(self.root, "表示", "ハンドオフ.bat")
        os.makedirs(os.path.dirname(handoff))
        r = self.run_c("日本語", handoff=self.target.host_path(handoff), env=env)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(os.listdir(os.path.dirname(handoff)), ["ハンドオフ.bat"])


if __name__ == "__main__":
    harness.main()
