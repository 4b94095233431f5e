// Attack, pin and legality queries, and the legal-move count of a position.
#include "board/chessboard.h"
#include "movegen/movegen.h"

using namespace movegen;

int ChessBoardNode::isAttacked(unsigned square, int colour) const {
    return attackedBy(*this, square, colour, bbOccupied) ? 1 : 0;
}

// Generous pin test: the slider may stand on any ray of the right kind through
// the square, so a piece may be reported pinned when it is not, never the reverse.
int ChessBoardNode::isPinned(unsigned square, int colour) const {
    const unsigned k = kingSquare[colour];
    const BitBoard(&their)[8] = bbPiece[colour ^ 1];
    BitBoard a, sliders;
    switch (direction[square][k]) {
        case DIR_DIAG:
        case DIR_ANTI:
            a = bishopAttack(square, bbOccupied);
            sliders = their[BISHOP];
            break;
        case DIR_FILE:
        case DIR_RANK:
            a = rookAttack(square, bbOccupied);
            sliders = their[ROOK];
            break;
        default:
            return 0;
    }
    if (!(a & bbMask[k] & bbPiece[colour][KING])) return 0;
    return (a & (their[QUEEN] | sliders)) ? 1 : 0;
}

BitBoard ChessBoardNode::findPinnedPieces(int colour) const {
    if (!bbPiece[colour][KING]) return 0;
    const unsigned k = kingSquare[colour];
    const BitBoard kingBit = bbMask[k];
    const BitBoard(&their)[8] = bbPiece[colour ^ 1];
    const BitBoard rq = their[ROOK] | their[QUEEN];
    const BitBoard bq = their[BISHOP] | their[QUEEN];
    BitBoard pinned = 0;
    for (BitBoard b = rookAttack(k, bbOccupied) & bbColour[colour]; b;) {
        const int sq = popLsb(b);
        const BitBoard a = rookAttack(sq, bbOccupied);
        if ((a & kingBit) && (a & rq)) pinned |= bbMask[sq];
    }
    for (BitBoard b = bishopAttack(k, bbOccupied) & bbColour[colour]; b;) {
        const int sq = popLsb(b);
        const BitBoard a = bishopAttack(sq, bbOccupied);
        if ((a & kingBit) && (a & bq)) pinned |= bbMask[sq];
    }
    return pinned;
}

// Accepts exactly the words the generators can produce in this position (the
// check mark aside): a word from the hash table, a killer slot, a book file or
// move text that names a non-move - a king's two-square step without the
// castle flag, a pawn reaching the last rank without promoting, a flag or a
// promotion on the wrong piece - is refused before it can reach makeMove.
int ChessBoardNode::validMove(const ChessMove& m) const {
    const uint32_t CHECK_MARK_BITS = 3u << 24;
    if (m.isEmpty() || (m.moveInt & ~(CHECK_MARK_BITS | ((1u << 24) - 1)))) return 0;
    const int s = side;
    const int o = xside;
    const unsigned from = m.from(), to = m.to(), piece = m.piece(), promotion = m.promotion();
    if (piece < PAWN || piece > KING || !(bbPiece[s][piece] & bbMask[from])) return 0;
    if (piece != PAWN && (promotion || m.isDoublePush() || m.isEnPassant())) return 0;
    if (piece != KING && m.isCastle()) return 0;
    const BitBoard target = bbMask[to];

    switch (piece) {
        case PAWN: {
            const bool lastRank = rankOf(to) == (s == WHITE ? 7 : 0);
            if (lastRank ? promotion < KNIGHT || promotion > QUEEN : promotion != 0) return 0;
            const int push = s == WHITE ? 8 : -8;
            if (m.isEnPassant()) {
                const unsigned victim = to - push;
                if (m.isDoublePush() || m.captured() != PAWN || !(bbPawnAttack[s][from] & target) ||
                    to != (s == WHITE ? 40u : 16u) + fileOf(to) || enPassant != fileOf(to) + 1 ||
                    !(bbPiece[o][PAWN] & bbMask[victim]) || (bbOccupied & target))
                    return 0;
                return 1;
            }
            if (m.captured()) {
                if (m.isDoublePush() || !(bbPawnAttack[s][from] & target)) return 0;
            } else if (m.isDoublePush()) {
                if (rankOf(from) != (s == WHITE ? 1 : 6) || (int)to != (int)from + 2 * push ||
                    (bbOccupied & bbMask[from + push]))
                    return 0;
            } else if ((int)to != (int)from + push) {
                return 0;
            }
            break;
        }
        case KNIGHT:
            if (!(bbKnightAttack[from] & target)) return 0;
            break;
        case BISHOP:
            if (!(bishopAttack(from, bbOccupied) & target)) return 0;
            break;
        case ROOK:
            if (!(rookAttack(from, bbOccupied) & target)) return 0;
            break;
        case QUEEN:
            if (!(queenAttack(from, bbOccupied) & target)) return 0;
            break;
        default:  // king
            // A castling needs the same as the quiet generator: rights, king
            // and rook at home, the squares between empty, none of the
            // king's squares attacked. The king may land on its rook's
            // square or stay where it is.
            if (m.isCastle()) {
                const unsigned right = castlingRight(s, to);
                if (ChessMove(m.moveInt & ~CHECK_MARK_BITS) != castlingMove(castling, right) ||
                    !(castlingsOpen(*this) & (1 << (right & 1))))
                    return 0;
                return 1;
            } else if (!(bbKingAttack[from] & target)) {
                return 0;
            }
            break;
    }

    const unsigned captured = m.captured();
    if (captured) {
        if (captured == KING || !(bbPiece[o][captured] & target)) return 0;
    } else if (bbOccupied & target) {
        return 0;
    }
    return 1;
}

int ChessBoard::generateRootMoves() {
    ChessBoardNode& n = node;
    const int check = kingAttacked(n, n.side);
    rootMoveCount = n.generateMoves(rootMoveList, check);
    return (int)rootMoveCount;
}

// Counts the legal moves, or with firstOnly stops at the first one.
static int legalMoves(ChessBoard& b, bool firstOnly) {
    ChessBoardNode& n = b.node;
    const int count = b.generateRootMoves();
    int legal = 0;
    for (int i = 0; i < count && !(firstOnly && legal); i++) {
        const ChessMove m = b.rootMoveList[i].move;
        n.makeMove(m);
        if (!kingAttacked(n, n.xside)) legal++;
        n.unMakeMove(m);
    }
    return legal;
}

int ChessBoard::countLegalMoves() { return legalMoves(*this, false); }

bool ChessBoard::hasLegalMove() { return legalMoves(*this, true) > 0; }
