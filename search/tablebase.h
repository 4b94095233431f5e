// Endgame tables, Gaviota and Syzygy, behind one front: loading them from the
// folders the user names, results for the search, the moves a root position
// they hold keeps, and the counts of the reports. The Gaviota probing library
// is known to search/tablebase.cpp only, the Syzygy one to search/syzygy.cpp.
#pragma once

#include <string>
#include <vector>

#include "board/chessboard.h"

// The largest number of pieces, kings included, that the loaded tables hold
// and the search may probe; 0 while none is loaded, so that one test of it
// keeps the search's hot path clear.
extern int tbMaxPieces;

// The two kinds of tables.
enum : int { TB_GAVIOTA = 0, TB_SYZYGY = 1 };

// A won Syzygy result without a known mate distance scores this much less the
// plies from the root to the position (a loss the negative), below every mate
// score and above every evaluation.
const int TB_WIN_VALUE = 30000;

// Probes of the current search: by the root move choice and its line, inside
// the search, and the probes inside the search that gave the node its value.
struct TablebaseCounts {
    unsigned long long root;
    unsigned long long tree;
    unsigned long long hits;
};
// The counts of this thread.
extern THREAD_OWN TablebaseCounts tbCounts;

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

// Was the program built with the probing library of the kind?
bool tablebaseSupported(int kind);

// Are tables of either kind loaded, and may the search probe them?
bool tablebaseLoaded();

// Loads the tables of the kind found in the folders of the list (separated by ';',
// for Syzygy by ':' too) in place of those of the kind loaded before; an empty list
// unloads them. Folders that cannot be read are named through say, and so is the
// outcome. Returns 1 when tables are loaded.
int tablebaseLoad(int kind, const char* folders, TablebaseSay say);

// The folders of a list: the parts between any of the separators, without
// blanks at either end; empty parts are left out.
std::vector<std::string> tablebaseFolders(const char* list, const char* separators);
// Releases the tables of both kinds; nothing is probed afterwards.
void tablebaseUnload();

// Syzygy settings: the fewest plies left for a probe inside the search (1..100),
// whether the fifty-move rule turns wins and losses beyond it into draws, and the
// most pieces probed (0..7, 0 switches the tables off).
const int SYZYGY_DEPTH_MIN = 1, SYZYGY_DEPTH_MAX = 100, SYZYGY_DEPTH_DEFAULT = 1;
const int SYZYGY_LIMIT_MIN = 0, SYZYGY_LIMIT_MAX = 7, SYZYGY_LIMIT_DEFAULT = 7;
void tablebaseSetSyzygy(int probeDepth, bool fiftyMoveRule, int probeLimit);

// Sets the size of the cache, now when tables are loaded, else at the next load.
// Returns 0 (tables unloaded, say told) when the cache cannot be had.
int tablebaseSetCache(int megabytes, TablebaseSay say);

// The tables' value of the position for the side to move, in the search at ply
// with depth (quarter plies) left and the window alpha..beta: a mate as the
// engine's mate score relative to the root, a draw as the draw score (both
// exact), a Syzygy win without a known mate distance as TB_WIN_VALUE - ply, a
// lower bound (a loss the negative, an upper bound). Gaviota probes near the
// leaves ask only its cache. Returns true, with the value in score, when it
// ends the node: an exact value, or a bound beyond the window. Callers test
// tbMaxPieces, the fifty-move counter and the piece count first.
bool tablebaseProbe(const ChessBoardNode& n, int ply, int depth, int alpha, int beta, int& score);

// At a root position the Syzygy tables hold: limits the moves the root may search
// (b.searchMoves, within a "searchmoves" list) to those that keep the best result
// under the fifty-move setting, the nearest zeroing first, and sets legalMoves to
// their number. Returns false (nothing changed) otherwise. tablebaseRootRestore
// gives the list back after the search.
bool tablebaseRootFilter(ChessBoard& b, int& legalMoves);
void tablebaseRootRestore(ChessBoard& b);

// The score a thinking line shows for a root move searched to score: at a root
// the Syzygy tables limited, the tables' result (a win as TB_WIN_VALUE less the
// plies to zeroing) unless the search proved a mate; otherwise score.
int tablebaseRootScore(ChessMove m, int score);

// At a root position the Gaviota tables hold for every move: the line of the best
// move (the best result, the nearest mate when won, the farthest when lost)
// into line, each entry with its score, and true. Only moves that the root
// may search are chosen at the root. False (line empty) otherwise.
bool tablebaseRootLine(ChessBoard& b, PLine& line);
