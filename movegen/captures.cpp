// Capture and promotion generation, and the combined generator. Within each
// piece kind the pieces come in ascending square order and each piece's
// targets in ascending order; promotions always queen, rook, knight, bishop.
#include "movegen/movegen.h"

using namespace movegen;

int ChessBoardNode::generateMoves(ChessMoveSort* list, int check) {
    if (check) {
        inCheck = CHECK_YES;
        return generateKingEvasion(list);
    }
    inCheck = CHECK_NONE;
    const int n = generateMovesC(list);
    return n + generateMovesNC(list + n);
}

int ChessBoardNode::generateMovesC(ChessMoveSort* list) const {
    ChessMoveSort* out = list;
    const int s = side;
    const BitBoard enemy = bbColour[xside];
    const BitBoard occ = bbOccupied;
    const BitBoard(&own)[8] = bbPiece[s];

    out = addPieceMoves<KNIGHT, true>(*this, out, own[KNIGHT], enemy, occ);
    out = addPieceMoves<BISHOP, true>(*this, out, own[BISHOP], enemy, occ);
    out = addPieceMoves<ROOK, true>(*this, out, own[ROOK], enemy, occ);
    out = addPieceMoves<QUEEN, true>(*this, out, own[QUEEN], enemy, occ);
    // The king bitboard rather than kingSquare: a position without a king gets no king moves.
    out = addPieceMoves<KING, true>(*this, out, own[KING], enemy, occ);

    const BitBoard pawns = own[PAWN];
    if (s == WHITE) {
        for (BitBoard t = ((pawns & RANK_7) << 8) & ~occ; t;) {
            const int to = popLsb(t);
            out = addPromotions(out, to - 8, to, 0);
        }
        for (BitBoard t = ((pawns & ~FILE_A) << 7) & enemy; t;) {
            const int to = popLsb(t);
            if (to >= 56)
                out = addPromotions(out, to - 7, to, squarePiece[to]);
            else
                (out++)->move = ChessMove::make(to - 7, to, PAWN, squarePiece[to]);
        }
        for (BitBoard t = ((pawns & ~FILE_H) << 9) & enemy; t;) {
            const int to = popLsb(t);
            if (to >= 56)
                out = addPromotions(out, to - 9, to, squarePiece[to]);
            else
                (out++)->move = ChessMove::make(to - 9, to, PAWN, squarePiece[to]);
        }
    } else {
        for (BitBoard t = ((pawns & RANK_2) >> 8) & ~occ; t;) {
            const int to = popLsb(t);
            out = addPromotions(out, to + 8, to, 0);
        }
        for (BitBoard t = ((pawns & ~FILE_H) >> 7) & enemy; t;) {
            const int to = popLsb(t);
            if (to < 8)
                out = addPromotions(out, to + 7, to, squarePiece[to]);
            else
                (out++)->move = ChessMove::make(to + 7, to, PAWN, squarePiece[to]);
        }
        for (BitBoard t = ((pawns & ~FILE_A) >> 9) & enemy; t;) {
            const int to = popLsb(t);
            if (to < 8)
                out = addPromotions(out, to + 9, to, squarePiece[to]);
            else
                (out++)->move = ChessMove::make(to + 9, to, PAWN, squarePiece[to]);
        }
    }
    if (enPassant) {
        const int target = enPassantTarget(*this);
        if (target >= 0) {
            for (BitBoard b = bbPawnAttack[xside][target] & pawns; b;) {
                const int from = popLsb(b);
                (out++)->move = ChessMove::make(from, target, PAWN, PAWN, 0, ChessMove::EN_PASSANT_FLAG);
            }
        }
    }
    return (int)(out - list);
}
