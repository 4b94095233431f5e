// Endgame tables (Gaviota): loading them from the folders the user names,
// exact results for the search, and the move at a root position they hold.
// The probing library is known to search/tablebase.cpp only.
#pragma once

#include "board/chessboard.h"

// The largest number of pieces, kings included, that the loaded tables hold;
// 0 while none is loaded, so that one test of it keeps the search's hot path clear.
extern int tbMaxPieces;

// Probes of the current search: by the root move choice and its line, inside
// the search, and the probes inside the search that gave the node its value.
struct TablebaseCounts {
    unsigned long long root;
    unsigned long long tree;
    unsigned long long hits;
};
extern TablebaseCounts tbCounts;

// Size of the tables' own cache, in megabytes.
const int TB_CACHE_MB_DEFAULT = 32;
const int TB_CACHE_MB_MIN = 1;
const int TB_CACHE_MB_MAX = 1024;

// Search depth (quarter plies) from which a probe inside the search may read
// the table files; shallower nodes only ask the cache, since a file read costs
// more than the small search it saves there.
const int TB_HARD_PROBE_DEPTH = 2 * ONE_PLY;

// Messages for the user (one line of text each) go through such a function.
typedef void (*TablebaseSay)(const char* text);

// Was the program built with the probing library?
bool tablebaseSupported();

// Loads the tables found in the folders of the list (separated by ';') in place of
// those loaded before; an empty list unloads them. Folders that cannot be read are
// named through say, and so is the outcome. Returns 1 when tables are loaded.
int tablebaseLoad(const char* folders, TablebaseSay say);

// Releases the tables and their cache; nothing is probed afterwards.
void tablebaseUnload();

// Sets the size of the cache, now when tables are loaded, else at the next load.
// Returns 0 (tables unloaded, say told) when the cache cannot be had.
int tablebaseSetCache(int megabytes, TablebaseSay say);

// Exact value of the position for the side to move, in the search at ply: a
// mate as the engine's mate score relative to the root, a draw as the draw
// score. A hard probe may read the table files, a soft one only the cache.
// Returns false when the tables do not hold the position. Callers test
// tbMaxPieces, the fifty-move counter and the piece count first.
bool tablebaseProbe(const ChessBoardNode& n, int ply, bool hard, int& score);

// At a root position the tables hold for every move: the line of the best
// move (the best result, the nearest mate when won, the farthest when lost)
// into line, each entry with its score, and true. Only moves that the root
// may search are chosen at the root. False (line empty) otherwise.
bool tablebaseRootLine(ChessBoard& b, PLine& line);
