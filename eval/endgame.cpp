// Endgame and draw knowledge by material signature.
#include "board/node.h"

namespace {

// Pawn counters of both colours in the material signature.
constexpr uint64_t PAWN_COUNTERS = 15 * (matCountMask[WHITE][PAWN] | matCountMask[BLACK][PAWN]);

// Signature of one colour's pieces written as letters ("KBN"); the king is not counted.
constexpr uint64_t sideSignature(int colour, const char* pieces) {
    uint64_t key = 0;
    for (; *pieces; pieces++)
        for (int type = PAWN; type <= QUEEN; type++)
            if (*pieces == " PNBRQ"[type]) key += matCountMask[colour][type];
    return key;
}

// Material signature of a balance, White's pieces first: signature("KR", "KB").
constexpr uint64_t signature(const char* white, const char* black) {
    return sideSignature(WHITE, white) + sideSignature(BLACK, black);
}

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
    switch (materialKey) {
        case signature("KNN", "K"):
        case signature("K", "KNN"):
        case signature("KB", "KB"):
        case signature("KB", "KN"):
        case signature("KN", "KB"):
        case signature("KN", "KN"):
            score = 0;
            return 1;
        case signature("KP", "KN"):
        case signature("KP", "KB"):
        case signature("KN", "KP"):
        case signature("KB", "KP"):
        case signature("KR", "KN"):
        case signature("KR", "KB"):
        case signature("KN", "KR"):
        case signature("KB", "KR"):
            scale = 8;
            return 0;
        case signature("KBB", "KN"):
        case signature("KBB", "KB"):
        case signature("KN", "KBB"):
        case signature("KB", "KBB"):
            scale = 4;
            return 0;
        case signature("KBN", "KN"):
        case signature("KBN", "KB"):
        case signature("KN", "KBN"):
        case signature("KB", "KBN"):
        case signature("KNN", "KN"):
        case signature("KNN", "KNN"):
        case signature("KNN", "KB"):
        case signature("KN", "KNN"):
        case signature("KB", "KNN"):
            scale = 2;
            return 0;
        default:
            return 0;
    }
}
