"""End to end: the README's plain build, `cmake -S . -B build && cmake --build build`, as a
newcomer runs it. It configures where GoogleTest is absent and its default target makes the
program and its manual only; the tests come with -DDIRHOP_BUILD_TESTS=ON, which then needs
GoogleTest and says so. The build is only configured here (the build tree of the test run is the
built result)."""

import os
import re
import shutil
import subprocess

import harness
from harness import E2ETestCase

SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


class PlainBuild(E2ETestCase):
    def setUp(self):
        super().setUp()
        if self.target.windows:
            self.skipTest("the plain build is the native one")
        if not shutil.which("cmake"):
            self.skipTest("cmake is not installed")
        # GoogleTest's sources are looked for here: an empty directory stands for a machine
        # without Debian's googletest package.
        self.no_gtest = os.path.join(self.root, "no-googletest")
        os.makedirs(self.no_gtest)

    def configure(self, *options):
        build = os.path.join(self.root, "build")
        shutil.rmtree(build, ignore_errors=True)
        proc = subprocess.run(["cmake", "-S", SOURCE_DIR, "-B", build, "-G", "Unix Makefiles",
                               "-DDIRHOP_GTEST_SOURCE_DIR=" + self.no_gtest] + list(options),
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=300)
        return proc.returncode, proc.stdout.decode(errors="replace"), build

    def default_targets(self, build):
        """The targets `cmake --build` makes by default (Unix Makefiles: the `all` rules)."""
        with open(os.path.join(build, "CMakeFiles", "Makefile2")) as f:
            rules = re.findall(r"(?m)^((?:\S+/)?all): (\S+)$", f.read())
        # "all: tests/all" takes in a directory; "all: CMakeFiles/dirhop.dir/all" a target.
        wanted, targets = ["all"], set()
        while wanted:
            goal = wanted.pop()
            for rule, prerequisite in rules:
                if rule != goal:
                    continue
                target = re.fullmatch(r"(?:\S+/)?CMakeFiles/(\w+)\.dir/all", prerequisite)
                if target:
                    targets.add(target.group(1))
                else:
                    wanted.append(prerequisite)
        return sorted(targets)

    def test_configures_without_googletest_and_builds_the_program_and_manual_only(self):
        code, output, build = self.configure()
        self.assertEqual(code, 0, output)
        targets = self.default_targets(build)
        self.assertIn("dirhop", targets)
        self.assertEqual(set(targets) - {"dirhop_man_page", "dirhop_changelog"},
                         {"dirhop", "dirhop_core", "dirhop_manual"}, targets)
        self.assertFalse(os.path.exists(os.path.join(build, "CTestTestfile.cmake")))

    def test_tests_are_built_when_asked_and_then_need_googletest(self):
        code, output, build = self.configure("-DDIRHOP_BUILD_TESTS=ON")
        self.assertNotEqual(code, 0, output)
        self.assertIn("no GoogleTest sources in " + self.no_gtest, re.sub(r"\s+", " ", output))
        if os.path.isfile("/usr/src/googletest/CMakeLists.txt"):
            code, output, build = self.configure("-DDIRHOP_BUILD_TESTS=ON",
                                                 "-DDIRHOP_GTEST_SOURCE_DIR=/usr/src/googletest")
            self.assertEqual(code, 0, output)
            self.assertIn("dirhop_unit_tests", self.default_targets(build))


class LeanProgram(E2ETestCase):
    """Every run pays a page fault for each stretch of the program it touches, so the program
    carries no iostreams: their locale machinery alone doubled its code."""

    def test_the_program_links_no_iostreams(self):
        if self.target.windows or not shutil.which("nm"):
            self.skipTest("the native program, read with nm")
        symbols = subprocess.run(["nm", "-C", self.target.program], stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, check=True).stdout.decode()
        self.assertIn("dirhop::", symbols)  # a program with symbols at all
        linked = [part for part in ("std::ios_base::Init", "std::basic_filebuf", "std::time_get")
                  if part in symbols]
        self.assertEqual(linked, [])


if __name__ == "__main__":
    harness.main()
