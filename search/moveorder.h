// Move ordering: the sort values, the stages of the move picker, and the
// filters that decide which root moves are ordered and searched.
#pragma once

#include "board/chessboard.h"

const int HASH_MOVE_VALUE = 100000;
const int CAPTURE_BASE = 50000;
const int KILLER1_VALUE = 45010;
const int KILLER2_VALUE = 45000;
const int QUIET_BASE = 4000;
const int LOSING_CAPTURE_VALUE = 2000;  // quiescence: a capture of a cheaper piece
const int QUIET_IN_QUIESCENCE = -1;
const uint32_t HISTORY_LIMIT = 10000;  // history counters stay below this
// The stages of the move picker, in the order it walks them. Outside check:
// the hash move, the captures (generated, then handed out best first with
// losing ones deferred), the two killers, the quiet moves (generated, then
// handed out), and last the deferred captures. In check: the hash move, then
// the evasions (generated, then handed out). PICK_DONE ends the list.
enum PickStage : uint32_t {
    PICK_DONE = 0,
    PICK_HASH = 1,
    PICK_CAPTURES_GEN = 2,
    PICK_CAPTURES = 3,
    PICK_KILLER1 = 4,
    PICK_KILLER2 = 5,
    PICK_QUIET_GEN = 6,
    PICK_QUIET = 7,
    PICK_BAD_CAPTURES = 8,
    PICK_EVASION_HASH = 9,
    PICK_EVASIONS_GEN = 10,
    PICK_EVASIONS = 11,
};
// Deferred (losing) captures are stacked from the last slot of the move
// list downwards, so they never meet the captures and quiet moves above them.
const uint32_t PICK_LIST_LAST = 255;
// Room for quiet moves that a position may need; more falls back to a scratch list.
const uint32_t MAX_QUIET_MOVES = 218;

// Captures and queen promotions are ordered by the capture formula.
inline bool isCaptureOrQueenPromotion(ChessMove m) { return m.captured() != 0 || m.promotion() == QUEEN; }

// Most valuable victim first, cheapest attacker first among equal victims.
inline int captureValue(ChessMove m) {
    return CAPTURE_BASE + 16 * PieceCaptureValue[m.captured()] - PieceCaptureValue[m.piece()] +
           16 * PieceCaptureValue[m.promotion()];
}

// Quiescence scores: a capture of a cheaper piece gets 2000 (and an exchange
// test before it is searched), other captures the formula, the rest -1.
inline void scoreQuiescentCaptures(ChessMoveSort* list, int n) {
    for (int i = 0; i < n; i++) {
        ChessMove m = list[i].move;
        if (!isCaptureOrQueenPromotion(m))
            list[i].value = QUIET_IN_QUIESCENCE;
        else if (PieceCaptureValue[m.captured()] < PieceCaptureValue[m.piece()])
            list[i].value = LOSING_CAPTURE_VALUE;
        else
            list[i].value = captureValue(m);
    }
}

// Is m one of the count moves of list?
inline bool containsMove(const ChessMove* list, int count, ChessMove m) {
    for (int i = 0; i < count; i++)
        if (list[i] == m) return true;
    return false;
}

// Is the move left out of the multi-PV line being searched?
inline bool isExcludedMove(const ChessBoard& b, ChessMove m) {
    return containsMove(b.excludedMoves, b.excludedCount, m);
}

// Does "go searchmoves" let the root play this move? (Every move without a list.)
inline bool isListedSearchMove(const ChessBoard& b, ChessMove m) {
    return b.searchMoveCount == 0 || containsMove(b.searchMoves, b.searchMoveCount, m);
}

// May the root search this move in the line being searched? Not when
// "searchmoves" left it out, nor when an earlier multi-PV line took it.
inline bool isRootMoveSearched(const ChessBoard& b, ChessMove m) {
    return !(b.multiPV >= 2 && isExcludedMove(b, m)) && isListedSearchMove(b, m);
}
