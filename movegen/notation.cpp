// Move text in and out: long and short algebraic, coordinate moves, keys.
#include <cstdio>

#include "board/chessboard.h"

void ChessMove::text(char* out) const { out[0] = 0; }

void ChessMove::textShort(char* out, const ChessMoveSort* list, unsigned count) const {
    (void)list;
    (void)count;
    out[0] = 0;
}

int ChessBoard::createMove(const char* san, ChessMove& move) {
    (void)san;
    (void)move;
    return 0;
}

int ChessBoard::setMoveSquare(const char* text) {
    (void)text;
    return 0;
}

int ChessBoard::setMoveSquareList(const char* text) {
    (void)text;
    return 0;
}

void getTextZobristHash(unsigned long long& key, char* out) { std::sprintf(out, "%016llx", key); }
