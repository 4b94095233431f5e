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
            // A castling needs the same as the quiet generator: rights, king
            // and rook at home, the squares between empty, none of the
            // king's squares attacked.
            if (m.isCastle()) {
                const unsigned home = s == WHITE ? 4 : 60;
                const int needed = to == home + 2 ? 1 : to == home - 2 ? 2 : 0;
                if (from != home || !(castlingsOpen(*this) & needed)) return 0;
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
