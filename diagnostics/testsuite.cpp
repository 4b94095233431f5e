#include "board/chessboard.h"

int ChessBoard::runTestSuite(const std::string&) { return 0; }
