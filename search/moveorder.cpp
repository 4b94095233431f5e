#include "board/chessboard.h"

int ChessBoard::getNextMove(ChessMoveOrder&, ChessMoveSort&, int) { return 0; }
void ChessBoard::orderMovesCaptures(ChessMoveSort*, int) {}
void ChessBoard::orderMovesQuiet(ChessMoveSort*, int) {}
void ChessBoard::orderMoves(ChessMoveSort*, int, ChessMove, int) {}
void ChessBoard::orderMoves_quiescent(ChessMoveSort*, int, ChessMove, int) {}
void ChessBoard::orderMoves_quiescent_checks(ChessMoveSort*, int, ChessMove, int) {}
int ChessBoard::orderMoves_root(ChessMoveSort*, int, int, int) { return 0; }
void ChessBoard::sortMoves(ChessMoveSort*, int) {}
void ChessBoard::clearKillerMoves() {}
void ChessBoard::updateKillersAndHistory(ChessMove, int, int) {}
