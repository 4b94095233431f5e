// Attack, pin and legality queries.
#include "board/chessboard.h"

int ChessBoardNode::isAttacked(unsigned square, int colour) const {
    (void)square;
    (void)colour;
    return 0;
}

int ChessBoardNode::isPinned(unsigned square, int colour) const {
    (void)square;
    (void)colour;
    return 0;
}

BitBoard ChessBoardNode::findPinnedPieces(int colour) const {
    (void)colour;
    return 0;
}

int ChessBoardNode::validMove(const ChessMove& m) const {
    (void)m;
    return 0;
}

int ChessBoard::countLegalMoves() { return 0; }

int ChessBoard::generateRootMoves() { return 0; }
