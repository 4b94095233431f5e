// Endgame and draw knowledge by material signature.
#include "board/node.h"

namespace {

// Pawn counters of both colours in the material signature.
const uint64_t PAWN_COUNTERS = 0x0000000F0000000FULL;

}  // namespace

// 1 when neither side has a pawn and at most one minor piece is left.
int ChessBoardNode::evaluateDraw() const {
    return (materialKey & PAWN_COUNTERS) == 0 && material[WHITE] + material[BLACK] < 326;
}

// Scale factor (out of 32) for the recognised balances; returns 1 for a draw.
int ChessBoardNode::evalEndGames(int& score, int& scale) const {
    scale = 32;
    if (evaluateDraw()) {
        score = 0;
        return 1;
    }
    // White's counters in the high half, Black's in the low half:
    // pawns, knights, bishops, rooks at bits 0, 4, 8, 12 of each half.
    switch (materialKey) {
        case 0x2000000000ULL:   // KNN - K
        case 0x20ULL:           // K - KNN
        case 0x10000000100ULL:  // KB - KB
        case 0x10000000010ULL:  // KB - KN
        case 0x1000000100ULL:   // KN - KB
        case 0x1000000010ULL:   // KN - KN
            score = 0;
            return 1;
        case 0x100000010ULL:     // KP - KN
        case 0x100000100ULL:     // KP - KB
        case 0x1000000001ULL:    // KN - KP
        case 0x10000000001ULL:   // KB - KP
        case 0x100000000010ULL:  // KR - KN
        case 0x100000000100ULL:  // KR - KB
        case 0x1000001000ULL:    // KN - KR
        case 0x10000001000ULL:   // KB - KR
            scale = 8;
            return 0;
        case 0x20000000010ULL:  // KBB - KN
        case 0x20000000100ULL:  // KBB - KB
        case 0x1000000200ULL:   // KN - KBB
        case 0x10000000200ULL:  // KB - KBB
            scale = 4;
            return 0;
        case 0x11000000010ULL:  // KBN - KN
        case 0x11000000100ULL:  // KBN - KB
        case 0x1000000110ULL:   // KN - KBN
        case 0x10000000110ULL:  // KB - KBN
        case 0x2000000010ULL:   // KNN - KN
        case 0x2000000020ULL:   // KNN - KNN
        case 0x2000000100ULL:   // KNN - KB
        case 0x1000000020ULL:   // KN - KNN
        case 0x10000000020ULL:  // KB - KNN
            scale = 2;
            return 0;
        default:
            return 0;
    }
}
