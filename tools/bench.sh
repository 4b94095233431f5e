#!/usr/bin/env bash
# Speed figures of a Release build: runs every script in tools/bench.d in turn.
# Usage: tools/bench.sh [build-dir]
set -u
BUILD=${1:-build}
cd "$(dirname "$0")/.."
export PELLUX_BUILD="$PWD/$BUILD"
for script in tools/bench.d/*.sh; do
  [ -e "$script" ] || continue
  echo "=== $(basename "$script" .sh)"
  bash "$script"
  echo
done
