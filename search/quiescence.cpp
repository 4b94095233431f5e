// The quiescence search: captures and promotions with stand pat, all
// evasions after a capture that gives check.
#include "board/chessboard.h"
#include "search/moveorder.h"
#include "search/searchnode.h"
#include "search/strength.h"

int ChessBoard::search_quiescent(int ply, int alpha, int beta, int fullEval, int checkEvasions) {
    ChessBoardNode& n = node;
    clearPV(n.pvLines[ply < MAX_PLY ? ply : MAX_PLY - 1]);
    if (!checkSearchTime() || ply >= MAX_PLY - 1) return drawValue[n.side];

    PLine& pv = n.pvLines[ply];
    const bool evasion = checkEvasions == 1 && n.undo[n.ply].plyInCheck == 1;
    ChessMoveOrder& order = moveOrder[ply];
    int count;
    if (evasion) {
        if (isDrawNode(ply)) return drawValue[n.side];
        count = n.generateKingEvasion(order.moves);
        order.count = (uint32_t)count;
        orderMoves_quiescent_checks(order.moves, count, emptyMove, ply);
    } else {
        const int standPat = n.evaluate(alpha, beta, fullEval ? 0 : 1) + strengthNoise(n.hashKey);
        if (standPat > alpha) {
            if (standPat >= beta) return standPat;
            alpha = standPat;
        }
        count = n.generateMovesC(order.moves);
        order.count = (uint32_t)count;
        if (count == 0) return alpha;
        orderMoves_quiescent(order.moves, count, emptyMove, ply);
    }

    const uint8_t nullWindow = n.undo[n.ply].nullWindow;
    const int childEvasions = (!evasion && checkEvasions == 1) ? 1 : 0;
    int legal = 0;
    for (int i = 0; i < count; i++) {
        const ChessMove m = order.moves[i].move;
        // Losing captures are not worth a look when standing pat is allowed.
        if (!evasion && order.moves[i].value <= LOSING_CAPTURE_VALUE && staticExchangeEvaluation(m) < 0)
            continue;
        ChessMoveUndo* child = makeCountedMove(n, m);
        if (!child) continue;
        child->nullWindow = nullWindow;
        const int score = -search_quiescent(ply + 1, -beta, -alpha, fullEval, childEvasions);
        n.unMakeMove(m);
        legal++;
        if (score > alpha) {
            if (score >= beta) return score;
            updatePV(pv, n.pvLines[ply + 1], m, score);
            alpha = score;
        }
    }

    if (evasion && legal == 0) {
        clearPV(pv);
        n.inCheck = CHECK_MATED;
        return ply - MATE_VALUE;
    }
    return alpha;
}
