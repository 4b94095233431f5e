// Capture and promotion generation, and the combined generator.
#include "board/node.h"

int ChessBoardNode::generateMoves(ChessMoveSort* list, int check) {
    (void)list;
    inCheck = check ? CHECK_YES : CHECK_NONE;
    return 0;
}

int ChessBoardNode::generateMovesC(ChessMoveSort* list) const {
    (void)list;
    return 0;
}
