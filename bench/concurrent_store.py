#!/usr/bin/env python3
"""Many runs at once on one store: what survives.

Each round starts RUNS programs at the same moment on one store (the data file named by DIRHOP,
or the settings key: the registry under Wine, the emulating file natively). Half of the rounds
use the aliases al0..al<RUNS-1> (each run promotes its alias and records its directory); the
other half define one new alias per run. After every round the store is read back and compared
with what any sequential order of the same runs keeps:

  lost alias     an alias defined in this round, or one of al0.., is missing
  mixed alias    a name paired with another alias's directory, or a name listed twice
  lost history   a directory entered in this round is not in the history

Usage: concurrent_store.py --program build/native/dirhop --target native --store key
       concurrent_store.py --program build/windows/dirhop.exe --target wine --store data
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402  (the Wine set-up the end-to-end tests use)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--target", choices=["native", "wine"], required=True)
    parser.add_argument("--store", choices=["key", "data"], required=True)
    parser.add_argument("--rounds", type=int, default=12)
    parser.add_argument("--runs", type=int, default=6)
    args = parser.parse_args()

    root = os.path.realpath(tempfile.mkdtemp(prefix="dirhop-concurrent-"))
    if args.target == "native":
        target = harness.NativeTarget(args.program)
    else:
        prefix = os.environ.get("DIRHOP_BENCH_WINEPREFIX", "/tmp/dirhop-bench-wineprefix")
        target = harness.WineTarget(args.program, prefix)
        target.start()
        subprocess.run(["wine", "reg", "delete", harness.STORE_KEY, "/f"], env=target.base_env(),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        target.ensure_store()
    config = os.path.join(root, "config")
    os.makedirs(os.path.join(config, "dirhop"))
    open(os.path.join(config, "dirhop", "registry"), "w").close()
    target.extra_env = {"XDG_CONFIG_HOME": config}
    env = {}
    if args.store == "data":
        env["DIRHOP"] = target.host_path(os.path.join(root, "dirhop.dat"))
    dirs = [os.path.join(root, "t%d" % k) for k in range(args.runs)]
    for d in dirs:
        os.makedirs(d)

    def run(words, handoff=None):
        return target.run(words, root, handoff=handoff, env=env)

    def table():
        listing = run(["-a"]).stdout.decode("utf-8", "replace")
        pairs = []
        for line in listing.splitlines()[1:]:
            m = re.match(r"\s*(\S+) = (.*)$", line)
            if m:
                pairs.append((m.group(1), m.group(2)))
        return pairs

    def history():
        return [line.split(None, 1)[1] for line in
                run(["-h"]).stdout.decode("utf-8", "replace").splitlines()[1:]
                if len(line.split(None, 1)) == 2]

    run(["-h"])  # creates the data file
    for k, d in enumerate(dirs):
        run(["-a", "al%d" % k, target.host_path(d)])

    totals = {"rounds with a fault": 0, "lost alias": 0, "mixed alias": 0, "lost history": 0}
    for r in range(args.rounds):
        define = r % 2 == 1
        procs = []
        for k, d in enumerate(dirs):
            words = (["-a", "r%dk%d" % (r, k), target.host_path(d)] if define
                     else ["al%d" % k])
            full_env = target.base_env()
            full_env.update(env)
            full_env["DIRHOP_HANDOFF"] = os.path.join(root, "handoff%d" % k)
            procs.append(subprocess.Popen(target.command(words), cwd=root, env=full_env,
                                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL))
        for proc in procs:
            proc.wait(timeout=300)
        pairs = table()
        names = [n.lower() for n, _ in pairs]
        expected = {("r%dk%d" % (r, k) if define else "al%d" % k): target.host_path(d)
                    for k, d in enumerate(dirs)}
        lost = sum(1 for n in expected if n not in names and define)
        mixed = len(names) - len(set(names))
        mixed += sum(1 for n, d in pairs if n.lower() in expected and expected[n.lower()] != d)
        mixed += sum(1 for n, d in pairs if re.fullmatch(r"al\d+", n.lower())
                     and d != target.host_path(dirs[int(n[2:])]))
        lost += sum(1 for k in range(args.runs) if "al%d" % k not in names)
        entered = history()
        lost_history = 0 if define else sum(1 for d in dirs if target.host_path(d) not in entered)
        if lost or mixed or lost_history:
            totals["rounds with a fault"] += 1
        totals["lost alias"] += lost
        totals["mixed alias"] += mixed
        totals["lost history"] += lost_history
        # What a round lost or mixed is put right one run at a time, so that every round starts
        # from the same table and counts only its own faults.
        for k, d in enumerate(dirs):
            if ("al%d" % k, target.host_path(d)) not in pairs or names.count("al%d" % k) != 1:
                run(["-a", "al%d" % k, target.host_path(d)])
        if define:
            # Removed one by one, so that the table never fills and every round starts alike.
            for name in expected:
                run(["-a", name])
    print("%s %s store: %d rounds of %d runs at once: %s" % (
        args.target, args.store, args.rounds, args.runs,
        ", ".join("%s %d" % item for item in totals.items())))
    shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
