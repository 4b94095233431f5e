#!/usr/bin/env python3
"""Mutation sampling: how many small faults in the engine do the tests catch?

Usage:
  tools/mutate.py --src <source tree> --build <configured build dir> [-n 40] [--seed 1]
                  [--timeout 120] [-j 2] [--only 3,7] [--tests REGEX] [--log DIR] [--list]

  --src      the tree whose engine files are mutated (use a git worktree, never a
             tree someone is editing: each file is rewritten while its mutant runs)
  --build    a build directory of that tree, configured and built once beforehand,
             e.g. cmake -S <src> -B <build> -DCMAKE_BUILD_TYPE=Release -DPELLUX_LTO=OFF
  -j         tests run at once (most protocol tests wait more than they compute)
  --log      keep the test output of each caught mutant in DIR/<number>.txt
  --list     print the sample without building or testing anything
  --only     run only these sample numbers (to look at a survivor again)
  --tests    run only the tests whose names match (ctest -R): after a change of the
             tests, a survivor needs only the new or changed tests run again

The sample depends only on the seed and the engine sources (board/ movegen/ eval/
search/ frontend/ book/ diagnostics/), so running the same seed on a tree whose
engine is unchanged and whose tests differ measures the same faults.

Each mutant changes one place on one line:
  cmp    a flipped comparison: < and <=, > and >=, == and != (spaced binary operators)
  logic  && and ||
  const  a decimal integer constant plus or minus one (not on lines of table data)
  not    a removed logical !
  arith  + and - (spaced binary operators)
A mutant is drawn by picking one of the five kinds at random, then one place of
that kind at random. The program then rebuilds incrementally, runs
`ctest -LE slow` (stopping at the first failure, each test with --timeout seconds),
and restores the file. Result: caught (a test failed or timed out), survived, or
build-fail (not counted). Survivors must be read by hand: one that cannot change
behaviour (an equivalent mutant) is left out of the rate in the report.
"""
import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

ENGINE_DIRS = ["board", "movegen", "eval", "search", "frontend", "book", "diagnostics"]
KINDS = ["cmp", "logic", "const", "not", "arith"]
CMP_FLIP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}


def code_mask(line):
    """The line with string/char literals and // comments blanked out (same length)."""
    out, i, n = list(line), 0, len(line)
    while i < n:
        c = line[i]
        if c == "/" and i + 1 < n and line[i + 1] == "/":
            for j in range(i, n):
                out[j] = " "
            break
        if c in "\"'":
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            for k in range(i, min(j + 1, n)):
                out[k] = " "
            i = j + 1
            continue
        i += 1
    return "".join(out)


def sites_of_line(code):
    """(kind, column, old text, new text) for every mutable place of one line of code."""
    sites = []
    for m in re.finditer(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)", code):
        sites.append(("cmp", m.start(), m.group(1), CMP_FLIP[m.group(1)]))
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", code):
        sites.append(("logic", m.start(), m.group(1), "||" if m.group(1) == "&&" else "&&"))
    for m in re.finditer(r"(?<=\s)([+-])(?=\s)", code):
        sites.append(("arith", m.start(), m.group(1), "-" if m.group(1) == "+" else "+"))
    for m in re.finditer(r"!(?!=)", code):
        sites.append(("not", m.start(), "!", ""))
    numbers = list(re.finditer(r"(?<![\w.])(\d+)(?![\w.])", code))
    if len(numbers) <= 3:  # more is a line of table data
        for m in numbers:
            v = int(m.group(1))
            sites.append(("const", m.start(), m.group(1), str(v + 1)))
            if v > 0:
                sites.append(("const", m.start(), m.group(1), str(v - 1)))
    return sites


def all_sites(src):
    by_kind = {k: [] for k in KINDS}
    for d in ENGINE_DIRS:
        for name in sorted(os.listdir(os.path.join(src, d))):
            if not name.endswith((".cpp", ".h")):
                continue
            rel = f"{d}/{name}"
            in_block = False
            with open(os.path.join(src, rel)) as f:
                for no, line in enumerate(f, 1):
                    s = line.strip()
                    if in_block:
                        in_block = "*/" not in s
                        continue
                    if s.startswith("/*"):
                        in_block = "*/" not in s
                        continue
                    if not s or s.startswith(("#", "//", "static_assert", "assert(")):
                        continue
                    for kind, col, old, new in sites_of_line(code_mask(line)):
                        by_kind[kind].append((rel, no, col, old, new))
    return by_kind


def sample(src, n, seed):
    by_kind = all_sites(src)
    rng = random.Random(seed)
    chosen = []
    while len(chosen) < n:
        kind = rng.choice(KINDS)
        site = rng.choice(by_kind[kind])
        if site not in chosen:
            chosen.append(site)
    return chosen


def kill_leftovers(build):
    """Engine children of a timed-out test outlive it: end them (only our build's programs)."""
    own = {os.path.realpath(os.path.join(build, p)) for p in ("pellux-generic", "pellux-popcnt")}
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                if os.path.realpath(f"/proc/{pid}/exe") in own:
                    os.kill(int(pid), signal.SIGKILL)
            except OSError:
                pass


def run_mutant(src, build, site, timeout, jobs, tests="", log=None):
    rel, no, col, old, new = site
    path = os.path.join(src, rel)
    with open(path) as f:
        original = f.read()
    lines = original.split("\n")
    line = lines[no - 1]
    if line[col:col + len(old)] != old:
        return "stale"  # the sources changed since the sample was drawn
    lines[no - 1] = line[:col] + new + line[col + len(old):]
    try:
        with open(path, "w") as f:
            f.write("\n".join(lines))
        b = subprocess.run(["nice", "-n", "10", "cmake", "--build", build, "-j2", "--target",
                            "pellux_tests", "pellux_fuzz_replay"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if b.returncode != 0:
            return "build-fail"
        t = subprocess.run(["nice", "-n", "10", "ctest", "-LE", "slow", f"-j{jobs}", "--stop-on-failure",
                            "--output-on-failure",
                            "--timeout", str(timeout), "--no-tests=error"] + (["-R", tests] if tests else []),
                           cwd=build,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        kill_leftovers(build)
        if t.returncode == 0:
            return "survived"
        if log:
            with open(log, "w") as f:
                f.write(t.stdout)
        failed = re.findall(r"^\s*\d+ - (\S+).*\((?:Failed|Timeout|SEGFAULT|Subprocess aborted|\w[^)]*)\)\s*$",
                            t.stdout, re.M)
        return "caught " + (failed[0] if failed else "")
    finally:
        with open(path, "w") as f:
            f.write(original)
        # A compiler cut off by an interrupt may still write the mutant's object file;
        # a restored source dated later is always rebuilt.
        later = time.time() + 5
        os.utime(path, (later, later))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--src", required=True)
    ap.add_argument("--build")
    ap.add_argument("-n", type=int, default=40)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--timeout", type=int, default=120)
    ap.add_argument("-j", type=int, default=2)
    ap.add_argument("--only", default="")
    ap.add_argument("--tests", default="")
    ap.add_argument("--log", help="directory for the test output of each caught mutant")
    ap.add_argument("--list", action="store_true")
    a = ap.parse_args()
    chosen = sample(a.src, a.n, a.seed)
    only = {int(x) for x in a.only.split(",") if x}
    counts = {}
    for i, site in enumerate(chosen, 1):
        if only and i not in only:
            continue
        rel, no, col, old, new = site
        what = f"{old or '(!)'} -> {new or '(none)'}" if old != "!" else "removed !"
        if a.list:
            print(f"{i:3} {rel}:{no}:{col + 1}  {what}", flush=True)
            continue
        t0 = time.time()
        log = os.path.join(a.log, f"{i}.txt") if a.log else None
        if log:
            os.makedirs(a.log, exist_ok=True)
        result = run_mutant(a.src, a.build, site, a.timeout, a.j, a.tests, log)
        key = result.split()[0]
        counts[key] = counts.get(key, 0) + 1
        print(f"{i:3} {rel}:{no}:{col + 1}  {what:12}  {result}  ({time.time() - t0:.0f}s)", flush=True)
    if not a.list:
        caught, survived = counts.get("caught", 0), counts.get("survived", 0)
        total = caught + survived
        print(f"caught {caught} of {total} ({100.0 * caught / max(total, 1):.0f}%), "
              f"build-fail {counts.get('build-fail', 0)}, stale {counts.get('stale', 0)}; "
              "survivors still to be read for equivalents")
    return 0


if __name__ == "__main__":
    sys.exit(main())
