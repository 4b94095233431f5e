#!/usr/bin/env python3
"""Builds tests/data/oracle_perft.epd: varied positions with node counts from
an independent engine (Debian's /usr/games/stockfish, "go perft N").

Positions: random playouts (2 to 24 plies, fixed seed) from every position of
tests/data/perft.epd, plus hand-made positions around en passant, promotion,
castling through attacked squares, pins and double checks, each also with one
short playout. Every line gets depths 1..3, and depth 4 when that stays below
two million nodes.

Usage: tools/make_oracle_perft.py [stockfish-binary]
"""
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data")

HAND_MADE = [
    # en passant: legal, pinned along a rank, pinned along a diagonal, giving check
    "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2",
    "8/8/8/K2pP2r/8/8/8/4k3 w - d6 0 2",
    "4k3/8/8/1b1pP3/8/8/6K1/8 w - d6 0 2",
    "8/2k5/8/3pP3/8/8/8/4K3 w - d6 0 2",
    "8/8/8/8/k2Pp2Q/8/8/3K4 b - d3 0 1",
    "8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1",
    "4k3/8/8/8/3pP3/8/8/R3K3 b Q e3 0 1",
    # promotions, with and without capture, under check
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "r3k3/1P6/8/8/8/8/6p1/4K2R w K - 0 1",
    "1r2k3/P1P5/8/8/8/8/8/4K3 w - - 0 1",
    "4k3/8/8/8/8/8/1p6/R3K3 b Q - 0 1",
    # castling through and into attacked squares
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/8/5b2/8/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/8/8/3n4/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/8/8/6p1/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/1b6/8/8/R3K2R w KQkq - 0 1",
    "r3k2r/1B6/8/8/8/8/8/R3K2R b KQkq - 0 1",
    "r3k2r/8/8/8/8/8/8/RN2K1NR w KQkq - 0 1",
    "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1",
    # pins and checks
    "4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1",
    "6k1/8/8/7b/8/8/4R3/3K4 w - - 0 1",
    "3qk3/8/8/8/8/8/3B4/3K4 w - - 0 1",
    "4k3/8/8/8/1b6/8/3P4/4K3 w - - 0 1",
    "4k3/8/5n2/8/8/8/8/q3K2R w K - 0 1",
    "4k3/8/3n4/1b6/8/8/8/4K3 w - - 0 1",
    "r3k3/8/8/8/4r3/8/8/R3K3 w Q - 0 1",
    "8/8/8/8/8/3k4/3q4/3K4 w - - 0 1",
    "7k/8/8/8/8/8/6q1/7K w - - 0 1",
    "4k3/8/8/8/8/2b5/8/R3K2R w KQ - 0 1",
    "2r1k3/8/8/8/8/8/2P5/2K5 w - - 0 1",
    "rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq g3 0 2",
]


class Oracle:
    def __init__(self, binary):
        self.p = subprocess.Popen([binary], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)

    def send(self, line):
        self.p.stdin.write(line + "\n")
        self.p.stdin.flush()

    def read_until(self, prefix):
        lines = []
        while True:
            line = self.p.stdout.readline()
            if not line:
                raise RuntimeError("oracle ended")
            line = line.rstrip("\n")
            lines.append(line)
            if line.startswith(prefix):
                return lines

    def divide(self, fen, moves, depth):
        self.send("position fen %s%s" % (fen, (" moves " + " ".join(moves)) if moves else ""))
        self.send("go perft %d" % depth)
        lines = self.read_until("Nodes searched:")
        listed = [l.split(":")[0] for l in lines if ":" in l and not l.startswith("Nodes")]
        return listed, int(lines[-1].split(":")[1])

    def fen_after(self, fen, moves):
        self.send("position fen %s%s" % (fen, (" moves " + " ".join(moves)) if moves else ""))
        self.send("d")
        for line in self.read_until("Checkers:"):
            if line.startswith("Fen: "):
                return line[5:]
        raise RuntimeError("no fen")


def playout(oracle, rng, fen, plies):
    moves = []
    for _ in range(plies):
        legal, _ = oracle.divide(fen, moves, 1)
        if not legal:
            break
        moves.append(rng.choice(legal))
    return oracle.fen_after(fen, moves)


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "/usr/games/stockfish"
    oracle = Oracle(binary)
    oracle.send("uci")
    oracle.read_until("uciok")
    rng = random.Random(20240607)
    seeds = []
    with open(os.path.join(DATA, "perft.epd")) as f:
        for line in f:
            if line.strip():
                seeds.append(line.split(";")[0].strip())
    positions = []
    for fen in seeds:
        for _ in range(3):
            positions.append(playout(oracle, rng, fen, rng.randint(2, 24)))
    for fen in HAND_MADE:
        positions.append(oracle.fen_after(fen, []))
        positions.append(playout(oracle, rng, fen, rng.randint(1, 6)))
    seen = set()
    out = []
    for fen in positions:
        if fen in seen:
            continue
        seen.add(fen)
        counts = []
        for depth in (1, 2, 3, 4):
            if depth == 4 and counts[-1] * 40 > 2000000:
                break
            try:
                counts.append(oracle.divide(fen, [], depth)[1])
            except RuntimeError:
                print("failed on", fen)
                raise
        out.append(fen + " " + " ".join(";D%d %d" % (i + 1, c) for i, c in enumerate(counts)))
    oracle.send("quit")
    with open(os.path.join(DATA, "oracle_perft.epd"), "w") as f:
        f.write("\n".join(out) + "\n")
    print("%d positions" % len(out))


if __name__ == "__main__":
    main()
