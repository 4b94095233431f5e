// WinBoard (xboard) protocol: game following, clocks, thinking, pondering and analysis.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/inifile.h"
#include "frontend/protocol.h"
#include "search/tablebase.h"
#include "search/threads.h"
#include "search/timecontrol.h"

int wbAnalyzing = 0;
int analysisRunning = 0;
int wbPonderRunning = 0;
int wbPonderWait = PONDER_WAIT_NONE;
unsigned analysisIndexBefore = 0;

namespace {

const int WINBOARD_HASH_MB = 128;

// A search started by the opponent's move counts the moves left to the time control.
void setMovesToGo(ChessBoard& b) { b.movesToGo = (unsigned)(uciRemainingMoves > 0 ? uciRemainingMoves : 0); }

// The colour the engine plays: Black after "new", the side to move at "go",
// and the side to move after an opponent's move outside force mode.
int engineColour = BLACK;

// The clocks last sent, in milliseconds (negative: none yet): "time" is always
// the engine's own clock and "otim" the opponent's, and "level" sets both. They
// are put on the colours again whenever the engine's colour is settled, so that
// a clock sent before "go" or before a change of colour lands on the right side.
float ownClockMs = -1.0f;
float opponentClockMs = -1.0f;

void placeClocks() {
    if (ownClockMs >= 0) board->clockTime[engineColour] = ownClockMs;
    if (opponentClockMs >= 0) board->clockTime[engineColour ^ 1] = opponentClockMs;
}

void setEngineColour(int colour) {
    engineColour = colour;
    placeClocks();
}

void forgetClocks() {
    engineColour = BLACK;
    ownClockMs = opponentClockMs = -1.0f;
}

int analysisLoopActive = 0;
int analysisRestart = 0;
int modeBeforeAnalysis = SEARCH_MOVETIME;

bool isMoveText(const char* line) {
    if (!strcmp(line, "O-O") || !strcmp(line, "O-O-O")) return true;
    return line[0] >= 'a' && line[0] <= 'h' && line[1] >= '1' && line[1] <= '8' && line[2] >= 'a' &&
           line[2] <= 'h' && line[3] >= '1' && line[3] <= '8';
}

// Abandons a running ponder search: the expected reply is taken back and nothing is played.
// An opponent's move that already missed the expected reply stays pending: it is still made
// when the search is over.
void abandonPonderSearch() {
    pondernextmove = 0;
    board->ponderSearch = 1;
    board->stopSearch = STOP_PONDER;
}

// A line that changes the position or starts a search while the engine
// thinks is kept until the search is over. An analysis or a ponder search
// is ended for it (the analysis restarts afterwards); a search for the
// engine's own move finishes first.
int deferWhileThinking(const char* line) {
    deferLine(line);
    if (wbPonderWait == PONDER_WAIT_OPEN) {
        wbPonderWait = PONDER_WAIT_ABANDON;
    } else if (analysisRunning) {
        board->stopSearch = STOP_ABORT;
        analysisRestart = 1;
    } else if (wbPonderRunning && pondernextmove) {
        abandonPonderSearch();
    }
    return 1;
}

// The ponder move matches when from and to agree and, for a promotion, the piece too.
bool matchesExpectedReply(const char* line) {
    ChessMove m = movePonder;
    if (m.isCastle()) {
        char text[8];
        moveToCoord(m, text, false);
        if (!strcmp(line, text)) return true;
    }
    if (!strcmp(line, "O-O") || !strcmp(line, "O-O-O")) return false;
    if ((unsigned)((line[0] - 'a') + 8 * (line[1] - '1')) != m.from()) return false;
    if ((unsigned)((line[2] - 'a') + 8 * (line[3] - '1')) != m.to()) return false;
    if (m.promotion() && line[4] != pieceName[m.promotion() & 7]) return false;
    return true;
}

void copyPonderText(const char* line) {
    strncpy(pondernewmove, line, PONDER_TEXT_MAX);
    pondernewmove[PONDER_TEXT_MAX] = 0;
}

// "level <moves> <base> <increment>": base in minutes or minutes:seconds.
void parseLevel(const char* line) {
    const char* w1 = nextWord(line);
    const char* w2 = w1 ? nextWord(w1) : nullptr;
    const char* w3 = w2 ? nextWord(w2) : nullptr;
    int moves = w1 ? readInt(w1) : 0;
    char base[LEVEL_WORD_MAX + 1] = "";
    if (w2) {
        unsigned n = 0;
        while (w2[n] && w2[n] != ' ' && n < LEVEL_WORD_MAX) {
            base[n] = w2[n];
            ++n;
        }
        base[n] = 0;
    }
    // Increments may be given in fractions of a second.
    double increment = w3 ? atof(w3) : 0.0;
    long long minutes = readInt(base), seconds = 0;
    const char* colon = strchr(base, ':');
    if (colon) seconds = readInt(colon + 1);
    if (moves < 0) moves = 0;
    uciMaxGameMoves = uciRemainingMoves = moves;
    board->movesToGo = (unsigned)moves;
    double clock = ((double)minutes * 60 + (double)seconds) * 1000.0;
    // Both players start the period with the base time.
    ownClockMs = opponentClockMs = (float)(clock < 0 ? 0 : clock > 2e12 ? 2e12 : clock);
    placeClocks();
    double incrementMs = increment * 1000.0;
    int inc = (int)(incrementMs < 0 ? 0 : incrementMs > 2e9 ? 2e9 : incrementMs);
    board->timeIncrement[WHITE] = board->timeIncrement[BLACK] = inc;
    board->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
}

// At the first "go" of a game, count down the moves already played in this time-control period.
void firstThinkAdjustment() {
    if (firstThink) return;
    firstThink = 1;
    if (uciRemainingMoves == 0) return;
    int remaining = uciRemainingMoves - countHalfMove / 2;
    // Past the first control: the moves left in the current period.
    if (remaining <= 0 && uciMaxGameMoves > 0) {
        remaining %= uciMaxGameMoves;
        if (remaining <= 0) remaining += uciMaxGameMoves;
    }
    uciRemainingMoves = remaining;
    board->movesToGo = (unsigned)(remaining > 0 ? remaining : 0);
}

// Opponent's move (or any move in force or analyse mode).
int opponentMove(char* line, bool thinking) {
    if (wbPonderWait == PONDER_WAIT_OPEN) {
        ++countHalfMove;
        if (matchesExpectedReply(line)) {
            pondernextmove = 0;
            wbPonderWait = PONDER_WAIT_HIT;
        } else {
            copyPonderText(line);
            wbPonderWait = PONDER_WAIT_MISS;
        }
        return 1;
    }
    if (thinking && pondering && pondernextmove && !movePonder.isEmpty() && wbPonderRunning) {
        ++countHalfMove;
        if (matchesExpectedReply(line)) {
            // Ponder hit: the running search goes on as the real one.
            pondernextmove = 0;
            wbPonderRunning = 0;
            board->ponderSearch = 0;
            // The budget follows the clock sent with this move, not the one before the engine's last move.
            refreshClockBudget(*board, engineColour);
            board->inputPollCount = board->inputPollPeriod;
            board->checkSearchTime();
        } else {
            copyPonderText(line);
            board->ponderSearch = 1;
            board->stopSearch = STOP_PONDER;
        }
        return 1;
    }
    if (thinking) return deferWhileThinking(line);

    ++countHalfMove;
    ensureGameRoom();
    if (!board->setMoveSquare(line)) return 1;
    if (wbAnalyzing) {
        startAnalysis();
        return 1;
    }
    // In force mode the engine plays neither side, whatever the move leaves.
    if (winboard_forcemode) return 1;
    // The move ends the game against the engine: the result is claimed and the
    // process stays for the next game ("new") or "quit".
    if (!board->hasLegalMove()) {
        sendResultClaim(board->node);
        return 1;
    }
    setEngineColour((int)board->node.side);
    setMovesToGo(*board);
    runSearch(0);
    return 1;
}

}  // namespace

// The game counters of a new game, without setting up the board.
static void winboardGameCounters() {
    currbestmove = ChessMove(0);
    uciRemainingMoves = uciMaxGameMoves = 40;
    countHalfMove = 0;
    firstThink = 0;
    board->movesToGo = 40;
}

void winboardNewGameValues() {
    board->newGame();
    winboardGameCounters();
}

bool startAskedNewGame() {
    if (!asknewgame) return false;
    winboardNewGameValues();
    asknewgame = 0;
    return true;
}

void startAnalysis() {
    if (!board) return;
    if (analysisLoopActive) {
        analysisRestart = 1;
        return;
    }
    analysisLoopActive = 1;
    do {
        analysisRestart = 0;
        if (board->hasLegalMove()) {
            board->setEngineSearchMode(SEARCH_INFINITE, 0, 0);
            analysisIndexBefore = board->gameIndex;
            runSearch(0, true);
        }
    } while (analysisRestart && wbAnalyzing && !Quit && board);
    analysisLoopActive = 0;
}

int parseWinboard(char* line) {
    bool thinking = board && board->computerPlaying;
    bool busy = thinking || wbPonderWait == PONDER_WAIT_OPEN;

    if (!strcmp(line, "quit")) {
        if (board) {
            board->ponderEnabled = board->ponderSearch = 0;
            board->ponderMove = ChessMove(0);
            pondering = 0;
            if (board->computerPlaying) board->stopSearch = STOP_ABORT;
        }
        return 0;
    }
    if (!strcmp(line, "xboard")) {
        if (busy) return 1;
        int hash = WINBOARD_HASH_MB;
        if (ReadFileConfigInt("pellux.ini", "Engine", "Hash", &hash))
            hash = (int)clampValue(hash, HASH_MB_MIN, HASH_MB_MAX);
        createBoard((unsigned)hash);  // also starts a new game
        winboardGameCounters();
        forgetClocks();
        loadBookFromConfig();
        winboard_forcemode = 0;
        sendCommandf(
            "feature setboard=1 myname=\"Pellux %s %s\" analyze=1 ping=1 draw=0 sigint=0 "
            "variants=\"normal,fischerandom\" egt=\"syzygy,gaviota\" smp=1 memory=1 done=1 colors=0",
            PELLUX_VERSION, archi);
        return 1;
    }
    if (!board) {
        // Nothing below needs an answer before "xboard" has created the board.
        if (!strncmp(line, "ping ", 5))
            sendCommandf("pong %d", readInt(line + 5));
        else if (!strncmp(line, "protover ", 9))
            protocolversion = readInt(line + 9);
        return 1;
    }
    // Most lines of a game are moves, and no command looks like one: they are recognised first.
    if (isMoveText(line)) return opponentMove(line, thinking);
    if (!strcmp(line, "undo")) {
        if (busy) return deferWhileThinking(line);
        board->takeBack();
        if (wbAnalyzing) startAnalysis();
        return 1;
    }
    if (!strcmp(line, "white") || !strcmp(line, "black")) return 1;
    if (!strcmp(line, "force")) {
        // The engine plays neither side now: a ponder search has nothing left to wait for.
        if (wbPonderWait == PONDER_WAIT_OPEN)
            wbPonderWait = PONDER_WAIT_ABANDON;
        else if (thinking && wbPonderRunning && pondernextmove)
            abandonPonderSearch();
        winboard_forcemode = 1;
        return 1;
    }
    if (!strcmp(line, "random") || !strcmp(line, "result")) return 1;
    if (!strcmp(line, "analyze")) {
        if (analysisRunning || (wbAnalyzing && !busy)) return 1;
        if (busy) return deferWhileThinking(line);
        wbAnalyzing = 1;
        modeBeforeAnalysis = board->searchMode;
        startAnalysis();
        return 1;
    }
    if (!strcmp(line, "exit")) {
        if (wbAnalyzing) {
            wbAnalyzing = 0;
            board->searchMode = modeBeforeAnalysis;
        }
        if (analysisRunning) board->stopSearch = STOP_ABORT;
        return 1;
    }
    if (!strcmp(line, "setboard")) return 1;
    if (!strcmp(line, "go")) {
        if (busy) return deferWhileThinking(line);
        firstThinkAdjustment();
        winboard_forcemode = 0;
        setEngineColour((int)board->node.side);
        runSearch(0);
        return 1;
    }
    if (!strcmp(line, "?")) {
        if (thinking && !analysisRunning) board->stopSearch = board->ponderSearch ? STOP_PONDER : STOP_PLAY;
        return 1;
    }
    if (!strcmp(line, ".") || !strcmp(line, "#")) return 1;
    if (!strcmp(line, "new")) {
        pondering = 0;
        board->ponderEnabled = board->ponderSearch = 0;
        board->ponderMove = ChessMove(0);
        movePonder = ChessMove(0);
        if (busy) {
            if (thinking) board->stopSearch = STOP_ABORT;
            asknewgame = 1;
            if (wbPonderWait == PONDER_WAIT_OPEN) wbPonderWait = PONDER_WAIT_ABANDON;
            if (analysisRunning) analysisRestart = 1;
        } else {
            winboardNewGameValues();
        }
        forgetClocks();
        winboard_forcemode = 0;
        board->setChess960(false);  // a new game is normal chess until "variant" says otherwise
        if (!busy && wbAnalyzing) startAnalysis();
        return 1;
    }
    if (!strncmp(line, "variant ", 8)) {
        board->setChess960(!strcmp(line + 8, "fischerandom"));
        return 1;
    }
    if (!strcmp(line, "computer")) return 1;
    if (!strcmp(line, "easy")) {
        board->ponderEnabled = 0;
        board->ponderMove = ChessMove(0);
        pondering = 0;
        movePonder = ChessMove(0);
        if (wbPonderWait == PONDER_WAIT_OPEN) {
            wbPonderWait = PONDER_WAIT_ABANDON;
        } else if (thinking && wbPonderRunning && pondernextmove) {
            abandonPonderSearch();  // nothing is played and the expected reply is taken back
        } else {
            board->ponderSearch = 0;
            if (thinking && !analysisRunning) board->stopSearch = STOP_PLAY;
        }
        pondernextmove = 0;
        return 1;
    }
    if (!strcmp(line, "hard")) {
        board->ponderEnabled = 1;
        pondering = 1;
        return 1;
    }
    if (!strcmp(line, "post")) {
        showthinking = 1;
        return 1;
    }
    if (!strcmp(line, "nopost")) {
        showthinking = 0;
        return 1;
    }
    if (!strncmp(line, "accepted ", 9)) return 1;
    if (!strncmp(line, "analyze", 7)) return 1;
    if (!strncmp(line, "protover ", 9)) {
        protocolversion = readInt(line + 9);
        return 1;
    }
    if (!strncmp(line, "perft ", 6) || !strncmp(line, "perftd ", 7) || !strncmp(line, "divide ", 7)) {
        if (!busy) runProtocolCount(line);  // refused while thinking
        return 1;
    }
    if (!strncmp(line, "time ", 5) || !strncmp(line, "otim ", 5)) {
        // "time" is the engine's clock, "otim" the opponent's, whoever is to move now
        // (the expected reply is on the board while the engine ponders).
        // Centiseconds; the colours are settled again when a search starts.
        double ms = (double)readInt(line + 5) * 10.0;
        (line[0] == 't' ? ownClockMs : opponentClockMs) = (float)(ms < 0 ? 0 : ms);
        placeClocks();
        return 1;
    }
    if (!strncmp(line, "ping ", 5)) {
        sendCommandf("pong %d", readInt(line + 5));
        return 1;
    }
    if (!strncmp(line, "st ", 3)) {
        if (analysisRunning) return 1;
        long long us = (long long)readInt(line + 3) * 1000000LL;
        board->setEngineSearchMode(SEARCH_MOVETIME, (int)clampValue(us, 0, 0x7fffffff), 0);
        return 1;
    }
    if (!strncmp(line, "sd ", 3)) {
        if (analysisRunning) return 1;
        board->setEngineSearchMode(SEARCH_DEPTH, (int)clampValue(readInt(line + 3), 1, MAX_PLY - 1), 0);
        return 1;
    }
    if (!strncmp(line, "level ", 6)) {
        parseLevel(line);
        return 1;
    }
    // "egtpath syzygy|gaviota PATH": the tables of the kind, loaded when the engine is idle;
    // the outcome comes as comment lines.
    if (!strncmp(line, "egtpath ", 8)) {
        if (busy) return deferWhileThinking(line);
        const char* kind = line + 8;
        const char* path = strchr(kind, ' ');
        const bool syzygy = !strncmp(kind, "syzygy ", 7);
        if (path && (syzygy || !strncmp(kind, "gaviota ", 8)))
            tablebaseLoad(syzygy ? TB_SYZYGY : TB_GAVIOTA, path + 1,
                          [](const char* text) { sendCommandf("# %s", text); });
        return 1;
    }
    // "cores N": the search threads; "memory N": the megabytes of the table, as the UCI "Hash".
    if (!strncmp(line, "cores ", 6) || !strncmp(line, "memory ", 7)) {
        if (busy) return deferWhileThinking(line);
        if (line[0] == 'c')
            setSearchThreads(readInt(line + 6));
        else
            board->setHashSize((unsigned)clampValue(readInt(line + 7), HASH_MB_MIN, HASH_MB_MAX));
        return 1;
    }
    if (!strncmp(line, "setboard ", 9)) {
        if (busy) return deferWhileThinking(line);
        board->setFENPosition(line + 9);
        if (wbAnalyzing) startAnalysis();
        return 1;
    }
    return 1;
}

namespace {

bool ponderWaitOver() { return wbPonderWait != PONDER_WAIT_OPEN; }

}  // namespace

// The end of a WinBoard search. An abandoned ponder search plays the
// opponent's real move and thinks on it; an analysis takes its move back; a
// ponder search that ended by itself waits for the opponent's move. A move
// played is sent with the hint of the expected reply, and pondering starts
// on that reply.
void winboardSearchFinished(ChessBoardUCI& b, int reason) {
    if (reason == STOP_PONDER) {
        // The opponent did not play the expected reply: play his move and, unless
        // the engine was put in force mode meanwhile, think.
        if (pondering && pondernewmove[0] && b.setMoveSquare(pondernewmove)) {
            pondernextmove = 0;
            setMovesToGo(b);
            if (!winboard_forcemode) requestSearch(0);
        }
        pondernewmove[0] = 0;
        return;
    }
    if (reason == STOP_ABORT) {
        startAskedNewGame();
        return;  // "quit", "new" or the end of an analysis: no move
    }
    if (b.testSuiteMode) return;

    if (analysisRunning) {
        // Analysis never plays: take back the move the search has made.
        if (b.gameIndex > analysisIndexBefore) b.takeBack();
        return;
    }

    // A ponder search that ended by itself waits for the opponent's move.
    if (wbPonderRunning) {
        wbPonderRunning = 0;
        wbPonderWait = PONDER_WAIT_OPEN;
        dispatchUntil(ponderWaitOver);
        int outcome = wbPonderWait;
        wbPonderWait = PONDER_WAIT_NONE;
        if (Quit) return;
        if (outcome != PONDER_WAIT_HIT) {
            b.takeBack();  // the engine's answer
            b.takeBack();  // the expected reply
            pondernextmove = 0;
            if (!startAskedNewGame() && outcome == PONDER_WAIT_MISS && b.setMoveSquare(pondernewmove) &&
                !winboard_forcemode) {
                setMovesToGo(b);
                requestSearch(0);
            }
            pondernewmove[0] = 0;
            return;
        }
    }

    movePonder = pondering ? b.ponderMove : ChessMove(0);
    if (uciMaxGameMoves) {
        if (uciRemainingMoves == 1)
            uciRemainingMoves = uciMaxGameMoves;
        else
            uciRemainingMoves--;
    }
    sendEngineMove(b.lastMove);

    if (pondering) {
        pondernextmove = 0;
        if (!movePonder.isEmpty()) {
            sendHint(movePonder);
            ensureGameRoom();
            char reply[8];
            moveToCoord(movePonder, reply, true);
            if (b.setMoveSquare(reply)) {
                // No ponder search when the expected reply leaves no move.
                if (b.hasLegalMove()) {
                    pondernextmove = 1;
                    requestSearch(1);
                } else {
                    b.takeBack();
                }
            }
        }
    }
}
