// Static exchange evaluation: the material balance of the exchange that a
// move starts on its destination square, each side capturing with its least
// valuable piece and stopping when going on would not pay.
#include "board/chessboard.h"

namespace {

const int PieceCaptureSEEValue[8] = {0, 100, 325, 325, 500, 975, 5000, 0};

}  // namespace

int ChessBoard::staticExchangeEvaluation(ChessMove move) const {
    const ChessBoardNode& n = node;
    const int to = move.to();
    const int from = move.from();
    BitBoard occupied = n.bbOccupied;
    const BitBoard queens = n.bbPiece[BLACK][QUEEN] | n.bbPiece[WHITE][QUEEN];
    const BitBoard rookLike = n.bbPiece[BLACK][ROOK] | n.bbPiece[WHITE][ROOK] | queens;
    const BitBoard bishopLike = n.bbPiece[BLACK][BISHOP] | n.bbPiece[WHITE][BISHOP] | queens;

    BitBoard attackers = (bbPawnAttack[BLACK][to] & n.bbPiece[WHITE][PAWN]) |
                         (bbPawnAttack[WHITE][to] & n.bbPiece[BLACK][PAWN]) |
                         (bbKnightAttack[to] & (n.bbPiece[BLACK][KNIGHT] | n.bbPiece[WHITE][KNIGHT])) |
                         (bishopAttack(to, occupied) & bishopLike) | (rookAttack(to, occupied) & rookLike) |
                         (bbKingAttack[to] & (n.bbPiece[BLACK][KING] | n.bbPiece[WHITE][KING]));

    // One entry per capture plus the king's refused recapture; a square has
    // far fewer than 64 attackers.
    int swap[72];
    int onSquare;
    if (move.promotion()) {
        onSquare = PieceCaptureSEEValue[move.promotion()];
        swap[0] = onSquare - PieceCaptureSEEValue[PAWN];
    } else {
        swap[0] = PieceCaptureSEEValue[move.captured()];
        onSquare = PieceCaptureSEEValue[move.piece()];
    }

    // Sliders behind a piece that leaves the line through `to` join in.
    auto addXray = [&](int sq) {
        const int d = direction[to][sq];
        if (d == DIR_FILE || d == DIR_RANK)
            attackers |= rookAttack(to, occupied) & rookLike & occupied;
        else if (d == DIR_DIAG || d == DIR_ANTI)
            attackers |= bishopAttack(to, occupied) & bishopLike & occupied;
    };

    occupied &= bbClear[from];
    attackers &= bbClear[from];
    if (move.isEnPassant()) occupied &= bbClear[to + EnPassantOffset[n.side]];
    addXray(from);

    int colour = n.xside;
    int sign = -1;
    int i = 0;
    int entries;
    for (;;) {
        // The exchange ends when the side to capture has nothing left that reaches the square.
        if (!(attackers & n.bbColour[colour])) {
            entries = i + 1;
            break;
        }
        int type = PAWN;
        BitBoard candidates = 0;
        for (; type <= QUEEN; type++) {
            candidates = attackers & n.bbPiece[colour][type];
            if (candidates) break;
        }
        if (candidates) {
            const int sq = lsb(candidates);
            swap[i + 1] = swap[i] + sign * onSquare;
            occupied &= bbClear[sq];
            attackers &= bbClear[sq];
            addXray(sq);
            onSquare = PieceCaptureSEEValue[type];
            sign = -sign;
            i++;
            colour ^= 1;
            continue;
        }
        const BitBoard king = attackers & n.bbPiece[colour][KING];
        if (!king) {
            entries = i + 1;
            break;
        }
        swap[i + 1] = swap[i] + sign * onSquare;
        // The king may only take when nothing of the other side can take it back.
        if (attackers & ~king & n.bbColour[colour ^ 1]) {
            swap[i + 2] = swap[i + 1] - sign * PieceCaptureSEEValue[KING];
            entries = i + 3;
        } else {
            entries = i + 2;
        }
        break;
    }

    // Minimax back: the opponent picks the smaller balance at odd entries,
    // the mover the larger at even ones.
    int k = entries - 1;
    if ((entries & 1) == 0) {
        if (swap[entries - 1] < swap[entries - 2]) swap[entries - 2] = swap[entries - 1];
        k = entries - 2;
    }
    while (k > 0) {
        if (swap[k] > swap[k - 1]) swap[k - 1] = swap[k];
        if (swap[k - 1] < swap[k - 2]) swap[k - 2] = swap[k - 1];
        k -= 2;
    }
    return swap[0];
}
