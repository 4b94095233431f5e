// The engine events of ChessBoardUCI turned into lines: the thinking lines in
// their UCI, WinBoard and console forms, the search reports, and the lines
// that end a search (bestmove, move, hint, result).
#include <cstdio>
#include <cstring>

#include "frontend/protocol.h"
#include "movegen/movegen.h"
#include "search/tablebase.h"
#include "search/threads.h"

namespace {

// Line text: every move followed by one blank; coordinate form for the
// protocols, long algebraic form for the console.
void lineText(const PLine& pv, char* out, size_t size, bool console) {
    size_t used = 0;
    out[0] = 0;
    unsigned count = pv.count < (unsigned)MAX_PLY - 1 ? pv.count : (unsigned)MAX_PLY - 1;
    for (unsigned i = 0; i < count; i++) {
        char move[16];
        if (console)
            pv.moves[i].move.text(move);
        else
            moveToCoord(pv.moves[i].move, move, true);
        size_t n = strlen(move);
        if (used + n + 2 > size) break;
        memcpy(out + used, move, n);
        used += n;
        out[used++] = ' ';
        out[used] = 0;
    }
}

bool isMateScore(int score) { return score >= MATE_BOUND || score <= -MATE_BOUND; }

// The console time, speed and score fields of a thinking line.
void consoleFields(ChessBoardUCI& b, int score, unsigned long long nodes, double time, char* timeText,
                   int& speed, char* scoreText) {
    double t = time == 0 ? 16000.0 : time;
    long long ms = (long long)(time / 1000);
    snprintf(timeText, 32, "%02d:%02d:%03d", (int)(ms / 60000), (int)(ms / 1000 % 60), (int)(ms % 1000));
    speed = (int)((double)nodes * 1000.0 / t);
    if (isMateScore(score))
        snprintf(scoreText, 16, score > 0 ? "+M%d" : "-M%d", b.calcMateValue(score));
    else
        snprintf(scoreText, 16, score < 0 ? "%.2f" : "+%.2f", score / 100.0);
}

void thinkLine(ChessBoardUCI& b, int multiLine, int depth, PLine& pv, unsigned long long nodes, double time,
               unsigned int selDepth, int bound) {
    if (!showthinking) return;
    int score = pv.moves[0].value;
    int boundIndex = bound >= 0 && bound <= 2 ? bound : 0;
    char text[MAX_PLY * 12 + 1];
    if (guiMode == GUI_UCI) {
        lineText(pv, text, sizeof(text), false);
        bool mate = isMateScore(score);
        int shown = mate ? (score > 0 ? b.calcMateValue(score) : -b.calcMateValue(score)) : score;
        double t = time == 0 ? 16000.0 : time;
        int ms = (int)(t / 1000);
        int nps = (int)((double)nodes * 1000000.0 / t);
        char hits[32] = "";  // positions the endgame tables answered, once tables are loaded
        if (tablebaseLoaded())
            snprintf(hits, sizeof(hits), " tbhits %llu", tbCounts.root + tbCounts.hits + helperTableHits());
        if (multiLine)
            sendCommandf(
                "info multipv %d depth %d seldepth %d score %s %d %stime %d nodes %llu nps %d%s pv %s",
                multiLine, depth, (int)selDepth, strMate[mate], shown, strBound[boundIndex], ms, nodes, nps,
                hits, text);
        else
            sendCommandf("info depth %d seldepth %d score %s %d %stime %d nodes %llu nps %d%s pv %s", depth,
                         (int)selDepth, strMate[mate], shown, strBound[boundIndex], ms, nodes, nps, hits,
                         text);
    } else if (guiMode == GUI_WINBOARD) {
        lineText(pv, text, sizeof(text), false);
        sendCommandf("%d %d %d %llu %s", depth, score, (int)(time / 10000), nodes, text);
    } else if (b.testSuiteMode) {
        if (multiLine <= 1) currbestmove = pv.count ? pv.moves[0].move : ChessMove(0);
        lineText(pv, text, sizeof(text), true);
        char timeText[32], scoreText[16];
        int speed;
        consoleFields(b, score, nodes, time, timeText, speed, scoreText);
        if (multiLine <= 1)
            sendCommandf("%2d/%-2d%c %s %12llu %6d %7s %s", depth, (int)selDepth, charBound[boundIndex],
                         timeText, nodes, speed, scoreText, text);
        else
            sendCommandf("       %s %12llu %6d %7s %s", timeText, nodes, speed, scoreText, text);
    }
}

}  // namespace

void ChessBoardUCI::onComputerThinkPV(int depth, PLine& pv, unsigned long long nodes, double time,
                                      unsigned int reachedDepth, int bound) {
    thinkLine(*this, 0, depth, pv, nodes, time, reachedDepth, bound);
}

void ChessBoardUCI::onComputerThinkMultiPV(int line, int depth, PLine& pv, unsigned long long nodes,
                                           double time, unsigned int reachedDepth, int bound) {
    thinkLine(*this, line < 1 ? 1 : line, depth, pv, nodes, time, reachedDepth, bound);
}

// UCI reports with no WinBoard form: a WinBoard interface is not shown them.
void ChessBoardUCI::onSendHashFull(int permill) {
    if (!testSuiteMode && guiMode != GUI_WINBOARD) sendCommandf("info hashfull %d", permill);
}

void ChessBoardUCI::onSendInfoDepth(int depth) {
    if (!testSuiteMode && guiMode != GUI_WINBOARD) sendCommandf("info depth %d", depth);
}

// Handles the waiting line, and the lines that arrived with it as long as the
// search goes on ("time", "otim" and a move come together under WinBoard).
void ChessBoardUCI::onParseInputCommand() {
    parseCommand();
    while (!stopSearch && !Quit && lineWaiting()) parseCommand();
}

void ChessBoardUCI::onSearchRootMove(ChessMove move, int number) {
    if (!showthinking || guiMode != GUI_UCI) return;
    char text[8];
    moveToCoord(move, text, true);
    sendCommandf("info currmove %s currmovenumber %d", text, number);
}

// Hands the end of a search to the protocol in use; the console (test
// suites) prints nothing. reason is the final stop code.
void ChessBoardUCI::onComputerFinishPlaying(int reason) {
    if (reason == STOP_NONE) reason = STOP_PLAY;  // a book move after a cleared stop code
    if (guiMode == GUI_UCI)
        uciSearchFinished(*this, reason);
    else if (guiMode == GUI_WINBOARD)
        winboardSearchFinished(*this, reason);
}

// ---------------------------------------------------------------------------
// Lines that end a search

void sendTablebaseCounts() {
    sendCommandf("info string tablebase probes root %llu tree %llu hits %llu", tbCounts.root, tbCounts.tree,
                 tbCounts.hits);
}

void sendBestMove(ChessMove move, ChessMove ponder) {
    char text[8], reply[8];
    moveToCoord(move, text, true);
    if (ponder.isEmpty()) {
        sendCommandf("bestmove %s", text);
    } else {
        moveToCoord(ponder, reply, true);
        sendCommandf("bestmove %s ponder %s", text, reply);
    }
}

void sendEngineMove(ChessMove move) {
    char text[8];
    moveToCoord(move, text, true);
    sendCommandf("move %s", text);
}

void sendHint(ChessMove reply) {
    char text[8];
    moveToCoord(reply, text, true);
    sendCommandf("Hint: %s", text);
}

void sendResultClaim(const ChessBoardNode& n) {
    if (!movegen::kingAttacked(n, (int)n.side))
        sendCommand("1/2-1/2 {Stalemate}");
    else if (n.side == WHITE)
        sendCommand("0-1 {Black mates}");
    else
        sendCommand("1-0 {White mates}");
}
