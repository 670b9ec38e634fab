#!/usr/bin/env python3
"""A week of a new user's jumps, scripted, and how often each jumper lands where it was meant.

A home with 40 projects whose names come in near twins (webshop, webshop-admin, webshop-legacy,
billing, billing-api, ...), each with a few subfolders. A seeded Zipf sequence of 150 jumps: the
first visit of a place is typed in full (as `cd` would be), every later one as a short word from
wherever the user stands (the project's name, a prefix of it, or `project/sub`). Then 30
short-word queries from folders that have nothing to do with the projects (/usr/share, /etc,
~/Downloads). A query is "right" when the jumper goes at once to the place meant, "wrong" when it
goes at once somewhere else, and "asks/none" when it shows a menu or finds nothing (no jump).

    bench/remembered_week.py DIRHOP [--zoxide] [--seed N] [--verbose]

DIRHOP is run directly with a private store (DIRHOP beside a temporary home, which keeps the memory
of places beside it) and its standard input closed, so a menu ends without a jump. With --zoxide
the same sequence runs through `zoxide add` and `zoxide query` with a private database.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

PROJECTS = [
    "webshop", "webshop-admin", "webshop-legacy", "billing", "billing-api", "billing-reports",
    "terraform", "terraform-modules", "homelab", "homepage", "k8s-manifests", "k8s-tools", "blog",
    "blog-theme", "infra", "infra-docs", "api-gateway", "api-docs", "dotfiles", "dotnet-samples",
    "mobile-app", "mobile-api", "data-pipeline", "data-lake", "ml-models", "ml-notebooks",
    "analytics", "analytics-dashboard", "auth-service", "auth-proxy", "chat-bot", "chat-server",
    "docs-site", "design-system", "game-engine", "game-assets", "photo-archive", "photo-tools",
    "scripts", "sandbox",
]
SUBFOLDERS = ["src", "tests", "docs", "deploy"]
UNRELATED = ["/usr/share", "/etc", "Downloads"]


def make_home(root):
    home = os.path.join(root, "home")
    for project in PROJECTS:
        for sub in SUBFOLDERS:
            os.makedirs(os.path.join(home, "projects", project, sub))
    for folder in ("Downloads", "Documents", "Videos"):
        os.makedirs(os.path.join(home, folder))
    return home


def places(home):
    """Every place the user may go: the projects first, then their subfolders."""
    result = [os.path.join(home, "projects", p) for p in PROJECTS]
    result += [os.path.join(home, "projects", p, s) for p in PROJECTS for s in SUBFOLDERS[:2]]
    return result


def zipf_sequence(rng, targets, count, exponent=1.1):
    order = targets[:]
    rng.shuffle(order)
    weights = [1.0 / (rank + 1) ** exponent for rank in range(len(order))]
    return [rng.choices(order, weights)[0] for _ in range(count)]


def short_word(rng, home, target, visits):
    """What a user types to go back to `target`: its project name, a prefix of it that the user
    works in most, or `project/sub`."""
    rel = os.path.relpath(target, os.path.join(home, "projects")).split(os.sep)
    project = rel[0]
    if len(rel) == 2:
        return project + "/" + rel[1]
    # A prefix is used only where the project is visited more than any other place of its
    # prefix, as a user types `web` for the webshop they work in and `webshop-a` for the admin.
    prefix = project.split("-")[0][:max(3, len(project.split("-")[0]) - 2)]
    rivals = [p for p in visits if os.path.basename(p).startswith(prefix) and
              os.path.dirname(p) == os.path.dirname(target)]
    leads = all(visits[target] > visits[p] for p in rivals if p != target)
    if rng.random() < 0.5 and target in rivals and leads:
        return prefix
    return project


class Dirhop:
    name = "dirhop"

    def __init__(self, program, root, home):
        self.program = program
        self.handoff = os.path.join(root, "handoff.sh")
        self.env = dict(os.environ, HOME=home, DIRHOP=os.path.join(root, "store", "dirhop.dat"),
                        DIRHOP_HANDOFF=self.handoff, NO_COLOR="1", XDG_DATA_HOME=root + "/data")
        self.env.pop("DIRHOP_PRIVATE", None)
        os.makedirs(os.path.join(root, "store"))
        # The store exists, so that no run is a first run with its welcome screens.
        subprocess.run([program, "-a"], env=self.env, cwd=home, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def visit(self, cwd, path):
        return self.query(cwd, path)

    def query(self, cwd, words):
        subprocess.run([self.program, words], env=self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        with open(self.handoff) as f:
            line = f.read()
        if not line.startswith("cd -- '"):
            return None
        return line[len("cd -- '"):].rstrip("\n")[:-1].replace("'\\''", "'")


class Zoxide:
    name = "zoxide"

    def __init__(self, root, home):
        self.env = dict(os.environ, HOME=home, _ZO_DATA_DIR=os.path.join(root, "zoxide"),
                        _ZO_EXCLUDE_DIRS=home)
        os.makedirs(os.path.join(root, "zoxide"))

    def visit(self, cwd, path):
        subprocess.run(["zoxide", "add", path], env=self.env, cwd=cwd, check=True)
        return path

    def query(self, cwd, words):
        found = subprocess.run(["zoxide", "query", "--"] + words.split("/"), env=self.env,
                               cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True)
        path = found.stdout.strip()
        if found.returncode != 0 or not path:
            return None
        if os.path.realpath(path) == os.path.realpath(cwd):
            return None
        return path


def run_week(jumper, home, seed, verbose):
    rng = random.Random(seed)
    targets = places(home)
    sequence = zipf_sequence(rng, targets, 150)
    visits = {}
    cwd = home
    revisits = {"right": 0, "wrong": 0, "asks/none": 0}
    for target in sequence:
        if target == cwd:
            continue  # already there: nobody jumps
        if target not in visits:
            landed = jumper.visit(cwd, target)
        else:
            word = short_word(rng, home, target, visits)
            landed = jumper.query(cwd, word)
            outcome = ("right" if landed == target else "asks/none" if landed is None
                       else "wrong")
            revisits[outcome] += 1
            if verbose and outcome != "right":
                print("  revisit %-22s from %-40s -> %s" % (word, cwd, landed))
            if landed != target:
                landed = jumper.visit(cwd, target)  # the user then types it in full
        visits[target] = visits.get(target, 0) + 1
        cwd = landed or cwd
    queries = {"right": 0, "wrong": 0, "asks/none": 0, "here": 0}
    most = sorted(visits, key=lambda p: -visits[p])[:10]
    for start in UNRELATED:
        cwd = start if start.startswith("/") else os.path.join(home, start)
        for target in most:
            word = short_word(rng, home, target, visits)
            landed = jumper.query(cwd, word)
            # A folder right here whose name begins with the word (`inf` in /usr/share, which
            # holds info/) is what the live search takes first: counted apart from the rest.
            here = (landed is not None and os.path.dirname(landed) == cwd and
                    os.path.basename(landed).lower().startswith(word.lower()))
            outcome = ("right" if landed == target else "asks/none" if landed is None
                       else "here" if here else "wrong")
            queries[outcome] += 1
            if verbose and outcome != "right":
                print("  query   %-22s from %-40s -> %s" % (word, cwd, landed))
    return revisits, queries


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dirhop")
    parser.add_argument("--zoxide", action="store_true")
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--keep", action="store_true", help="keep the temporary home and print it")
    args = parser.parse_args()
    for make in ([lambda r, h: Dirhop(os.path.abspath(args.dirhop), r, h)] +
                 ([lambda r, h: Zoxide(r, h)] if args.zoxide and shutil.which("zoxide") else [])):
        root = tempfile.mkdtemp(prefix="dirhop-week-")
        try:
            home = make_home(root)
            jumper = make(root, home)
            revisits, queries = run_week(jumper, home, args.seed, args.verbose)
            print("%-7s revisits: %3d right, %2d wrong, %2d asks/none   queries from elsewhere: "
                  "%2d right, %2d wrong, %2d asks/none, %d a folder here" %
                  (jumper.name, revisits["right"], revisits["wrong"], revisits["asks/none"],
                   queries["right"], queries["wrong"], queries["asks/none"], queries["here"]))
        finally:
            if args.keep:
                print("kept:", root)
            else:
                shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
