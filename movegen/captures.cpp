// Capture and promotion generation, and the combined generator. Within each
// piece kind the pieces come in ascending square order and each piece's
// targets in ascending order; promotions always queen, rook, knight, bishop.
#include "movegen/movegen.h"

using namespace movegen;

namespace {

// Pawn promotions by advance, then the captures by step 7, then by step 9.
template <int C>
ChessMoveSort* addPawnCaptures(const ChessBoardNode& n, ChessMoveSort* out, BitBoard pawns, BitBoard enemy) {
    out = addPawnMoves<C, 8>(n, out, pawnStep<C, 8>(pawns & pawnSeventhRank<C>) & ~n.bbOccupied);
    out = addPawnMoves<C, 7>(n, out, pawnStep<C, 7>(pawns) & enemy);
    return addPawnMoves<C, 9>(n, out, pawnStep<C, 9>(pawns) & enemy);
}

}  // namespace

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
    out = s == WHITE ? addPawnCaptures<WHITE>(*this, out, pawns, enemy)
                     : addPawnCaptures<BLACK>(*this, out, pawns, enemy);
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
