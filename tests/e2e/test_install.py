"""End to end: what cmake/install.cmake adds around the program. The manual beside the built
program (dirhop.html, and dirhop.chm for Windows) covering every option of the usage screen; the
POSIX install tree with its man page and a wrapper that finds the installed program; the Windows
zip, whose unpacked folder works as it is.

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

    def assertManualOpens(self, program):
        """-manual hands the desktop's opener dirhop.html beside `program`, and it is there."""
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
        self.assertEqual(target, os.path.join(os.path.dirname(program), "dirhop.html"))
        with open(target, encoding="utf-8") as f:
            self.assertIn("<h2 id=\"aliases\">", f.read())
        self.assertNotIn(b"Could not", proc.stdout)

    def test_install_tree(self):
        if self.target.windows:
            self.skipTest("the Windows distribution is the zip (test_windows_zip)")
        prefix = os.path.join(self.root, "prefix")
        subprocess.run(["cmake", "--install", self.build, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        for rel in ("bin/dirhop", "share/dirhop/dirhop.bash", "share/dirhop/dirhop.fish",
                    "share/man/man1/dirhop.1", "share/doc/dirhop/dirhop.html",
                    "share/doc/dirhop/README.md"):
            self.assertTrue(os.path.isfile(os.path.join(prefix, rel)), rel)
        self.assertManualOpens(os.path.join(prefix, "bin", "dirhop"))
        if shutil.which("groff"):
            proc = subprocess.run(["groff", "-man", "-ww", "-z",
                                   os.path.join(prefix, "share/man/man1/dirhop.1")],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
            self.assertEqual((proc.returncode, proc.stderr), (0, b""))
            proc = subprocess.run(["groff", "-man", "-Tutf8",
                                   os.path.join(prefix, "share/man/man1/dirhop.1")],
                                  stdout=subprocess.PIPE, timeout=60,
                                  env={**os.environ, "GROFF_NO_SGR": "1"})
            page = re.sub(r".\x08", "", proc.stdout.decode("utf-8"))
            for heading in ("NAME", "SYNOPSIS", "ALIASES", "EXIT CODES", "ENVIRONMENT"):
                self.assertRegex(page, r"(?m)^%s$" % heading)
        # The installed wrapper finds the installed program by itself.
        if shutil.which("bash"):
            self.mkdirs("sub")
            script = ('. "%s/share/dirhop/dirhop.bash"; cd "$1"; c sub; printf "%%s" "$PWD"'
                      % prefix)
            env = {**self.target.base_env(), "PATH": "/usr/bin:/bin"}
            proc = subprocess.run(["bash", "--norc", "-c", script, "bash", self.tree], env=env,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=60)
            self.assertEqual(proc.stdout.decode(), self.path("sub"))

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
            names = sorted(os.path.basename(n) for n in z.namelist() if not n.endswith("/"))
            z.extractall(unpacked)
        expected = ["README.md", "c.bat", "dirhop.exe", "dirhop.ps1"]
        expected.append("dirhop.chm" if shutil.which("chmcmd") else "dirhop.html")
        self.assertEqual(names, sorted(expected))
        # The unpacked folder works as it is: c.bat runs the dirhop.exe beside it.
        folder = os.path.join(unpacked, os.listdir(unpacked)[0])
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


if __name__ == "__main__":
    harness.main()
