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

    // Besides the rights byte, king and rook must stand at home: a FEN may
    // claim rights without them, and castling then would wreck the position.
    const unsigned home = s == WHITE ? 4 : 60;
    const int shortRight = s == WHITE ? CASTLE_WK : CASTLE_BK;
    const int longRight = s == WHITE ? CASTLE_WQ : CASTLE_BQ;
    if ((castle & (shortRight | longRight)) && (own[KING] & squareBit(home))) {
        const unsigned base = home - 4;
        if ((castle & shortRight) && (own[ROOK] & squareBit(base + 7)) && !(occ & (0x60ULL << base)) &&
            !attackedBy(*this, home, o, occ) && !attackedBy(*this, base + 5, o, occ) &&
            !attackedBy(*this, base + 6, o, occ))
            (out++)->move = s == WHITE ? CASTLE_WHITE_SHORT : CASTLE_BLACK_SHORT;
        if ((castle & longRight) && (own[ROOK] & squareBit(base)) && !(occ & (0x0EULL << base)) &&
            !attackedBy(*this, home, o, occ) && !attackedBy(*this, base + 3, o, occ) &&
            !attackedBy(*this, base + 2, o, occ))
            (out++)->move = s == WHITE ? CASTLE_WHITE_LONG : CASTLE_BLACK_LONG;
    }

    for (BitBoard b = own[KNIGHT]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = bbKnightAttack[from] & empty; t;)
            (out++)->move = ChessMove::make(from, popLsb(t), KNIGHT);
    }
    for (BitBoard b = own[BISHOP]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = bishopAttack(from, occ) & empty; t;)
            (out++)->move = ChessMove::make(from, popLsb(t), BISHOP);
    }
    for (BitBoard b = own[ROOK]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = rookAttack(from, occ) & empty; t;)
            (out++)->move = ChessMove::make(from, popLsb(t), ROOK);
    }
    for (BitBoard b = own[QUEEN]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = queenAttack(from, occ) & empty; t;)
            (out++)->move = ChessMove::make(from, popLsb(t), QUEEN);
    }
    for (BitBoard b = own[KING]; b;) {
        const int from = popLsb(b);
        for (BitBoard t = bbKingAttack[from] & empty; t;)
            (out++)->move = ChessMove::make(from, popLsb(t), KING);
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
