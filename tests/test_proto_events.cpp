// The thinking lines of the engine events in their UCI, WinBoard and console forms.
#include <gtest/gtest.h>

#include "frontend/protocol.h"

namespace {

// guiMode, testSuiteMode, multi-PV line number (0: onComputerThinkPV), score, time in microseconds, nodes,
// bound.
struct ThinkCase {
    int gui, suite, line, score;
    double time;
    unsigned long long nodes;
    int bound;
    const char* expected;
};

void PrintTo(const ThinkCase& c, std::ostream* os) { *os << c.expected; }

// A board shared by the cases; guiMode, testSuiteMode and showthinking are restored after each.
class ProtoThinkLine : public ::testing::TestWithParam<ThinkCase> {
protected:
    static void SetUpTestSuite() { b = new ChessBoardUCI(), b->init(1), b->newGame(); }
    static void TearDownTestSuite() { b->free(), delete b; }
    void TearDown() override { guiMode = savedGui, b->testSuiteMode = 0, showthinking = 1; }
    int savedGui = guiMode;
    static ChessBoardUCI* b;
};
ChessBoardUCI* ProtoThinkLine::b = nullptr;

TEST_P(ProtoThinkLine, PrintsTheExactLine) {
    const ThinkCase& c = GetParam();
    PLine pv;
    pv.count = 2;
    pv.moves[0] = {ChessMove::make(12, 28, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG), c.score};
    pv.moves[1] = {ChessMove::make(52, 36, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG), -c.score};
    guiMode = c.gui;
    b->testSuiteMode = c.suite;
    testing::internal::CaptureStdout();
    if (c.line)
        b->onComputerThinkMultiPV(c.line, 3, pv, c.nodes, c.time, 5, c.bound);
    else
        b->onComputerThinkPV(3, pv, c.nodes, c.time, 5, c.bound);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(c.expected) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ProtoThinkLine,
    ::testing::Values(
        ThinkCase{1, 0, 0, 35, 2500000, 5000000, 2,
                  "info depth 3 seldepth 5 score cp 35 lowerbound time 2500 nodes 5000000 nps 2000000 pv "
                  "e2e4 e7e5 "},
        ThinkCase{1, 0, 0, -12, 2500000, 5000000, 1,
                  "info depth 3 seldepth 5 score cp -12 upperbound time 2500 nodes 5000000 nps 2000000 pv "
                  "e2e4 e7e5 "},
        ThinkCase{1, 0, 0, 31999, 0, 1000, 0,
                  "info depth 3 seldepth 5 score mate 1 time 16 nodes 1000 nps 62500 pv e2e4 e7e5 "},
        ThinkCase{1, 0, 0, -31996, 0, 1000, 0,
                  "info depth 3 seldepth 5 score mate -2 time 16 nodes 1000 nps 62500 pv e2e4 e7e5 "},
        ThinkCase{1, 0, 2, 35, 2500000, 5000000, 0,
                  "info multipv 2 depth 3 seldepth 5 score cp 35 time 2500 nodes 5000000 nps 2000000 pv e2e4 "
                  "e7e5 "},
        ThinkCase{2, 0, 0, 35, 2500000, 5000000, 0, "3 35 250 5000000 e2e4 e7e5 "},
        ThinkCase{2, 0, 3, 31999, 2500000, 5000000, 0, "3 31999 250 5000000 e2e4 e7e5 "},
        ThinkCase{0, 1, 0, 35, 62500000, 5000000, 2,
                  " 3/5 + 01:02:500      5000000     80   +0.35 e2-e4 e7-e5 "},
        ThinkCase{0, 1, 0, -150, 2500000, 5000000, 0,
                  " 3/5   00:02:500      5000000   2000   -1.50 e2-e4 e7-e5 "},
        ThinkCase{0, 1, 1, -31997, 0, 7, 1, " 3/5 - 00:00:000            7      0     -M1 e2-e4 e7-e5 "},
        ThinkCase{0, 1, 2, 31997, 2500000, 5000000, 0,
                  "       00:02:500      5000000   2000     +M2 e2-e4 e7-e5 "}),
    [](const ::testing::TestParamInfo<ThinkCase>& p) {
        const ThinkCase& c = p.param;
        return std::string(c.gui == 1   ? "Uci"
                           : c.gui == 2 ? "WinBoard"
                                        : "Console") +
               (c.line ? "MultiPv" : "Pv") + std::to_string(p.index);
    });

// Hash fill, depth and current move reports, and the modes that print nothing (WinBoard has no
// form for any of the three).
TEST_F(ProtoThinkLine, OtherReportsAndSilentModes) {
    guiMode = 1;
    testing::internal::CaptureStdout();
    b->onSendHashFull(412);
    b->onSendInfoDepth(9);
    b->onSearchRootMove(ChessMove::make(52, 60, PAWN, 0, QUEEN), 4);
    showthinking = 0;
    PLine pv;
    pv.count = 0;
    pv.moves[0].value = 0;
    b->onComputerThinkPV(1, pv, 1, 1, 1, 0);
    b->onSearchRootMove(ChessMove::make(12, 28, PAWN), 1);
    showthinking = 1;
    b->testSuiteMode = 1;
    b->onSendHashFull(1);
    b->onSendInfoDepth(1);
    guiMode = 2;
    b->testSuiteMode = 0;
    b->onSearchRootMove(ChessMove::make(12, 28, PAWN), 1);
    b->onSendHashFull(412);
    b->onSendInfoDepth(9);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "info hashfull 412\ninfo depth 9\ninfo currmove e7e8q currmovenumber 4\n");
}

}  // namespace
