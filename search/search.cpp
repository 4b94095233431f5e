// The principal-variation alpha-beta search below the root, and the draw
// test that opens its nodes and the quiescence search's evasion nodes.
#include "board/chessboard.h"
#include "search/hashtable.h"
#include "search/moveorder.h"
#include "search/searchnode.h"
#include "search/strength.h"
#include "search/tablebase.h"

THREAD_OWN unsigned long long countNodes = 0;
const int drawValue[2] = {0, 0};

// Scores at or beyond this stay out of the null-move search: its bound would
// turn into a mate claim.
static const int NULL_MOVE_SCORE_LIMIT = MATE_BOUND - 1;
// Internal iterative deepening runs from a little over five plies of depth:
// shallower nodes search too cheaply to be worth a preliminary search.
static const int IID_MIN_DEPTH = 5 * ONE_PLY + 1;
// A hundred plies without a capture or a pawn move draw the game.
static const int FIFTY_MOVE_PLIES = 100;

// Read at depths of one to three plies (step 10); the rest is spare room.
int FUTILITY_MARGIN[8] = {0, 200, 500, 975, 975, 0, 0, 0};

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

int ChessBoard::search(int depth, int alpha, int beta, int allowNull, int ply) {
    ChessBoardNode& n = node;

    // Steps 1-2. Stop request and ply limit: a stopped search or a line at the
    // deepest ply returns the draw score, which is never used.
    clearPV(n.pvLines[ply < MAX_PLY ? ply : MAX_PLY - 1]);
    if (!checkSearchTime() || ply >= MAX_PLY - 1) return drawValue[n.side];
    PLine& pv = n.pvLines[ply];

    // Step 3. Draws: insufficient material, the fifty-move rule and repetition end the line.
    if (isDrawNode(ply)) return drawValue[n.side];

    // Step 4. Selective depth: the deepest ply reached is kept for the report.
    if ((unsigned)ply > selDepth) selDepth = (unsigned)ply;

    // Step 4b. Endgame tables: a position reached by a capture or a pawn move
    // (the only ones with the fifty-move counter at 0) that the loaded tables
    // hold takes their value when it is exact or its bound decides the window;
    // otherwise the search goes on to find the way.
    if (__builtin_expect(tbMaxPieces != 0, 0) && n.fiftyMove == 0 && bitCount(n.bbOccupied) <= tbMaxPieces) {
        int tableScore;
        if (tablebaseProbe(n, ply, depth, alpha, beta, tableScore)) return tableScore;
    }

    // Step 5. Mate-distance pruning: no line from here can beat a mate found nearer the root.
    if (beta > MATE_VALUE - ply) beta = MATE_VALUE - ply;
    if (alpha < ply - MATE_VALUE) alpha = ply - MATE_VALUE;
    if (alpha >= beta) return alpha;

    // Step 6. Transposition table: the stored move always, the score when deep enough.
    const uint64_t key = n.hashKey;
    ChessMove hashMove = emptyMove;
    uint32_t info;
    if (hashTable.probe(key, hashMove, info) && HashTable::infoDepth(info) >= depth) {
        const int s = HashTable::scoreFromHash(HashTable::infoScore(info), ply);
        const int b = HashTable::infoBound(info);
        if (b == BOUND_EXACT || (b == BOUND_UPPER && s <= alpha) || (b == BOUND_LOWER && s >= beta)) return s;
    }

    ChessMoveUndo& here = n.undo[n.ply];
    const bool inCheck = here.plyInCheck == 1;
    const uint8_t nullWindow = here.nullWindow;
    bool mateThreat = false;

    // Step 7. Null-move pruning: let the opponent move twice; if that still fails high,
    // this node is good enough without a search of its own.
    if (!inCheck && allowNull == 1 && nullWindow == 1 && n.phaseMaterial[n.side] != 0 &&
        depth >= 2 * ONE_PLY && beta >= -NULL_MOVE_SCORE_LIMIT && beta <= NULL_MOVE_SCORE_LIMIT) {
        n.makeNullMove();
        // The passed side was not in check, so the side now to move is not either.
        n.undo[n.ply].plyInCheck = 0;
        n.undo[n.ply].nullWindow = 1;

        const int R = depth < 6 * ONE_PLY ? 2 * ONE_PLY : 3 * ONE_PLY;
        int score;
        if (depth - R >= 2 * ONE_PLY)
            score = -search(depth - ONE_PLY - R, -beta, -beta + 1, 0, ply + 1);
        else
            score = -search_quiescent(ply + 1, -beta, -beta + 1, 0, 0);

        n.unMakeNullMove();

        if (stopSearch) return 0;
        if (score >= beta) {
            hashTable.store(key, emptyMove, BOUND_LOWER, depth, score, ply);
            return score;
        }
        // Mated at once if we could pass: every move gets a half-ply more.
        if (score == ply - (MATE_VALUE - 2)) mateThreat = true;
    }

    // Step 8. Line reset: this ply's principal variation starts empty before the moves are searched.
    clearPV(pv);

    // Step 9. Internal iterative deepening finds a first move for a PV node without one.
    if (hashMove.isEmpty() && allowNull == 1 && !inCheck && nullWindow == 0 && depth >= IID_MIN_DEPTH) {
        const ChessMoveUndo saved = here;
        search(depth - 2 * ONE_PLY, alpha, beta, 1, ply);
        n.undo[n.ply] = saved;
        if (stopSearch) return 0;
        if (!hashTable.probe(key, hashMove, info)) hashMove = emptyMove;
    }

    // Step 10. Futility: near the leaves, quiet moves cannot lift a hopeless score.
    bool futile = false;
    int futilityValue = 0;
    if (depth < 4 * ONE_PLY && !inCheck && nullWindow == 1 && n.gamePhase <= 1) {
        futilityValue =
            n.evaluate(alpha, beta, 1) + strengthNoise(n.hashKey) + FUTILITY_MARGIN[depth / ONE_PLY];
        futile = futilityValue <= alpha;
    }

    // Step 11. Picker set-up: the hash move first, evasions only when in check.
    ChessMoveOrder& order = moveOrder[ply];
    order.stage = inCheck ? PICK_EVASION_HASH : PICK_HASH;
    order.hashMove = hashMove;
    int bound = BOUND_UPPER;
    int moves = 0;
    ChessMoveSort cur;

    // Step 12. Move loop: the first move with the full window, the others with a
    // null window (some reduced) and again with the full one when they beat alpha.
    while (getNextMove(order, cur, ply)) {
        if (stopSearch) return 0;
        const ChessMove m = cur.move;
        ChessMoveUndo* child = makeCountedMove(n, m, depth >= 2 * ONE_PLY);
        if (!child) continue;
        const bool givesCheck = child->plyInCheck != 0;
        const int e = moveExtension(m, givesCheck, mateThreat);
        const int newDepth = depth - ONE_PLY + e;
        const bool tactical = m.isCaptureOrPromotion();

        // Futility pruning of quiet moves after the first.
        if (futile && !givesCheck && moves != 0 && e == 0 && !tactical && futilityValue <= alpha) {
            n.unMakeMove(m);
            moves++;
            continue;
        }

        int score;
        if (moves == 0) {
            child->nullWindow = nullWindow;
            score = searchChild(*this, newDepth, alpha, beta, nullWindow == 0 ? 1 : 0, ply + 1);
        } else {
            score = alpha + 1;
            // Late-move reduction: quiet, unexciting moves late in the list of a
            // null-window node are first searched a ply shallower.
            if (moves >= 4 && depth >= 3 * ONE_PLY && !givesCheck && !inCheck && e == 0 && nullWindow == 1 &&
                !tactical && cur.value != KILLER2_VALUE && cur.value != KILLER1_VALUE) {
                child->nullWindow = 1;
                score = -search(depth - 2 * ONE_PLY, -alpha - 1, -alpha, 1, ply + 1);
            }
            if (score > alpha) {
                child->nullWindow = 1;
                score = searchChild(*this, newDepth, alpha, alpha + 1, 0, ply + 1);
                if (score > alpha && score < beta) {
                    child->nullWindow = 0;
                    score = searchChild(*this, newDepth, alpha, beta, 1, ply + 1);
                }
            }
        }
        n.unMakeMove(m);
        moves++;
        // A stopped search returns meaningless scores: keep them out of the
        // table and the line.
        if (stopSearch) return 0;

        if (score > alpha) {
            if (score >= beta) {
                hashTable.store(key, m, BOUND_LOWER, depth, score, ply);
                if (!tactical && !inCheck) updateKillersAndHistory(m, depth, ply);
                return score;
            }
            updatePV(pv, n.pvLines[ply + 1], m, score);
            bound = BOUND_EXACT;
            alpha = score;
        }
    }

    // Step 13. Result: the best score is stored; without a legal move the node is mate or stalemate.
    if (moves != 0) {
        hashTable.store(key, pv.moves[0].move, bound, depth, alpha, ply);
        return alpha;
    }
    clearPV(pv);
    n.inCheck = inCheck ? CHECK_MATED : CHECK_STALEMATED;
    return inCheck ? ply - MATE_VALUE : drawValue[n.side];
}
