#!/usr/bin/env bash
# Plays a match through a real xboard, headless under Xvfb, and sums up how the
# games ended. UCI engines go through xboard's polyglot adapter (-fUCI/-sUCI).
#
#   tools/xboard_match.sh GAMES TC INC FIRST_CMD FIRST_PROTO SECOND_CMD SECOND_PROTO [OUTDIR] [extra xboard args]
#   tools/xboard_match.sh 10 0:10 0.1 build/pellux-generic xboard fairymax xboard /tmp/xb -ponder
#
# FIRST_PROTO/SECOND_PROTO: xboard or uci. Prints the PGN result comments and a
# count of each; exit status 1 if a game ended by time, a crash or an illegal move.
set -u
games=$1 tc=$2 inc=$3 first=$4 fproto=$5 second=$6 sproto=$7 out=${8:-/tmp/xboard-match}
shift 7; [ $# -gt 0 ] && shift
export PATH=$PATH:/usr/games
mkdir -p "$out"
rm -f "$out/games.pgn"
# A program named without a folder is looked up on PATH, one with a folder made absolute.
where() { case "$1" in */*) realpath "$1" ;; *) command -v "$1" ;; esac; }
args=(-fcp "$(where "$first")" -fd "$out" -scp "$(where "$second")" -sd "$out"
      -mg "$games" -tc "$tc" -inc "$inc" -autoCallFlag true -popupExitMessage false
      -saveGameFile "$out/games.pgn" -debug -nameOfDebugFile "$out/debug.txt")
[ "$fproto" = uci ] && args+=(-fUCI)
[ "$sproto" = uci ] && args+=(-sUCI)
xvfb-run -a xboard "${args[@]}" "$@" > "$out/xboard.log" 2>&1
grep -o '{[^}]*} *\(1-0\|0-1\|1/2-1/2\|\*\)$' "$out/games.pgn" | sort | uniq -c
echo "games: $(grep -c '^\[Result' "$out/games.pgn")"
! grep -q -i -E 'time|forfeit|illegal|crash|exit|disconnect|\*$' <(grep -o '{[^}]*} *\(1-0\|0-1\|1/2-1/2\|\*\)$' "$out/games.pgn")
