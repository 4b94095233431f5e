// The search driver: mates at fixed depth, events, multi-PV, limits, clock
// budgets, stops, book moves, a full game record, the EPD suite and the
// node-count signature.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <unistd.h>

#include "book/openingbook.h"
#include "diagnostics/bench.h"
#include "search_test_board.h"

namespace {

const unsigned long long SIGNATURE_DEPTH_4 = 271062;

struct MateCase {
    const char* name;
    const char* fen;
    int depth;
    const char* move;  // long algebraic text
    int score;
};
void PrintTo(const MateCase& c, std::ostream* os) { *os << c.name; }
class SearchMates : public ::testing::TestWithParam<MateCase> {};

TEST_P(SearchMates, FoundWithTheExactScore) {
    const MateCase& c = GetParam();
    BoardPtr b = makeSearchBoard(c.fen, c.depth);
    b->computerPlay(0);
    ASSERT_FALSE(b->lines.empty());
    EXPECT_EQ(b->lines.back().score, c.score);
    EXPECT_EQ(moveText(b->lastMove), c.move);
    EXPECT_EQ(b->gameMoveCount, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SearchMates,
    ::testing::Values(MateCase{"BackRankInOne", "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 3, "Rd1-d8", 31999},
                      MateCase{"RookInTwo", "2k5/8/1K6/8/8/8/8/7R w - - 0 1", 4, "Rh1-d1", 31997},
                      MateCase{"BlackRooksInTwo", "6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", 4, "Rg2-g1",
                               31997},
                      MateCase{"KingHuntInThree", "r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", 6,
                               "Bf8-c5", 31995},
                      MateCase{"QuietQueenInThree", "2r3k1/p4p2/3Rp2p/1p2P1pK/8/1P4P1/P3Q2P/1q6 b - - 0 1", 6, "Qb1-g6",
                               31995}),
    CaseName());

TEST(SearchDriver, EventsOfAShortSearchAndOfNoLegalMove) {
    BoardPtr b = makeSearchBoard(nullptr, 3);
    b->computerPlay(0);
    const std::vector<std::string> expected = {"start", "clear", "pv", "pv", "pv", "finish", "next"};
    EXPECT_EQ(b->events, expected);
    for (int i = 0; i < 3; i++) EXPECT_TRUE(b->lines[i].depth == i + 1 && b->lines[i].bound == 0 && !b->lines[i].line);
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PLAY});
    EXPECT_EQ(b->lastMove, b->lines.back().first);
    EXPECT_EQ(b->node.side, (uint32_t)BLACK);

    for (const char* fen : {"3R2k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"}) {
        b = makeSearchBoard(fen);  // mated or stalemated: no event at all
        EXPECT_EQ(b->computerPlay(0), 1);
        EXPECT_TRUE(b->events.empty()) << fen;
        EXPECT_EQ(b->computerPlaying, 0);
    }
}

struct MultiPVCase {
    const char* name;
    const char* fen;
    int wanted, lines;
};
void PrintTo(const MultiPVCase& c, std::ostream* os) { *os << c.name; }
class SearchMultiPV : public ::testing::TestWithParam<MultiPVCase> {};

TEST_P(SearchMultiPV, LinesAreDistinctAndTheFirstIsPlayed) {
    const MultiPVCase& c = GetParam();
    BoardPtr b = makeSearchBoard(c.fen, 3);
    b->multiPV = c.wanted;
    b->computerPlay(0);
    for (int depth = 1; depth <= 3; depth++) {
        std::set<uint32_t> firsts;
        int count = 0;
        for (const RecordedLine& r : b->lines) {
            if (r.depth != depth || r.bound != BOUND_EXACT) continue;
            EXPECT_EQ(r.line, ++count);
            firsts.insert(r.first.moveInt);
            if (depth == 3 && r.line == 1) {
                EXPECT_EQ(b->lastMove, r.first) << "the best line's move is played";
            }
        }
        EXPECT_EQ(count, c.lines) << "depth " << depth;
        EXPECT_EQ((int)firsts.size(), c.lines);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, SearchMultiPV,
                         ::testing::Values(MultiPVCase{"ThreeOfMany", "4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 3, 3},
                                           MultiPVCase{"ThreeOfThree", "k7/8/8/8/8/8/8/K7 w - - 0 1", 3, 2}),
                         CaseName());

TEST(SearchLimits, NodeLimitStopsAtTheFirstNodePastItAndStillPlays) {
    BoardPtr b = makeSearchBoard();
    b->setEngineSearchMode(SEARCH_NODES, 1000, 0);
    b->computerPlay(0);
    EXPECT_GE(countNodes, 1000u);
    EXPECT_LT(countNodes, 1400u);
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PLAY});
    // Stopped before the first iteration finished: a legal move all the same.
    b = makeSearchBoard("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    b->setEngineSearchMode(SEARCH_NODES, 1, 0);
    b->computerPlay(0);
    ASSERT_EQ(b->gameMoveCount, 1u);
    EXPECT_EQ(b->gameMoves[0].move, b->lastMove);
    EXPECT_TRUE(b->lines.empty());
}

TEST(SearchLimits, FixedDepthStopBeforeAnyMoveOfTheNextIteration) {
    // After iteration 1, turn on per-move reports; the first root move of
    // iteration 2 asks to stop, so no move of that iteration finishes.
    BoardPtr b = makeSearchBoard(nullptr, 6);
    ASSERT_TRUE(b->setMoveSquareList("e2e4 e7e5 g1f3"));
    const ChessMove opponent = b->lastMove;
    b->onLine = [](RecordingBoard& rb, const RecordedLine& r) {
        if (r.depth == 1) rb.longSearch = 1;
    };
    b->onRootMove = [](RecordingBoard& rb) { rb.stopSearch = STOP_PLAY; };
    b->computerPlay(0);
    ASSERT_EQ(b->lines.size(), 1u);
    EXPECT_EQ(b->gameMoveCount, 4u);
    EXPECT_EQ(b->lastMove, b->lines[0].first) << "the move of the last finished iteration";
    EXPECT_NE(b->lastMove, opponent);
}

TEST(SearchLimits, AbandonedPonderSearchTakesThePonderedMoveBack) {
    BoardPtr b = makeSearchBoard(nullptr, 8);
    b->setMoveSquareList("e2e4");
    b->ponderEnabled = 1;
    b->onLine = [](RecordingBoard& rb, const RecordedLine& r) {
        if (r.depth == 2) rb.stopSearch = STOP_PONDER;
    };
    b->computerPlay(1);
    EXPECT_EQ(b->gameMoveCount, 0u);
    EXPECT_EQ(b->gameIndex, 0u);
    EXPECT_TRUE(b->lastMove.isEmpty());
    EXPECT_EQ(b->node.side, (uint32_t)WHITE);
    EXPECT_EQ(b->ponderSearch, 0);
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PONDER});
    EXPECT_EQ(b->events.back(), "finish") << "no next-player event after the finish of a ponder stop";
}

// A board at the start position whose book holds one move for it.
BoardPtr bookBoard(ChessMove m) {
    BoardPtr b = makeSearchBoard(nullptr, 2);
    openingBook.clear();
    openingBook.addNode(b->node.hashKey, m, 10, 50, 50);
    b->bookEnabled = 1;
    b->bookMoveLimit = 20;
    return b;
}

TEST(SearchBook, StaleStopIsClearedAndInvalidBookMovesAreSearched) {
    const ChessMove d4 = ChessMove::make(11, 27, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
    BoardPtr b = bookBoard(d4);
    b->stopSearch = STOP_ABORT;  // left by an aborted search
    b->computerPlay(0);
    EXPECT_EQ(b->lastMove, d4);
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PLAY});
    const std::vector<std::string> expected = {"start", "clear", "finish", "next"};
    EXPECT_EQ(b->events, expected);

    b = bookBoard(ChessMove::make(3, 39, QUEEN));  // not playable here (a book made with other keys)
    b->computerPlay(0);
    EXPECT_EQ(b->gameMoveCount, 1u);
    EXPECT_FALSE(b->lines.empty()) << "searched instead";
    openingBook.clear();
}

TEST(SearchDriver, FullGameRecordKeepsTheBoardSound) {
    BoardPtr b = makeSearchBoard(nullptr, 2);
    const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < MAX_GAME_MOVES; i++) ASSERT_TRUE(b->setMoveSquare(cycle[i % 4])) << i;
    const uint64_t key = b->node.hashKey;
    b->computerPlay(0);
    EXPECT_EQ(b->gameMoveCount, (uint32_t)MAX_GAME_MOVES);
    EXPECT_EQ(b->node.ply, (uint32_t)MAX_GAME_MOVES);
    EXPECT_EQ(b->node.hashKey, key);
    EXPECT_TRUE(b->node.validMove(b->lastMove)) << "the engine's choice is reported, not the opponent's move";
    EXPECT_EQ(b->finishReasons, std::vector<int>{STOP_PLAY});
}

struct ClockCase {
    const char* name;
    float clock;
    int increment;
    unsigned movesToGo, searchCount;
    uint32_t budget;
};
void PrintTo(const ClockCase& c, std::ostream* os) { *os << c.name; }
class SearchClock : public ::testing::TestWithParam<ClockCase> {};

TEST_P(SearchClock, Budget) {
    const ClockCase& c = GetParam();
    BoardPtr b = makeSearchBoard();
    b->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
    b->clockTime[WHITE] = c.clock;
    b->timeIncrement[WHITE] = c.increment;
    b->movesToGo = c.movesToGo;
    b->searchCount = c.searchCount;
    b->computeTimeLimit();
    EXPECT_NEAR((double)b->timeLimit, (double)c.budget, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Budgets, SearchClock,
                         ::testing::Values(ClockCase{"FortiethDoubled", 60000, 0, 0, 0, 3000000},
                                           ClockCase{"ThirtiethPlusIncrement", 60000, 1000, 0, 10, 3000000},
                                           ClockCase{"HalfDoubledKeepsAReserve", 10000, 0, 1, 0, 9500000},
                                           ClockCase{"HalfTheClock", 10000, 0, 1, 10, 5000000},
                                           ClockCase{"FactorOneAndAHalf", 10000, 0, 1, 5, 7500000},
                                           ClockCase{"IncrementBeyondAShortClock", 40, 100, 0, 10, 20000},
                                           ClockCase{"ClockOverMovesToGo", 60000, 0, 20, 12, 3000000},
                                           ClockCase{"NegativeClock", -500, 0, 0, 0, 0}),
                         CaseName());

// Runs the between-iterations clock rules on a clear stop request; did they stop?
bool stopsAfter(ChessBoard& b, int iteration, int score) {
    b.stopSearch = STOP_NONE;
    b.applyClockStops(iteration, score);
    return b.stopSearch == STOP_PLAY;
}

// A spent budget is noticed within 1024 node calls, not only at the input poll:
// a poll period of nodes can outlast a short clock on a busy machine.
TEST(SearchClockRules, SpentBudgetStopsBetweenPolls) {
    BoardPtr b = makeSearchBoard();
    b->setEngineSearchMode(SEARCH_MOVETIME, 1000, 0);
    b->inputPollPeriod = 30000;
    b->computeTimeLimit();
    b->searchStartTime.tv_sec -= 1;  // a second ago
    b->stopSearch = STOP_NONE;
    b->inputPollCount = 0;
    int calls = 0;
    while (b->checkSearchTime() && calls < 30000) calls++;
    EXPECT_EQ(calls, 1023);
    EXPECT_EQ(b->stopSearch, STOP_PLAY);

    b->setEngineSearchMode(SEARCH_DEPTH, 3, 0);  // depth searches never read the clock
    b->stopSearch = STOP_NONE;
    b->inputPollCount = 0;
    b->inputPollPeriod = 0xFFFFFFFFu;
    for (calls = 0; calls < 5000 && b->checkSearchTime(); calls++) {
    }
    EXPECT_EQ(calls, 5000);
}

TEST(SearchClockRules, StopsBetweenIterations) {
    BoardPtr b = makeSearchBoard();
    b->setEngineSearchMode(SEARCH_MOVETIME, 250000, 0);
    b->setEngineSearchMode(4, 1, 0);  // unknown: nothing changes
    EXPECT_EQ(b->searchMode, SEARCH_MOVETIME);

    b->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
    b->timeLimit = 3000000;
    b->rootMoveStatus = 0;
    b->mateIterations = 0;
    b->elapsedTime = 1800000;
    EXPECT_FALSE(stopsAfter(*b, 3, 20)) << "exactly 60 % used";
    b->elapsedTime = 1800001;
    EXPECT_TRUE(stopsAfter(*b, 3, 20));
    b->elapsedTime = 0;
    EXPECT_FALSE(stopsAfter(*b, 6, 31990));
    EXPECT_FALSE(stopsAfter(*b, 6, 31990)) << "mates before iteration 7 go on";
    EXPECT_TRUE(stopsAfter(*b, 7, 31990));
    b->rootMoveStatus = 1;
    b->ponderSearch = 1;
    EXPECT_FALSE(stopsAfter(*b, 1, 0)) << "a ponder search never stops for the clock";
    b->ponderSearch = 0;
    EXPECT_TRUE(stopsAfter(*b, 1, 0)) << "a single legal move";

    b = makeSearchBoard("k7/7p/K7/7P/8/8/8/1R6 b - - 0 1");  // one legal move: played after iteration 1
    b->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
    b->computerPlay(0);
    EXPECT_EQ(b->lines.size(), 1u);
    EXPECT_EQ(b->gameMoveCount, 1u);
}

std::string runSuite(RecordingBoard& b, const std::string& text) {
    char path[] = "/tmp/pellux_epd_XXXXXX";
    FILE* f = fdopen(mkstemp(path), "w");
    fputs(text.c_str(), f);
    fclose(f);
    testing::internal::CaptureStdout();
    b.runTestSuite(path);
    std::string out = testing::internal::GetCapturedStdout();
    remove(path);
    return out;
}

// Easy positions are solved at a fixed depth; avoid moves, castling written
// with zeros, comments, bad FEN, a mated side and matches by substring.
TEST(SearchTestSuite, VerdictsAndSummary) {
    BoardPtr b = makeSearchBoard(nullptr, 8);
    const std::string out = runSuite(*b,
        "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - bm Qd1+; id \"BK.01\";\n"
        "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - bm e6; id \"BK.04\";\n"
        "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - bm Bf5; id \"BK.12\";\n"
        "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - am 0-0-0 Kf1; id \"avoid\";\n"
        "this line is a comment\n"
        "x\n"
        "8/8/8/9/8/8/8/8 w - - bm Ke2; id \"broken\";\n"
        "3R2k1/5ppp/8/8/8/8/8/6K1 b - - bm Kh8; id \"mated\";\n"
        "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - bm Rd8+; id \"substring\"\n");
    for (const char* expected :
         {"-------------------------------------------------------------------------------\n",
          "result => 'Qd1' : ok\n", " am O-O-O Kf1; id avoid;\n\n", "ERROR : bad FEN !\n", "result => 'Rd8' : ok\n",
          "\nScore = 5 / 9\n", "\nBad results : \n\n", "id \"broken\";\n", "id \"mated\";\n"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
    EXPECT_EQ(b->testSuiteMode, 0);
}

TEST(SearchTestSuite, RandomAndMutatedLinesNeverCrash) {
    BoardPtr b = makeSearchBoard(nullptr, 1);
    const std::string seed = "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - bm Qd1+; id \"BK.01\";";
    const char alphabet[] = "bam;\"id 0123456789/kqrbnpKQRBNP-wO+x";
    unsigned state = 12345;
    auto next = [&state]() { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7FFF; };
    std::string text;
    for (int i = 0; i < 60; i++) {
        std::string line = seed;
        for (int k = 1 + (int)(next() % 6); k > 0; k--) {
            const size_t at = next() % line.size();
            switch (next() % 3) {
            case 0: line[at] = alphabet[next() % (sizeof alphabet - 1)]; break;
            case 1: line.erase(at, 1 + next() % 8); break;
            default: line.insert(at, 1, alphabet[next() % (sizeof alphabet - 1)]); break;
            }
            if (line.empty()) line = "bm";
        }
        text += line + "\n";
    }
    text += std::string(600, 'b') + "m\n";  // longer than a line buffer
    text += "bm\nam;\n; id \"\n";
    EXPECT_NE(runSuite(*b, text).find("\nScore = "), std::string::npos);
    EXPECT_EQ(b->runTestSuite("/nonexistent/suite.epd"), 0);
}

// The node count of a fixed-depth run over the benchmark positions is the
// search's signature: change it only together with a deliberate change of
// search, evaluation or move-generation order.
TEST(SearchSignature, BenchNodeCount) {
    const unsigned long long nodes = runBenchSearch(4, nullptr);
    EXPECT_EQ(nodes, SIGNATURE_DEPTH_4);
    EXPECT_EQ(runBenchSearch(4, nullptr), nodes) << "every run gives the same count";
}

TEST(SearchSignature, BothProgramsAgreeAndIgnoreStandardInput) {
    const std::string expected = "Nodes searched: " + std::to_string(runBenchSearch(3, nullptr)) + "\n";
    for (const char* program : {PELLUX_GENERIC_BIN, PELLUX_POPCNT_BIN}) {
        FILE* p = popen((std::string("echo quit | ") + program + " -bench 3").c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string found;
        char buf[256];
        while (fgets(buf, sizeof buf, p))
            if (!strncmp(buf, "Nodes searched: ", 16)) found = buf;
        pclose(p);
        EXPECT_EQ(found, expected) << program;
    }
}

}  // namespace
