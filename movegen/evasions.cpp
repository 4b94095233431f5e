// Check evasions: king moves to unattacked squares, then (single check only)
// blocks on the checking line and captures of the checker. Pseudo-legal:
// pinned blockers and king moves along the checking line are left to the caller.
#include "movegen/movegen.h"

using namespace movegen;

namespace {

// A block square T is accepted when it lies on a line with the king that an
// enemy slider of the matching kind sees from T.
inline bool blocks(const ChessBoardNode& n, unsigned T, unsigned k, BitBoard occ, BitBoard enemyRQ,
                   BitBoard enemyBQ) {
    switch (direction[T][k]) {
        case DIR_FILE:
        case DIR_RANK: {
            const BitBoard a = rookAttack(T, occ);
            return (a & bbMask[k]) && (a & enemyRQ);
        }
        case DIR_DIAG:
        case DIR_ANTI: {
            const BitBoard a = bishopAttack(T, occ);
            return (a & bbMask[k]) && (a & enemyBQ);
        }
        default:
            (void)n;
            return false;
    }
}

// The squares of targets that pass the block test.
inline BitBoard blockSquares(const ChessBoardNode& n, BitBoard targets, unsigned k, BitBoard occ,
                             BitBoard enemyRQ, BitBoard enemyBQ) {
    BitBoard kept = 0;
    for (BitBoard t = targets; t;) {
        const int to = popLsb(t);
        if (blocks(n, to, k, occ, enemyRQ, enemyBQ)) kept |= bbMask[to];
    }
    return kept;
}

// Pawn single advances, then double advances, onto block squares.
template <int C>
ChessMoveSort* addPawnBlocks(const ChessBoardNode& n, ChessMoveSort* out, BitBoard pawns, unsigned k,
                             BitBoard enemyRQ, BitBoard enemyBQ) {
    const BitBoard occ = n.bbOccupied;
    const BitBoard single = pawnStep<C, 8>(pawns) & ~occ;
    const BitBoard dbl = pawnStep<C, 8>(single & pawnThirdRank<C>) & ~occ;
    out = addPawnMoves<C, 8>(n, out, blockSquares(n, single, k, occ, enemyRQ, enemyBQ));
    return addPawnMoves<C, 16>(n, out, blockSquares(n, dbl, k, occ, enemyRQ, enemyBQ));
}

}  // namespace

int ChessBoardNode::generateKingEvasion(ChessMoveSort* list) const {
    const int s = side;
    const int o = xside;
    // Without a king there is no check to answer: every move is a candidate.
    if (!bbPiece[s][KING]) {
        const int n = generateMovesC(list);
        return n + generateMovesNC(list + n);
    }
    ChessMoveSort* out = list;
    const unsigned k = kingSquare[s];
    const BitBoard occ = bbOccupied;
    const BitBoard(&own)[8] = bbPiece[s];
    const BitBoard(&their)[8] = bbPiece[o];
    const BitBoard enemyRQ = their[ROOK] | their[QUEEN];
    const BitBoard enemyBQ = their[BISHOP] | their[QUEEN];

    const BitBoard checkers = (bbPawnAttack[s][k] & their[PAWN]) | (bbKnightAttack[k] & their[KNIGHT]) |
                              (rookAttack(k, occ) & enemyRQ) | (bishopAttack(k, occ) & enemyBQ);

    for (BitBoard t = bbKingAttack[k] & ~bbColour[s]; t;) {
        const int to = popLsb(t);
        if (!attackedBy(*this, to, o, occ)) (out++)->move = ChessMove::make(k, to, KING, squarePiece[to]);
    }
    if (bitCount(checkers) != 1) return (int)(out - list);

    const unsigned c = lsb(checkers);
    const unsigned ct = squarePiece[c];
    const BitBoard pawns = own[PAWN];
    const BitBoard lastRank = s == WHITE ? RANK_8 : RANK_1;

    if (ct >= BISHOP && ct <= QUEEN && !(bbKingAttack[k] & bbMask[c])) {
        // Pawn single and double advances onto block squares.
        out = s == WHITE ? addPawnBlocks<WHITE>(*this, out, pawns, k, enemyRQ, enemyBQ)
                         : addPawnBlocks<BLACK>(*this, out, pawns, k, enemyRQ, enemyBQ);
        // Pieces, knights to queens.
        const BitBoard allowed = ~bbColour[s] & ~checkers;
        for (int piece = KNIGHT; piece <= QUEEN; piece++) {
            for (BitBoard b = own[piece]; b;) {
                const int from = popLsb(b);
                BitBoard t = piece == KNIGHT   ? bbKnightAttack[from]
                             : piece == BISHOP ? bishopAttack(from, occ)
                             : piece == ROOK   ? rookAttack(from, occ)
                                               : queenAttack(from, occ);
                for (t &= allowed; t;) {
                    const int to = popLsb(t);
                    if (blocks(*this, to, k, occ, enemyRQ, enemyBQ))
                        (out++)->move = ChessMove::make(from, to, piece, squarePiece[to]);
                }
            }
        }
    }

    // Captures of the checker.
    for (BitBoard b = bbPawnAttack[o][c] & pawns; b;) {
        const int from = popLsb(b);
        if (bbMask[c] & lastRank)
            out = addPromotions(out, from, c, ct);
        else
            (out++)->move = ChessMove::make(from, c, PAWN, ct);
    }
    if (enPassant) {
        const int target = enPassantTarget(*this);
        if (target >= 0 && (unsigned)(target + EnPassantOffset[s]) == c) {
            for (BitBoard b = bbPawnAttack[o][target] & pawns; b;) {
                const int from = popLsb(b);
                (out++)->move = ChessMove::make(from, target, PAWN, PAWN, 0, ChessMove::EN_PASSANT_FLAG);
            }
        }
    }
    for (BitBoard b = bbKnightAttack[c] & own[KNIGHT]; b;) {
        const int from = popLsb(b);
        (out++)->move = ChessMove::make(from, c, KNIGHT, ct);
    }
    for (BitBoard b = bishopAttack(c, occ) & (own[BISHOP] | own[QUEEN]); b;) {
        const int from = popLsb(b);
        (out++)->move = ChessMove::make(from, c, squarePiece[from], ct);
    }
    for (BitBoard b = rookAttack(c, occ) & (own[ROOK] | own[QUEEN]); b;) {
        const int from = popLsb(b);
        (out++)->move = ChessMove::make(from, c, squarePiece[from], ct);
    }
    return (int)(out - list);
}
