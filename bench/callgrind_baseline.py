#!/usr/bin/env python3
"""The fixed instruction baseline: callgrind's count of one run per case, for one or more builds.

    bench/callgrind_baseline.py [--tree DIR] PROGRAM [PROGRAM...]

The cases: in a deep tree (six levels, four to six folders a level), an exact jump, an
abbreviated one, one with a typo and one that matches nothing; `-h` (the history list); in one
level of 20,000 folders a prefix, a far typo and `*`; and `*/*/x` over 30 x 30 folders (900
listings at the last level). Every run is `PROGRAM --list SPEC` (`-h` as it is) in the tree, with a
private store and hand-off file and standard input closed. Callgrind's counts repeat exactly for a
build, so one run a case is enough; the last column is the last program's count over the first's.
"""

import argparse
import os
import random
import re
import subprocess
import sys
import tempfile

LETTERS = "abcdefghijklmnopqrstuvwxyz"


def make_trees(root):
    if os.path.exists(os.path.join(root, ".made")):
        return
    rng = random.Random(34)
    deep = os.path.join(root, "deep")
    names = ["alpha", "beta", "gamma", "delta", "epsilon", "zeta"]
    def fill(path, depth):
        if depth == 0:
            return
        for name in names[:rng.randint(4, 6)]:
            child = os.path.join(path, name + str(depth))
            os.makedirs(child, exist_ok=True)
            if name in ("alpha", "beta"):
                fill(child, depth - 1)
    fill(deep, 6)
    wide = os.path.join(root, "w20000")
    os.makedirs(wide, exist_ok=True)
    made = set()
    while len(made) < 20000:
        name = "".join(rng.choice(LETTERS) for _ in range(rng.randint(8, 12)))
        if name not in made:
            made.add(name)
            os.mkdir(os.path.join(wide, name.capitalize()))
    grid = os.path.join(root, "grid")
    for a in range(30):
        for b in range(30):
            os.makedirs(os.path.join(grid, "a%02d" % a, "b%02d" % b), exist_ok=True)
    os.makedirs(os.path.join(grid, "a07", "b11", "x"), exist_ok=True)
    open(os.path.join(root, ".made"), "w").close()


CASES = [
    ("deep", "exact", ["--list", "alpha6/beta5/alpha4/beta3"]),
    ("deep", "abbreviated", ["--list", "alp/bet/alp/bet"]),
    ("deep", "typo", ["--list", "alpah6/beat5/alpha4"]),
    ("deep", "no match", ["--list", "alpha6/nothing/here"]),
    ("deep", "-h", ["-h"]),
    ("w20000", "prefix", ["--list", "Qwe"]),
    ("w20000", "far typo", ["--list", "zzzzzzzzzz"]),
    ("w20000", "*", ["--list", "*"]),
    ("grid", "*/*/x", ["--list", "*/*/x"]),
]


def instructions(program, cwd, args, work):
    out = os.path.join(work, "callgrind.out")
    env = dict(os.environ, DIRHOP=os.path.join(work, "store.dat"),
               DIRHOP_HANDOFF=os.path.join(work, "handoff"), NO_COLOR="1")
    env.pop("DIRHOP_PRIVATE", None)
    subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out, program] + args,
                   cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE, check=False)
    with open(out) as f:
        for line in f:
            if line.startswith("summary:") or line.startswith("totals:"):
                return int(line.split()[1])
    raise RuntimeError("no callgrind summary for %s %s" % (program, args))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tree", default="/tmp/dirhop-callgrind-baseline")
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    make_trees(args.tree)
    programs = [os.path.abspath(p) for p in args.programs]
    header = "%-8s %-12s" % ("tree", "case") + "".join(
        " %14s" % ("build %d" % (i + 1)) for i in range(len(programs)))
    print(header + ("    last/first" if len(programs) > 1 else ""))
    for tree, name, case_args in CASES:
        counts = []
        for program in programs:
            with tempfile.TemporaryDirectory(prefix="dirhop-cg-") as work:
                # A store that exists, with a history, so that no run is a first run.
                env = dict(os.environ, DIRHOP=os.path.join(work, "store.dat"),
                           DIRHOP_HANDOFF=os.path.join(work, "handoff"))
                subprocess.run([program, "-a"], cwd=os.path.join(args.tree, tree), env=env,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
                counts.append(instructions(program, os.path.join(args.tree, tree), case_args,
                                           work))
        line = "%-8s %-12s" % (tree, name) + "".join(" %14s" % format(c, ",") for c in counts)
        if len(counts) > 1:
            line += "    %.3f" % (counts[-1] / counts[0])
        print(line, flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
