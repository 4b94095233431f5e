#!/usr/bin/env bash
# Book building and loading speed: the test collection, and a collection of
# about 100 000 games made by repeating it (generated in /tmp, not kept),
# each at depth 20; Debian's polyglot on the same files for comparison.
set -u
BIN="${PELLUX_BUILD:-build}/pellux-generic"
DATA="$(cd "$(dirname "$0")/../.." && pwd)/tests/data"
WORK=$(mktemp -d /tmp/pellux-bench-book.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

if [ ! -x "$BIN" ]; then echo "no $BIN: build first"; exit 0; fi

# Repeat the 300 games until about 100 000 games; each copy gets a new Event
# so that the collection is not one file repeated byte for byte.
BIG="$WORK/big.pgn"
for i in $(seq 1 334); do sed "s/^\[Event \"/[Event \"copy $i /" "$DATA/games.pgn"; printf '\r\n'; done > "$BIG"
GAMES=$(grep -c '^\[Event ' "$BIG")

seconds() { local s=$(date +%s.%N); "$@" > /dev/null 2>&1; printf '%.2f' "$(echo "$(date +%s.%N) - $s" | bc)"; }

build() {  # pgn book depth count
  seconds sh -c "echo quit | '$BIN' -buildbook '$1' '$2' $3 $4"
}

echo "pellux -buildbook, depth 20, minimum count 1 (start-up and exit included: see the empty file)"
: > "$WORK/empty.pgn"
printf '  %-28s %8s s\n' "empty.pgn" "$(build "$WORK/empty.pgn" "$WORK/none.bin" 20 1)"
printf '  %-28s %8s s  (%s bytes)\n' "games.pgn (300 games)" "$(build "$DATA/games.pgn" "$WORK/small.bin" 20 1)" "$(stat -c %s "$WORK/small.bin")"
printf '  %-28s %8s s  (%s bytes)\n' "big.pgn ($GAMES games)" "$(build "$BIG" "$WORK/big.bin" 20 1)" "$(stat -c %s "$WORK/big.bin")"

if [ -x /usr/games/polyglot ]; then
  echo "polyglot make-book -max-ply 20 (reference)"
  printf '  %-28s %8s s\n' "games.pgn" "$(seconds /usr/games/polyglot make-book -pgn "$DATA/games.pgn" -bin "$WORK/pg-small.bin" -max-ply 20)"
  printf '  %-28s %8s s\n' "big.pgn" "$(seconds /usr/games/polyglot make-book -pgn "$BIG" -bin "$WORK/pg-big.bin" -max-ply 20)"
fi

# Load time must grow linearly: a book of 100 000 random positions (written
# here in the book file layout) against an empty one, both through UCI start-up.
python3 - "$WORK/random.bin" <<'PY'
import random, struct, sys
random.seed(1)
n = 100000
out = [b"BOOK", struct.pack("<II", 0x00010001, n)]
for key in sorted(random.getrandbits(64) for _ in range(n)):
    out.append(struct.pack("<QI", key, 2) + struct.pack("<IIBB", 0x1C, 3, 50, 20) + struct.pack("<IIBB", 0x2D, 1, 0, 0))
open(sys.argv[1], "wb").write(b"".join(out))
PY
printf 'BOOK\001\000\001\000\000\000\000\000' > "$WORK/empty.bin"
echo "book load through UCI start-up (Book=1)"
cd "$WORK"
for book in empty.bin random.bin; do
  printf '[Engine]\nBook=1\nBookFile=%s\n' "$WORK/$book" > pellux.ini
  printf '  %-28s %8s s\n' "$book" "$(seconds sh -c "printf 'uci\nquit\n' | '$BIN'")"
done

# Distinct games (random legal games, so every game adds new positions).
if [ -x "${PELLUX_BUILD:-build}/pellux_bench" ]; then
  echo "pellux_bench: book building from random games and book loading"
  "${PELLUX_BUILD:-build}/pellux_bench" --benchmark_filter='BuildRandomGames|LoadBook' 2>/dev/null | grep '^BM_'
fi
