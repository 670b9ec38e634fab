"""End to end: what cmake/install.cmake adds around the program. The manual beside the built
program (dirhop.html, and dirhop.chm for Windows) covering every option of the usage screen; the
POSIX install tree (only the program in bin/, the manual that -manual finds under share/, man
pages that read well, `man c`, a wrapper that finds the installed program) and the uninstall
target that takes all of it away again; the Windows zip, whose files unpack straight into the
folder the README puts on PATH.

These cases need the rules of cmake/install.cmake in the build being tested."""

import os
import re
import shutil
import subprocess
import zipfile

import harness
from harness import E2ETestCase

HERE = os.path.dirname(os.path.abspath(__file__))
DOCS_DIR = os.path.normpath(os.path.join(HERE, "..", "..", "docs"))


class ManualAndInstall(E2ETestCase):
    """What cmake/install.cmake adds: the manual beside the program, the install tree and the
    Windows zip."""

    def setUp(self):
        super().setUp()
        self.build = os.path.dirname(self.target.program)
        if not os.path.exists(os.path.join(self.build, "docs", "dirhop.html")):
            self.skipTest("this build does not include cmake/install.cmake")

    def test_manual_covers_every_option_of_the_usage_screen(self):
        with open(os.path.join(DOCS_DIR, "manual.html"), encoding="utf-8") as f:
            manual = f.read()
        text = re.sub(r"\s+", " ", re.sub(r"<[^>]+>", "", manual)).replace("&lt;", "<")
        usage = self.c("-?").text
        options = set(re.findall(r"^  c (-\w+|-\?)", usage, re.M))
        options |= {"-h", "-l"} if "-[h|l]" in usage else set()
        self.assertGreaterEqual(len(options), 9, usage)
        for option in sorted(options):
            self.assertRegex(text, r"c %s(?!\w)" % re.escape(option), option)

    def test_chm_contents_name_every_section(self):
        with open(os.path.join(DOCS_DIR, "manual.html"), encoding="utf-8") as f:
            sections = re.findall(r'<h[23] id="([^"]+)">', f.read())
        with open(os.path.join(DOCS_DIR, "dirhop.hhc"), encoding="latin-1") as f:
            anchors = re.findall(r'value="dirhop\.html#([^"]+)"', f.read())
        self.assertEqual(anchors, sections)

    def test_manual_beside_the_built_program(self):
        if self.target.windows:
            chm = os.path.join(self.build, "dirhop.chm")
            if not shutil.which("chmcmd"):
                self.skipTest("chmcmd is not installed: no dirhop.chm")
            with open(chm, "rb") as f:
                self.assertEqual(f.read(4), b"ITSF")
            if shutil.which("chmls"):
                extracted = os.path.join(self.root, "extracted.html")
                subprocess.run(["chmls", "extract", chm, "/dirhop.html", extracted],
                               stdout=subprocess.DEVNULL, check=True, timeout=60)
                with open(extracted, "rb") as a, \
                        open(os.path.join(self.build, "docs", "dirhop.html"), "rb") as b:
                    self.assertEqual(a.read(), b.read())
        else:
            self.assertManualOpens(self.target.program)

    def assertManualOpens(self, program, manual=None):
        """-manual hands the desktop's opener `manual` (default: dirhop.html beside `program`),
        and it is there."""
        bin_dir = os.path.join(self.root, "fake-bin")
        os.makedirs(bin_dir, exist_ok=True)
        opened = os.path.join(self.root, "opened")
        with open(os.path.join(bin_dir, "xdg-open"), "w") as f:
            f.write('#!/bin/sh\nprintf "%%s" "$1" >"%s"\n[ -f "$1" ] || exit 2\n' % opened)
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        env = {"PATH": bin_dir + ":" + os.environ.get("PATH", "/usr/bin:/bin")}
        proc = subprocess.run([program, "-manual"], cwd=self.tree, env={**self.target.base_env(),
                              **env}, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              timeout=60)
        self.assertEqual(proc.returncode, 0)
        with open(opened) as f:
            target = f.read()
        self.assertEqual(target, manual or os.path.join(os.path.dirname(program), "dirhop.html"))
        with open(target, encoding="utf-8") as f:
            self.assertIn("<h2 id=\"aliases\">", f.read())
        self.assertNotIn(b"Could not", proc.stdout)

    def test_install_tree_and_uninstall(self):
        if self.target.windows:
            self.skipTest("the Windows distribution is the zip (test_windows_zip)")
        prefix = os.path.join(self.root, "prefix")
        subprocess.run(["cmake", "--install", self.build, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        self.assertEqual(sorted(tree_files(prefix)), [
            "bin/dirhop", "share/dirhop/dirhop.bash", "share/dirhop/dirhop.fish",
            "share/dirhop/dirhop.ps1", "share/doc/dirhop/LICENSE", "share/doc/dirhop/README.md",
            "share/doc/dirhop/changelog.gz", "share/doc/dirhop/copyright",
            "share/doc/dirhop/dirhop.html", "share/man/man1/c.1.gz",
            "share/man/man1/dirhop.1.gz"])
        with open(os.path.join(prefix, "share/doc/dirhop/LICENSE")) as f:
            self.assertIn("Copyright (c) 2026 The Dirhop authors", f.read())
        with open(os.path.join(prefix, "share/doc/dirhop/copyright")) as f:
            copyright = f.read()
        self.assertRegex(copyright, r"(?m)^Copyright: 2026 The Dirhop authors\nLicense: Expat\n")
        self.assertNotRegex(copyright, r"(?m)^$\n(?!Files:)")  # blank lines only between stanzas
        self.assertManualOpens(os.path.join(prefix, "bin", "dirhop"),
                               os.path.join(prefix, "share", "doc", "dirhop", "dirhop.html"))
        man_dir = os.path.join(prefix, "share", "man")
        if shutil.which("groff"):
            # The page as the build wrote it, before it was compressed for installing.
            proc = subprocess.run(["groff", "-t", "-man", "-ww", "-z",
                                   os.path.join(self.build, "docs", "dirhop.1")],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
            self.assertEqual((proc.returncode, proc.stderr), (0, b""))
        if shutil.which("man"):
            env = {**os.environ, "MANWIDTH": "80", "MANPAGER": "cat", "PAGER": "cat",
                   "LANG": "C.UTF-8"}
            page = subprocess.run(["man", "-l", os.path.join(man_dir, "man1", "dirhop.1.gz")],
                                  stdout=subprocess.PIPE, env=env, check=True,
                                  timeout=60).stdout.decode("utf-8")
            page = re.sub(r".\x08", "", page)
            for heading in ("NAME", "SYNOPSIS", "ALIASES", "EXIT CODES", "ENVIRONMENT"):
                self.assertRegex(page, r"(?m)^%s$" % heading)
            # The scoring table keeps its rows: header, then each part with its cost beside it.
            self.assertRegex(page, r"(?m)^ +the typed part +cost +example$")
            self.assertRegex(page, r"(?m)^ +is the directory's whole name +0 +src for src$")
            self.assertRegex(page, r"(?m)^ +matches as a wildcard.* 1 +pro or p\*s")
            # `man c` finds the same page.
            found = subprocess.run(["man", "-M", man_dir, "c"], stdout=subprocess.PIPE, env=env,
                                   timeout=60).stdout.decode("utf-8")
            self.assertEqual(re.sub(r".\x08", "", found), page)
        # The installed wrapper finds the installed program by itself.
        if shutil.which("bash"):
            self.mkdirs("sub")
            script = ('. "%s/share/dirhop/dirhop.bash"; cd "$1"; c sub; printf "%%s" "$PWD"'
                      % prefix)
            env = {**self.target.base_env(), "PATH": "/usr/bin:/bin"}
            proc = subprocess.run(["bash", "--norc", "-c", script, "bash", self.tree], env=env,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=60)
            self.assertEqual(proc.stdout.decode(), self.path("sub"))
        # The uninstall target takes away every file and Dirhop's own directories; the shared
        # directories (bin, share/man/man1, share/doc) stay, empty.
        subprocess.run(["cmake", "--build", self.build, "--target", "uninstall"], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        self.assertEqual(tree_files(prefix), [])
        left = sorted(os.path.relpath(os.path.join(d, n), prefix)
                      for d, dirs, _ in os.walk(prefix) for n in dirs)
        self.assertEqual(left, ["bin", "share", "share/doc", "share/man", "share/man/man1"])

    def test_windows_zip(self):
        if not self.target.windows:
            self.skipTest("the zip is the Windows distribution")
        if not shutil.which("cpack"):
            self.skipTest("cpack is not installed")
        out = os.path.join(self.root, "package")
        subprocess.run(["cpack", "-G", "ZIP", "-B", out, "--config",
                        os.path.join(self.build, "CPackConfig.cmake")], check=True,
                       stdout=subprocess.DEVNULL, timeout=300)
        zips = [n for n in os.listdir(out) if n.endswith(".zip")]
        self.assertEqual(len(zips), 1, os.listdir(out))
        unpacked = os.path.join(self.root, "unpacked")
        with zipfile.ZipFile(os.path.join(out, zips[0])) as z:
            z.extractall(unpacked)
        # The files sit at the top of the zip: unzipped into C:\Tools\Dirhop, that folder holds
        # c.bat and dirhop.exe, as the README's PATH advice needs.
        expected = ["LICENSE", "README.md", "c.bat", "dirhop.exe", "dirhop.ps1"]
        expected.append("dirhop.chm" if shutil.which("chmcmd") else "dirhop.html")
        self.assertEqual(sorted(tree_files(unpacked)), sorted(expected))
        # The unpacked folder works as it is: c.bat runs the dirhop.exe beside it.
        folder = unpacked
        self.mkdirs("sub")
        bat = os.path.join(self.root, "steps.bat")
        with open(bat, "wb") as f:
            f.write(("@echo off\r\ncd /d %s\r\ncall \"%s\" sub\r\necho @@dir\r\ncd\r\n" % (
                self.target.host_path(self.tree),
                self.target.host_path(os.path.join(folder, "c.bat")))).encode("latin-1"))
        proc = subprocess.run(["wine", "cmd", "/c", self.target.host_path(bat)],
                              env=self.target.base_env(), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        self.assertIn("@@dir\r\n%s\r\n" % self.target.host_path(self.path("sub")),
                      proc.stdout.decode("latin-1"))


def tree_files(top):
    """The files and links below `top`, as paths relative to it with "/" between levels."""
    return [os.path.relpath(os.path.join(d, n), top).replace(os.sep, "/")
            for d, dirs, files in os.walk(top) for n in files + [x for x in dirs if
                                                                 os.path.islink(os.path.join(d, x))]]


if __name__ == "__main__":
    harness.main()
