#include "board/chessboard.h"

unsigned long long countNodes = 0;
const int drawValue[2] = {0, 0};

int ChessBoard::search(int, int alpha, int, int, int) { return alpha; }
