// Quiet move generation: castling, piece moves to empty squares, pawn pushes
// that do not promote. Castling is the one move tested completely here.
#include "movegen/movegen.h"

using namespace movegen;

int ChessBoardNode::generateMovesNC(ChessMoveSort* list) const {
    ChessMoveSort* out = list;
    const int s = side;
    const int o = xside;
    const BitBoard occ = bbOccupied;
    const BitBoard empty = ~occ;
    const BitBoard(&own)[8] = bbPiece[s];

    // The rights byte stands for king and rook being at home; the king is
    // checked as well, since a castling word played from another square would
    // wreck the position.
    if (s == WHITE) {
        if ((castle & (CASTLE_WK | CASTLE_WQ)) && (own[KING] & squareBit(4))) {
            if ((castle & CASTLE_WK) && !(occ & 0x60ULL) && !attackedBy(*this, 4, o, occ) &&
                !attackedBy(*this, 5, o, occ) && !attackedBy(*this, 6, o, occ))
                (out++)->move = CASTLE_WHITE_SHORT;
            if ((castle & CASTLE_WQ) && !(occ & 0x0EULL) && !attackedBy(*this, 4, o, occ) &&
                !attackedBy(*this, 3, o, occ) && !attackedBy(*this, 2, o, occ))
                (out++)->move = CASTLE_WHITE_LONG;
        }
    } else {
        if ((castle & (CASTLE_BK | CASTLE_BQ)) && (own[KING] & squareBit(60))) {
            if ((castle & CASTLE_BK) && !(occ & (0x60ULL << 56)) && !attackedBy(*this, 60, o, occ) &&
                !attackedBy(*this, 61, o, occ) && !attackedBy(*this, 62, o, occ))
                (out++)->move = CASTLE_BLACK_SHORT;
            if ((castle & CASTLE_BQ) && !(occ & (0x0EULL << 56)) && !attackedBy(*this, 60, o, occ) &&
                !attackedBy(*this, 59, o, occ) && !attackedBy(*this, 58, o, occ))
                (out++)->move = CASTLE_BLACK_LONG;
        }
    }

    for (BitBoard b = own[KNIGHT]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = bbKnightAttack[from] & empty; t;) (out++)->move = ChessMove::make(from, popLsb(t), KNIGHT);
    }
    for (BitBoard b = own[BISHOP]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = bishopAttack(from, occ) & empty; t;) (out++)->move = ChessMove::make(from, popLsb(t), BISHOP);
    }
    for (BitBoard b = own[ROOK]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = rookAttack(from, occ) & empty; t;) (out++)->move = ChessMove::make(from, popLsb(t), ROOK);
    }
    for (BitBoard b = own[QUEEN]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = queenAttack(from, occ) & empty; t;) (out++)->move = ChessMove::make(from, popLsb(t), QUEEN);
    }
    for (BitBoard b = own[KING]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = bbKingAttack[from] & empty; t;) (out++)->move = ChessMove::make(from, popLsb(t), KING);
    }

    const BitBoard pawns = own[PAWN];
    if (s == WHITE) {
        const BitBoard single = (pawns << 8) & empty;
        for (BitBoard t = single & ~RANK_8; t;) {
            const int to = popLsb(t);
            (out++)->move = ChessMove::make(to - 8, to, PAWN);
        }
        for (BitBoard t = ((single & RANK_3) << 8) & empty; t;) {
            const int to = popLsb(t);
            (out++)->move = ChessMove::make(to - 16, to, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
        }
    } else {
        const BitBoard single = (pawns >> 8) & empty;
        for (BitBoard t = single & ~RANK_1; t;) {
            const int to = popLsb(t);
            (out++)->move = ChessMove::make(to + 8, to, PAWN);
        }
        for (BitBoard t = ((single & RANK_6) >> 8) & empty; t;) {
            const int to = popLsb(t);
            (out++)->move = ChessMove::make(to + 16, to, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
        }
    }
    return (int)(out - list);
}
