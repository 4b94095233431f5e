// Helpers shared by the generators, the legality queries and perft: the inline
// attack test on an arbitrary occupancy, castling and en-passant conditions.
#pragma once

#include "board/node.h"

namespace movegen {

// Is square q attacked by colour c, with the given occupancy? Cheapest tests first.
inline bool attackedBy(const ChessBoardNode& n, unsigned q, int c, BitBoard occupied) {
    const BitBoard(&p)[8] = n.bbPiece[c];
    if (bbPawnAttack[c ^ 1][q] & p[PAWN]) return true;
    if (bbKnightAttack[q] & p[KNIGHT]) return true;
    if (bishopAttack(q, occupied) & (p[BISHOP] | p[QUEEN])) return true;
    if (rookAttack(q, occupied) & (p[ROOK] | p[QUEEN])) return true;
    return (bbKingAttack[q] & p[KING]) != 0;
}

// A side without a king (a position set up without one, or whose king was
// taken) is never in check.
inline bool kingAttacked(const ChessBoardNode& n, int c) {
    return n.bbPiece[c][KING] && attackedBy(n, n.kingSquare[c], c ^ 1, n.bbOccupied);
}

// Squares a piece of the given kind on square from reaches, with the given occupancy.
template <int Piece>
inline BitBoard pieceReach(int from, BitBoard occupied) {
    switch (Piece) {
        case KNIGHT:
            return bbKnightAttack[from];
        case BISHOP:
            return bishopAttack(from, occupied);
        case ROOK:
            return rookAttack(from, occupied);
        case QUEEN:
            return queenAttack(from, occupied);
        default:
            return bbKingAttack[from];
    }
}

// Appends the moves of the given pieces onto the target squares, pieces and
// targets in ascending square order. Captures read the captured type from the
// board; quiet moves capture nothing.
template <int Piece, bool Captures>
inline ChessMoveSort* addPieceMoves(const ChessBoardNode& n, ChessMoveSort* out, BitBoard pieces,
                                    BitBoard targets, BitBoard occupied) {
    for (BitBoard b = pieces; b;) {
        const int from = popLsb(b);
        for (BitBoard t = pieceReach<Piece>(from, occupied) & targets; t;) {
            const int to = popLsb(t);
            (out++)->move = ChessMove::make(from, to, Piece, Captures ? n.squarePiece[to] : 0);
        }
    }
    return out;
}

// Castlings open to the side to move: bit 0 king side, bit 1 queen side.
// Besides the rights byte, king and rook must stand on their start squares: a
// position may be set up with rights but without them, and castling then
// would wreck it. The squares king and rook cross or land on must be empty
// but for the two of them, and the king's squares unattacked; they are tested
// without the castling rook, which may stand between an attacker and the
// king's destination. A castling found open is therefore legal.
inline bool castlingOpen(const ChessBoardNode& n, unsigned right, int o) {
    const CastlingRules& r = n.castling;
    const unsigned rook = r.rookFrom[right];
    if (!(n.castle & (1u << right)) || !(n.bbPiece[o ^ 1][ROOK] & bbMask[rook]) ||
        (n.bbOccupied & r.mustBeEmpty[right]))
        return false;
    const BitBoard occ = n.bbOccupied ^ bbMask[rook];
    for (BitBoard b = r.mustBeSafe[right]; b;)
        if (attackedBy(n, popLsb(b), o, occ)) return false;
    return true;
}

inline int castlingsOpen(const ChessBoardNode& n) {
    const int s = n.side, o = n.xside;
    const unsigned first = s == WHITE ? 0 : 2;
    if (!(n.castle & (3u << first)) || !(n.bbPiece[s][KING] & bbMask[n.castling.kingFrom[s]])) return 0;
    return (castlingOpen(n, first, o) ? 1 : 0) | (castlingOpen(n, first + 1, o) ? 2 : 0);
}

// Appends the four promotions of one pawn move, queen first.
inline ChessMoveSort* addPromotions(ChessMoveSort* list, unsigned from, unsigned to, unsigned captured) {
    list[0].move = ChessMove::make(from, to, PAWN, captured, QUEEN);
    list[1].move = ChessMove::make(from, to, PAWN, captured, ROOK);
    list[2].move = ChessMove::make(from, to, PAWN, captured, KNIGHT);
    list[3].move = ChessMove::make(from, to, PAWN, captured, BISHOP);
    return list + 4;
}

// Pawn geometry of colour C. Steps count along the pawn's way: 8 the advance,
// 16 the double advance, 7 and 9 the two captures (7 towards the a-file for
// White and the h-file for Black, 9 the other way).
template <int C>
constexpr BitBoard pawnLastRank = C == WHITE ? RANK_8 : RANK_1;
template <int C>
constexpr BitBoard pawnSeventhRank = C == WHITE ? RANK_7 : RANK_2;
// Where a single advance from the home rank lands: the double advance goes on from there.
template <int C>
constexpr BitBoard pawnThirdRank = C == WHITE ? RANK_3 : RANK_6;

// The squares the given pawns reach by one step of the given kind; captures
// leave out the edge file from which they would wrap around the board.
template <int C, int Step>
inline BitBoard pawnStep(BitBoard pawns) {
    static_assert(Step == 7 || Step == 8 || Step == 9, "a single pawn step");
    if (Step == 8) return C == WHITE ? pawns << 8 : pawns >> 8;
    if (Step == 7) return C == WHITE ? (pawns & ~FILE_A) << 7 : (pawns & ~FILE_H) >> 7;
    return C == WHITE ? (pawns & ~FILE_H) << 9 : (pawns & ~FILE_A) >> 9;
}

// Appends the pawn moves of colour C onto the target squares, each made by the
// pawn Step squares behind its target, in ascending target order. A landing on
// the last rank gives the four promotions; captures (steps 7 and 9) read the
// captured type from the board, double advances (16) carry their flag.
template <int C, int Step>
inline ChessMoveSort* addPawnMoves(const ChessBoardNode& n, ChessMoveSort* out, BitBoard targets) {
    constexpr int back = C == WHITE ? -Step : Step;
    constexpr bool capture = Step == 7 || Step == 9;
    constexpr uint32_t flags = Step == 16 ? ChessMove::DOUBLE_PUSH_FLAG : 0;
    // Black's last rank holds the lowest squares, White's the highest.
    const BitBoard promoting = targets & pawnLastRank<C>;
    if (C == BLACK) {
        for (BitBoard t = promoting; t;) {
            const int to = popLsb(t);
            out = addPromotions(out, to + back, to, capture ? n.squarePiece[to] : 0);
        }
    }
    for (BitBoard t = targets & ~pawnLastRank<C>; t;) {
        const int to = popLsb(t);
        (out++)->move = ChessMove::make(to + back, to, PAWN, capture ? n.squarePiece[to] : 0, 0, flags);
    }
    if (C == WHITE) {
        for (BitBoard t = promoting; t;) {
            const int to = popLsb(t);
            out = addPromotions(out, to + back, to, capture ? n.squarePiece[to] : 0);
        }
    }
    return out;
}

// En-passant target square of the side to move, or -1 when no capture is
// possible: the field must be set, the target empty and an enemy pawn must
// stand on the square behind it (a FEN may claim a square that holds none).
inline int enPassantTarget(const ChessBoardNode& n) {
    if (!n.enPassant) return -1;
    const int file = n.enPassant - 1;
    const int target = n.side == WHITE ? file + 40 : file + 16;
    const int victim = target + EnPassantOffset[n.side];
    if ((n.bbOccupied & bbMask[target]) || !(n.bbPiece[n.xside][PAWN] & bbMask[victim])) return -1;
    return target;
}

}  // namespace movegen
