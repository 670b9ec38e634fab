"""End to end: the crash report after real faults, and its silence on every ordinary ending.

The faults are made by crash_probe, built beside the program from tests/crash: it sets up the
crash report as the program's start-up does and then faults for real. Natively and under Wine
(where the report must come before any debugger would start), the report's lines are checked
byte for byte, and the exit code is the error number."""

import copy
import os
import unittest

import harness
from harness import E2ETestCase

SUPPORT_LINE_START = "were doing when the error occurred to "


class CrashReport(E2ETestCase):
    def setUp(self):
        super().setUp()
        probe = os.path.join(os.path.dirname(self.target.program),
                             "crash_probe.exe" if self.target.windows else "crash_probe")
        self.assertTrue(os.path.exists(probe), "build the crash_probe target first: " + probe)
        self.probe = copy.copy(self.target)
        self.probe.program = probe

    def run_probe(self, kind):
        return self.probe.run([kind, "two words", "x"], self.tree, timeout=60)

    def probe_path_as_reported(self):
        if self.target.windows:
            return self.target.host_path(os.path.realpath(self.probe.program))
        return os.path.realpath(self.probe.program)

    def assertReport(self, kind, result, number, stack_overflow=False):
        self.assertEqual(result.code, number, result)
        lines = result.text.split("\n")
        self.assertEqual(lines[0], "before the fault", result)
        report = lines[1:]
        expected_head = ["*** An error occurred ***"]
        if stack_overflow:
            expected_head.append("Stack overflow error")
        expected_head += ["",
                          "Please email the following information and a description of what you"]
        self.assertEqual(report[:len(expected_head)], expected_head, result)
        rest = report[len(expected_head):]
        self.assertTrue(rest[0].startswith(SUPPORT_LINE_START) and "@" in rest[0], result)
        self.assertEqual(rest[1:], [
            "",
            "Program: Dirhop  Version: 3.1",
            "Command line: " + self.probe_path_as_reported() + " " + kind + " two words x",
            "Error number %d" % number,
            "InOutRes: 0",
            "",  # the text ends with a line end
        ], result)

    def test_access_violation(self):
        self.assertReport("access-violation", self.run_probe("access-violation"), 216)

    def test_stack_overflow(self):
        self.assertReport("stack-overflow", self.run_probe("stack-overflow"), 202,
                          stack_overflow=True)

    def test_division_by_zero(self):
        r = self.run_probe("division-by-zero")
        if r.code == 3 and "no trap" in r.text:
            self.skipTest("this processor does not trap on integer division by zero")
        self.assertReport("division-by-zero", r, 200)

    def test_ordinary_endings_print_nothing(self):
        for kind, code in (("exit-0", 0), ("exit-1", 1), ("exit-243", 243)):
            r = self.run_probe(kind)
            self.assertEqual((r.code, r.text), (code, "before the fault\n"), kind)

    def test_the_program_prints_no_report_when_it_ends_normally(self):
        for args, code in (([], 0), (["-0"], 243)):
            r = self.c(*args)
            self.assertEqual(r.code, code, r)
            self.assertNotIn("An error occurred", r.text)
            self.assertNotIn("Error number", r.text)

if __name__ == "__main__":
    harness.main()
