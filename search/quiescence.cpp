// The quiescence search (captures and promotions with stand pat, all
// evasions after a capture that gives check) and the draw tests that open
// every node of the main search.
#include "board/chessboard.h"
#include "search/moveorder.h"
#include "search/strength.h"

static const int FIFTY_MOVE_PLIES = 100;

// Does the side to move, known to be in check, have a legal move? The ply's
// own list is free at this point (the node has not generated yet), so the
// evasions go there and the root list is left alone.
static bool hasLegalEvasion(ChessBoard& b, int ply) {
    ChessBoardNode& n = b.node;
    ChessMoveSort* list = b.moveOrder[ply].moves;
    const int count = n.generateKingEvasion(list);
    for (int i = 0; i < count; i++)
        if (n.keepsKingSafe(list[i].move)) return true;
    return false;
}

// Returns 1 when the position is a draw by lack of material, by the fifty-move
// rule (unless the side to move is mated) or by repetition since the last
// irreversible move.
int ChessBoard::isDrawNode(int ply) {
    ChessBoardNode& n = node;
    // Without pawns, a single minor piece cannot mate: the evaluation knows the rule.
    if (n.evaluateDraw()) return 1;

    if (n.fiftyMove >= FIFTY_MOVE_PLIES) {
        if (n.undo[n.ply].plyInCheck != 1 || !n.sideInCheck() || hasLegalEvasion(*this, ply)) return 1;
    }

    // Positions with the same side to move, two plies apart, back to the last
    // capture or pawn move: older ones cannot match.
    const int count = (int)n.hashListCount;
    const int last = count - (int)n.fiftyMove;
    const uint64_t key = n.hashKey;
    for (int i = count - 2; i >= 0 && i >= last; i -= 2)
        if (n.hashList[i] == key) return 1;
    return 0;
}

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
        if (!evasion && order.moves[i].value <= LOSING_CAPTURE_VALUE && staticExchangeEvaluation(m) < 0) continue;
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
