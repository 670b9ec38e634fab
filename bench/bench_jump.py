#!/usr/bin/env python3
"""What a jump through the shell function `c` costs over running dirhop directly.

For each shell that is installed (bash, zsh, fish, pwsh) four scripts run in a fresh shell with
the integration loaded: N jumps with `c` between two directories, N direct runs of dirhop with
the same specs (hand-off written, nothing read or entered), N jumps with the least function that
can change directory through dirhop (`floor`: run it, then source the hand-off file it wrote; no
private file, no checks, no quoting undone), and an empty one (start-up and loading only). Rounds
interleave the four; the figures are medians over the rounds, and the cost per jump leaves the
empty script's time out:  ratio = (c - empty) / (direct - empty), and the same for the floor.

    bench/bench_jump.py <dirhop> [jumps] [rounds] [store-dir] [shell,shell...] [other-shell-dir]

With other-shell-dir (a folder holding another version's dirhop.bash, dirhop.fish and
dirhop.ps1, e.g. from `git show REV:shell/dirhop.bash`), two more scripts jump with that version's
`c` and the same program, and load it only, in the same rounds.

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


def scripts(shell, jumps, one, two, handoff, work, shell_dir=SHELL_DIR):
    """(command prefix, {kind: script text}) for one shell. The floor's hand-off file is named
    for the shell, so that dirhop writes it in the shell's own language."""
    if shell in ("bash", "zsh"):
        # As at a prompt: bash expands the alias that keeps c's words from globbing.
        load = ("shopt -s expand_aliases\n" if shell == "bash" else "") + \
            '. "%s"\n' % os.path.join(shell_dir, "dirhop.bash")
        loop = "i=0\nwhile [ $i -lt %d ]; do\n  %%s\n  i=$((i+1))\ndone\n" % jumps
        jump = loop % ('c "%s"; c "%s"' % (one, two))
        direct = loop % ('DIRHOP_HANDOFF="%s" command "$DIRHOP_PROGRAM" "%s"; '
                         'DIRHOP_HANDOFF="%s" command "$DIRHOP_PROGRAM" "%s"'
                         % (handoff, one, handoff, two))
        own = os.path.join(work, "floor.sh")
        floor = ('f() { DIRHOP_HANDOFF="%s" command "$DIRHOP_PROGRAM" "$@"; . "%s"; }\n' % (own, own)
                 + loop % ('f "%s"; f "%s"' % (one, two)))
        command = ["bash", "--norc", "--noprofile"] if shell == "bash" else ["zsh", "-f"]
    elif shell == "fish":
        load = "source %s\n" % os.path.join(shell_dir, "dirhop.fish")
        loop = "for i in (seq %d)\n  %%s\nend\n" % jumps
        jump = loop % ("c '%s'; c '%s'" % (one, two))
        direct = loop % ("DIRHOP_HANDOFF='%s' command $DIRHOP_PROGRAM '%s'; "
                         "DIRHOP_HANDOFF='%s' command $DIRHOP_PROGRAM '%s'"
                         % (handoff, one, handoff, two))
        own = os.path.join(work, "floor.fish")
        floor = ("function f; DIRHOP_HANDOFF='%s' command $DIRHOP_PROGRAM $argv; source '%s'; end\n"
                 % (own, own) + loop % ("f '%s'; f '%s'" % (one, two)))
        command = ["fish", "--no-config"]
    else:
        load = ". '%s'\n" % os.path.join(shell_dir, "dirhop.ps1")
        loop = "for ($i = 0; $i -lt %d; $i++) {\n  %%s\n}\n" % jumps
        jump = loop % ("c '%s'; c '%s'" % (one, two))
        direct = loop % ("$env:DIRHOP_HANDOFF = '%s'; & $env:DIRHOP_PROGRAM '%s'; "
                         "& $env:DIRHOP_PROGRAM '%s'" % (handoff, one, two))
        own = os.path.join(work, "floor.ps1")
        # Set once, as the direct runs set it once for two: the environment's provider is slow.
        floor = ("$env:DIRHOP_HANDOFF = '%s'\nfunction f { & $env:DIRHOP_PROGRAM @args; . '%s' }\n"
                 % (own, own) + loop % ("f '%s'; f '%s'" % (one, two)))
        command = [pwsh_path(), "-NoLogo", "-NoProfile", "-NonInteractive", "-File"]
    return command, {"c": load + jump, "direct": load + direct, "floor": load + floor,
                     "empty": load}


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
    other_dir = os.path.abspath(sys.argv[6]) if len(sys.argv) > 6 else None
    handoff = os.path.join(work, "direct.out")
    print("%d jumps per script (2 runs each), %d rounds, medians; store in %s"
          % (jumps, rounds, store_dir))
    print("%-6s %10s %10s %10s %10s %10s %10s %10s %6s %6s" % (
        "shell", "c ms", "direct ms", "floor ms", "empty ms", "c/jump", "direct/run",
        "floor/jump", "ratio", "floor") + ("  other/jump  other" if other_dir else ""))
    for shell in shells:
        command, texts = scripts(shell, jumps, one, two, handoff, work)
        if other_dir:
            other = scripts(shell, jumps, one, two, handoff, work, other_dir)[1]
            texts["other"], texts["other empty"] = other["c"], other["empty"]
        paths = {}
        for kind, text in texts.items():
            paths[kind] = os.path.join(work, "%s-%s.script" % (shell, kind.replace(" ", "-")))
            with open(paths[kind], "w") as f:
                f.write(text)
        times = {kind: [] for kind in texts}
        order = list(texts)
        for r in range(rounds):
            for kind in order[r % len(order):] + order[:r % len(order)]:
                start = time.perf_counter()
                subprocess.run(command + [paths[kind]], env=env, cwd=work,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, check=True)
                times[kind].append((time.perf_counter() - start) * 1000)
        med = {kind: statistics.median(values) for kind, values in times.items()}
        runs = 2 * jumps
        per_c = (med["c"] - med["empty"]) / runs
        per_direct = (med["direct"] - med["empty"]) / runs
        per_floor = (med["floor"] - med["empty"]) / runs
        print("%-6s %10.1f %10.1f %10.1f %10.1f %10.3f %10.3f %10.3f %6.2f %6.2f" % (
            shell, med["c"], med["direct"], med["floor"], med["empty"], per_c, per_direct,
            per_floor, per_c / per_direct, per_floor / per_direct), end="")
        if other_dir:
            per_other = (med["other"] - med["other empty"]) / runs
            print(" %11.3f %6.2f" % (per_other, per_other / per_direct), end="")
        print()
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(store, ignore_errors=True)


if __name__ == "__main__":
    main()
