// Syzygy endgame tables through the Fathom probing library, as the table front
// (search/tablebase.cpp) uses them. Only search/syzygy.cpp knows the library.
#pragma once

#include "board/chessboard.h"

namespace syzygy {

// A table's result for the side to move, as the library grades it: lost, lost
// only beyond the fifty-move rule (blessed), drawn, won only beyond it (cursed), won.
enum : int { LOSS = 0, BLESSED_LOSS = 1, DRAW = 2, CURSED_WIN = 3, WIN = 4, FAILED = -1 };

// One legal move of a root position with the result after it for the side that
// makes it, graded under the position's fifty-move counter, and its distance in
// plies to the next capture or pawn move (0 when drawn).
struct RootResult {
    ChessMove move;
    int result;
    int distance;
};

// Was the program built with the library?
bool supported();

// Loads the tables of the folders (separated by ':' or ';') in place of those
// loaded before; folders that cannot be read and the outcome are named through
// say. Returns the most pieces a loaded table holds, 0 when none is loaded.
int load(const char* folders, void (*say)(const char*));

void unload();

// The result of a position without castling rights that the loaded tables hold;
// FAILED when they cannot answer. The fifty-move counter is not looked at (the
// result is that of a position right after a capture or a pawn move). Safe from
// several threads.
int probeResult(const ChessBoardNode& n);

// Every legal move of the root position with its result; the count, or -1 when
// the tables cannot answer for every move. Not for several threads at once.
int probeRoot(ChessBoardNode& n, RootResult* out, int max);

}  // namespace syzygy
