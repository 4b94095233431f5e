// Evaluation weights and tables, and initEval() which completes the
// piece-square tables.
#include "eval/weights.h"

#include "board/chessboard.h"

int EVAL_DOUBLED_PAWN[2] = {10, 10};
int EVAL_ISOLATED_PAWN[2] = {20, 20};
int EVAL_BACKWARD_PAWN[2] = {10, 10};
int EVAL_ROOK_OPEN_FILE[2] = {20, 20};

const int EVAL_ROOK_SEMI_OPEN_FILE[2] = {10, 10};
const int EVAL_ROOK_ON_7TH[2] = {20, 20};
const int EVAL_QUEEN_ON_7TH[2] = {10, 10};
const int TEMPO_BONUS[2] = {5, 5};

const int EVAL_PASSED_PAWN[2][8] = {
    {0, 0, 0, 20, 50, 80, 100, 0},
    {0, 10, 10, 40, 100, 160, 200, 0},
};

// 4 * (n - 2) for the knight, bishop and rook, n - 2 for the queen, over
// the squares a piece can reach; 0 beyond.
const int mobilityKnight_mid[16] = {-8, -4, 0, 4, 8, 12, 16, 20, 24, 0, 0, 0, 0, 0, 0, 0};
const int mobilityKnight_end[16] = {-8, -4, 0, 4, 8, 12, 16, 20, 24, 0, 0, 0, 0, 0, 0, 0};
const int mobilityBishop_mid[16] = {-8, -4, 0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 0, 0};
const int mobilityBishop_end[16] = {-8, -4, 0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 0, 0};
const int mobilityRook_mid[16] = {-8, -4, 0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 0};
const int mobilityRook_end[16] = {-8, -4, 0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 0};
const int mobilityQueen_mid[32] = {-2, -1, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                   14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 0,  0,  0,  0};
const int mobilityQueen_end[32] = {-2, -1, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                   14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 0,  0,  0,  0};

// Listed a1..h8 for each colour.
const int pos_outpost_knight[2][64] = {
    {
        0, 0, 0,  0,  0,  0,  0, 0,  //
        0, 0, 0,  0,  0,  0,  0, 0,  //
        0, 0, 16, 32, 32, 16, 0, 0,  // rank 3
        0, 8, 16, 32, 32, 16, 8, 0,  // rank 4
        0, 8, 16, 16, 16, 16, 8, 0,  // rank 5
        0, 0, 0,  0,  0,  0,  0, 0,  //
        0, 0, 0,  0,  0,  0,  0, 0,  //
        0, 0, 0,  0,  0,  0,  0, 0,  //
    },
    {
        0, 0, 0,  0,  0,  0,  0, 0,  //
        0, 0, 0,  0,  0,  0,  0, 0,  //
        0, 0, 0,  0,  0,  0,  0, 0,  //
        0, 8, 16, 16, 16, 16, 8, 0,  // rank 4
        0, 8, 16, 32, 32, 16, 8, 0,  // rank 5
        0, 0, 16, 32, 32, 16, 0, 0,  // rank 6
        0, 0, 0,  0,  0,  0,  0, 0,  //
        0, 0, 0,  0,  0,  0,  0, 0,  //
    },
};

const int EVAL_MISSING_PAWN_SHIELD[8] = {50, 0, 10, 20, 30, 30, 30, 50};

const int kingAttackWeight[8] = {0, 0, 2, 2, 3, 5, 0, 0};

const int king_attack_table[32] = {0,   2,   4,   8,   11,  16,  23,  31,  41,  54,  69,
                                   89,  113, 142, 176, 216, 262, 314, 371, 431, 494, 556,
                                   616, 673, 725, 771, 811, 845, 874, 898, 918, 933};

// Piece-square tables. Only the Black half is given here, listed a1..h8, which
// reads exactly like White's table drawn with rank 8 at the top; initEval()
// mirrors it into the White half.
int piece_square_table_middlegame[2][8][64] = {
    {
        {0},
        {
            // pawn
            0,  0,  0,  0,   0,   0,  0,  0,   //
            0,  0,  0,  0,   0,   0,  0,  0,   //
            0,  0,  0,  0,   0,   0,  0,  0,   //
            0,  0,  0,  0,   0,   0,  0,  0,   //
            -4, -2, -2, 12,  12,  -2, -2, -4,  //
            -2, -1, -1, 10,  10,  -1, -1, -2,  //
            0,  0,  0,  -10, -10, 0,  0,  0,   //
            0,  0,  0,  0,   0,   0,  0,  0,   //
        },
        {
            // knight
            -40, -24, -20, -20, -20, -20, -24, -40,  //
            -24, -8,  0,   0,   0,   0,   -8,  -24,  //
            -20, 2,   2,   2,   2,   2,   2,   -20,  //
            -20, 2,   4,   4,   4,   4,   2,   -20,  //
            -20, 2,   8,   8,   8,   8,   2,   -20,  //
            -20, 2,   8,   8,   8,   8,   2,   -20,  //
            -24, -8,  4,   4,   4,   4,   -8,  -24,  //
            -40, -24, -20, -20, -20, -20, -24, -40,  //
        },
        {
            // bishop
            -40, -8, -8, -8, -8, -8, -8, -40,  //
            -8,  0,  0,  0,  0,  0,  0,  -8,   //
            -8,  2,  2,  2,  2,  2,  2,  -8,   //
            -8,  2,  4,  4,  4,  4,  2,  -8,   //
            -8,  2,  6,  8,  8,  6,  2,  -8,   //
            -8,  2,  6,  8,  8,  6,  2,  -8,   //
            -8,  8,  4,  4,  4,  4,  8,  -8,   //
            -40, -8, -8, -8, -8, -8, -8, -40,  //
        },
        {
            // rook
            -4, -2, -1, 0, 0, -1, -2, -4,  //
            -4, -2, -1, 0, 0, -1, -2, -4,  //
            -4, -2, -1, 0, 0, -1, -2, -4,  //
            -4, -2, -1, 0, 0, -1, -2, -4,  //
            -4, -2, -1, 0, 0, -1, -2, -4,  //
            -4, -2, -1, 0, 0, -1, -2, -4,  //
            -4, -2, -1, 0, 0, -1, -2, -4,  //
            -4, -2, -1, 0, 0, -1, -2, -4,  //
        },
        {0},  // queen
        {
            // king
            -32, -32, -32, -32, -32, -32, -32, -32,  //
            -32, -32, -32, -32, -32, -32, -32, -32,  //
            -32, -32, -32, -32, -32, -32, -32, -32,  //
            -32, -32, -32, -32, -32, -32, -32, -32,  //
            -32, -32, -32, -32, -32, -32, -32, -32,  //
            -32, -32, -32, -32, -32, -32, -32, -32,  //
            -16, -16, -16, -16, -16, -16, -16, -16,  //
            -8,  32,  32,  -8,  0,   -8,  32,  -8,   //
        },
        {0},
    },
    {{0}},
};

int piece_square_table_endgame[2][8][64] = {
    {
        {0},
        {0},  // pawn
        {
            // knight
            -40, -16, -8, -8, -8, -8, -16, -40,  //
            -16, 0,   2,  2,  2,  2,  0,   -16,  //
            -8,  2,   2,  4,  4,  2,  2,   -8,   //
            -8,  2,   4,  8,  8,  4,  2,   -8,   //
            -8,  2,   4,  8,  8,  4,  2,   -8,   //
            -8,  2,   2,  4,  4,  2,  2,   -8,   //
            -16, 0,   2,  2,  2,  2,  0,   -16,  //
            -40, -16, -8, -8, -8, -8, -16, -40,  //
        },
        {
            // bishop
            -40, -16, -8, -8, -8, -8, -16, -40,  //
            -16, 0,   2,  2,  2,  2,  0,   -16,  //
            -8,  2,   2,  4,  4,  2,  2,   -8,   //
            -8,  2,   4,  8,  8,  4,  2,   -8,   //
            -8,  2,   4,  8,  8,  4,  2,   -8,   //
            -8,  2,   2,  4,  4,  2,  2,   -8,   //
            -16, 0,   2,  2,  2,  2,  0,   -16,  //
            -40, -16, -8, -8, -8, -8, -16, -40,  //
        },
        {0},  // rook
        {
            // queen
            -32, -16, -2, -2, -2, -2, -16, -32,  //
            -16, 0,   8,  8,  8,  8,  0,   -16,  //
            -2,  8,   10, 12, 12, 10, 8,   -2,   //
            -2,  8,   12, 16, 16, 12, 8,   -2,   //
            -2,  8,   12, 16, 16, 12, 8,   -2,   //
            -2,  8,   10, 12, 12, 10, 8,   -2,   //
            -16, 0,   8,  8,  8,  8,  0,   -16,  //
            -32, -16, -2, -2, -2, -2, -16, -32,  //
        },
        {
            // king
            -50, -30, -30, -30, -30, -30, -30, -50,  //
            -30, 0,   0,   0,   0,   0,   0,   -30,  //
            -30, 0,   16,  16,  16,  16,  0,   -30,  //
            -30, 0,   16,  32,  32,  16,  0,   -30,  //
            -30, 0,   16,  32,  32,  16,  0,   -30,  //
            -30, 0,   16,  16,  16,  16,  0,   -30,  //
            -30, 0,   0,   0,   0,   0,   0,   -30,  //
            -50, -30, -30, -30, -30, -30, -30, -50,  //
        },
        {0},
    },
    {{0}},
};

BitBoard evalFileAhead[2][64];
BitBoard evalPassedSpan[2][64];
BitBoard evalSupportBehind[2][64];

// Fills the White half of both piece-square tables from the Black half and
// builds the pawn-structure masks. Idempotent: it only ever copies from the
// Black half and rebuilds the masks from nothing.
void initEval() {
    for (int s = 0; s < 64; s++) {
        const int f = s & 7, r = s >> 3;
        for (int c = 0; c < 2; c++) {
            evalFileAhead[c][s] = evalPassedSpan[c][s] = evalSupportBehind[c][s] = 0;
        }
        for (int t = 0; t < 64; t++) {
            const int tf = t & 7, tr = t >> 3;
            const BitBoard bit = bbMask[t];
            const int df = tf > f ? tf - f : f - tf;
            if (df > 1) continue;
            if (tr > r) {
                if (df == 0) evalFileAhead[WHITE][s] |= bit;
                evalPassedSpan[WHITE][s] |= bit;
            }
            if (tr < r) {
                if (df == 0) evalFileAhead[BLACK][s] |= bit;
                evalPassedSpan[BLACK][s] |= bit;
            }
            if (df == 1 && tr <= r) evalSupportBehind[WHITE][s] |= bit;
            if (df == 1 && tr >= r) evalSupportBehind[BLACK][s] |= bit;
        }
    }
    for (int type = 0; type < 8; type++) {
        for (int s = 0; s < 64; s++) {
            piece_square_table_middlegame[WHITE][type][s] =
                piece_square_table_middlegame[BLACK][type][s ^ 56];
            piece_square_table_endgame[WHITE][type][s] = piece_square_table_endgame[BLACK][type][s ^ 56];
        }
    }
}
