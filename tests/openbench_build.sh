#!/bin/sh
# What OpenBench does with the engine: `make EXE=<path> CXX=<compiler>` in the
# source tree, then `<path> bench`, reading the last "Nodes searched: N" and
# "Nodes/second: N" lines. The build goes to a directory of its own under the
# scratch folder, kept between runs so that a repeated test only relinks.
# Usage: openbench_build.sh <source dir> <scratch dir>
set -u
SRC=$1
WORK=$2
mkdir -p "$WORK"
EXE="$WORK/pellux-openbench"
rm -f "$EXE"
# A surrounding make (make test) must not hand its own settings to this one.
unset MAKEFLAGS MFLAGS MAKELEVEL
if ! make -C "$SRC" EXE="$EXE" BUILD="$WORK/build" CXX="${CXX:-g++}" JOBS=2 >"$WORK/make.log" 2>&1; then
  tail -30 "$WORK/make.log"
  echo "FAIL: make EXE=$EXE"
  exit 1
fi
[ -x "$EXE" ] || { echo "FAIL: make did not produce $EXE"; exit 1; }

OUT=$("$EXE" bench </dev/null)
STATUS=$?
echo "$OUT"
[ "$STATUS" -eq 1 ] || { echo "FAIL: bench exit status $STATUS, expected 1 like every finished tool"; exit 1; }
[ "$(echo "$OUT" | grep '^Nodes searched: ' | tail -1)" = "Nodes searched: 9944167" ] ||
  { echo "FAIL: bench signature is not 9944167"; exit 1; }
echo "$OUT" | grep -Eq '^Nodes/second: [1-9][0-9]*$' || { echo "FAIL: no Nodes/second line"; exit 1; }
echo "OK"
