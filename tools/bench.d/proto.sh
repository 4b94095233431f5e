#!/usr/bin/env bash
# Protocol latencies of the built program: "isready" and "stop" during a
# search, and the overshoot of "go movetime 100" beyond its 100 ms.
set -u
BUILD=$(cd "${PELLUX_BUILD:-build}" && pwd)
BIN=$BUILD/pellux-popcnt
[ -x "$BIN" ] || BIN=$BUILD/pellux-generic
python3 - "$BIN" <<'PY'
import os, random, select, subprocess, sys, time

eng = subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0,
                       cwd="/tmp")
buf = b""

def send(line):
    eng.stdin.write((line + "\n").encode())

def wait(prefix, timeout=30.0):
    global buf
    end = time.time() + timeout
    while True:
        while b"\n" in buf:
            line, buf = buf.split(b"\n", 1)
            if line.decode(errors="replace").startswith(prefix):
                return time.time()
        left = end - time.time()
        if left <= 0:
            raise SystemExit("timeout waiting for " + prefix)
        r, _, _ = select.select([eng.stdout], [], [], left)
        if r:
            chunk = os.read(eng.stdout.fileno(), 65536)
            if not chunk:
                raise SystemExit("engine ended")
            buf += chunk

def report(name, samples):
    samples.sort()
    print("%-28s n=%d median %.2f ms  p90 %.2f ms  worst %.2f ms" %
          (name, len(samples), samples[len(samples) // 2], samples[int(len(samples) * 0.9)], samples[-1]))

random.seed(1)
send("uci"); wait("uciok")
positions = ["startpos", "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
             "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"]
ready, stop, over = [], [], []
for i in range(30):
    send("position " + positions[i % 3])
    send("go infinite")
    time.sleep(random.uniform(0.05, 0.3))
    t = time.time(); send("isready"); ready.append((wait("readyok") - t) * 1000)
    time.sleep(random.uniform(0.02, 0.2))
    t = time.time(); send("stop"); stop.append((wait("bestmove") - t) * 1000)
for i in range(30):
    send("position " + positions[i % 3])
    t = time.time(); send("go movetime 100"); over.append((wait("bestmove") - t) * 1000 - 100)
report("isready during search", ready)
report("stop during search", stop)
report("movetime 100 overshoot", over)
send("quit")
eng.wait()
PY
