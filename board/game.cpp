// Life cycle of the engine object and the game record.
#include "board/chessboard.h"
#include "search/hashtable.h"

ChessBoard::ChessBoard() {}
ChessBoard::~ChessBoard() {}
int ChessBoard::init(unsigned) { return 1; }
void ChessBoard::free() {}
void ChessBoard::newGame() {}
void ChessBoard::setStartPosition() {}
int ChessBoard::nextMove() { return 0; }
int ChessBoard::previousMove() { return 0; }
int ChessBoard::takeBack() { return 0; }
int ChessBoard::recordMove(ChessMove) { return 0; }
