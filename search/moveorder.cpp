// Move ordering: the sort values of captures, killers and history, the
// staged move picker of the main search, the root ordering, and the killer
// and history tables that learn from cutoffs.
#include "search/moveorder.h"

#include <cstring>

#include "board/chessboard.h"

// Ties are not kept in generation order: the later of two equal entries that
// meet a larger one ends up first. Node counts depend on this exact loop.
void ChessBoard::sortMoves(ChessMoveSort* list, int n) {
    for (int i = 1; i < n; i++) {
        for (int j = 0; j < i; j++) {
            if (list[i].value > list[j].value) {
                ChessMoveSort t = list[i];
                list[i] = list[j];
                list[j] = t;
            }
        }
    }
}

void ChessBoard::orderMovesCaptures(ChessMoveSort* list, int n) {
    for (int i = 0; i < n; i++) {
        ChessMove m = list[i].move;
        list[i].value = isCaptureOrQueenPromotion(m) ? captureValue(m) : QUIET_BASE;
    }
    sortMoves(list, n);
}

void ChessBoard::orderMovesQuiet(ChessMoveSort* list, int n) {
    const uint32_t(*hist)[64] = historyTable[node.side];
    for (int i = 0; i < n; i++) {
        ChessMove m = list[i].move;
        list[i].value = QUIET_BASE + (int)hist[m.piece()][m.to()];
    }
    sortMoves(list, n);
}

// Capture formula, then the two killers of the ply, then history.
void ChessBoard::orderMoves(ChessMoveSort* list, int n, ChessMove, int ply) {
    const uint32_t(*hist)[64] = historyTable[node.side];
    const ChessMove k0 = killerMoves[ply][0], k1 = killerMoves[ply][1];
    for (int i = 0; i < n; i++) {
        ChessMove m = list[i].move;
        if (isCaptureOrQueenPromotion(m))
            list[i].value = captureValue(m);
        else if (m == k0)
            list[i].value = KILLER1_VALUE;
        else if (m == k1)
            list[i].value = KILLER2_VALUE;
        else
            list[i].value = QUIET_BASE + (int)hist[m.piece()][m.to()];
    }
    sortMoves(list, n);
}

void ChessBoard::orderMoves_quiescent(ChessMoveSort* list, int n, ChessMove, int) {
    scoreQuiescentCaptures(list, n);
    sortMoves(list, n);
}

void ChessBoard::orderMoves_quiescent_checks(ChessMoveSort* list, int n, ChessMove, int) {
    const uint32_t(*hist)[64] = historyTable[node.side];
    for (int i = 0; i < n; i++) {
        ChessMove m = list[i].move;
        list[i].value =
            isCaptureOrQueenPromotion(m) ? captureValue(m) : QUIET_BASE + (int)hist[m.piece()][m.to()];
    }
    sortMoves(list, n);
}

// Scores every root move by a full quiescence search of the position after
// it; illegal and excluded moves sink to the end. Returns the number of the
// others, which are the ones the root searches. Once the search is stopped,
// the order is still needed by a search that plays a move without a finished
// iteration (the first legal move in it); for any other the rest of the moves
// are left unscored.
int ChessBoard::orderMoves_root(ChessMoveSort* list, int n, int ply, int) {
    int count = 0;
    const ChessMove pvMove = lastPV.count ? lastPV.moves[0].move : emptyMove;
    for (int i = 0; i < n; i++) {
        if (stopSearch != STOP_NONE && (stopSearch != STOP_PLAY || lastPV.count)) return count;
        ChessMove m = list[i].move;
        if (!isRootMoveSearched(*this, m)) {
            list[i].value = -MATE_VALUE;
            continue;
        }
        node.makeMove(m);
        if (node.moverInCheck()) {
            node.unMakeMove(m);
            list[i].value = -MATE_VALUE;
            continue;
        }
        ChessMoveUndo& child = node.undo[node.ply];
        child.plyInCheck = (uint8_t)node.sideInCheck();
        child.nullWindow = 0;
        list[i].value = -search_quiescent(ply + 1, -MATE_VALUE, MATE_VALUE, 1, 0);
        if (m == pvMove) list[i].value = HASH_MOVE_VALUE;
        count++;
        node.unMakeMove(m);
    }
    sortMoves(list, n);
    return count;
}

void ChessBoard::clearKillerMoves() {
    memset(killerMoves, 0, sizeof(killerMoves));
    memset(historyTable, 0, sizeof(historyTable));
}

void ChessBoard::updateKillersAndHistory(ChessMove m, int depth, int ply) {
    if (m != killerMoves[ply][0]) {
        killerMoves[ply][1] = killerMoves[ply][0];
        killerMoves[ply][0] = m;
    }
    uint32_t& h = historyTable[node.side][m.piece()][m.to()];
    const uint32_t d = (uint32_t)(depth / ONE_PLY);
    if (h + d * d < HISTORY_LIMIT) h += d * d;
}

// Hands out a killer unless it is the hash move or not valid here.
static inline bool takeKiller(ChessBoardNode& n, ChessMove k, int value, ChessMove hashMove,
                              ChessMoveSort& out) {
    if (k == hashMove || !n.validMove(k)) return false;
    out.move = k;
    out.value = value;
    return true;
}

// The staged picker (see PickStage). Hands out the next move and returns the
// stage it will resume at, which is never PICK_DONE; returns PICK_DONE when
// the list is used up.
int ChessBoard::getNextMove(ChessMoveOrder& order, ChessMoveSort& out, int ply) {
    for (;;) {
        switch (order.stage) {
            case PICK_HASH:
            case PICK_EVASION_HASH:
                order.stage = order.stage == PICK_HASH ? PICK_CAPTURES_GEN : PICK_EVASIONS_GEN;
                if (node.validMove(order.hashMove)) {
                    out.move = order.hashMove;
                    out.value = HASH_MOVE_VALUE;
                    return (int)order.stage;
                }
                order.hashMove = emptyMove;
                continue;

            case PICK_CAPTURES_GEN:
                order.badIndex = PICK_LIST_LAST;
                order.index = 0;
                order.count = (uint32_t)node.generateMovesC(order.moves);
                if (order.count == 0) {
                    order.stage = PICK_KILLER1;
                    continue;
                }
                orderMovesCaptures(order.moves, (int)order.count);
                order.stage = PICK_CAPTURES;
                // fall through
            case PICK_CAPTURES:
                while (order.index < order.count) {
                    const ChessMoveSort& e = order.moves[order.index++];
                    const ChessMove m = e.move;
                    if (PieceCaptureValue[m.captured()] < PieceCaptureValue[m.piece()] &&
                        staticExchangeEvaluation(m) < 0) {
                        order.moves[order.badIndex--] = e;
                        continue;
                    }
                    if (m != order.hashMove) {
                        out = e;
                        return (int)order.stage;
                    }
                }
                order.stage = PICK_KILLER1;
                // fall through
            case PICK_KILLER1:
                order.stage = PICK_KILLER2;
                if (takeKiller(node, killerMoves[ply][0], KILLER1_VALUE, order.hashMove, out))
                    return (int)order.stage;
                // fall through
            case PICK_KILLER2:
                order.stage = PICK_QUIET_GEN;
                if (takeKiller(node, killerMoves[ply][1], KILLER2_VALUE, order.hashMove, out))
                    return (int)order.stage;
                // fall through
            case PICK_QUIET_GEN: {
                // Quiet moves go after the captures; a list crowded by deferred
                // captures is filled through a scratch list so nothing is overwritten.
                const uint32_t start = order.count;
                const uint32_t room = order.badIndex + 1 - start;
                int n;
                if (room >= MAX_QUIET_MOVES) {
                    n = node.generateMovesNC(order.moves + start);
                } else {
                    ChessMoveSort scratch[256];
                    n = node.generateMovesNC(scratch);
                    if ((uint32_t)n > room) n = (int)room;
                    memcpy(order.moves + start, scratch, sizeof(ChessMoveSort) * (size_t)n);
                }
                if (n == 0) {
                    order.stage = PICK_BAD_CAPTURES;
                    order.count = order.badIndex;
                    order.index = PICK_LIST_LAST;
                    continue;
                }
                orderMovesQuiet(order.moves + start, n);
                order.count += (uint32_t)n;
                order.stage = PICK_QUIET;
            }
                // fall through
            case PICK_QUIET: {
                const ChessMove k0 = killerMoves[ply][0], k1 = killerMoves[ply][1];
                while (order.index < order.count) {
                    const ChessMoveSort& e = order.moves[order.index++];
                    if (e.move != order.hashMove && e.move != k0 && e.move != k1) {
                        out = e;
                        return (int)order.stage;
                    }
                }
                order.stage = PICK_BAD_CAPTURES;
                order.count = order.badIndex;
                order.index = PICK_LIST_LAST;
            }
                // fall through
            case PICK_BAD_CAPTURES:
                while (order.index > order.count) {
                    const ChessMoveSort& e = order.moves[order.index--];
                    if (e.move != order.hashMove) {
                        out = e;
                        return (int)order.stage;
                    }
                }
                order.stage = PICK_DONE;
                return PICK_DONE;

            case PICK_EVASIONS_GEN:
                order.count = (uint32_t)node.generateKingEvasion(order.moves);
                if (order.count == 0) {
                    order.stage = PICK_DONE;
                    return PICK_DONE;
                }
                orderMoves(order.moves, (int)order.count, order.hashMove, ply);
                order.index = 1;
                order.stage = PICK_EVASIONS;
                if (order.moves[0].move != order.hashMove) {
                    out = order.moves[0];
                    return (int)order.stage;
                }
                // fall through
            case PICK_EVASIONS:
                while (order.index < order.count) {
                    const ChessMoveSort& e = order.moves[order.index++];
                    if (e.move != order.hashMove) {
                        out = e;
                        return (int)order.stage;
                    }
                }
                order.stage = PICK_DONE;
                return PICK_DONE;

            default:
                return PICK_DONE;
        }
    }
}
