#!/usr/bin/env bash
# Start-up cost of whole processes: a one-node perft and the help text (wall
# time with hyperfine, peak resident memory with /usr/bin/time; "cpu" is user
# plus system time, which other work on the machine disturbs less), the time from
# process start to "uciok" and to the WinBoard feature line, resident memory
# of a UCI engine given Hash 1024 before and after "go depth 1", and the book
# builder against Debian's polyglot on the test games and seven copies of them.
set -u
BUILD=$(cd "${PELLUX_BUILD:-build}" && pwd)
DATA="$(cd "$(dirname "$0")/../.." && pwd)/tests/data"
WORK=$(mktemp -d /tmp/pellux-bench-startup.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"  # no pellux.ini here: the default sizes apply

peak_mb() {  # command... : peak resident memory in megabytes
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null </dev/null | tail -1 | awk '{ printf "%.1f", $1 / 1024 }'
}

for prog in pellux-popcnt pellux-generic; do
  BIN=$BUILD/$prog
  [ -x "$BIN" ] || { echo "no $BIN: build first"; continue; }
  for args in "-perft 1" "-help"; do
    if command -v hyperfine >/dev/null; then
      t=$(hyperfine -N -i -w 5 -r 40 --export-json "$WORK/h.json" "$BIN $args" >/dev/null 2>&1 &&
          python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["results"][0]; print("median %.1f ms  min %.1f ms  cpu %.1f ms" % (r["median"]*1e3, r["min"]*1e3, (r["user"]+r["system"])*1e3))' "$WORK/h.json")
    else
      t="(hyperfine not installed)"
    fi
    printf '%-15s %-9s %s  peak %s MB\n' "$prog" "$args" "$t" "$(peak_mb "$BIN" $args)"
  done
done

BIN=$BUILD/pellux-popcnt
[ -x "$BIN" ] || BIN=$BUILD/pellux-generic
python3 - "$BIN" <<'PY'
import os, resource, select, subprocess, sys, time

def start():
    return subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)

def wait_for(eng, prefix, buf=b"", timeout=30.0):
    end = time.time() + timeout
    while True:
        while b"\n" in buf:
            line, buf = buf.split(b"\n", 1)
            if line.decode(errors="replace").startswith(prefix):
                return buf
        r, _, _ = select.select([eng.stdout], [], [], max(0.0, end - time.time()))
        chunk = os.read(eng.stdout.fileno(), 65536) if r else b""
        if not chunk:
            raise SystemExit("no " + prefix)
        buf += chunk

def handshake(lines, prefix):
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = time.perf_counter()
    eng = start()
    eng.stdin.write(lines.encode())
    wait_for(eng, prefix)
    ms = (time.perf_counter() - t) * 1000
    eng.stdin.write(b"quit\n")
    eng.wait()
    now = resource.getrusage(resource.RUSAGE_CHILDREN)
    return ms, (now.ru_utime + now.ru_stime - used.ru_utime - used.ru_stime) * 1000

for name, lines, prefix in (("uci -> uciok", "uci\n", "uciok"),
                            ("xboard/protover 2 -> feature", "xboard\nprotover 2\n", "feature")):
    handshake(lines, prefix)  # warm-up
    runs = [handshake(lines, prefix) for _ in range(21)]
    s = sorted(r[0] for r in runs)
    cpu = sorted(r[1] for r in runs)
    print("%-30s median %.1f ms  min %.1f ms  max %.1f ms  cpu %.1f ms (process start to reply; cpu of the whole run)" %
          (name, s[10], s[0], s[-1], cpu[10]))

def rss(eng):
    f = dict(l.split(":", 1) for l in open("/proc/%d/status" % eng.pid))
    return "%5.1f MB resident (peak %.1f MB)" % (int(f["VmRSS"].split()[0]) / 1024, int(f["VmHWM"].split()[0]) / 1024)

eng = start()
eng.stdin.write(b"uci\nsetoption name Hash value 1024\nisready\n")
buf = wait_for(eng, "readyok")
print("UCI, Hash 1024, before any search:", rss(eng))
for depth in (1, 8):
    eng.stdin.write(b"position startpos\ngo depth %d\n" % depth)
    buf = wait_for(eng, "bestmove", buf)
    print("UCI, Hash 1024, after go depth %d:  " % depth, rss(eng))
eng.stdin.write(b"ucinewgame\nisready\n")
buf = wait_for(eng, "readyok", buf)
print("UCI, Hash 1024, after ucinewgame:  ", rss(eng))
eng.stdin.write(b"quit\n")
eng.wait()
PY

# Book building: pellux-popcnt builds a depth-20 book and then reads the end of
# its input; polyglot make-book on the same file for comparison.
for i in 1 2 3 4 5 6 7; do sed "s/^\[Event \"/[Event \"copy $i /" "$DATA/games.pgn"; printf '\r\n'; done > "$WORK/g7.pgn"
for pgn in "$DATA/games.pgn" "$WORK/g7.pgn"; do
  games=$(grep -c '^\[Event ' "$pgn")
  if command -v hyperfine >/dev/null; then
    cmds=("$BIN -buildbook $pgn $WORK/p.bin 20 1")
    [ -x /usr/games/polyglot ] && cmds+=("/usr/games/polyglot make-book -pgn $pgn -bin $WORK/q.bin -max-ply 20")
    hyperfine -N -i -w 1 -r 10 --export-json "$WORK/b.json" "${cmds[@]}" >/dev/null 2>&1
    python3 -c 'import json,sys
for r in json.load(open(sys.argv[1]))["results"]:
    print("%5s games  %-18s median %6.1f ms" % (sys.argv[2], r["command"].split()[0].split("/")[-1] + " " + r["command"].split()[1], r["median"]*1e3))' "$WORK/b.json" "$games"
  fi
done
