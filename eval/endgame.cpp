// Endgame and draw knowledge by material signature.
#include "board/node.h"

int ChessBoardNode::evaluateDraw() const { return 0; }

int ChessBoardNode::evalEndGames(int&, int& scale) const {
    scale = 32;
    return 0;
}
