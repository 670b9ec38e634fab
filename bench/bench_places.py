#!/usr/bin/env python3
"""Instructions (callgrind) of one jump that records its visit, with an empty memory of places and
with 10,000 remembered places; of the jump that compacts the file; of a lookup from anywhere
(`--list WORD`) over the 10,000 places; and wall time of loading the 10,000 places (--places) and
of that lookup, beside `zoxide query --list --score` and `zoxide query WORD` over the same places.

    bench/bench_places.py build/native/dirhop [work-dir]

Every run has its own data file (DIRHOP, a record of zeros: the same history each time) and the
memory beside it; the jump is `c a/b` from the work dir's tree (one level listed at each step)."""

import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

RECORD = b"\0" * 10736
PLACES = 10000


def callgrind(program, args, cwd, env):
    proc = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                           program] + args, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)
    found = re.search(rb"Collected : (\d+)", proc.stderr)
    return int(found.group(1))


def memory_text(count, rng, now, root="/home/user"):
    """A compacted memory of `count` places of 1 to 4 levels of 4 to 12 letters below `root`."""
    body = bytearray()
    for _ in range(count):
        path = root + "/" + "/".join(
            "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(4, 12)))
            for _ in range(rng.randint(1, 4)))
        raw = path.encode()
        # 0.6 visits each: with the visits appended before a compaction the sum stays under
        # the aging bound, so the compaction writes every place back.
        body += b"P 0.600 %d %d %s\n" % (now - rng.randint(0, 30 * 86400), len(raw), raw)
    return b"# dirhop places 1 %d\n" % len(body) + bytes(body)


def main():
    program = os.path.abspath(sys.argv[1])
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="dirhop-bench-places-")
    tree = os.path.join(work, "tree")
    os.makedirs(os.path.join(tree, "a", "b"), exist_ok=True)
    data = os.path.join(work, "dirhop.dat")
    memory = data + ".places"
    env = {k: v for k, v in os.environ.items() if not k.startswith("DIRHOP")}
    env.update({"DIRHOP": data, "DIRHOP_HANDOFF": os.path.join(work, "handoff.sh")})
    rng = random.Random(32)
    now = int(time.time())
    # Real directories: zoxide imports only places that exist.
    full = memory_text(PLACES, rng, now, os.path.join(work, "places"))
    for line in full.splitlines()[1:]:
        os.makedirs(line.split(b" ", 4)[4], exist_ok=True)

    def jump(memory_bytes):
        with open(data, "wb") as f:
            f.write(RECORD)
        if memory_bytes is None:
            if os.path.exists(memory):
                os.remove(memory)
        else:
            with open(memory, "wb") as f:
                f.write(memory_bytes)
        return callgrind(program, ["a/b"], tree, env)

    empty = [jump(None) for _ in range(3)]
    filled = [jump(full) for _ in range(3)]
    # Just under the bound of appended records: this jump's append compacts 10,000 places.
    appended = b"".join(b"V %d 14 /home/user/xyz\n" % now for _ in range(128 * 1024 // 30))
    compacting = [jump(full + appended) for _ in range(3)]
    e, f_, c = min(empty), min(filled), min(compacting)
    print("jump `c a/b`, instructions (callgrind, least of 3):")
    print("  empty memory (file made by the jump)  %12d" % e)
    print("  10,000 places                         %12d   %.4fx" % (f_, f_ / e))
    print("  10,000 places, compacting             %12d   %.2fx" % (c, c / e))
    per_jump = (c - f_) / (128 * 1024 / 50)
    print("  compaction shared by the ~%d jumps between two: %.0f each (%.4fx)"
          % (128 * 1024 // 50, per_jump, (f_ + per_jump) / e))

    with open(memory, "wb") as f:
        f.write(full)
    zoxide = shutil.which("zoxide")
    zdata = os.path.join(work, "zoxide")
    if zoxide:
        os.makedirs(zdata, exist_ok=True)
        zfile = os.path.join(work, "z.txt")
        with open(zfile, "w") as f:
            for line in full.decode().splitlines()[1:]:
                _, visits, last, _, path = line.split(" ", 4)
                # zoxide drops a count below 1 on import; the count costs nothing to list.
                f.write("%s|1|%s\n" % (path, last))
        zenv = dict(env, _ZO_DATA_DIR=zdata)
        if os.path.exists(os.path.join(zdata, "db.zo")):
            os.remove(os.path.join(zdata, "db.zo"))
        # zoxide 0.9 names the format; 0.4 reads z's only.
        if subprocess.run([zoxide, "import", "--from", "z", zfile], env=zenv,
                          stderr=subprocess.DEVNULL).returncode != 0:
            subprocess.run([zoxide, "import", zfile], env=zenv, check=True)
    # A lookup from anywhere: the beginning of one place's last folder, typed in a folder that
    # holds nothing like it, matched against all 10,000 places.
    last_folder = os.path.basename(full.splitlines()[5000].split(b" ", 4)[4].decode())
    word = last_folder[:6]
    runs = {"dirhop --places": ([program, "--places"], env),
            "dirhop --list " + word: ([program, "--list", word], env)}
    if zoxide:
        runs["zoxide query --list --score"] = ([zoxide, "query", "--list", "--score"], zenv)
        runs["zoxide query " + word] = ([zoxide, "query", word], zenv)
    times = {name: [] for name in runs}
    for round_ in range(30):
        order = list(runs)
        if round_ % 2:
            order.reverse()
        for name in order:
            command, run_env = runs[name]
            start = time.perf_counter()
            subprocess.run(command, cwd=tree, env=run_env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            times[name].append(time.perf_counter() - start)
    listed = subprocess.run(runs["dirhop --places"][0], cwd=tree, env=env,
                            stdout=subprocess.PIPE, check=True).stdout.count(b"\n")
    if zoxide:
        zlisted = subprocess.run(runs["zoxide query --list --score"][0], cwd=tree, env=zenv,
                                 stdout=subprocess.PIPE, check=True).stdout.count(b"\n")
        print("places listed: dirhop %d, zoxide %d" % (listed, zlisted))
    lookup = callgrind(program, ["--list", word], tree, env)
    print("lookup `--list %s` over 10,000 places: %d instructions (%.0f a place)"
          % (word, lookup, lookup / PLACES))
    print("listing and looking up 10,000 places, wall time (median of 30 interleaved runs):")
    for name, values in times.items():
        print("  %-30s %7.2f ms" % (name, 1000 * statistics.median(values)))


if __name__ == "__main__":
    main()
