// Quiet move generation: castling, piece moves to empty squares, pawn pushes
// that do not promote. Castling is the one move tested completely here.
#include "movegen/movegen.h"

using namespace movegen;

namespace {

// Single advances short of the last rank, then double advances.
template <int C>
ChessMoveSort* addPawnPushes(const ChessBoardNode& n, ChessMoveSort* out, BitBoard pawns, BitBoard empty) {
    const BitBoard single = pawnStep<C, 8>(pawns) & empty;
    out = addPawnMoves<C, 8>(n, out, single & ~pawnLastRank<C>);
    return addPawnMoves<C, 16>(n, out, pawnStep<C, 8>(single & pawnThirdRank<C>) & empty);
}

}  // namespace

int ChessBoardNode::generateMovesNC(ChessMoveSort* list) const {
    ChessMoveSort* out = list;
    const int s = side;
    const BitBoard occ = bbOccupied;
    const BitBoard empty = ~occ;
    const BitBoard(&own)[8] = bbPiece[s];

    const int castlings = castlingsOpen(*this);
    if (castlings) {
        const unsigned first = s == WHITE ? 0 : 2;
        if (castlings & 1) (out++)->move = castlingMove(castling, first);
        if (castlings & 2) (out++)->move = castlingMove(castling, first + 1);
    }

    out = addPieceMoves<KNIGHT, false>(*this, out, own[KNIGHT], empty, occ);
    out = addPieceMoves<BISHOP, false>(*this, out, own[BISHOP], empty, occ);
    out = addPieceMoves<ROOK, false>(*this, out, own[ROOK], empty, occ);
    out = addPieceMoves<QUEEN, false>(*this, out, own[QUEEN], empty, occ);
    out = addPieceMoves<KING, false>(*this, out, own[KING], empty, occ);

    out = s == WHITE ? addPawnPushes<WHITE>(*this, out, own[PAWN], empty)
                     : addPawnPushes<BLACK>(*this, out, own[PAWN], empty);
    return (int)(out - list);
}
