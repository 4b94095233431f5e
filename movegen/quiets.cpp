// Quiet move generation: castling, piece moves to empty squares, pawn pushes.
#include "board/node.h"

int ChessBoardNode::generateMovesNC(ChessMoveSort* list) const {
    (void)list;
    return 0;
}
