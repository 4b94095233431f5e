// Static exchange evaluation.
#include "board/chessboard.h"

int ChessBoard::staticExchangeEvaluation(ChessMove) const { return 0; }
