// Parallel search: helper threads search the engine's root position together
// with it ("lazy SMP"). Each helper owns an engine object of its own (position,
// move lists, killers, history, lines, node counter, pawn cache) with silent
// events; the threads share only the transposition table and a stop signal.
// The engine's own search alone reads the console and the clock, prints, and
// decides when to stop and what to play. With one thread no helper exists and
// nothing here runs.
#pragma once

#include "board/chessboard.h"

// The most search threads, the engine's own included.
const int SEARCH_THREADS_MAX = 256;

// The most threads setSearchThreads grants (SEARCH_THREADS_MAX by default); a
// harness that runs thousands of dialogues lowers it.
extern int maxSearchThreads;
// When set, helpers ended by setSearchThreads keep their threads asleep, and
// later helpers take them over instead of starting new ones: for a harness
// that changes the thread count with each of thousands of dialogues.
extern bool keepHelperThreads;

// Sets the number of search threads, the engine's own included, brought into
// 1..maxSearchThreads: helpers are created or ended here, never while the
// engine searches. Returns the number of threads there now are (fewer when
// the system refuses a thread).
int setSearchThreads(int count);
int searchThreadCount();

// Starts the helpers on main's root (its position, the root moves it may
// search, lines lines), just before main's own search begins. Returns false,
// starting nothing, with one thread or a weakened engine (whose node budget is
// its level).
bool startHelpers(const ChessBoard& main, int lines);
// Signals the helpers to stop and waits until every one has returned.
void stopHelpers();

// The nodes and the endgame table hits of the helpers in the running or last
// search, as they last published them (every 256 node calls, and at their
// end); resetHelperCounts sets them to 0 for a move found without a search.
unsigned long long helperNodes();
unsigned long long helperTableHits();
void resetHelperCounts();

// The stop test of a search with helpers, every 256 node calls: a helper
// publishes its counts and learns whether it must stop; the engine's own
// search stops at its node limit counted over all threads. Returns 0 when the
// search must stop.
int checkThreads(ChessBoard& b);

// Empties the transposition table, its stretches shared out over the threads.
void clearHashTable();
