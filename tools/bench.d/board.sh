#!/usr/bin/env bash
# Board core: make/unmake, perft walk, slider look-ups, FEN set-up.
set -u
BIN="${PELLUX_BUILD:-build}/pellux_bench"
if [ ! -x "$BIN" ]; then
  echo "pellux_bench not built (Google Benchmark missing?)"
  exit 0
fi
"$BIN" --benchmark_filter='BM_(MakeUnmake|PerftKiwipete3|SliderLookups|SetFENPosition)' --benchmark_min_time=0.3
