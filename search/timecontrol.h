// Time control helpers the front ends use while a search runs.
#pragma once

class ChessBoard;

// Recomputes the clock budget of the running search for side from the clocks
// as they are now, still counted from the start of the search. A ponder search
// got its budget from the clock before the engine's last move; when the
// opponent plays the expected reply, the clock sent with that move decides.
// Nothing changes outside clock mode.
void refreshClockBudget(ChessBoard& b, int side);

// Milliseconds the interface or the network loses per move (UCI "Move Overhead"),
// taken from every clock budget; 0 leaves the budgets as they are.
const int MOVE_OVERHEAD_MAX_MS = 5000;
extern int moveOverheadMs;

// "go mate N": the search ends once it has proved a mate in at most this many
// moves for the side to move; 0 when no such limit is set.
extern int mateSearchMoves;
