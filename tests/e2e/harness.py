"""Runs the built program the way a user does, natively or under Wine, and reads what it leaves.

Every test works in its own temporary directory tree with a private hand-off file; the same test
cases run against `dirhop` and `wine dirhop.exe`, with the expectations written once in terms of
the directory that should be reached (see Target.handoff_for)."""

import argparse
import ctypes
import fcntl
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
import unittest

ARGS = None  # filled by main()

STORE_KEY = "HKCU\\Software\\Brantel Software\\Dirhop"

DAC_CAPS = (1 << 1) | (1 << 2)  # CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH


def _effective_caps():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("CapEff:"):
                return int(line.split()[1], 16)
    return 0


def drop_dac_capabilities():
    """As root, permissions do not stop anyone: re-run this script without the capabilities that
    bypass them, so that a directory without access rights really cannot be entered."""
    if os.geteuid() == 0 and _effective_caps() & DAC_CAPS and shutil.which("setpriv"):
        os.execvp("setpriv", ["setpriv", "--inh-caps=-dac_override,-dac_read_search",
                              "--bounding-set=-dac_override,-dac_read_search",
                              sys.executable] + sys.argv)


ADDR_NO_RANDOMIZE = 0x0040000


def use_fixed_address_layout():
    """Turns off address-space randomisation for this process and every process it starts.

    Debian's wine64 has no preloader to reserve Wine's fixed addresses before the kernel lays out
    a process, so with randomisation a wine process now and then finds one taken and dies at once
    ("failed to map the shared user data"), printing nothing under WINEDEBUG=-all. With a fixed
    layout every wine process starts the same way. cmake/wine-run does the same for unit tests."""
    libc = ctypes.CDLL(None, use_errno=True)
    current = libc.personality(0xFFFFFFFF)
    if current == -1 or libc.personality(current | ADDR_NO_RANDOMIZE) == -1:
        raise OSError(ctypes.get_errno(), "personality(ADDR_NO_RANDOMIZE) failed")


class Result:
    def __init__(self, code, stdout, handoff, stderr=b""):
        self.code = code
        self.stderr = stderr
        self.stdout = stdout      # bytes as written; CR LF folded to LF for Wine
        self.handoff = handoff    # bytes of the hand-off file, None when it does not exist

    @property
    def text(self):
        return self.stdout.decode("latin-1")

    def __repr__(self):
        return (f"Result(code={self.code}, stdout={self.stdout!r}, handoff={self.handoff!r}, "
                f"stderr={self.stderr[-2000:]!r})")


class Target:
    """How to run the program and what its results look like on one platform."""

    name = None
    windows = False

    def __init__(self, program):
        self.program = os.path.abspath(program)

    extra_env = {}  # set per test: a private store

    def base_env(self):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("DIRHOP")
               and k not in ("NO_COLOR", "XDG_CONFIG_HOME", "XDG_DATA_HOME")}
        env.update(self.extra_env)
        return env

    def run(self, args, cwd, handoff=None, env=None, stdin=subprocess.DEVNULL, timeout=60,
            raw=False, separate_errors=False):
        """Runs the program. Natively its error lines go to standard error: unless
        `separate_errors`, they are read with standard output, in order, as a terminal shows
        them, and Result.stderr is empty."""
        full_env = self.base_env()
        if handoff is not None:
            full_env["DIRHOP_HANDOFF"] = handoff
        full_env.update(env or {})
        command = (["wine"] + list(args)) if raw else self.command(args)
        proc = subprocess.run(command, cwd=cwd, env=full_env, stdin=stdin,
                              stdout=subprocess.PIPE,
                              stderr=(subprocess.PIPE if self.windows or separate_errors
                                      else subprocess.STDOUT), timeout=timeout)
        out = proc.stdout
        if self.windows:
            out = out.replace(b"\r\n", b"\n")
        data = None
        if handoff is not None and os.path.exists(self.unix_path(handoff)):
            with open(self.unix_path(handoff), "rb") as f:
                data = f.read()
        return Result(proc.returncode, out, data, proc.stderr or b"")


    def pty_env(self, handoff=None, env=None):
        """The environment of a run in a pseudo-terminal."""
        full_env = self.base_env()
        full_env["TERM"] = "xterm"
        if handoff is not None:
            full_env["DIRHOP_HANDOFF"] = handoff
        full_env.update(env or {})
        return full_env

    def run_pty(self, args, cwd, steps, handoff=None, rows=25, cols=80, env=None, timeout=60,
                typed_ahead=b""):
        """Runs the program in a pseudo-terminal of `rows` x `cols` (see run_in_pty). Returns a
        Result whose stdout is the screen text with escape sequences removed."""
        code, text = run_in_pty(self.command(args), self.pty_env(handoff, env), cwd, steps,
                                timeout=timeout, rows=rows, cols=cols, typed_ahead=typed_ahead)
        data = None
        if handoff is not None and os.path.exists(handoff):
            with open(handoff, "rb") as f:
                data = f.read()
        return Result(code, text.encode("latin-1"), data)


# Runs its arguments as a command once standard input has become the controlling terminal of the
# session (which start_new_session has made the process lead). Python ignores SIGPIPE and SIGXFSZ,
# and an ignored signal stays ignored across exec: the command gets their default actions back.
_WITH_CONTROLLING_TERMINAL = (
    "import fcntl, os, signal, sys, termios\n"
    "signal.signal(signal.SIGPIPE, signal.SIG_DFL)\n"
    "signal.signal(signal.SIGXFSZ, signal.SIG_DFL)\n"
    "fcntl.ioctl(0, termios.TIOCSCTTY, 0)\n"
    "os.execvp(sys.argv[1], sys.argv[1:])\n")


class PtySession:
    """A program running with a pseudo-terminal of `rows` x `cols` as its terminal, in a session
    of its own; what it writes is collected while the test waits for text, writes keys, sends
    signals and reads the terminal's mode. With `controlling_terminal` the pseudo-terminal is the
    session's controlling terminal, as a terminal window is for its shell (job control, signals
    from keys); otherwise it is only the program's standard input and output. `typed_ahead` is
    written to the terminal before the program starts: keys typed before it could ask anything."""

    def __init__(self, command, env, cwd, timeout=60, rows=25, cols=80,
                 controlling_terminal=False, typed_ahead=b""):
        self.master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))
        self.initial_mode = termios.tcgetattr(slave)
        if typed_ahead:
            os.write(self.master, typed_ahead)
        if controlling_terminal:
            command = [sys.executable, "-c", _WITH_CONTROLLING_TERMINAL] + list(command)
        self.proc = subprocess.Popen(command, cwd=cwd, env=env, stdin=slave, stdout=slave,
                                     stderr=slave, start_new_session=True)
        os.close(slave)
        self.deadline = time.monotonic() + timeout
        self._screen = bytearray()
        self._seen = 0
        self._lock = threading.Lock()
        self._reader = threading.Thread(target=self._drain, daemon=True)
        self._reader.start()

    def _drain(self):
        while True:
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                return
            if not chunk:
                return
            with self._lock:
                self._screen.extend(chunk)

    def raw(self):
        """The bytes written to the terminal so far, escape sequences and all."""
        with self._lock:
            return bytes(self._screen)

    def text(self):
        """The screen so far, as plain text (see screen_text)."""
        with self._lock:
            return screen_text(bytes(self._screen))

    def wait_for(self, marker):
        """Waits until `marker` appears on the screen after the previous marker waited for."""
        while True:
            text = self.text()
            found = text.find(marker, self._seen)
            if found >= 0:
                self._seen = found + len(marker)
                return
            if time.monotonic() > self.deadline or self.proc.poll() is not None:
                raise AssertionError("never saw %r on the screen:\n%s" % (marker, text))
            time.sleep(0.02)

    def wait_until(self, condition, what):
        """Waits until `condition()` is true; fails with `what` at the deadline."""
        while not condition():
            if time.monotonic() > self.deadline:
                raise AssertionError("%s never happened; screen:\n%s" % (what, self.text()))
            time.sleep(0.02)

    def write(self, key):
        """Writes one key's bytes in one write, after a pause that lets the program get ready."""
        time.sleep(0.15)
        os.write(self.master, key)

    def mode(self):
        """The terminal's mode as termios.tcgetattr gives it (the master reports the slave's)."""
        return termios.tcgetattr(self.master)

    def wait(self):
        """The program's exit status (negative: the signal that ended it)."""
        return self.proc.wait(timeout=max(1, self.deadline - time.monotonic()))

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self._reader.join(timeout=2)
        os.close(self.master)


def run_in_pty(command, env, cwd, steps, timeout=60, rows=25, cols=80, typed_ahead=b""):
    """Runs `command` with a pseudo-terminal as its terminal; `steps` are (marker, key bytes):
    each key is written once the marker has appeared on the screen after the previous one.
    `typed_ahead` is in the terminal's input before the program starts. Returns (exit code,
    screen text)."""
    session = PtySession(command, env, cwd, timeout=timeout, rows=rows, cols=cols,
                         typed_ahead=typed_ahead)
    try:
        for marker, key in steps:
            session.wait_for(marker)
            session.write(key)
        code = session.wait()
    finally:
        session.close()
    return code, session.text()


_CURSOR_FORWARD = re.compile(rb"\x1b\[(\d*)C")
_ESCAPES = re.compile(rb"\x1b(\[[0-9;?]*[ -/]*[@-~]|\][^\x07]*\x07|[()][0-9A-Za-z]|[=>78])")


def screen_text(raw):
    """Terminal output as plain text: cursor-forward moves become spaces, other escape sequences
    and carriage returns are dropped."""
    raw = _CURSOR_FORWARD.sub(lambda m: b" " * int(m.group(1) or b"1"), raw)
    raw = _ESCAPES.sub(b"", raw)
    return raw.replace(b"\r", b"").decode("latin-1")


class NativeTarget(Target):
    name = "native"

    def command(self, args):
        return [self.program] + list(args)

    def unix_path(self, path):
        return path

    def host_path(self, unix_path):
        return unix_path

    def handoff_for(self, unix_dir):
        quoted = "'" + unix_dir.replace("'", "'\\''") + "'"
        return ("cd -- " + quoted + "\n").encode("latin-1")

    placeholder = b"# rem\n"
    root_spec = "/"


class WineTarget(Target):
    name = "wine"
    windows = True

    def __init__(self, program, prefix):
        super().__init__(program)
        self.prefix = prefix
        use_fixed_address_layout()

    def base_env(self):
        env = super().base_env()
        # DIRHOP_E2E_WINEDEBUG=err+all shows Wine's own errors when a test needs them.
        env["WINEDEBUG"] = os.environ.get("DIRHOP_E2E_WINEDEBUG", "-all")
        env["WINEPREFIX"] = self.prefix
        # A new prefix must not stop to offer to install Mono or Gecko.
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
        return env

    def start(self):
        env = self.base_env()
        os.makedirs(self.prefix, exist_ok=True)
        # A server left from elsewhere may hold rights this run has dropped: start a fresh one.
        subprocess.run(["wineserver", "-k"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        self.ensure_store()

    def ensure_store(self):
        """Creates the settings key, so that runs are not the first run (which shows the
        welcome screens before doing anything)."""
        made = subprocess.run(["wine", "reg", "add", STORE_KEY, "/f"], env=self.base_env(),
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)
        if made.returncode != 0:
            raise AssertionError("could not create the settings key: %r" % (made,))

    def command(self, args):
        return ["wine", self.program] + list(args)

    def unix_path(self, path):
        return path

    def host_path(self, unix_path):
        """The Windows name Wine gives a Unix path: drive Z: is the Unix root."""
        return "Z:" + unix_path.replace("/", "\\")

    def drive(self, letter, unix_dir):
        link = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(unix_dir, link)

    def drop_drive(self, letter):
        link = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.remove(link)

    def handoff_for_windows_dir(self, win_dir):
        body = win_dir[:2] + "\r\nchdir \"" + win_dir[2:].replace("%", "%%") + "\""
        if "!" in win_dir:
            body = ("setlocal DisableDelayedExpansion\r\n" + body +
                    "\r\npushd .\r\nendlocal\r\npopd")
        return (body + "\r\n").encode("latin-1")

    def handoff_for(self, unix_dir):
        return self.handoff_for_windows_dir(self.host_path(unix_dir))

    placeholder = b"rem\r\n"
    root_spec = "\\"


def make_target():
    if ARGS.target == "native":
        return NativeTarget(ARGS.program)
    prefix = os.environ.get("DIRHOP_E2E_WINEPREFIX") or os.path.join(
        os.path.dirname(os.path.abspath(ARGS.program)), "e2e-wineprefix")
    target = WineTarget(ARGS.program, prefix)
    target.start()
    return target


class E2ETestCase(unittest.TestCase):
    """A temporary tree per test (`self.root`) and a private hand-off file (`self.handoff`)."""

    target = None

    def setUp(self):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="dirhop-e2e-"))
        self.handoff = os.path.join(self.root, "handoff.out")
        self.tree = os.path.join(self.root, "tree")
        os.makedirs(self.tree)
        # A store of its own that already exists (natively the file that stands for the
        # registry key), so that the run is not a first run and the user's store is untouched.
        self.config = os.path.join(self.root, "config")
        os.makedirs(os.path.join(self.config, "dirhop"))
        open(os.path.join(self.config, "dirhop", "registry"), "w").close()
        # The memory of places of its own too. Under Wine it is the prefix's (Wine sets
        # LOCALAPPDATA itself): each test starts it empty, so that no test sees another's places.
        self.data = os.path.join(self.root, "data")
        self.target.extra_env = {"XDG_CONFIG_HOME": self.config, "XDG_DATA_HOME": self.data}
        if self.target.windows:
            kept = os.path.join(self.target.prefix, "drive_c", "users",
                                os.environ.get("USER", "root"), "AppData", "Local", "Dirhop")
            for name in ("places", "places.lock"):
                if os.path.exists(os.path.join(kept, name)):
                    os.remove(os.path.join(kept, name))

    def tearDown(self):
        for dirpath, dirnames, _ in os.walk(self.root):
            for d in dirnames:
                try:
                    os.chmod(os.path.join(dirpath, d), 0o755)
                except OSError:
                    pass
        shutil.rmtree(self.root, ignore_errors=True)

    def mkdirs(self, *relative):
        for rel in relative:
            os.makedirs(os.path.join(self.tree, rel), exist_ok=True)

    def path(self, *parts):
        return os.path.join(self.tree, *parts)

    def c(self, *args, cwd=None, **kwargs):
        kwargs.setdefault("handoff", self.handoff)
        return self.target.run(list(args), cwd or self.tree, **kwargs)

    def assertWentTo(self, result, unix_dir):
        self.assertEqual(result.code, 0, result)
        self.assertEqual(result.handoff, self.target.handoff_for(unix_dir), result)

    def assertStayed(self, result, code):
        self.assertEqual(result.code, code, result)
        self.assertEqual(result.handoff, self.target.placeholder, result)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--target", choices=["native", "wine"], required=True)
    parser.add_argument("--program", required=True)
    # The program that holds the store's lock (tests/e2e/hold_store_lock.cpp), for test_store.
    parser.add_argument("--lock-holder")
    ARGS, rest = parser.parse_known_args()
    drop_dac_capabilities()
    E2ETestCase.target = make_target()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
