#!/usr/bin/env bash
# Evaluation: full and lazy evaluations per second over the test positions,
# one make/unmake pair for comparison, and the exchange evaluation.
set -u
BIN="${PELLUX_BUILD:-build}/pellux_bench"
if [ ! -x "$BIN" ]; then
  echo "pellux_bench not built (Google Benchmark missing?)"
  exit 0
fi
"$BIN" --benchmark_filter='BM_(Evaluate/[01]|EvalMakeUnmakePair|StaticExchange)$' --benchmark_min_time=0.3
