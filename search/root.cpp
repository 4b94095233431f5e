// The search driver: legal-move check, book move, iterative deepening with
// aspiration windows and multi-PV, the root search, and playing the move.
#include <sys/time.h>

#include <cstring>

#include "board/chessboard.h"
#include "book/openingbook.h"
#include "search/hashtable.h"
#include "search/moveorder.h"
#include "search/searchnode.h"
#include "search/tablebase.h"
#include "search/threads.h"

static const int INFINITE_SCORE = MATE_VALUE + 1;  // 32001, outside every real score
static const int ASPIRATION_WINDOW = 30;
static const int ASPIRATION_MAX_DELTA = 640;
static const double LONG_SEARCH_MICROSECONDS = 2000000.0;
static const int MAX_LINES = 32;

static inline double microsecondsSince(const struct timeval& start) {
    struct timeval now;
    gettimeofday(&now, nullptr);
    return (double)elapsedMicroseconds(start, now);
}

int ChessBoard::computerPlay(int ponder) {
    ponderSearch = (ponder && ponderEnabled) ? 1 : 0;
    computerPlaying = 1;
    ThreadComputerPlay();
    return 1;
}

// Is the move legal in the current position?
static bool isLegalHere(ChessBoardNode& n, ChessMove m) { return n.validMove(m) && n.keepsKingSafe(m); }

// Plants the first moves of the last principal variation in the table, so
// that each becomes the hash move of its position in the next iteration.
void ChessBoard::installLastPV(int depth) {
    ChessBoardNode& n = node;
    int made = 0;
    const int count = depth < (int)lastPV.count ? depth : (int)lastPV.count;
    for (; made < count; made++) {
        const ChessMove m = lastPV.moves[made].move;
        if (!n.validMove(m)) break;
        ChessMove stored;
        uint32_t info;
        if (!(hashTable.probe(n.hashKey, stored, info) && HashTable::infoBound(info) == BOUND_EXACT &&
              stored == m))
            hashTable.write(n.hashKey, m, 0);
        n.makeMove(m);
        if (n.moverInCheck()) {
            n.unMakeMove(m);
            break;
        }
    }
    while (made > 0) {
        made--;
        n.unMakeMove(lastPV.moves[made].move);
    }
}

int ChessBoard::calcMateValue(int score) const {
    if (score >= MATE_BOUND) return (MATE_VALUE - score) / 2 + 1;
    if (score <= -MATE_BOUND) return (score + MATE_VALUE) / 2;
    return score;
}

void ChessBoard::setEngineSearchMode(int mode, int value, int) {
    switch (mode) {
        case SEARCH_DEPTH:
            searchMode = mode;
            depthLimit = value;
            break;
        case SEARCH_NODES:
            searchMode = mode;
            nodeLimit = (unsigned long long)(long long)value;
            break;
        case SEARCH_MOVETIME:
            searchMode = mode;
            moveTime = (uint32_t)value;
            break;
        case SEARCH_CLOCK:
        case SEARCH_INFINITE:
            searchMode = mode;
            break;
        default:
            break;
    }
}

// One search of the root with the window alpha..beta; returns the score.
int ChessBoard::searchRoot(int alpha, int beta, int depth) {
    ChessBoardNode& n = node;
    rootMoveStatus = ROOT_MOVES_SEVERAL;
    const int inCheck = n.sideInCheck() ? 1 : 0;
    ChessMoveUndo& here = n.undo[n.ply];
    here.plyInCheck = (uint8_t)inCheck;
    here.nullWindow = 0;

    ChessMoveOrder& order = moveOrder[0];
    int count = n.generateMoves(order.moves, inCheck);  // also records the check state
    if (count > 0) count = orderMoves_root(order.moves, count, 0, inCheck);
    order.count = (uint32_t)count;

    PLine& pv = n.pvLines[0];
    clearPV(pv);
    if (stopSearch) return 0;  // stopped while the moves were ordered
    int bound = BOUND_UPPER;
    int legal = 0;
    for (int i = 0; i < count; i++) {
        if (stopSearch) return 0;
        const ChessMove m = order.moves[i].move;
        if (!isRootMoveSearched(*this, m)) continue;
        ChessMoveUndo* child = makeCountedMove(n, m);
        if (!child) continue;
        if (longSearch) onSearchRootMove(m, legal + 1);
        const int newDepth = depth - ONE_PLY + moveExtension(m, child->plyInCheck != 0, false);

        int score;
        if (legal == 0) {
            child->nullWindow = 0;
            score = searchChild(*this, newDepth, alpha, beta, 1, 1);
        } else {
            child->nullWindow = 1;
            score = searchChild(*this, newDepth, alpha, alpha + 1, 0, 1);
            if (score > alpha && score < beta) {
                child->nullWindow = 0;
                score = searchChild(*this, newDepth, alpha, beta, 1, 1);
            }
        }
        n.unMakeMove(m);
        // An interrupted move's score means nothing: the line keeps only
        // the moves that were searched to the end.
        if (stopSearch) return 0;
        if (score > alpha) {
            updatePV(pv, n.pvLines[1], m, score);
            if (score >= beta) {
                hashTable.store(n.hashKey, m, BOUND_LOWER, depth, score, 0);
                if (!m.isCaptureOrPromotion() && !inCheck) updateKillersAndHistory(m, depth, 0);
                return score;
            }
            bound = BOUND_EXACT;
            alpha = score;
        }
        legal++;
    }

    if (legal == 1) rootMoveStatus = ROOT_MOVE_ONLY;
    if (legal == 0) {
        rootMoveStatus = ROOT_MOVES_NONE;
        clearPV(pv);
        n.inCheck = inCheck ? CHECK_MATED : CHECK_STALEMATED;
        return inCheck ? -MATE_VALUE : drawValue[n.side];
    }
    hashTable.store(n.hashKey, pv.moves[0].move, bound, depth, alpha, 0);
    return alpha;
}

// The nodes of the running search, over all its threads.
static unsigned long long searchedNodes(const ChessBoard& b) {
    return b.parallelSearch && !b.helperIndex ? countNodes + helperNodes() : countNodes;
}

// Reports a root line: one line with its own event, several with their number.
static void reportLine(ChessBoard& b, int lines, int k, int iteration, int bound) {
    PLine& searched = b.node.pvLines[0];
    // At a root the tables limited, the line shows their result unless the search proved a mate.
    const int score = tablebaseRootScore(searched.moves[0].move, searched.moves[0].value);
    PLine shown;
    if (score != searched.moves[0].value) {
        shown = searched;
        shown.moves[0].value = score;
    }
    PLine& pv = score != searched.moves[0].value ? shown : searched;
    if (lines == 1)
        b.onComputerThinkPV(iteration, pv, searchedNodes(b), b.elapsedTime, b.selDepth, bound);
    else
        b.onComputerThinkMultiPV(k + 1, iteration, pv, searchedNodes(b), b.elapsedTime, b.selDepth, bound);
}

// The answer of a search stopped before its first iteration finished: its
// limit is spent, so nothing more is searched. The best of the root moves
// searched to the end, else the first legal move in root order.
static ChessMove firstIterationMove(ChessBoard& b, ChessMove& ponder) {
    const PLine& pv = b.node.pvLines[0];
    ponder = pv.count >= 2 ? pv.moves[1].move : emptyMove;
    if (pv.count > 0) return pv.moves[0].move;
    const ChessMoveOrder& order = b.moveOrder[0];
    for (uint32_t i = 0; i < order.count; i++)
        if (isListedSearchMove(b, order.moves[i].move) && isLegalHere(b.node, order.moves[i].move))
            return order.moves[i].move;
    for (uint32_t i = 0; i < b.rootMoveCount; i++)
        if (isListedSearchMove(b, b.rootMoveList[i].move) && isLegalHere(b.node, b.rootMoveList[i].move))
            return b.rootMoveList[i].move;
    return emptyMove;
}

// A book file is untrusted input: its move is played only when it is, word
// for word, one of the legal moves generated in this position.
static bool isGeneratedLegalMove(ChessBoard& b, ChessMove m) {
    for (uint32_t i = 0; i < b.rootMoveCount; i++)
        if (b.rootMoveList[i].move == m) return isLegalHere(b.node, m);
    return false;
}

// The legal root moves that "go searchmoves" lets the root search.
static int countSearchedRootMoves(ChessBoard& b) {
    const int count = b.generateRootMoves();
    int allowed = 0;
    for (int i = 0; i < count; i++)
        if (isListedSearchMove(b, b.rootMoveList[i].move) && isLegalHere(b.node, b.rootMoveList[i].move))
            allowed++;
    return allowed;
}

// A root position the endgame tables hold: their line is reported as a
// finished search and its first move returned, to be played like a book move.
// The empty move when the tables do not decide the root.
static ChessMove tableMove(ChessBoard& b) {
    if (!tbMaxPieces) return emptyMove;
    struct timeval start;
    gettimeofday(&start, nullptr);
    PLine& pv = b.node.pvLines[0];
    if (!tablebaseRootLine(b, pv)) return emptyMove;
    b.elapsedTime = microsecondsSince(start);
    b.selDepth = pv.count;
    b.lastPV = pv;
    b.ponderMove = pv.count >= 2 ? pv.moves[1].move : emptyMove;
    b.onComputerThinkPV((int)pv.count, pv, countNodes, b.elapsedTime, b.selDepth, BOUND_EXACT);
    return pv.moves[0].move;
}

// Step 7 for one line: line k (of lines) of iteration iter is searched with
// an aspiration window around the line's score of the last iteration (from the
// sixth iteration on), widened after each fail until the score falls inside.
// Returns the score, which means nothing when the search was stopped.
int ChessBoard::searchLine(int iter, int k, int lines) {
    ChessBoardNode& n = node;
    int alpha = -INFINITE_SCORE, beta = INFINITE_SCORE;
    int delta = ASPIRATION_WINDOW;
    if (iter >= 6) {
        const int prev = lineScores[k][0];
        alpha = prev - ASPIRATION_WINDOW > -INFINITE_SCORE ? prev - ASPIRATION_WINDOW : -INFINITE_SCORE;
        beta = prev + ASPIRATION_WINDOW < INFINITE_SCORE ? prev + ASPIRATION_WINDOW : INFINITE_SCORE;
    }
    for (;;) {
        clearPV(n.pvLines[0]);
        if (longSearch) onSendInfoDepth(iter);
        struct timeval start;
        gettimeofday(&start, nullptr);
        const int score = searchRoot(alpha, beta, iter * ONE_PLY);
        elapsedTime += microsecondsSince(start);
        if (stopSearch) return score;
        if (longSearchEnabled && elapsedTime > LONG_SEARCH_MICROSECONDS) longSearch = 1;
        int bound = BOUND_EXACT;
        if (score <= alpha) {
            alpha -= delta;
            delta *= 2;
            if (delta > ASPIRATION_MAX_DELTA) alpha = -INFINITE_SCORE;
            if (alpha < -INFINITE_SCORE) alpha = -INFINITE_SCORE;
            bound = BOUND_UPPER;
        } else if (score >= beta) {
            beta += delta;
            delta *= 2;
            if (delta > ASPIRATION_MAX_DELTA) beta = INFINITE_SCORE;
            if (beta > INFINITE_SCORE) beta = INFINITE_SCORE;
            bound = BOUND_LOWER;
        } else {
            lineScores[k][1] = score;
        }
        // A mate score opens the window for the rest of this line.
        if (score >= MATE_BOUND || score <= -MATE_BOUND) {
            alpha = -INFINITE_SCORE;
            beta = INFINITE_SCORE;
            delta = ASPIRATION_MAX_DELTA + 1;
        }
        if (bound == BOUND_EXACT) return score;
        if ((showBoundLines && longSearch) || testSuiteMode) {
            PLine& pv = n.pvLines[0];
            if (pv.count == 0) {
                pv.moves[0] = lastPV.moves[0];
                pv.count = 1;
            }
            reportLine(*this, lines, k, iter, bound);
        }
    }
}

// The state every search starts from, the engine's and a helper's: killers
// and lines cleared, counters at zero, and the lines' scores.
void ChessBoard::startSearchState(int lines) {
    clearKillerMoves();
    inputPollCount = 0;
    stopSearch = STOP_NONE;
    longSearch = 0;
    ponderMove = emptyMove;
    clearPV(lastPV);
    clearPV(node.pvLines[0]);
    selDepth = 0;
    elapsedTime = 0;
    mateIterations = 0;
    for (int k = 0; k < lines; k++) lineScores[k][0] = lineScores[k][1] = 0;
}

// A helper thread leaves out some iterations, each helper its own pattern, so
// that the threads spread over neighbouring depths instead of all searching
// the same tree at the same time: helper i (counted from 1) searches depth d
// only when (d + phase) / size is even, with the size and phase of slot
// (i - 1) mod 20.
static bool helperSkipsDepth(int helper, int depth) {
#ifndef PELLUX_HELPER_SKIP
#define PELLUX_HELPER_SKIP 1
#endif
    static const int SKIP_SIZE[20] = {1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4};
    static const int SKIP_PHASE[20] = {0, 1, 0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 6, 7};
    const int i = (helper - 1) % 20;
    return PELLUX_HELPER_SKIP && ((depth + SKIP_PHASE[i]) / SKIP_SIZE[i]) % 2 != 0;
}

// Step 7. Iterative deepening: each line of each iteration is searched with
// an aspiration window (searchLine); the first line of a finished iteration
// gives the move, and every later line leaves out the first moves of the
// lines before it. Returns the move of the last finished iteration (empty if
// none); partialFirstLine tells whether the search stopped inside the first
// line after a move of it was searched to the end.
ChessMove ChessBoard::deepen(int iterations, int lines, bool& partialFirstLine) {
    ChessBoardNode& n = node;
    ChessMove best = emptyMove;
    partialFirstLine = false;
    for (int iter = 1; iter <= iterations && stopSearch == STOP_NONE; iter++) {
        if (helperIndex && helperSkipsDepth(helperIndex, iter)) continue;
        excludedCount = 0;
        for (int k = 0; k < lines; k++) lineScores[k][0] = lineScores[k][1];
        for (int k = 0; k < lines; k++) {
            const int score = searchLine(iter, k, lines);
            if (stopSearch) {
                partialFirstLine = k == 0 && n.pvLines[0].count > 0;
                break;
            }
            reportLine(*this, lines, k, iter, BOUND_EXACT);
            if (k == 0) {
                applyClockStops(iter, score);
                const PLine& pv = n.pvLines[0];
                best = pv.moves[0].move;
                ponderMove = pv.count >= 2 ? pv.moves[1].move : emptyMove;
                lastPV = pv;
                installLastPV(iter);
            }
            if (stopSearch) break;  // the clock stops after the first line
            if (k + 1 < lines) excludedMoves[excludedCount++] = n.pvLines[0].moves[0].move;
        }
    }
    return best;
}

// A helper searches with no limit of its own and never polls the console or
// reads the clock: the engine's search stops it.
void ChessBoard::searchAsHelper(int lines) {
    startSearchState(lines);
    countNodes = 0;
    tbCounts = TablebaseCounts{0, 0, 0};
    searchMode = SEARCH_DEPTH;
    depthLimit = maxSearchDepth;
    stopNodes = strengthNodes = ~0ULL;
    ponderSearch = 0;
    inputPollPeriod = NO_INPUT_POLL;
    longSearchEnabled = 0;
    testSuiteMode = 0;
    parallelSearch = 1;
    bool partialFirstLine;
    deepen(depthLimit, lines, partialFirstLine);
    parallelSearch = 0;
}

// Steps 6-8: the search proper. Returns the move to play, and leaves in
// stopSearch why the search ended (never STOP_NONE); after STOP_ABORT the
// move is empty.
ChessMove ChessBoard::searchBestMove(int legalMoves) {
    ChessBoardNode& n = node;

    // Step 6. Set-up: killers, clock budget, lines and counters start afresh.
    int lines = multiPV < legalMoves ? multiPV : legalMoves - 1;
    if (lines > MAX_LINES) lines = MAX_LINES;
    if (lines < 1 || searchMode == SEARCH_CLOCK) lines = 1;
    startSearchState(lines);
    computeTimeLimit();
    const int iterations = searchMode == SEARCH_DEPTH ? depthLimit : maxSearchDepth;
    searchCount++;

    // Step 7, with the helper threads searching the same root meanwhile.
    parallelSearch = startHelpers(*this, lines) ? 1 : 0;
    bool partialFirstLine;
    ChessMove best = deepen(iterations, lines, partialFirstLine);
    if (parallelSearch) stopHelpers();
    parallelSearch = 0;

    // Step 8. Choice: an abort plays nothing; otherwise the best move of the
    // last finished iteration (or of a cut-short line at a fixed depth).
    if (stopSearch == STOP_NONE) stopSearch = STOP_PLAY;
    if (stopSearch == STOP_ABORT) return emptyMove;
    // At a fixed depth, a first line cut short still holds moves searched
    // to the end; otherwise the last finished iteration decides.
    if (searchMode == SEARCH_DEPTH && partialFirstLine) {
        const PLine& pv = n.pvLines[0];
        best = pv.moves[0].move;
        ponderMove = pv.count >= 2 ? pv.moves[1].move : emptyMove;
    }
    if (best.isEmpty() && stopSearch == STOP_PLAY) best = firstIterationMove(*this, ponderMove);
    return best;
}

// Steps 9-11: the end of a search that did not abort. best is the move to
// play (may be empty); stopSearch holds why the search ended.
void ChessBoard::playSearchResult(ChessMove best) {
    ChessBoardNode& n = node;

    // Step 9. Ponder miss: an abandoned ponder search takes the pondered move back.
    const int reason = stopSearch;
    if (ponderSearch) ponderSearch = 0;
    if (reason == STOP_PONDER) {
        if (gameMoveCount > 0) takeBack();
    } else if (!best.isEmpty()) {
        // Step 10. Play the move. A full game record cannot take it: the position
        // stays as it is and the move is only reported.
        n.makeMove(best);
        if (!recordMove(best)) {
            n.unMakeMove(best);
            lastMove = best;
        }
    }

    // Step 11. Finish: the result is reported and the other side is to move.
    onComputerFinishPlaying(reason);
    if (reason != STOP_PONDER) onNextPlayer();
    computerPlaying = 0;
}

int ChessBoard::ThreadComputerPlay() {
    ChessBoardNode& n = node;

    // Step 1. No legal move: there is nothing to search or play. A "searchmoves"
    // list that names no legal move is forgotten: the whole root is searched.
    int legalMoves = countLegalMoves();
    if (legalMoves == 0) {
        computerPlaying = 0;
        return 1;
    }
    if (searchMoveCount > 0) {
        const int allowed = countSearchedRootMoves(*this);
        if (allowed == 0)
            searchMoveCount = 0;
        else
            legalMoves = allowed;
    }

    // Steps 2-5. Start: the start is announced, a book move is looked up, the
    // node count and the shown line are cleared, and a book move is taken
    // without a search.
    onComputerStartPlaying();
    ChessMove bookMove = emptyMove;
    // An infinite search is an analysis: it always searches and reports. The
    // book is for the moves the engine plays (a ponder search takes it too: its
    // move is played if the opponent makes the expected reply).
    if (bookEnabled == 1 && gameMoveCount < bookMoveLimit && searchMode != SEARCH_INFINITE) {
        bookMove = openingBook.findMove(n.hashKey);
        if (!bookMove.isEmpty() &&
            !(isGeneratedLegalMove(*this, bookMove) && isListedSearchMove(*this, bookMove)))
            bookMove = emptyMove;
    }
    countNodes = 0;
    tbCounts = TablebaseCounts{0, 0, 0};
    resetHelperCounts();
    onComputerClearPV();

    ChessMove best = emptyMove;
    // Endgame tables: at a root position the Syzygy tables hold, only the moves that keep
    // its result are searched; at one the Gaviota tables hold, their move (among those)
    // is played like a book move.
    if (bookMove.isEmpty()) tablebaseRootFilter(*this, legalMoves);
    const ChessMove tableBest = bookMove.isEmpty() ? tableMove(*this) : emptyMove;
    if (!bookMove.isEmpty() || !tableBest.isEmpty()) {
        // A stop left over from an interrupted search must not turn the book
        // move into an abandoned or aborted one.
        best = bookMove.isEmpty() ? tableBest : bookMove;
        if (tableBest.isEmpty()) ponderMove = emptyMove;
        tablebaseRootRestore(*this);
        stopSearch = STOP_PLAY;
    } else {
        best = searchBestMove(legalMoves);
        tablebaseRootRestore(*this);
        if (stopSearch == STOP_ABORT) {
            computerPlaying = 0;
            onComputerFinishPlaying(STOP_ABORT);
            return 1;
        }
    }
    playSearchResult(best);
    return 1;
}
