#!/usr/bin/env python3
"""What loading the shell integration costs a shell's start, against zoxide's init line.

For each shell that is installed (bash, zsh, fish, pwsh) hyperfine times three commands: the
shell doing nothing, the shell loading Dirhop's integration as the README says (its `--init` line)
and the shell loading zoxide's (`zoxide init`), when zoxide is installed. Rounds interleave the
commands (their order turns each round); a figure is the median over the rounds of a command's
mean less the empty shell's mean, so it is what the line adds to every new shell, its exit
included: wall-clock time, and in brackets processor time (user + system), which a machine busy
with other work disturbs less.

    bench/bench_init.py <dirhop> [rounds] [runs] [shell,shell...]

Needs hyperfine. pwsh starts slowly: it gets a tenth of the runs (at least 5).
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

from bench_jump import pwsh_path  # the same pwsh the jump benchmark times

SHELLS = ("bash", "zsh", "fish", "pwsh")


def commands(shell, dirhop, zoxide):
    """{name: command line} for one shell; the program is found on PATH, as a user's is."""
    if shell == "bash":
        start = "bash --norc --noprofile -c "
        lines = {"empty": ":", "dirhop": 'eval "$(dirhop --init bash)"',
                 "zoxide": 'eval "$(zoxide init bash)"'}
    elif shell == "zsh":
        start = "zsh -f -c "
        lines = {"empty": ":", "dirhop": 'eval "$(dirhop --init zsh)"',
                 "zoxide": 'eval "$(zoxide init zsh)"'}
    elif shell == "fish":
        start = "fish --no-config -c "
        lines = {"empty": ":", "dirhop": "dirhop --init fish | source",
                 "zoxide": "zoxide init fish | source"}
    else:
        start = pwsh_path() + " -NoLogo -NoProfile -NonInteractive -Command "
        lines = {"empty": "$null",
                 "dirhop": ". ([scriptblock]::Create((& dirhop --init powershell) -join [char]10))",
                 "zoxide": "Invoke-Expression (& zoxide init powershell | Out-String)"}
    if not zoxide:
        del lines["zoxide"]
    return {name: start + "'" + line + "'" for name, line in lines.items()}


def round_means(named, runs, env):
    """One hyperfine run of every command: {name: (mean wall seconds, mean processor seconds)}."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        args = ["hyperfine", "-N", "--warmup", "3", "--runs", str(runs), "--export-json",
                out.name, "--style", "none"]
        for name, command in named:
            args += ["-n", name, command]
        subprocess.run(args, env=env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        with open(out.name) as f:
            results = json.load(f)["results"]
    return {r["command"]: (r["mean"], r["user"] + r["system"]) for r in results}


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    dirhop = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 100
    wanted = sys.argv[4].split(",") if len(sys.argv) > 4 else SHELLS
    zoxide = shutil.which("zoxide")
    # The program under test first on PATH, under its own name.
    bin_dir = tempfile.mkdtemp(prefix="dirhop-bench-init-")
    os.symlink(dirhop, os.path.join(bin_dir, "dirhop"))
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"])
    env["_ZO_DATA_DIR"] = bin_dir
    env["DIRHOP"] = os.path.join(bin_dir, "store.dat")
    try:
        for shell in wanted:
            if shell == "pwsh" and not pwsh_path() or shell != "pwsh" and not shutil.which(shell):
                print("%-5s not installed" % shell)
                continue
            named = list(commands(shell, dirhop, zoxide).items())
            shell_runs = max(5, runs // 10) if shell == "pwsh" else runs
            wall = {name: [] for name, _ in named}
            cpu = {name: [] for name, _ in named}
            for r in range(rounds):
                turned = named[r % len(named):] + named[:r % len(named)]
                means = round_means(turned, shell_runs, env)
                for name in wall:
                    wall[name].append(means[name][0] - means["empty"][0])
                    cpu[name].append(means[name][1] - means["empty"][1])
            empty = "(over the empty shell; %d rounds of %d runs)" % (rounds, shell_runs)
            figures = "  ".join("%s +%.2f ms [+%.2f ms]" % (name, statistics.median(wall[name]) * 1000,
                                                            statistics.median(cpu[name]) * 1000)
                                for name, _ in named if name != "empty")
            print("%-5s %s  %s" % (shell, figures, empty), flush=True)
    finally:
        shutil.rmtree(bin_dir, ignore_errors=True)


if __name__ == "__main__":
    main()
