#!/usr/bin/env python3
"""Match driver: plays engines against each other over pipes, the way a chess
interface does, and counts everything that must never happen.

Each side's clock runs from the moment the driver sends its move (or "go",
or "ponderhit") until the reply is read. Every move is checked by an
independent rules oracle (Debian's stockfish: "go perft 1" lists the legal
moves, "d" shows checkers and the FEN). Games end only by chess results
(mate, stalemate, fifty moves, threefold repetition, dead material) or by a
fault: illegal move, loss on time, crash, hang.

Engine processes are kept for the whole match; a process that dies is
counted and restarted.

  tools/match.py --games 100 --tc 1+0.01 \
      --engine "name=pellux-uci,cmd=build/pellux-popcnt,proto=uci" \
      --engine "name=fairymax,cmd=/usr/games/fairymax,proto=xboard" --ponder half

UCI options go with the engine as opt.<name>=<value>, for example
"name=sf1700,cmd=/usr/games/stockfish,proto=uci,opt.UCI_LimitStrength=true,opt.UCI_Elo=1700".

On a kernel that groups processes by session (autogroup), `nice` does not
rank sessions against each other: give the driver's session and each engine's
(the driver starts every engine in a session of its own) a higher priority with
`echo -15 > /proc/<pid>/autogroup`, or fast time controls lose on time to
whatever else the machine runs.

With more than two engines every game picks a pair in turn. Exit status 1 if
any fault (not a loss by mate) hit a Pellux engine.
"""
import argparse
import os
import random
import select
import signal
import subprocess
import sys
import time

ORACLE = "/usr/games/stockfish"


TRACE = None


class LineProcess:
    def __init__(self, cmd, cwd=None, tag=None):
        self.cmd = cmd
        self.tag = tag or os.path.basename(cmd.split()[0])
        self.proc = subprocess.Popen(cmd, shell=True, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, cwd=cwd, start_new_session=True)
        self.buf = b""
        self.lines = []
        self.eof = False

    def send(self, text):
        if TRACE:
            TRACE.write(f"{time.monotonic():.3f} {self.tag} < {text}\n")
        try:
            self.proc.stdin.write((text + "\n").encode())
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            self.eof = True

    def readline(self, timeout):
        """One line without its end, or None on timeout/end of output."""
        deadline = time.monotonic() + timeout
        while not self.lines:
            if self.eof:
                return None
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            r, _, _ = select.select([self.proc.stdout], [], [], left)
            if not r:
                return None
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                self.eof = True
                break
            self.buf += chunk
            *done, self.buf = self.buf.split(b"\n")
            self.lines.extend(l.decode(errors="replace").rstrip("\r") for l in done)
        line = self.lines.pop(0) if self.lines else None
        if TRACE and line is not None:
            TRACE.write(f"{time.monotonic():.3f} {self.tag} > {line}\n")
        return line

    def alive(self):
        return self.proc.poll() is None and not self.eof

    def kill(self):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except OSError:
            pass
        try:
            self.proc.wait(timeout=2)
        except subprocess.TimeoutExpired:
            pass


class Oracle:
    def __init__(self):
        self.p = LineProcess(ORACLE)
        self.p.send("uci")
        while self.p.readline(10) != "uciok":
            pass

    def query(self, moves):
        """(legal moves, in check, fen) after the given moves from the start."""
        self.p.send("position startpos moves " + " ".join(moves) if moves else "position startpos")
        self.p.send("go perft 1")
        legal = []
        while True:
            line = self.p.readline(10)
            if line is None:
                raise RuntimeError("oracle stopped answering")
            if line.startswith("Nodes searched"):
                break
            if ":" in line and line.split(":")[0].isalnum():
                legal.append(line.split(":")[0])
        self.p.send("d")
        fen = checkers = None
        while checkers is None:
            line = self.p.readline(10)
            if line is None:
                raise RuntimeError("oracle stopped answering")
            if line.startswith("Fen: "):
                fen = line[5:]
            elif line.startswith("Checkers:"):
                checkers = line[9:].strip()
        return set(legal), bool(checkers), fen


def dead_material(fen):
    pieces = [c for c in fen.split()[0] if c.isalpha() and c not in "kK"]
    return not pieces or (len(pieces) == 1 and pieces[0] in "nNbB")


class Engine:
    """One engine process speaking UCI or xboard, with its own clock."""

    def __init__(self, conf, log):
        self.name = conf["name"]
        self.cmd = conf["cmd"]
        self.proto = conf.get("proto", "uci")
        self.cwd = conf.get("cwd")
        self.pellux = "pellux" in self.name.lower()
        self.style = conf.get("style", "xboard")  # xboard or force (every move in force mode, then go)
        # UCI options as opt.<name>=<value> (e.g. opt.UCI_Elo=1400), sent after "uci"
        self.options = [(k[4:], v) for k, v in conf.items() if k.startswith("opt.")]
        self.log = log
        self.restarts = 0
        self.start()

    def start(self):
        self.p = LineProcess(self.cmd, self.cwd, self.name)
        self.features = {}
        if self.proto == "uci":
            self.p.send("uci")
            self.expect(lambda l: l == "uciok", 10)
            self.p.send("setoption name Hash value 16")
            for name, value in self.options:
                self.p.send(f"setoption name {name} value {value}")
        else:
            self.p.send("xboard")
            self.p.send("protover 2")
            t0 = time.monotonic()
            while time.monotonic() - t0 < 3:
                line = self.p.readline(0.2 if self.features else 3)
                if line is None:
                    if self.features:
                        break
                    continue
                if line.startswith("feature "):
                    for part in line[8:].split():
                        if "=" in part:
                            k, v = part.split("=", 1)
                            self.features[k] = v.strip('"')
                    if "done=1" in line:
                        break
            if self.features.get("usermove") == "1":
                self.p.send("accepted usermove")

    def expect(self, pred, timeout):
        deadline = time.monotonic() + timeout
        while True:
            line = self.p.readline(max(0.0, deadline - time.monotonic()))
            if line is None:
                return None
            if pred(line):
                return line

    def sync(self):
        """Waits until everything sent before has been read (isready / ping)."""
        if self.proto == "uci":
            self.p.send("isready")
            return self.expect(lambda l: l == "readyok", 10) is not None
        self.p.send("ping 77")
        return self.expect(lambda l: l.startswith("pong"), 10) is not None

    def new_game(self, tc, ponder):
        if not self.p.alive():
            self.restarts += 1
            self.log(f"# {self.name} was not running at game start: restarted")
            self.p.kill()
            self.start()
        self.ponder = ponder
        self.pondering = None  # (position moves, expected move) of a running ponder search
        self.ponder_move = None
        self.playing = False   # xboard: the engine plays a side (not in force mode)
        self.known = 0         # xboard: moves of the game the engine has been sent
        base, inc = tc
        if self.proto == "uci":
            self.p.send(f"setoption name Ponder value {'true' if ponder else 'false'}")
            self.p.send("ucinewgame")
        else:
            self.p.send("new")
            self.p.send("force")
            secs = base
            self.p.send(f"level 0 {int(secs) // 60}:{int(secs) % 60:02d} {inc:g}")
            self.p.send("post")
            self.p.send("hard" if ponder else "easy")
        return self.sync()

    def xmove(self, m):
        return ("usermove " + m) if self.features.get("usermove") == "1" else m

    def tell(self, moves, as_opponent=False):
        """Sends the moves this xboard engine has not seen. In force mode, unless in the xboard
        style the one new move is the opponent's reply to a playing engine."""
        if self.proto != "xboard":
            return
        if self.playing and not (as_opponent and self.style == "xboard" and len(moves) - self.known == 1):
            self.p.send("force")
            self.playing = False
        for m in moves[self.known:]:
            self.p.send(self.xmove(m))
        self.known = len(moves)

    def think(self, moves, clocks, tc, white):
        """Asks for a move; returns (move or None, seconds used, fault or None)."""
        my, other = (clocks[0], clocks[1]) if white else (clocks[1], clocks[0])
        inc = tc[1]
        if self.proto == "uci":
            pos = "position startpos" + (" moves " + " ".join(moves) if moves else "")
            go = (f"wtime {max(1, int(clocks[0] * 1000))} btime {max(1, int(clocks[1] * 1000))} "
                  f"winc {int(inc * 1000)} binc {int(inc * 1000)}")
            hit = False
            if self.pondering:
                pmoves, expected = self.pondering
                self.pondering = None
                if moves and moves[-1] == expected and moves[:-1] == pmoves:
                    self.p.send("ponderhit")
                    hit = True
                else:
                    self.p.send("stop")
                    if self.expect(lambda l: l.startswith("bestmove"), 5) is None:
                        return None, 0, "no bestmove after stop"
            t0 = time.monotonic()
            if not hit:
                self.p.send(pos)
                self.p.send("go " + go)
        else:
            cs = lambda s: max(1, int(s * 100))
            self.p.send(f"time {cs(my)}")
            self.p.send(f"otim {cs(other)}")
            t0 = time.monotonic()
            if self.playing and self.style == "xboard" and len(moves) - self.known == 1:
                self.tell(moves, as_opponent=True)
            else:
                self.tell(moves)
                if self.playing:
                    self.p.send("force")
                self.p.send("go")
                self.playing = True
        limit = my + 10.0
        while True:
            line = self.p.readline(max(0.0, t0 + limit - time.monotonic()))
            used = time.monotonic() - t0
            if line is None:
                return None, used, "crash" if not self.p.alive() else "hang"
            words = line.split()
            if not words:
                continue
            if self.proto == "uci" and words[0] == "bestmove" and len(words) > 1:
                self.ponder_move = words[3] if len(words) >= 4 and words[2] == "ponder" else None
                return words[1], used, None
            if self.proto == "xboard":
                if words[0] == "move" and len(words) > 1:
                    self.known = len(moves) + 1
                    return words[1], used, None
                if words[0] == "resign":
                    return None, used, "resign"
                if words[0].lower() == "illegal":
                    return None, used, "refused a legal move: " + line

    def start_ponder(self, moves, clocks, tc):
        """UCI: after its move, the engine thinks on the expected reply."""
        if self.proto != "uci" or not self.ponder or not self.ponder_move:
            return
        self.pondering = (list(moves), self.ponder_move)
        self.p.send("position startpos moves " + " ".join(moves + [self.ponder_move]))
        inc = int(tc[1] * 1000)
        self.p.send(f"go ponder wtime {max(1, int(clocks[0] * 1000))} btime {max(1, int(clocks[1] * 1000))} "
                    f"winc {inc} binc {inc}")

    def game_over(self, result, reason):
        if self.proto == "uci":
            if self.pondering:
                self.pondering = None
                self.p.send("stop")
                self.expect(lambda l: l.startswith("bestmove"), 5)
        else:
            self.p.send(f"result {result} {{{reason}}}")
            self.p.send("force")
            self.playing = False

    def close(self):
        self.p.send("quit")
        time.sleep(0.05)
        self.p.kill()


def play_game(oracle, white, black, tc, opening, ponder, log):
    engines = (white, black)
    for e in engines:
        if not e.new_game(tc, ponder):
            return None, "sync", e
    moves = list(opening)
    for e in engines:
        e.tell(moves)
    clocks = [tc[0], tc[0]]
    seen = {}
    while True:
        legal, check, fen = oracle.query(moves)
        key = " ".join(fen.split()[:4])
        seen[key] = seen.get(key, 0) + 1
        stm = 0 if fen.split()[1] == "w" else 1
        end = None
        if not legal:
            end = ("0-1" if stm == 0 else "1-0", "checkmate") if check else ("1/2-1/2", "stalemate")
        elif int(fen.split()[4]) >= 100:
            end = "1/2-1/2", "fifty moves"
        elif seen[key] >= 3:
            end = "1/2-1/2", "repetition"
        elif dead_material(fen):
            end = "1/2-1/2", "dead material"
        if end:
            # Like an interface, the last move still reaches the engine that did not play it.
            for e in engines:
                e.tell(moves, as_opponent=True)
            return end[0], end[1], None
        mover = engines[stm]
        move, used, fault = mover.think(moves, clocks, tc, stm == 0)
        clocks[stm] -= used
        if TRACE:
            TRACE.write(f"# {mover.name} used {used * 1000:.1f} ms, clock {clocks[stm] * 1000:.1f} ms\n")
        loss = "0-1" if stm == 0 else "1-0"
        if fault:
            return loss, f"{mover.name} {fault}", mover
        if clocks[stm] < 0:
            return loss, f"{mover.name} lost on time ({clocks[stm]:.3f} s)", mover
        clocks[stm] += tc[1]
        castle = {"O-O": "e1g1", "0-0": "e1g1", "O-O-O": "e1c1", "0-0-0": "e1c1"}.get(move)
        if castle:  # some engines answer castling in this notation
            move = castle if stm == 0 else castle.replace("1", "8")
        if move not in legal:
            return loss, f"{mover.name} illegal move {move}", mover
        moves.append(move)
        mover.start_ponder(moves, clocks, tc)


def parse_engine(text):
    conf = {}
    for part in text.split(","):
        k, v = part.split("=", 1)
        conf[k] = v
    return conf


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--engine", action="append", required=True)
    ap.add_argument("--games", type=int, default=10)
    ap.add_argument("--tc", default="1+0.01", help="base+increment in seconds")
    ap.add_argument("--ponder", choices=["on", "off", "half"], default="half")
    ap.add_argument("--opening-plies", type=int, default=4)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--pairs", default="", help="comma list of i-j engine index pairs (default: all with a Pellux)")
    ap.add_argument("--log", default="")
    ap.add_argument("--trace", default="", help="file that receives every line sent and read")
    args = ap.parse_args()
    global TRACE
    if args.trace:
        TRACE = open(args.trace, "w", buffering=1)
    base, inc = (float(x) for x in args.tc.split("+"))
    logf = open(args.log, "a") if args.log else None

    def log(text):
        print(text, flush=True)
        if TRACE:
            TRACE.write(text + "\n")
        if logf:
            logf.write(text + "\n")
            logf.flush()

    engines = [Engine(parse_engine(t), log) for t in args.engine]
    if args.pairs:
        pairs = [tuple(int(x) for x in p.split("-")) for p in args.pairs.split(",")]
    else:
        pairs = [(i, j) for i in range(len(engines)) for j in range(i + 1, len(engines))
                 if engines[i].pellux or engines[j].pellux]
    oracle = Oracle()
    rng = random.Random(args.seed)
    tally = {"games": 0, "faults": 0, "opponent faults": 0}
    results = {}
    opening = []
    for g in range(args.games):
        a, b = pairs[(g // 2) % len(pairs)]
        if g % 2 == 0:  # a new opening, played once with each colour
            opening = []
            for _ in range(args.opening_plies):
                legal, _, _ = oracle.query(opening)
                opening.append(rng.choice(sorted(legal)))
            white, black = engines[a], engines[b]
        else:
            white, black = engines[b], engines[a]
        ponder = args.ponder == "on" or (args.ponder == "half" and (g // 2) % 2 == 1)
        t0 = time.monotonic()
        result, reason, culprit = play_game(oracle, white, black, (base, inc), opening, ponder, log)
        for e in (white, black):
            e.game_over(result or "*", reason)
        fault = culprit is not None and "resign" not in reason
        if fault:
            tally["faults" if culprit.pellux else "opponent faults"] += 1
            if not culprit.p.alive() or "hang" in reason or "sync" in reason:
                culprit.restarts += 1
                culprit.p.kill()
                culprit.start()
        tally["games"] += 1
        key = (white.name, black.name)
        results.setdefault(key, {}).setdefault(result, 0)
        results[key][result] += 1
        log(f"game {g + 1}: {white.name} - {black.name} {result} {{{reason}}} "
            f"ponder={'on' if ponder else 'off'} {time.monotonic() - t0:.1f}s "
            f"opening={' '.join(opening)}{'  FAULT' if fault else ''}")
    for e in engines:
        e.close()
    oracle.p.kill()
    log("== summary ==")
    for (w, b), r in sorted(results.items()):
        log(f"{w} (white) vs {b}: " + ", ".join(f"{k} x{v}" for k, v in sorted(r.items())))
    for e in engines:
        log(f"{e.name}: restarts {e.restarts}")
    log(f"games {tally['games']}, Pellux faults {tally['faults']}, opponent faults {tally['opponent faults']}")
    restarts = sum(e.restarts for e in engines if e.pellux)
    sys.exit(1 if tally["faults"] or restarts else 0)


if __name__ == "__main__":
    main()
