// Evaluation weights and tables. Scalar weights are {middle game, end game}
// pairs; the first four can be changed at run time (eval/tune.cpp).
#pragma once

#include "board/types.h"

// Halves of a weight pair.
enum : int { EVAL_MG = 0, EVAL_EG = 1 };

// Tunable pairs.
extern int EVAL_DOUBLED_PAWN[2];
extern int EVAL_ISOLATED_PAWN[2];
extern int EVAL_BACKWARD_PAWN[2];
extern int EVAL_ROOK_OPEN_FILE[2];

// Constant pairs.
extern const int EVAL_ROOK_SEMI_OPEN_FILE[2];
extern const int EVAL_ROOK_ON_7TH[2];
extern const int EVAL_QUEEN_ON_7TH[2];
extern const int TEMPO_BONUS[2];

// Single-valued constants.
const int EVAL_BISHOP_PAIR = 50;
const int EVAL_NO_PAWNS = 50;
const int EVAL_EARLY_QUEEN_MOVE = 20;
const int BLOCKED_PAWN = 20;
const int BLOCKED_BISHOP = 100;
const int BLOCKED_KNIGHT = 100;
const int BLOCKED_ROOK = 50;
const int LAZY_EVAL_MARGIN = 300;
const int KING_PLACEMENT_PENALTY = 20;
const int KING_SAFETY_MATERIAL = 4075;  // full material of one side at the start
const int MAX_GAME_PHASE = 24;

// Passed-pawn bonus [MID/END][rank counted from the pawn's own side].
extern const int EVAL_PASSED_PAWN[2][8];

// Mobility by number of usable squares.
extern const int mobilityKnight_mid[16];
extern const int mobilityKnight_end[16];
extern const int mobilityBishop_mid[16];
extern const int mobilityBishop_end[16];
extern const int mobilityRook_mid[16];
extern const int mobilityRook_end[16];
extern const int mobilityQueen_mid[32];
extern const int mobilityQueen_end[32];

// Knight outpost bonus [colour][square].
extern const int pos_outpost_knight[2][64];

// King shield penalty by rank (from the king's side) of the nearest own pawn; 0 = none.
extern const int EVAL_MISSING_PAWN_SHIELD[8];
// Attack units per attacked square around the king, by piece type.
extern const int kingAttackWeight[8];
// Penalty by attack units 0..31.
extern const int king_attack_table[32];

// Pawn-structure masks by [colour][square], filled by initEval(); "ahead"
// means towards the eighth rank for White and towards the first for Black.
extern BitBoard evalFileAhead[2][64];      // same file, strictly ahead
extern BitBoard evalPassedSpan[2][64];     // own and neighbouring files, strictly ahead
extern BitBoard evalSupportBehind[2][64];  // neighbouring files, same rank or behind
