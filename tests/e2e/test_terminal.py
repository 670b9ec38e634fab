"""End to end: the terminal's mode around the chooser and the pager in a pseudo-terminal, when a
signal ends the program and when the program is suspended and continued."""

import os
import re
import shlex
import shutil
import signal
import sys
import termios
import unittest

import harness
from harness import E2ETestCase, PtySession

FOOTER = "exit)? "
PAGER_PROMPT = " -- Press [Esc] to exit or any other key to continue -- "

# A minimal job-control shell that leaves the terminal alone: it runs its arguments as a job of
# their own in the foreground of its controlling terminal, prints the job's process id and ends
# with the job's exit code. Unlike an interactive shell it never sets the terminal's mode, so the
# mode seen while the job is stopped is the one the job left.
JOB_RUNNER = r"""
import fcntl, os, signal, sys, termios
fcntl.ioctl(0, termios.TIOCSCTTY, 0)
pid = os.fork()
if pid == 0:
    os.setpgid(0, 0)
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # Python ignores it; exec would keep that
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTTOU})
    os.tcsetpgrp(0, os.getpgrp())
    signal.pthread_sigmask(signal.SIG_UNBLOCK, {signal.SIGTTOU})
    os.execv(sys.argv[1], sys.argv[1:])
print("job %d started" % pid, flush=True)
_, status = os.waitpid(pid, 0)
sys.exit(os.waitstatus_to_exitcode(status) & 0xFF)
"""


def is_raw(mode):
    return not mode[3] & (termios.ECHO | termios.ICANON | termios.ISIG)


def process_state(pid):
    """The state letter of /proc/PID/stat: R running, S sleeping, T stopped, ..."""
    with open("/proc/%d/stat" % pid) as f:
        return f.read().rsplit(")", 1)[1].split()[0]


class TerminalCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        if self.target.windows:
            self.skipTest("native only: under Wine the console, not the program, sets the "
                          "terminal's mode, and Windows has no POSIX signals or job control")
        self.mkdirs("Projects/src", "Prototype/src")

    def start(self, command, rows=25, controlling_terminal=False):
        session = PtySession(command, self.target.pty_env(self.handoff), self.tree, rows=rows,
                             controlling_terminal=controlling_terminal)
        self.addCleanup(session.close)
        return session

    def wait_raw(self, session, what):
        session.wait_until(lambda: is_raw(session.mode()), what)


class EndingSignals(TerminalCase):
    def test_a_signal_that_ends_the_program_restores_the_terminal(self):
        cases = [(["pro/sr"], FOOTER, sig) for sig in
                 (signal.SIGUSR1, signal.SIGTERM, signal.SIGPIPE, signal.SIGHUP, signal.SIGALRM,
                  signal.SIGINT, signal.SIGRTMIN)]
        cases += [(["-?"], PAGER_PROMPT, sig) for sig in (signal.SIGUSR2, signal.SIGTERM)]
        # As the controlling terminal (a terminal window), and as a terminal that is only the
        # program's standard input.
        for controlling in (True, False):
            for args, marker, sig in cases:
                with self.subTest(args=args, signal=sig, controlling=controlling):
                    session = self.start(self.target.command(args), rows=10,
                                         controlling_terminal=controlling)
                    session.wait_for(marker)
                    self.wait_raw(session, "raw mode while waiting for a key")
                    os.kill(session.proc.pid, sig)
                    # The exit status is the signal's own.
                    self.assertEqual(session.wait(), -sig, session.text())
                    self.assertEqual(session.mode(), session.initial_mode)
                    with open(self.handoff, "rb") as f:
                        self.assertEqual(f.read(), self.target.placeholder)


class Suspend(TerminalCase):
    def test_suspend_key_and_sigtstp_stop_with_the_terminal_restored(self):
        # The suspend key (Ctrl+Z arrives as a byte in raw mode), and SIGTSTP from elsewhere.
        for how in ("suspend key", "SIGTSTP"):
            with self.subTest(how=how):
                session = self.start([sys.executable, "-c", JOB_RUNNER, self.target.program,
                                      "pro/sr"])
                session.wait_for(FOOTER)
                pattern = re.compile(r"job (\d+) started")
                session.wait_until(lambda: pattern.search(session.text()), "the job's number")
                pid = int(pattern.search(session.text()).group(1))
                self.wait_raw(session, "raw mode while waiting for a key")
                if how == "suspend key":
                    session.write(b"\x1a")
                else:
                    os.kill(pid, signal.SIGTSTP)
                session.wait_until(lambda: process_state(pid) == "T", "the stop")
                self.assertEqual(session.mode(), session.initial_mode)
                # Continued: raw mode again, and one key without Enter chooses.
                os.kill(pid, signal.SIGCONT)
                self.wait_raw(session, "raw mode after SIGCONT")
                session.write(b"b")
                self.assertEqual(session.wait(), 0, session.text())
                self.assertEqual(session.mode(), session.initial_mode)
                with open(self.handoff, "rb") as f:
                    self.assertEqual(f.read(),
                                     self.target.handoff_for(self.path("Prototype", "src")))

    def test_ctrl_z_and_fg_in_bash(self):
        bash = shutil.which("bash")
        if not bash:
            self.skipTest("bash is not installed")
        # An interactive bash without line editing, so it reads its commands in cooked mode.
        session = self.start([bash, "--norc", "--noprofile", "--noediting", "-i"],
                             controlling_terminal=True)
        session.write(b"PS1='$ '\n")
        session.wait_for("$ ")
        session.write(shlex.quote(self.target.program).encode() + b" pro/sr\n")
        session.wait_for(FOOTER)
        self.wait_raw(session, "raw mode in the chooser")
        session.write(b"\x1a")
        session.wait_for("Stopped")
        session.wait_for("$ ")
        session.write(b"fg\n")
        self.wait_raw(session, "raw mode after fg")
        session.write(b"b")
        session.wait_for("$ ")
        session.write(b'echo "rc=$?"\n')
        session.wait_for("rc=0")
        session.write(b"exit\n")
        self.assertEqual(session.wait(), 0, session.text())
        with open(self.handoff, "rb") as f:
            self.assertEqual(f.read(), self.target.handoff_for(self.path("Prototype", "src")))


if __name__ == "__main__":
    harness.main()
