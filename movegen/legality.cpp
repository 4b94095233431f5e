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
    if (!(a & squareBit(k) & bbPiece[colour][KING])) return 0;
    return (a & (their[QUEEN] | sliders)) ? 1 : 0;
}

BitBoard ChessBoardNode::findPinnedPieces(int colour) const {
    if (!bbPiece[colour][KING]) return 0;
    const unsigned k = kingSquare[colour];
    const BitBoard kingBit = squareBit(k);
    const BitBoard(&their)[8] = bbPiece[colour ^ 1];
    const BitBoard rq = their[ROOK] | their[QUEEN];
    const BitBoard bq = their[BISHOP] | their[QUEEN];
    BitBoard pinned = 0;
    for (BitBoard b = rookAttack(k, bbOccupied) & bbColour[colour]; b;) {
        const int sq = popLsb(b);
        const BitBoard a = rookAttack(sq, bbOccupied);
        if ((a & kingBit) && (a & rq)) pinned |= squareBit(sq);
    }
    for (BitBoard b = bishopAttack(k, bbOccupied) & bbColour[colour]; b;) {
        const int sq = popLsb(b);
        const BitBoard a = bishopAttack(sq, bbOccupied);
        if ((a & kingBit) && (a & bq)) pinned |= squareBit(sq);
    }
    return pinned;
}

int ChessBoardNode::validMove(const ChessMove& m) const {
    if (m.isEmpty()) return 0;
    const int s = side;
    const int o = xside;
    const unsigned from = m.from(), to = m.to(), piece = m.piece();
    if (piece < PAWN || piece > KING || !(bbPiece[s][piece] & squareBit(from))) return 0;

    switch (piece) {
        case PAWN:
            if (m.isEnPassant()) {
                const unsigned victim = s == WHITE ? to - 8 : to + 8;
                if (enPassant != fileOf(to) + 1 || victim > 63 || !(bbPiece[o][PAWN] & squareBit(victim)))
                    return 0;
            } else if (m.isDoublePush()) {
                const unsigned passed = s == WHITE ? to - 8 : to + 8;
                if (passed > 63 || (bbOccupied & squareBit(passed))) return 0;
            }
            break;
        case BISHOP:
            if (!(bishopAttack(from, bbOccupied) & squareBit(to))) return 0;
            break;
        case ROOK:
            if (!(rookAttack(from, bbOccupied) & squareBit(to))) return 0;
            break;
        case QUEEN:
            if (!(queenAttack(from, bbOccupied) & squareBit(to))) return 0;
            break;
        case KING:
            if (m.isCastle()) {
                const unsigned home = s == WHITE ? 4 : 60;
                const unsigned base = home - 4;
                if (from != home || attackedBy(*this, home, o, bbOccupied)) return 0;
                const BitBoard rooks = bbPiece[s][ROOK];
                if (to == base + 2) {
                    if (!(castle & (s == WHITE ? CASTLE_WQ : CASTLE_BQ))) return 0;
                    if (bbOccupied & (squareBit(base + 1) | squareBit(base + 3))) return 0;
                    if (!(rooks & squareBit(base))) return 0;
                    if (attackedBy(*this, base + 3, o, bbOccupied) ||
                        attackedBy(*this, base + 2, o, bbOccupied))
                        return 0;
                } else if (to == base + 6) {
                    if (!(castle & (s == WHITE ? CASTLE_WK : CASTLE_BK))) return 0;
                    if (bbOccupied & squareBit(base + 5)) return 0;
                    if (!(rooks & squareBit(base + 7))) return 0;
                    if (attackedBy(*this, base + 5, o, bbOccupied) ||
                        attackedBy(*this, base + 6, o, bbOccupied))
                        return 0;
                } else {
                    return 0;
                }
            }
            break;
        default:  // knight: geometry is taken from the word
            break;
    }

    const unsigned captured = m.captured();
    if (captured && !m.isEnPassant()) {
        if (captured == KING || !(bbPiece[o][captured] & squareBit(to))) return 0;
    } else if (bbOccupied & squareBit(to)) {
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

int ChessBoard::countLegalMoves() {
    ChessBoardNode& n = node;
    const int count = generateRootMoves();
    int legal = 0;
    for (int i = 0; i < count; i++) {
        const ChessMove m = rootMoveList[i].move;
        n.makeMove(m);
        if (!kingAttacked(n, n.xside)) legal++;
        n.unMakeMove(m);
    }
    return legal;
}
