// Saving the current game's header as PGN (stub while being written).
#include "board/chessboard.h"
#include "book/pgn.h"

int ChessBoard::saveGame(const std::string&) { return 1; }
