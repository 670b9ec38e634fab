#!/usr/bin/env python3
"""What a jump through the shell function `c` costs over running dirhop directly.

For each shell that is installed (bash, zsh, fish, pwsh) three scripts run in a fresh shell with
the integration loaded: N jumps with `c` between two directories, N direct runs of dirhop with
the same specs (hand-off written, nothing read or entered), and an empty one (start-up and
loading only). Rounds interleave the three; the figures are medians over the rounds, and the cost
per jump leaves the empty script's time out:  ratio = (c - empty) / (direct - empty).

    bench/bench_jump.py <dirhop> [jumps] [rounds] [store-dir] [shell,shell...]

With --complete it times Tab completion instead: `dirhop --list SPEC` run directly against each
shell's completion of `c SPEC` (bash's and zsh's _dirhop_complete_word, fish's complete -C), in the
directory TREE, medians of `rounds` runs:

    bench/bench_jump.py <dirhop> --complete TREE SPEC [rounds]

The store (DIRHOP) lives in store-dir (default /dev/shm, where a save costs no disk flush, so
that the shell's own share is not hidden behind the disk's).
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SHELL_DIR = os.path.join(HERE, "..", "shell")


def pwsh_path():
    found = shutil.which("pwsh")
    if found:
        return found
    candidate = os.path.expanduser("~/.dotnet/tools/pwsh")
    return candidate if os.access(candidate, os.X_OK) else None


def scripts(shell, jumps, one, two, handoff):
    """(command prefix, {kind: script text}) for one shell."""
    if shell in ("bash", "zsh"):
        # As at a prompt: bash expands the alias that keeps c's words from globbing.
        load = ("shopt -s expand_aliases\n" if shell == "bash" else "") + \
            '. "%s"\n' % os.path.join(SHELL_DIR, "dirhop.bash")
        loop = "i=0\nwhile [ $i -lt %d ]; do\n  %%s\n  i=$((i+1))\ndone\n" % jumps
        jump = loop % ('c "%s"; c "%s"' % (one, two))
        direct = loop % ('DIRHOP_HANDOFF="%s" command "$DIRHOP_PROGRAM" "%s"; '
                         'DIRHOP_HANDOFF="%s" command "$DIRHOP_PROGRAM" "%s"'
                         % (handoff, one, handoff, two))
        command = ["bash", "--norc", "--noprofile"] if shell == "bash" else ["zsh", "-f"]
    elif shell == "fish":
        load = "source %s\n" % os.path.join(SHELL_DIR, "dirhop.fish")
        loop = "for i in (seq %d)\n  %%s\nend\n" % jumps
        jump = loop % ("c '%s'; c '%s'" % (one, two))
        direct = loop % ("DIRHOP_HANDOFF='%s' command $DIRHOP_PROGRAM '%s'; "
                         "DIRHOP_HANDOFF='%s' command $DIRHOP_PROGRAM '%s'"
                         % (handoff, one, handoff, two))
        command = ["fish", "--no-config"]
    else:
        load = ". '%s'\n" % os.path.join(SHELL_DIR, "dirhop.ps1")
        loop = "for ($i = 0; $i -lt %d; $i++) {\n  %%s\n}\n" % jumps
        jump = loop % ("c '%s'; c '%s'" % (one, two))
        direct = loop % ("$env:DIRHOP_HANDOFF = '%s'; & $env:DIRHOP_PROGRAM '%s'; "
                         "& $env:DIRHOP_PROGRAM '%s'" % (handoff, one, two))
        command = [pwsh_path(), "-NoLogo", "-NoProfile", "-NonInteractive", "-File"]
    return command, {"c": load + jump, "direct": load + direct, "empty": load}


def timed(command, env, cwd, rounds):
    """Median wall time of `command` in ms, and the lines it printed the first time."""
    times, lines = [], None
    for _ in range(rounds):
        start = time.perf_counter()
        out = subprocess.run(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        times.append((time.perf_counter() - start) * 1000)
        if lines is None:
            lines = len(out.splitlines())
    return statistics.median(times), lines


def complete(program, tree, spec, rounds):
    env = dict(os.environ, DIRHOP_PROGRAM=program, DIRHOP_SPEC=spec)
    bash_file = os.path.join(SHELL_DIR, "dirhop.bash")
    commands = [("dirhop --list", [program, "--list", spec])]
    if shutil.which("bash"):
        commands.append(("bash", ["bash", "--norc", "-c",
                                  '. "%s"; _dirhop_complete_word "$DIRHOP_SPEC";'
                                  ' printf "%%s\\n" "${_dirhop_found[@]}"' % bash_file]))
    if shutil.which("zsh"):
        commands.append(("zsh", ["zsh", "-f", "-c",
                                 '. "%s"; _dirhop_complete_word "$DIRHOP_SPEC";'
                                 ' printf "%%s\\n" "${_dirhop_found[@]}"' % bash_file]))
    if shutil.which("fish"):
        commands.append(("fish", ["fish", "--no-config", "-c",
                                  "source %s; complete -C \"c $DIRHOP_SPEC\""
                                  % os.path.join(SHELL_DIR, "dirhop.fish")]))
    print("completing c %s in %s: medians of %d runs (the shells include their start-up)"
          % (spec, tree, rounds))
    for name, command in commands:
        ms, lines = timed(command, env, tree, rounds)
        print("%-14s %9.1f ms %7d candidates" % (name, ms, lines))


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    if len(sys.argv) > 2 and sys.argv[2] == "--complete":
        if len(sys.argv) < 5:
            sys.exit(__doc__)
        complete(os.path.abspath(sys.argv[1]), sys.argv[3], sys.argv[4],
                 int(sys.argv[5]) if len(sys.argv) > 5 else 11)
        return
    program = os.path.abspath(sys.argv[1])
    jumps = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 11
    store_dir = sys.argv[4] if len(sys.argv) > 4 else "/dev/shm"
    work = tempfile.mkdtemp(prefix="dirhop-bench-jump-")
    one, two = os.path.join(work, "one"), os.path.join(work, "two")
    os.makedirs(one)
    os.makedirs(two)
    store = tempfile.mkdtemp(prefix="dirhop-bench-jump-", dir=store_dir)
    env = dict(os.environ, DIRHOP_PROGRAM=program, DIRHOP=os.path.join(store, "store"),
               TMPDIR=work)
    env.pop("XDG_RUNTIME_DIR", None)
    # A first run makes the store, so that no timed run is a first run.
    subprocess.run([program, one], env=dict(env, DIRHOP_HANDOFF=os.path.join(work, "h")),
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shells = [s for s in ("bash", "zsh", "fish") if shutil.which(s)]
    if pwsh_path():
        shells.append("pwsh")
    if len(sys.argv) > 5:
        shells = [s for s in sys.argv[5].split(",") if s in shells]
    print("%d jumps per script (2 runs each), %d rounds, medians; store in %s"
          % (jumps, rounds, store_dir))
    print("%-6s %10s %10s %10s %12s %12s %7s" % ("shell", "c ms", "direct ms", "empty ms",
                                                  "c/jump ms", "direct/run", "ratio"))
    for shell in shells:
        command, texts = scripts(shell, jumps, one, two, os.path.join(work, "direct.out"))
        paths = {}
        for kind, text in texts.items():
            paths[kind] = os.path.join(work, "%s-%s.script" % (shell, kind))
            with open(paths[kind], "w") as f:
                f.write(text)
        times = {kind: [] for kind in texts}
        order = list(texts)
        for r in range(rounds):
            for kind in order[r % 3:] + order[:r % 3]:
                start = time.perf_counter()
                subprocess.run(command + [paths[kind]], env=env, cwd=work,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, check=True)
                times[kind].append((time.perf_counter() - start) * 1000)
        med = {kind: statistics.median(values) for kind, values in times.items()}
        runs = 2 * jumps
        per_c = (med["c"] - med["empty"]) / runs
        per_direct = (med["direct"] - med["empty"]) / runs
        print("%-6s %10.1f %10.1f %10.1f %12.3f %12.3f %7.2f" % (
            shell, med["c"], med["direct"], med["empty"], per_c, per_direct, per_c / per_direct))
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(store, ignore_errors=True)


if __name__ == "__main__":
    main()
