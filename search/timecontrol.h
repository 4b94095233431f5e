// Time control helpers the front ends use while a search runs.
#pragma once

class ChessBoard;

// Recomputes the clock budget of the running search for side from the clocks
// as they are now, still counted from the start of the search. A ponder search
// got its budget from the clock before the engine's last move; when the
// opponent plays the expected reply, the clock sent with that move decides.
// Nothing changes outside clock mode.
void refreshClockBudget(ChessBoard& b, int side);
