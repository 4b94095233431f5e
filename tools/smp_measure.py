#!/usr/bin/env python3
"""Speed of the parallel search, measured through UCI.

  tools/smp_measure.py nps ENGINE [SECONDS] [ROUNDS]
      nodes per second with 1 and 2 threads on the bench positions, each
      position searched SECONDS (1) per thread count, the counts taking turns;
      prints the ratio of each round and their median.
  tools/smp_measure.py ttd ENGINE [SECONDS] [POSITIONS.epd ...]
      time to depth: for each position, the deepest iteration one thread
      finishes within SECONDS (5), and the time two threads take to reach it,
      both after "ucinewgame"; prints the ratio (1 thread / 2 threads) of each
      position and their median.
"""
import re
import statistics
import subprocess
import sys
import time


class Engine:
    def __init__(self, path):
        self.p = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.send("uci")
        self.wait("uciok")

    def send(self, line):
        self.p.stdin.write(line + "\n")
        self.p.stdin.flush()

    def wait(self, prefix):
        lines = []
        for line in self.p.stdout:
            line = line.strip()
            lines.append(line)
            if line.startswith(prefix):
                return lines
        raise RuntimeError("engine ended")

    def threads(self, n):
        self.send("setoption name Threads value %d" % n)
        self.send("isready")
        self.wait("readyok")

    def search(self, fen, go):
        self.send("ucinewgame")
        self.send("position fen " + fen)
        self.send("isready")
        self.wait("readyok")
        self.send(go)
        return [l for l in self.wait("bestmove") if l.startswith("info depth") and " pv " in l]

    def quit(self):
        self.send("quit")
        self.p.wait()


def field(line, name):
    m = re.search(r"\b%s (\d+)" % name, line)
    return int(m.group(1)) if m else None


def bench_positions():
    text = open("diagnostics/bench.cpp").read()
    return re.findall(r'"([1-8pnbrqkPNBRQK/]+ [wb] [-KQkqA-Ha-h]+ [-a-h1-8]+ \d+ \d+)"', text)


def epd_positions(files):
    fens = []
    for f in files:
        for line in open(f):
            w = line.split()
            if len(w) >= 4 and "/" in w[0]:
                fens.append(" ".join(w[:4]) + " 0 1")
    return fens


def nps(engine, seconds=1.0, rounds=3):
    e = Engine(engine)
    fens = bench_positions()
    ratios = []
    for r in range(rounds):
        totals = {1: [0, 0], 2: [0, 0]}
        for fen in fens:
            for t in ((1, 2) if r % 2 == 0 else (2, 1)):
                e.threads(t)
                lines = e.search(fen, "go movetime %d" % int(seconds * 1000))
                if lines:
                    totals[t][0] += field(lines[-1], "nodes")
                    totals[t][1] += field(lines[-1], "time")
        n1 = totals[1][0] * 1000.0 / max(1, totals[1][1])
        n2 = totals[2][0] * 1000.0 / max(1, totals[2][1])
        ratios.append(n2 / n1)
        print("round %d: 1 thread %.0f nps, 2 threads %.0f nps, ratio %.3f" % (r + 1, n1, n2, n2 / n1), flush=True)
    print("median ratio %.3f (range %.3f-%.3f)" % (statistics.median(ratios), min(ratios), max(ratios)))
    e.quit()


def ttd(engine, seconds=5.0, files=("tests/data/bk.epd", "tests/data/openings.epd")):
    e = Engine(engine)
    fens = epd_positions(files)[:30]
    ratios = []
    for fen in fens:
        e.threads(1)
        lines = e.search(fen, "go movetime %d" % int(seconds * 1000))
        depth, t1 = field(lines[-1], "depth"), field(lines[-1], "time")
        e.threads(2)
        lines = e.search(fen, "go depth %d" % depth)
        t2 = field(lines[-1], "time")
        ratio = t1 / max(1, t2)
        ratios.append(ratio)
        print("depth %2d  1 thread %5d ms  2 threads %5d ms  ratio %.2f  %s" % (depth, t1, t2, ratio, fen), flush=True)
    q = statistics.quantiles(ratios, n=4)
    print("median ratio %.2f (quartiles %.2f-%.2f, %d positions)" % (statistics.median(ratios), q[0], q[2], len(ratios)))
    e.quit()


if __name__ == "__main__":
    mode, engine = sys.argv[1], sys.argv[2]
    if mode == "nps":
        nps(engine, float(sys.argv[3]) if len(sys.argv) > 3 else 1.0, int(sys.argv[4]) if len(sys.argv) > 4 else 3)
    else:
        ttd(engine, float(sys.argv[3]) if len(sys.argv) > 3 else 5.0, sys.argv[4:] or ("tests/data/bk.epd", "tests/data/openings.epd"))
