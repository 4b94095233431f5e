// Perft: node counts against published and oracle counts, the bulk-counted
// last ply against make-and-test, the printed forms, depth limits, and
// positions without a king or with a king that can be taken.
#include <random>
#include <regex>

#include "diagnostics/perft.h"
#include "movegen_helpers.h"

namespace {

#ifdef NDEBUG
const unsigned long long NODE_BUDGET = 5000000;
#else
const unsigned long long NODE_BUDGET = 60000;
#endif

class PerftCounts : public ::testing::TestWithParam<EpdCase> {};

TEST_P(PerftCounts, MatchEveryAffordableDepth) {
    const EpdCase& c = GetParam();
    ChessBoardUCI* b = boardAt(c.fen.c_str());
    const std::string before = fenOf(b);
    ASSERT_FALSE(c.counts.empty()) << c.where;
    for (size_t d = 1; d <= c.counts.size() && c.counts[d - 1] <= NODE_BUDGET; d++) {
        countnode = 0;
        b->perft((int)d);
        EXPECT_EQ(countnode, c.counts[d - 1]) << c.where << " depth " << d;
    }
    EXPECT_EQ(b->searchAllMoves(&b->node, 1), c.counts[0]) << c.where;
    EXPECT_EQ(fenOf(b), before);
}

auto epdName = [](const auto& p) { return identifier(p.param.where); };
INSTANTIATE_TEST_SUITE_P(Published, PerftCounts, ::testing::ValuesIn(readEpd("perft.epd")), epdName);
INSTANTIATE_TEST_SUITE_P(Oracle, PerftCounts, ::testing::ValuesIn(readEpd("oracle_perft.epd")), epdName);

// The last ply is counted without making the moves; random walks compare that
// count with make-and-test at every node.
TEST(PerftLeafCount, AgreesWithMakeAndTestAlongRandomGames) {
    std::mt19937 rng(777);
    std::vector<EpdCase> cases = readEpd("oracle_perft.epd");
    const std::vector<EpdCase> published = readEpd("perft.epd");
    cases.insert(cases.end(), published.begin(), published.end());
    for (const EpdCase& c : cases) {
        ChessBoardUCI* b = boardAt(c.fen.c_str());
        for (int ply = 0; ply < 40; ply++) {
            const int legal = b->countLegalMoves();
            ASSERT_EQ(perftCountLegal(b->node), legal) << fenOf(b);
            if (!legal) break;
            std::vector<ChessMove> moves;
            for (unsigned i = 0; i < b->rootMoveCount; i++) {
                const ChessMove m = b->rootMoveList[i].move;
                b->node.makeMove(m);
                if (!b->node.moverInCheck()) moves.push_back(m);
                b->node.unMakeMove(m);
            }
            b->node.makeMove(moves[rng() % moves.size()]);
        }
    }
}

// Random placements a FEN accepts: kings missing or in check on either side,
// pawns on the back ranks, rights and en passant that fit nothing. Counting
// must neither crash nor change the position.
TEST(PerftOddPositions, RandomPlacementsSurviveCounting) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 300; round++) {
        char board[64] = {0};
        int kings[2] = {0, 0}, pawns[2] = {0, 0};
        for (int i = 2 + rng() % 14; i > 0; i--) {
            const int type = 1 + rng() % 6, white = rng() % 2;
            if ((type == KING && kings[white]++) || (type == PAWN && pawns[white]++ >= 8)) continue;
            board[rng() % 64] = (char)(white ? type : -type);
        }
        ChessBoardUCI* b = testBoard();
        b->setPosition(board, rng() % 2, rng() % 16, rng() % 3 ? 0 : 1 + rng() % 8, 1, 0);
        const std::string before = fenOf(b);
        countnode = 0;
        b->perft(3);
        b->perftd(2);
        b->divide(&b->node, 2);
        b->countLegalMoves();
        ASSERT_EQ(fenOf(b), before);
        ASSERT_EQ(consistencyProblem(b->node), "") << before;
    }
}

// The printed text of one of the perft forms run at depth on the position.
std::string printed(const char* fen, void (ChessBoardUCI::*run)(int), int depth) {
    ChessBoardUCI* b = boardAt(fen);
    ::testing::internal::CaptureStdout();
    (b->*run)(depth);
    return ::testing::internal::GetCapturedStdout();
}

const char* const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char* const TIME_LINE = "\nTime = \\d\\d:\\d\\d:\\d\\d\\d, speed = [ \\d]{6,}\n";

TEST(PerftOutput, PerftLinesAndTimeLine) {
    const std::string out = printed(START, &ChessBoardUCI::doPerft, 3);
    EXPECT_TRUE(
        std::regex_match(out, std::regex(std::string("depth           nodes \n\n  1.               20\n"
                                                     "  2.              400\n  3.             8902\n") +
                                         TIME_LINE)))
        << out;
    EXPECT_EQ(perftNode[1][0], 8902u);
    EXPECT_EQ(perftNode[3][0], 20u);
}

TEST(PerftOutput, RefusedDepthsPrintHeaderAndTimeOnly) {
    for (int d : {0, -5, 128, 100000}) {
        const std::string out = printed(START, &ChessBoardUCI::doPerft, d);
        EXPECT_TRUE(std::regex_match(
            out, std::regex("depth           nodes \n\n\nTime = [0-9:]{9}, speed =      0\n")))
            << d << ": " << out;
        EXPECT_NE(printed(START, &ChessBoardUCI::doPerftd, d).find("castle \n\n\nTime = "),
                  std::string::npos);
    }
    EXPECT_EQ(
        printed(START, &ChessBoardUCI::doDivide, 128).find("\n     total :                0\n\nTime = "), 0u);
}

TEST(PerftOutput, PerftdStatisticsColumns) {
    const std::string out = printed("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                                    &ChessBoardUCI::doPerftd, 3);
    EXPECT_NE(
        out.find(" 3.            97862            17102               45              993                1 "
                 "               0             3162\n"),
        std::string::npos)
        << out;
    EXPECT_EQ(perftNode[1][7], 3162u);  // row 1: the deepest iteration
    EXPECT_NE(
        printed(START, &ChessBoardUCI::doPerftd, 4)
            .find(" 4.           197281             1576                0              469                8"),
        std::string::npos);
}

TEST(PerftOutput, DivideListsFirstMovesAndTotal) {
    std::string out = printed(START, &ChessBoardUCI::doDivide, 2);
    EXPECT_EQ(nbDivide, 20);
    EXPECT_EQ(out.substr(0, 60), "    Nb1-a3 :               20\n    Nb1-c3 :               20\n");
    EXPECT_NE(out.find("     e2-e4 :               20\n"), std::string::npos);
    EXPECT_TRUE(
        std::regex_search(out, std::regex(std::string("\n\n     total :              400\n") + TIME_LINE)));
    out = printed(START, &ChessBoardUCI::doDivide, 1);
    EXPECT_NE(out.find("     h2-h4 :                1\n\n     total :               20\n"), std::string::npos)
        << out;
}

}  // namespace
