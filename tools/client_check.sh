#!/usr/bin/env bash
# Plays short games through two real match runners, the way testers drive the
# engine, and fails on anything a runner complains of: an illegal move or
# ponder move, a loss on time, a disconnection or a stall.
#
#   tools/client_check.sh [BUILD_DIR] [TOOLS_DIR]
#
# fastchess plays pellux-popcnt against pellux-generic over UCI; cutechess-cli
# plays pellux-popcnt under UCI against itself under WinBoard, both pondering.
# 10 games each at 1 s + 0.01 s from tests/data/openings.epd. A runner that is
# missing (or cannot start) is skipped with a message; the exit status is 1
# only when a runner that ran reported a fault or did not finish its games.
set -u
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
tools=$(realpath -m "${2:-../shared/tools}")
out=$(mktemp -d /tmp/pellux-clients-XXXXXX)
trap 'rm -rf "$out"' EXIT
openings=$(realpath tests/data/openings.epd)
games=10
status=0

# Checks one runner's log: every game finished, none ended by a fault, no
# warning of an illegal move.
check() {
  local name=$1 log=$2
  local finished faults
  finished=$(grep -c '^Finished game' "$log")
  faults=$(grep -i -E 'illegal|stall|disconnect|time|crash|timeout|forfeit|unexpected|\{\*\}' "$log" |
           grep -v -E '^Total Time|^Results of|^Score of|^Elo|^\.\.\.')
  grep '^Finished game' "$log" | sed 's/^Finished game [0-9]* ([^)]*): //' | sort | uniq -c
  if [ "$finished" -ne "$games" ] || [ -n "$faults" ]; then
    echo "$name: $finished of $games games finished"
    [ -n "$faults" ] && echo "$faults"
    status=1
  else
    echo "$name: $games games, no fault"
  fi
}

if [ -x "$tools/fastchess" ] && "$tools/fastchess" -version >/dev/null 2>&1; then
  (cd "$out" && timeout 150 "$tools/fastchess" \
     -engine cmd="$build/pellux-popcnt" name=popcnt -engine cmd="$build/pellux-generic" name=generic \
     -each tc=1+0.01 -rounds $((games / 2)) -games 2 -repeat -concurrency 1 \
     -openings file="$openings" format=epd order=sequential -pgnout file="$out/fastchess.pgn") \
     > "$out/fastchess.log" 2>&1 || { echo "fastchess: exit status $?"; status=1; }
  check fastchess "$out/fastchess.log"
else
  echo "fastchess not found in $tools: skipped"
fi

if [ -x "$tools/cutechess-cli" ] && "$tools/cutechess-cli" --version >/dev/null 2>&1; then
  (cd "$out" && timeout 150 "$tools/cutechess-cli" \
     -engine cmd="$build/pellux-popcnt" name=uci proto=uci \
     -engine cmd="$build/pellux-popcnt" name=winboard proto=xboard \
     -each tc=1+0.01 ponder -games $games -repeat -concurrency 1 \
     -openings file="$openings" format=epd order=sequential -pgnout "$out/cutechess.pgn") \
     > "$out/cutechess.log" 2>&1 || { echo "cutechess-cli: exit status $?"; status=1; }
  check cutechess-cli "$out/cutechess.log"
else
  echo "cutechess-cli cannot run from $tools (missing, or libqt5core5a not installed): skipped"
fi
exit $status
