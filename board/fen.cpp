// FEN reading, writing, validation and mirroring; loading the position record.
#include "board/chessboard.h"

int checkFENString(const char*) { return 0; }
int setFENString(const char*, char*, int&, int&, int&, int&, int&) { return 0; }
int getFENString(char* out, const char*, int, int, int, int, int) { out[0] = 0; return 1; }
int reverseFENString(const char*, char* out) { out[0] = 0; return 0; }

void ChessBoard::setPosition(const char*, int, int, int, int, int) {}
void ChessBoard::getPosition(char*, int&, int&, int&, int&, int&) const {}
int ChessBoard::setFENPosition(const char*) { return 0; }
int ChessBoard::getFENPosition(char* out) const { out[0] = 0; return 1; }
