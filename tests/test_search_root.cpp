// The search driver: mates, events, multi-PV, limits, clock budgets, stops, book
// moves, a full game record, the EPD suite and the node-count signature.
#include <unistd.h>

#include <set>

#include "book/openingbook.h"
#include "diagnostics/bench.h"
#include "frontend/protocol.h"
#include "search/timecontrol.h"
#include "search_test_board.h"
#include "tests/book_helpers.h"

namespace {

struct MateCase {
    const char *name, *fen;
    int depth;
    const char* move;
    int score;
};
class SearchMates : public ::testing::TestWithParam<MateCase> {};

TEST_P(SearchMates, FoundWithTheExactScore) {
    BoardPtr b = makeSearchBoard(GetParam().fen, GetParam().depth);
    b->computerPlay(0);
    ASSERT_FALSE(b->lines.empty());
    EXPECT_EQ(b->lines.back().score, GetParam().score);
    char text[16] = "";
    b->lastMove.text(text);
    EXPECT_STREQ(text, GetParam().move);
    EXPECT_EQ(b->gameMoveCount, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SearchMates,
    ::testing::Values(MateCase{"BackRankInOne", "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 3, "Rd1-d8", 31999},
                      MateCase{"RookInTwo", "2k5/8/1K6/8/8/8/8/7R w - - 0 1", 4, "Rh1-d1", 31997},
                      MateCase{"QuietQueenInThree", "2r3k1/p4p2/3Rp2p/1p2P1pK/8/1P4P1/P3Q2P/1q6 b - - 0 1", 6,
                               "Qb1-g6", 31995}),
    [](const ::testing::TestParamInfo<MateCase>& i) { return std::string(i.param.name); });

TEST(SearchDriver, EventsOfAShortSearchAndOfNoLegalMove) {
    BoardPtr b = makeSearchBoard(nullptr, 3);
    b->computerPlay(0);
    EXPECT_EQ(b->events, (std::vector<std::string>{"start", "clear", "pv", "pv", "pv", "finish", "next"}));
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(b->lines[i].depth == i + 1 && !b->lines[i].bound && !b->lines[i].line) << i;
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PLAY});
    EXPECT_TRUE(b->lastMove == b->lines.back().first && b->node.side == BLACK);
    for (const char* fen : {"3R2k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"}) {
        b = makeSearchBoard(fen);  // mated or stalemated: no event at all
        EXPECT_EQ(b->computerPlay(0), 1);
        EXPECT_TRUE(b->events.empty() && !b->computerPlaying) << fen;
    }
}

// Distinct exact lines at every depth (fewer with fewer legal moves); line 1 is played.
TEST(SearchMultiPV, LinesAreDistinctAndTheFirstIsPlayed) {
    for (auto [fen, lines] : {std::pair<const char*, int>{"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 3},
                              {"k7/8/8/8/8/8/8/K7 w - - 0 1", 2}}) {
        BoardPtr b = makeSearchBoard(fen, 3);
        b->multiPV = 3;
        b->computerPlay(0);
        std::set<uint32_t> firsts[4];  // by depth
        for (const RecordedLine& r : b->lines) {
            if (r.bound != BOUND_EXACT) continue;
            EXPECT_EQ(r.line, (int)firsts[r.depth].size() + 1) << fen;
            firsts[r.depth].insert(r.first.moveInt);
            EXPECT_TRUE(r.depth != 3 || r.line != 1 || b->lastMove == r.first) << "line 1 is played";
        }
        for (int d = 1; d <= 3; d++) EXPECT_EQ((int)firsts[d].size(), lines) << fen << " depth " << d;
    }
}

TEST(SearchLimits, NodeLimitStopsAtTheFirstNodePastItAndStillPlays) {
    BoardPtr b = makeSearchBoard();
    b->setEngineSearchMode(SEARCH_NODES, 1000, 0);
    b->computerPlay(0);
    EXPECT_TRUE(countNodes >= 1000u && countNodes < 1400u) << countNodes;
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PLAY});
    b = makeSearchBoard("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    b->setEngineSearchMode(SEARCH_NODES, 1, 0);  // stopped inside the first iteration
    b->computerPlay(0);
    ASSERT_EQ(b->gameMoveCount, 1u);
    EXPECT_TRUE(b->lines.empty() && b->gameMoves[0].move == b->lastMove);
    // The first iteration cut short among many captures: the answer costs no further search.
    b = makeSearchBoard("1q1q1q1k/q1q1q1q1/8/8/8/8/Q1Q1Q1Q1/1Q1Q1Q1K w - - 0 1");
    b->setEngineSearchMode(SEARCH_NODES, 1000, 0);
    b->computerPlay(0);
    EXPECT_TRUE(b->lines.empty() && b->gameMoveCount == 1u && countNodes < 1400u) << countNodes;
    // Stopped while the root moves are still being ordered: the first move in the
    // order of those scored so far is played, not the first one generated.
    for (auto [fen, nodes, move] : {std::tuple{"8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1", 5, "c4xd3e.p"},
                                    {"2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1", 1, "e7-e8=Q"},
                                    {"r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1", 30, "Bh2-e5"}}) {
        b = makeSearchBoard(fen);
        b->setEngineSearchMode(SEARCH_NODES, nodes, 0);
        b->computerPlay(0);
        char text[16] = "";
        b->lastMove.text(text);
        EXPECT_TRUE(b->lines.empty()) << fen;
        EXPECT_STREQ(text, move) << fen;
    }
}

TEST(SearchLimits, FixedDepthStopBeforeAnyMoveOfTheNextIteration) {
    // After iteration 1, turn on per-move reports; the first root move of
    // iteration 2 asks to stop, so no move of that iteration finishes.
    BoardPtr b = makeSearchBoard(nullptr, 6);
    ASSERT_TRUE(b->setMoveSquareList("e2e4 e7e5 g1f3"));
    b->onLine = [](auto& rb, const auto& r) { rb.longSearch |= r.depth == 1; };
    b->onRootMove = [](auto& rb) { rb.stopSearch = STOP_PLAY; };
    b->computerPlay(0);
    ASSERT_EQ(b->lines.size(), 1u);
    EXPECT_EQ(b->gameMoveCount, 4u);
    EXPECT_EQ(b->lastMove, b->lines[0].first) << "the move of the last finished iteration";
}

TEST(SearchLimits, AbandonedPonderSearchTakesThePonderedMoveBack) {
    BoardPtr b = makeSearchBoard(nullptr, 8);
    b->setMoveSquareList("e2e4");
    b->ponderEnabled = 1;
    b->onLine = [](auto& rb, const auto& r) { rb.stopSearch = r.depth == 2 ? STOP_PONDER : rb.stopSearch; };
    b->computerPlay(1);
    EXPECT_TRUE(!b->gameMoveCount && !b->gameIndex && b->lastMove.isEmpty() && !b->ponderSearch);
    EXPECT_EQ(b->node.side, (uint32_t)WHITE);
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PONDER});
    EXPECT_EQ(b->events.back(), "finish") << "no next-player event after the finish of a ponder stop";
}

// A stop left by an aborted search does not cancel a book move. A word that is not exactly a legal
// generated move (blocked, a knight promoting, a pawn three ranks on, a check mark) is searched
// instead, and so is every infinite search: an analysis shows its thinking.
TEST(SearchBook, StaleStopIsClearedAndBadWordsAndAnalysesAreSearched) {
    const ChessMove d4 = ChessMove::make(11, 27, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
    const ChessMove words[] = {d4,
                               ChessMove::make(3, 39, QUEEN),
                               ChessMove(0x00142546u),
                               ChessMove(0x190Cu),
                               ChessMove(d4.moveInt | 1u << 24),
                               d4};
    for (const ChessMove& m : words) {
        const bool analysis = &m == &words[5], played = &m == &words[0];
        BoardPtr b = makeSearchBoard(nullptr, 2);
        openingBook.clear();
        openingBook.addNode(b->node.hashKey, m, 10, 50, 50);
        b->bookEnabled = 1;
        b->bookMoveLimit = 20;
        b->stopSearch = STOP_ABORT;
        if (analysis) b->setEngineSearchMode(SEARCH_INFINITE, 0, 0);
        b->onLine = [](auto& rb, const auto& r) { rb.stopSearch = r.depth == 2 ? STOP_PLAY : rb.stopSearch; };
        b->computerPlay(0);
        EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PLAY});
        EXPECT_EQ(b->gameMoveCount, 1u);
        EXPECT_EQ(b->lines.empty(), played) << std::hex << m.moveInt;
        EXPECT_TRUE(!played || b->lastMove == d4);
    }
    openingBook.clear();
}

TEST(SearchDriver, FullGameRecordKeepsTheBoardSound) {
    BoardPtr b = makeSearchBoard(nullptr, 2);
    const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < MAX_GAME_MOVES; i++) ASSERT_TRUE(b->setMoveSquare(cycle[i % 4])) << i;
    const uint64_t key = b->node.hashKey;
    b->computerPlay(0);
    EXPECT_TRUE(b->gameMoveCount == MAX_GAME_MOVES && b->node.ply == MAX_GAME_MOVES);
    EXPECT_EQ(b->node.hashKey, key);
    EXPECT_TRUE(b->node.validMove(b->lastMove)) << "the engine's choice is reported, not the opponent's move";
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PLAY});
}

// Clock (ms), increment (ms), moves to go, searches so far, budget (us); a short clock keeps 5 % or
// 30 ms, one under 40 ms three quarters; with an increment, a clock near 100 ms spends half of it.
TEST(SearchClock, Budgets) {
    const int cases[][5] = {
        {60000, 0, 0, 0, 3000000},  {60000, 1000, 0, 10, 3000000}, {10000, 0, 1, 0, 9500000},
        {10000, 0, 1, 10, 5000000}, {10000, 0, 1, 5, 7500000},     {40, 100, 0, 10, 10000},
        {20, 10, 0, 10, 1000},      {60000, 0, 20, 12, 3000000},   {-500, 0, 0, 0, 0},
        {100, 10, 0, 10, 5000},     {300, 10, 0, 10, 20000},       {50, 10, 0, 10, 2500}};
    BoardPtr b = makeSearchBoard();
    b->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
    for (const auto& c : cases) {
        b->clockTime[WHITE] = (float)c[0];
        b->timeIncrement[WHITE] = c[1];
        b->movesToGo = c[2];
        b->searchCount = c[3];
        b->computeTimeLimit();
        EXPECT_NEAR((double)b->timeLimit, (double)c[4], 1.0) << c[0] << " ms, " << c[2] << " to go";
    }
}

// "Move Overhead" comes off every clock budget to the microsecond, down to 2 ms of a budget it would
// eat whole; a fixed move time keeps its own.
TEST(SearchClock, MoveOverheadShortensEveryBudget) {
    const int cases[][6] = {{60000, 0, 0, 0, 100, 2900000},   {10000, 0, 1, 0, 30, 9470000},
                            {60000, 1000, 0, 10, 5000, 2000}, {300, 10, 0, 10, 50, 2000},
                            {40, 100, 0, 10, 8, 2000},        {40, 100, 0, 10, 7, 3000},
                            {20, 10, 0, 10, 1, 1000}};
    BoardPtr b = makeSearchBoard();
    for (const auto& c : cases) {
        b->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
        b->clockTime[WHITE] = (float)c[0];
        b->timeIncrement[WHITE] = c[1];
        b->movesToGo = c[2];
        b->searchCount = c[3];
        moveOverheadMs = 0;
        b->computeTimeLimit();
        const uint32_t without = b->timeLimit;
        moveOverheadMs = c[4];
        b->searchCount = c[3];
        b->computeTimeLimit();
        EXPECT_NEAR((double)b->timeLimit, (double)c[5], 1.0) << c[0] << " ms, overhead " << c[4];
        if (c[5] > 2000) {
            EXPECT_NEAR((double)(without - b->timeLimit), c[4] * 1000.0, 1.0);
        }
        b->setEngineSearchMode(SEARCH_MOVETIME, 250000, 0);
        b->computeTimeLimit();
        EXPECT_EQ(b->timeLimit, 250000u);
    }
    moveOverheadMs = 0;
}

// A spent budget is noticed within 256 node calls, not only at the input poll:
// a poll period of nodes can outlast a short clock on a busy machine.
TEST(SearchClockRules, SpentBudgetStopsBetweenPolls) {
    BoardPtr b = makeSearchBoard();
    b->setEngineSearchMode(SEARCH_MOVETIME, 1000, 0);
    b->inputPollPeriod = 30000;
    b->computeTimeLimit();
    b->searchStartTime.tv_sec -= 1;  // a second ago
    prepareNode(*b);
    int calls = 0;
    while (b->checkSearchTime() && calls < 30000) calls++;
    EXPECT_EQ(calls, 255);
    EXPECT_EQ(b->stopSearch, STOP_PLAY);
    b->setEngineSearchMode(SEARCH_DEPTH, 3, 0);  // depth searches never read the clock
    b->stopSearch = STOP_NONE;
    b->inputPollPeriod = 0xFFFFFFFFu;
    for (calls = 0; calls < 5000 && b->checkSearchTime();) calls++;
    EXPECT_EQ(calls, 5000);

    // A ponder search reads a waiting line as often: the opponent's move, which ends it or makes it
    // the real search, is sent when the engine's clock starts.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int savedInput = dup(0);
    dup2(fds[0], 0);
    EXPECT_EQ(write(fds[1], "setvalue none 0\n", 16), 16);
    b->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
    b->ponderSearch = 1;
    b->inputPollPeriod = 30000;
    prepareNode(*b);
    for (calls = 0; calls < 30000 && b->events.empty(); calls++) b->checkSearchTime();
    dup2(savedInput, 0);
    for (int fd : {savedInput, fds[0], fds[1]}) close(fd);
    restartInput();  // the line read is forgotten
    EXPECT_EQ(calls, 1024);
    EXPECT_EQ(b->events, std::vector<std::string>{"input"});
}

// Runs the between-iterations clock rules on a clear stop request; did they stop?
bool stopsAfter(ChessBoard& b, int iteration, int score) {
    b.stopSearch = STOP_NONE;
    b.applyClockStops(iteration, score);
    return b.stopSearch == STOP_PLAY;
}

TEST(SearchClockRules, StopsBetweenIterations) {
    BoardPtr b = makeSearchBoard();
    b->setEngineSearchMode(SEARCH_MOVETIME, 250000, 0);
    b->setEngineSearchMode(4, 1, 0);  // unknown: nothing changes
    EXPECT_EQ(b->searchMode, SEARCH_MOVETIME);
    b->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
    b->timeLimit = 3000000;
    b->rootMoveStatus = b->mateIterations = 0;
    b->elapsedTime = 1800000;
    EXPECT_FALSE(stopsAfter(*b, 3, 20)) << "exactly 60 % used";
    b->elapsedTime = 1800001;
    EXPECT_TRUE(stopsAfter(*b, 3, 20));
    b->elapsedTime = 0;
    EXPECT_FALSE(stopsAfter(*b, 6, 31990));
    EXPECT_FALSE(stopsAfter(*b, 6, 31990)) << "mates before iteration 7 go on";
    EXPECT_TRUE(stopsAfter(*b, 7, 31990));
    b->rootMoveStatus = b->ponderSearch = 1;
    EXPECT_FALSE(stopsAfter(*b, 1, 0)) << "a ponder search never stops for the clock";
    b->ponderSearch = 0;
    EXPECT_TRUE(stopsAfter(*b, 1, 0)) << "a single legal move";

    b = makeSearchBoard("k7/7p/K7/7P/8/8/8/1R6 b - - 0 1");  // one legal move: played after iteration 1
    b->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
    b->computerPlay(0);
    EXPECT_TRUE(b->lines.size() == 1u && b->gameMoveCount == 1u);
}

std::string runSuite(RecordingBoard& b, const std::string& text) {
    const std::string path = bookTestPath("suite.epd");
    writeText(path, text);
    testing::internal::CaptureStdout();
    b.runTestSuite(path);
    return testing::internal::GetCapturedStdout();
}

// Easy positions are solved at a fixed depth; avoid moves, castling written
// with zeros, comments, bad FEN, a mated side and matches by substring.
TEST(SearchTestSuite, VerdictsAndSummary) {
    BoardPtr b = makeSearchBoard(nullptr, 8);
    const std::string out = runSuite(
        *b,
        "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - bm Qd1+; id \"BK.01\";\n"
        "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - bm e6; id \"BK.04\";\n"
        "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - bm Bf5; id \"BK.12\";\n"
        "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - am 0-0-0 Kf1; id \"avoid\";\n"
        "this line is a comment\nx\n"
        "8/8/8/9/8/8/8/8 w - - bm Ke2; id \"broken\";\n"
        "3R2k1/5ppp/8/8/8/8/8/6K1 b - - bm Kh8; id \"mated\";\n"
        "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - bm Rd8+; id \"substring\"\n");
    for (const char* expected :
         {"-------------------------------------------------------------------------------\n",
          "result => 'Qd1' : ok\n", " am O-O-O Kf1; id avoid;\n\n", "ERROR : bad FEN !\n",
          "result => 'Rd8' : ok\n", "\nScore = 5 / 9\n", "\nBad results : \n\n", "id \"broken\";\n",
          "id \"mated\";\n"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
    EXPECT_EQ(b->testSuiteMode, 0);
}

// A missing file (random suite files: the suites fuzz target).
TEST(SearchTestSuite, MissingFileRunsNothing) {
    EXPECT_EQ(makeSearchBoard(nullptr, 1)->runTestSuite("/nonexistent/suite.epd"), 0);
}

// The node count of a fixed-depth run over the benchmark positions is the
// search's signature: change it only together with a deliberate change of
// search, evaluation or move-generation order (both programs' counts from the
// command line: tests/data/cli.transcript).
TEST(SearchSignature, BenchNodeCount) {
    const unsigned long long nodes = runBenchSearch(4, nullptr);
    EXPECT_EQ(nodes, 271062u);
    EXPECT_EQ(runBenchSearch(4, nullptr), nodes) << "every run gives the same count";
}

}  // namespace
