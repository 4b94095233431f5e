// The static evaluation taken apart term by term, for the "eval" command. The
// same code computes it as the search's evaluation: it is that code compiled a
// second time with its term sums switched on.
#pragma once

#include "board/node.h"

// The terms of the evaluation, in the order they are computed.
enum EvalTerm : int {
    TERM_MATERIAL,
    TERM_BISHOP_PAIR,
    TERM_NO_PAWNS,
    TERM_PIECE_SQUARE,
    TERM_TEMPO,
    TERM_BLOCKED,
    TERM_DOUBLED,
    TERM_ISOLATED,
    TERM_BACKWARD,
    TERM_PASSED,
    TERM_MOBILITY,
    TERM_OUTPOST,
    TERM_ROOK_FILE,
    TERM_SEVENTH,
    TERM_EARLY_QUEEN,
    TERM_KING_SAFETY,
    TERM_KING_PLACEMENT,
    TERM_COUNT
};

// Row names of the terms, at most 16 characters.
extern const char* const evalTermNames[TERM_COUNT];

struct EvalTrace {
    // Each term as a bonus for the colour: [term][colour][EVAL_MG / EVAL_EG].
    int term[TERM_COUNT][2][2];
    int mid, end;  // the middle-game and end-game sums, White minus Black
    int phase;     // phase material of both colours, the blend's weight of mid out of 24
    int blended;   // the blend, from White's side
    int scale;     // the endgame scale, out of 32
    int draw;      // 1 when the material balance is a recognised draw (the score is then 0)
    int score;     // the evaluation from the side to move's view
};

// Fills trace for the position and returns the full evaluation (no lazy exit),
// equal to n.evaluate(-MATE_VALUE, MATE_VALUE, 0).
int explainEvaluation(const ChessBoardNode& n, EvalTrace& trace);
