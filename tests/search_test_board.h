// A board that records the engine events, for the search tests. Hooks let a
// test act inside a search (stop it, switch on long-search reporting).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "board/chessboard.h"
#include "search/hashtable.h"

// One reported line; `line` is 0 for onComputerThinkPV, else the multi-PV line number.
struct RecordedLine {
    int line, depth;
    ChessMove first;
    int score, bound;
};

class RecordingBoard : public ChessBoard {
public:
    std::vector<std::string> events;
    std::vector<RecordedLine> lines;
    std::vector<int> finishReasons;
    std::function<void(RecordingBoard&, const RecordedLine&)> onLine;
    std::function<void(RecordingBoard&)> onRootMove;

    void onPromotionMode() override { events.push_back("promotion"); }
    void onComputerStartPlaying() override { events.push_back("start"); }
    void onComputerFinishPlaying(int reason) override {
        events.push_back("finish");
        finishReasons.push_back(reason);
    }
    void onNextPlayer() override { events.push_back("next"); }
    void onComputerThinkPV(int depth, PLine& pv, unsigned long long n, double t, unsigned s,
                           int bound) override {
        onComputerThinkMultiPV(0, depth, pv, n, t, s, bound);
    }
    void onComputerThinkMultiPV(int line, int depth, PLine& pv, unsigned long long, double, unsigned,
                                int bound) override {
        events.push_back("pv");
        lines.push_back({line, depth, pv.count ? pv.moves[0].move : ChessMove(0), pv.moves[0].value, bound});
        if (onLine) onLine(*this, lines.back());
    }
    void onComputerClearPV() override { events.push_back("clear"); }
    void onSendHashFull(int) override { events.push_back("hashfull"); }
    void onSendInfoDepth(int) override { events.push_back("infodepth"); }
    void onMateFound(int, int) override { events.push_back("mate"); }
    void onParseInputCommand() override { events.push_back("input"); }
    void onSearchRootMove(ChessMove, int) override {
        events.push_back("rootmove");
        if (onRootMove) onRootMove(*this);
    }
};

using BoardPtr = std::unique_ptr<RecordingBoard>;

// A fresh board with a 16 MB table, a position, a fixed depth and no console polling.
inline BoardPtr makeSearchBoard(const char* fen = nullptr, int depth = 4) {
    BoardPtr b(new RecordingBoard);
    b->init(16);
    b->newGame();
    if (fen) b->setFENPosition(fen);
    b->setEngineSearchMode(SEARCH_DEPTH, depth, 0);
    b->inputPollPeriod = 0xFFFFFFFFu;
    return b;
}

// Prepares the board for calling search or search_quiescent directly at a ply.
inline void prepareNode(ChessBoard& b, int nullWindow = 0) {
    b.node.undo[b.node.ply].plyInCheck = (uint8_t)b.node.sideInCheck();
    b.node.undo[b.node.ply].nullWindow = (uint8_t)nullWindow;
    b.stopSearch = STOP_NONE;
    b.inputPollCount = 0;
    countNodes = 0;
}

inline BoardPtr nodeBoard(const char* fen, int nullWindow = 0) {
    BoardPtr b = makeSearchBoard(fen);
    prepareNode(*b, nullWindow);
    return b;
}
