#include "board/chessboard.h"

int ChessBoard::computerPlay(int) { return 1; }
int ChessBoard::ThreadComputerPlay() { return 1; }
int ChessBoard::searchRoot(int alpha, int, int) { return alpha; }
void ChessBoard::installLastPV(int) {}
int ChessBoard::calcMateValue(int score) const { return score; }
void ChessBoard::setEngineSearchMode(int, int, int) {}
