// The WinBoard clock and limit commands, in-process (the dialogues with the
// built program are transcripts: tests/data/winboard.transcript).
#include <gtest/gtest.h>

#include "frontend/protocol.h"
#include "tests/proto_helpers.h"

namespace {

// Clock and limit commands, in-process.
class WinboardClock : public ::testing::Test {
protected:
    void SetUp() override {
        saved = board, board = nullptr, guiMode = 2;
        testing::internal::CaptureStdout();
        run("xboard");
        testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        board->free(), delete board;
        board = saved, guiMode = 0;
    }
    void run(std::string text) { parseWinboard(&text[0]); }
    ChessBoardUCI* saved = nullptr;
};

TEST_F(WinboardClock, LevelTimeOtimStAndSd) {
    int side = (int)board->node.side;
    auto clock = [&] { return std::make_tuple(board->clockTime[side], board->movesToGo, board->searchMode); };
    run("level 40 5 0");
    EXPECT_EQ(clock(), std::make_tuple(300000.0f, 40u, (int)SEARCH_CLOCK));
    run("level 0 0:30 2");
    EXPECT_EQ(clock(), std::make_tuple(30000.0f, 0u, (int)SEARCH_CLOCK));
    EXPECT_EQ(std::make_pair(board->timeIncrement[WHITE], board->timeIncrement[BLACK]),
              std::make_pair(2000, 2000));
    run("level 40 " + std::string(200, '9') + ":" + std::string(200, '9') + " 0");  // cut, no overflow
    run("time 6000");
    run("otim 500");
    EXPECT_EQ(std::make_pair(board->clockTime[side ^ 1], board->clockTime[side]),
              std::make_pair(60000.0f, 5000.0f));
    run("st 10");
    EXPECT_EQ(std::make_pair(board->searchMode, board->moveTime),
              std::make_pair((int)SEARCH_MOVETIME, 10000000u));
    run("sd 6");
    EXPECT_EQ(std::make_pair(board->searchMode, board->depthLimit), std::make_pair((int)SEARCH_DEPTH, 6));
    run("sd 100000");
    EXPECT_EQ(board->depthLimit, MAX_PLY - 1);
}

// Only a line shaped like a move counts as the opponent's half-move; any
// other line (an unknown command, a square off the board) leaves the count
// the clock's moves-left figure is taken from.
TEST_F(WinboardClock, OnlyMoveTextCountsAsAHalfMove) {
    run("force");
    const int before = countHalfMove;
    for (const char* line : {"bogus", "e2", "e2e9", "i2e4", "e0e4", "e2j4"}) run(line);
    EXPECT_EQ(countHalfMove, before);
    run("e2e4");
    EXPECT_EQ(countHalfMove, before + 1);
}

// The budget of a game's first search, in microseconds: "time" is the engine's clock whichever colour
// it turns out to play, and the same clock gives the same budget under UCI (a thirtieth of 1 s plus the
// 10 ms increment, doubled for the first search).
TEST_F(WinboardClock, FirstBudgetFollowsTheEngineColourAsUnderUci) {
    for (const char* lines :
         {"level 0 1 0.01|time 100|otim 200|go", "level 0 0:01 0.01|otim 200|time 100|e2e4",
          "uci|go wtime 1000 btime 2000 winc 10 binc 10"}) {
        std::vector<std::string> l = splitOn(lines, '|');
        testing::internal::CaptureStdout();
        run("xboard");
        board->inputPollPeriod = 0xFFFFFFFFu;  // the search never reads this process's input
        guiMode = l[0] == "uci" ? 1 : 2;
        for (size_t i = guiMode == 1; i < l.size(); i++) guiMode == 1 ? (void)parseUCI(&l[i][0]) : run(l[i]);
        guiMode = 2;
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(board->timeLimit, 86666u) << lines;
    }
}

// A game joined after whole time controls were played (moves given in force mode, then "go"): the
// moves left count within the current control, a fresh control when the last one just ended.
TEST_F(WinboardClock, MovesLeftCountFromTheCurrentControl) {
    for (auto [moves, left] :
         {std::pair{"e2e4", 2u}, {"e2e4|e7e5|g1f3|b8c6", 2u}, {"e2e4|e7e5|g1f3|b8c6|f1c4|g8f6", 1u}}) {
        testing::internal::CaptureStdout();
        run("new");
        board->inputPollPeriod = 0xFFFFFFFFu;  // the search never reads this process's input
        for (const std::string& line : splitOn(std::string("level 2 5 0|sd 1|force|") + moves + "|go", '|'))
            run(line);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(board->movesToGo, left) << moves;
    }
}

}  // namespace
