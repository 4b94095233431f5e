#!/usr/bin/env bash
# Perft speed: pellux-popcnt (and pellux-generic) against Debian's stockfish
# counting the same trees. Env PELLUX_BUILD = build directory.
set -u
BUILD=${PELLUX_BUILD:-build}
STOCKFISH=${STOCKFISH:-/usr/games/stockfish}
KIWIPETE="r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"

# Wall seconds of one command, three decimals.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

stockfish_perft() { # fen depth
  printf 'position %s\ngo perft %s\nquit\n' "$1" "$2" | "$STOCKFISH"
}

run_case() { # label depth [fen]
  local label=$1 depth=$2 fen=${3:-}
  local args=(-perft "$depth")
  [ -n "$fen" ] && args+=(-fen "$fen")
  local line="$label perft $depth:"
  for prog in pellux-popcnt pellux-generic; do
    [ -x "$BUILD/$prog" ] && line+=" $prog $(seconds "$BUILD/$prog" "${args[@]}") s,"
  done
  if [ -x "$STOCKFISH" ]; then
    local pos="startpos"
    [ -n "$fen" ] && pos="fen $fen"
    line+=" stockfish $(seconds stockfish_perft "$pos" "$depth") s"
  fi
  echo "$line"
}

# Pellux prints every depth from 1 up (the sum is about 1.04 times the last one).
run_case "start   " 6
run_case "kiwipete" 5 "$KIWIPETE"
