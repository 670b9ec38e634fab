#!/usr/bin/env python3
"""Instructions of one `dirhop --list SPEC` run (callgrind) for each case, for one or more builds.

    bench/callgrind_cases.py [--tree DIR] [--only WORD] PROGRAM [PROGRAM...]

Makes the trees once under DIR (default /tmp/dirhop-callgrind-tree), named by the alphabet of
their names: ASCII letters, Latin letters with accents (about one letter in four), and CJK
ideographs with kana. Each case runs once per program in its tree, with a private DIRHOP and
DIRHOP_HANDOFF; the table gives the instructions callgrind collected, and the last column the
last program's count over the first's. The outputs of the programs are compared too: a case
whose candidates differ is marked.
"""

import argparse
import os
import random
import re
import subprocess
import sys
import tempfile
import unicodedata

ASCII = "abcdefghijklmnopqrstuvwxyz"
ACCENTED = "àáâäãåçèéêëìíîïñòóôöõùúûüýÿœøß"
CJK = "日本語文書写真音楽資料設定開発作業保存画像動画仕事学校家族旅行趣味会議報告予定計画管理"
KANA = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを"


def ascii_name(rng, low, high):
    name = "".join(rng.choice(ASCII) for _ in range(rng.randint(low, high)))
    return name[0].upper() + name[1:]


def accented_name(rng, low, high):
    letters = []
    for _ in range(rng.randint(low, high)):
        letters.append(rng.choice(ACCENTED) if rng.random() < 0.25 else rng.choice(ASCII))
    name = "".join(letters)
    return name[0].upper() + name[1:]


def cjk_name(rng, low, high):
    return "".join(rng.choice(CJK if rng.random() < 0.6 else KANA)
                   for _ in range(max(2, rng.randint(low, high) // 2)))


ALPHABETS = {"ascii": ascii_name, "accented": accented_name, "cjk": cjk_name}


def unique_names(make, rng, count, low, high):
    names = set()
    while len(names) < count:
        names.add(make(rng, low, high))
    return sorted(names)


def make_tree(root, alphabet):
    """wide/ (20,000 names of 8 to 12 letters), small/ (three levels of 20 names of 5 to 10
    letters along one path) and deep/ (50 x 40 x 50 names of 5 to 14 letters). Returns the
    path of small/ that the small specs abbreviate."""
    make = ALPHABETS[alphabet]
    rng = random.Random(21)
    base = os.path.join(root, alphabet)
    done = os.path.join(base, ".made")
    small_path = []
    for level in range(3):
        names = unique_names(make, rng, 20, 5, 10)
        small_path.append(names[rng.randrange(len(names))])
        parent = os.path.join(base, "small", *small_path[:-1])
        if not os.path.exists(done):
            for name in names:
                os.makedirs(os.path.join(parent, name), exist_ok=True)
    if os.path.exists(done):
        return small_path
    for name in unique_names(make, rng, 20000, 8, 12):
        os.makedirs(os.path.join(base, "wide", name), exist_ok=True)
    first = unique_names(make, rng, 50, 5, 14)
    for a in first:
        second = unique_names(make, rng, 40, 5, 14)
        for b in second:
            for c in unique_names(make, rng, 50, 5, 14):
                os.makedirs(os.path.join(base, "deep", a, b, c), exist_ok=True)
    open(done, "w").close()
    return small_path


def typo(name):
    """The name with its third character replaced by one it does not hold."""
    for replacement in "xqzj":
        if replacement not in name.lower():
            return name[:2] + replacement + name[3:]
    return name[:2] + "9" + name[3:]


def bare(text):
    """`text` without its accents, as one types it without them."""
    return "".join(c for c in unicodedata.normalize("NFD", text) if not unicodedata.combining(c))


def cases(alphabet, small_path):
    abbreviated = "/".join(bare(name[:3]) for name in small_path)
    typos = "/".join(typo(name) for name in small_path)
    far = {"ascii": "xqzvbnmwk", "accented": "xqzvbnmwk", "cjk": "漢字語彙辞典索引"}[alphabet]
    prefix = {"ascii": "ab", "accented": "ab", "cjk": "日本"}[alphabet]
    listed = [
        ("wide", far, "a far typo: every name measured"),
        ("wide", prefix, "a prefix"),
        ("wide", "*", "*"),
        ("small", abbreviated, "abbreviated" + (", typed without accents" if alphabet == "accented" else "")),
        ("small", typos, "a typo at each level"),
        ("deep", "*/*/x", "*/*/x (102,050 directories)"),
    ]
    if alphabet == "accented":
        listed.insert(2, ("wide", "áb", "a prefix typed with an accent"))
        listed.insert(5, ("small", "/".join(n.upper() for n in small_path), "exact, upper-cased"))
    return listed


def run(program, tree, spec, scratch):
    env = dict(os.environ, DIRHOP=os.path.join(scratch, "dirhop.dat"),
               DIRHOP_HANDOFF=os.path.join(scratch, "handoff"), LANG="C.UTF-8")
    for leftover in ("dirhop.dat",):
        path = os.path.join(scratch, leftover)
        if os.path.exists(path):
            os.remove(path)
    result = subprocess.run(
        ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", program, "--list", spec],
        cwd=tree, env=env, capture_output=True)
    match = re.search(rb"Collected : (\d+)", result.stderr)
    if not match:
        sys.exit("no callgrind count for %s in %s:\n%s" % (spec, tree, result.stderr.decode()))
    return int(match.group(1)), result.stdout


def human(count):
    return "%.2f M" % (count / 1e6) if count >= 1e6 else "%d K" % round(count / 1e3)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("programs", nargs="+")
    parser.add_argument("--tree", default="/tmp/dirhop-callgrind-tree")
    parser.add_argument("--only", default="", help="run only the cases whose tree or spec holds this")
    args = parser.parse_args()
    print("| names | tree | spec | case | " + " | ".join(args.programs) + " | last ÷ first |")
    print("|---|---|---|---|" + "---|" * len(args.programs) + "---|")
    with tempfile.TemporaryDirectory() as scratch:
        for alphabet in ALPHABETS:
            small_path = make_tree(args.tree, alphabet)
            for tree, spec, what in cases(alphabet, small_path):
                if args.only and args.only not in alphabet + "/" + tree + " " + spec:
                    continue
                counts = []
                outputs = []
                for program in args.programs:
                    count, output = run(os.path.abspath(program),
                                        os.path.join(args.tree, alphabet, tree), spec, scratch)
                    counts.append(count)
                    outputs.append(output)
                same = "" if all(o == outputs[0] for o in outputs) else " (candidates differ)"
                print("| %s | `%s/` | `%s` | %s%s | %s | %.3f |" % (
                    alphabet, tree, spec, what, same, " | ".join(human(c) for c in counts),
                    counts[-1] / counts[0]), flush=True)


if __name__ == "__main__":
    main()
