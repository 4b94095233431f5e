#!/usr/bin/env bash
# Search speed: "-bench" node count (identical in both programs) and nodes per second.
set -u
BUILD=${PELLUX_BUILD:-build}
for prog in pellux-generic pellux-popcnt; do
  echo "--- $prog -bench"
  "$BUILD/$prog" -bench </dev/null | tail -2
done
