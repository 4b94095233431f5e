// Quiet move generation: castling, piece moves to empty squares, pawn pushes
// that do not promote. Castling is the one move tested completely here.
#include "movegen/movegen.h"

using namespace movegen;

int ChessBoardNode::generateMovesNC(ChessMoveSort* list) const {
    ChessMoveSort* out = list;
    const int s = side;
    const BitBoard occ = bbOccupied;
    const BitBoard empty = ~occ;
    const BitBoard(&own)[8] = bbPiece[s];

    const int castlings = castlingsOpen(*this);
    if (castlings & 1) (out++)->move = s == WHITE ? CASTLE_WHITE_SHORT : CASTLE_BLACK_SHORT;
    if (castlings & 2) (out++)->move = s == WHITE ? CASTLE_WHITE_LONG : CASTLE_BLACK_LONG;

    out = addPieceMoves<KNIGHT, false>(*this, out, own[KNIGHT], empty, occ);
    out = addPieceMoves<BISHOP, false>(*this, out, own[BISHOP], empty, occ);
    out = addPieceMoves<ROOK, false>(*this, out, own[ROOK], empty, occ);
    out = addPieceMoves<QUEEN, false>(*this, out, own[QUEEN], empty, occ);
    out = addPieceMoves<KING, false>(*this, out, own[KING], empty, occ);

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
