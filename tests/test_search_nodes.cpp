// Quiescence and main-search nodes: stand pat, evasion mates, exchange
// pruning, mate distances, draws and the null-move conditions.
#include <gtest/gtest.h>

#include "search_test_board.h"

namespace {

const char* const BACK_RANK_MATED = "3R2k1/5ppp/8/8/8/8/8/6K1 b - - 0 1";  // black to move is mated
const char* const KING_AND_PAWN = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";

TEST(SearchQuiescence, StandPatInsideAndAboveTheWindow) {
    BoardPtr b = nodeBoard(KING_AND_PAWN);
    const int eval = b->node.evaluate(-32000, 32000, 0);
    EXPECT_EQ(b->search_quiescent(1, -32000, 32000, 1, 1), eval);
    EXPECT_EQ(b->search_quiescent(1, eval - 100, eval - 10, 1, 1), eval) << "fail-soft at the stand-pat cut";
    EXPECT_EQ(b->search_quiescent(1, eval + 10, eval + 100, 1, 1), eval + 10) << "fail-hard below alpha";
    EXPECT_EQ(countNodes, 0u);
}

TEST(SearchQuiescence, MatedAfterACaptureOnlyWhenEvasionsAreSearched) {
    BoardPtr b = nodeBoard(BACK_RANK_MATED);
    EXPECT_EQ(b->search_quiescent(5, -32000, 32000, 1, 1), -31995);
    EXPECT_EQ(b->node.inCheck, CHECK_MATED);
    prepareNode(*b);
    EXPECT_GT(b->search_quiescent(5, -32000, 32000, 1, 0), -31744) << "after a null move it stands pat";
}

TEST(SearchQuiescence, LosingCapturesAreSkippedEvenOnesAreSearched) {
    // Nxc6 (defended by b7, nothing else bears on c6) loses 225 and is never made.
    BoardPtr b = nodeBoard("4k3/1p6/2p5/8/3N4/8/8/4K3 w - - 0 1");
    b->search_quiescent(1, -32000, 32000, 1, 1);
    EXPECT_EQ(countNodes, 0u);
    // A pawn takes a defended knight: searched without an exchange test.
    b = nodeBoard("4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1");
    b->search_quiescent(1, -32000, 32000, 1, 1);
    EXPECT_GE(countNodes, 1u);
}

TEST(SearchMain, MateDistanceAndMatedScores) {
    BoardPtr b = nodeBoard(BACK_RANK_MATED);
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 3), -31997);
    EXPECT_EQ(b->node.inCheck, CHECK_MATED);
    prepareNode(*b);
    EXPECT_EQ(b->search(8, 31997, 32000, 1, 3), 31997) << "a window beyond every reachable score returns alpha";
    EXPECT_EQ(countNodes, 0u);

    b = nodeBoard("3R2k1/5ppp/8/8/8/8/8/6K1 b - - 100 80");
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 1), -31999) << "mated at a fifty-move count of 100";
    b = nodeBoard("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 2), 0);
    EXPECT_EQ(b->node.inCheck, CHECK_STALEMATED);
}

TEST(SearchDraws, RepetitionFourPliesBackNeedsFiftyMoveCountOfFour) {
    BoardPtr b = makeSearchBoard();
    ASSERT_TRUE(b->setMoveSquareList("g1f3 g8f6 f3g1 f6g8"));
    prepareNode(*b);
    EXPECT_EQ(b->node.fiftyMove, 4);
    EXPECT_EQ(b->isDrawNode(1), 1);
    EXPECT_EQ(b->search(8, -100, 100, 1, 1), 0);
    b->node.fiftyMove = 3;
    EXPECT_EQ(b->isDrawNode(1), 0) << "no comparison reaches four plies back";
}

struct DrawCase {
    const char* name;
    const char* fen;
    int draw;
};
void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }
class SearchDrawTests : public ::testing::TestWithParam<DrawCase> {};

TEST_P(SearchDrawTests, FiftyMovesUnlessMatedAndBareMaterial) {
    BoardPtr b = nodeBoard(GetParam().fen);
    EXPECT_EQ(b->isDrawNode(1), GetParam().draw);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SearchDrawTests,
    ::testing::Values(DrawCase{"MatedAtFifty", "3R2k1/5ppp/8/8/8/8/8/6K1 b - - 100 80", 0},
                      DrawCase{"CheckWithAWayOutAtFifty", "3R2k1/5pp1/8/8/8/8/8/6K1 b - - 100 80", 1},
                      DrawCase{"QuietAtFifty", "6k1/5ppp/8/8/8/8/8/3R2K1 b - - 100 80", 1},
                      DrawCase{"QuietAtNinetyNine", "6k1/5ppp/8/8/8/8/8/3R2K1 b - - 99 80", 0},
                      DrawCase{"KingAndBishop", "4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 1},
                      DrawCase{"KingAndPawn", KING_AND_PAWN, 0}),
    CaseName());

// After a search from a null-window node, does its table slot hold a
// null-move cutoff (empty move, lower bound)?
bool nullMoveCut(const char* fen, int depth, int beta) {
    BoardPtr b = nodeBoard(fen, 1);
    const uint64_t key = b->node.hashKey;
    b->search(depth, beta - 1, beta, 1, 1);
    const HashNode* e = hashTable.slot(key);
    return e->key == key && e->move.isEmpty() && HashTable::infoBound(e->info) == BOUND_LOWER;
}

TEST(SearchMain, NullMoveConditions) {
    const char* rookUp = "4k3/pp6/8/8/8/8/PP6/R3K3 w - - 0 1";
    EXPECT_TRUE(nullMoveCut(rookUp, 12, -200));
    EXPECT_FALSE(nullMoveCut(rookUp, 4, -200)) << "too shallow";
    EXPECT_FALSE(nullMoveCut(rookUp, 12, -31800)) << "beta beyond the mate bound";
    EXPECT_FALSE(nullMoveCut("4k3/pp6/8/8/8/8/PPP5/4K3 w - - 0 1", 12, -200)) << "only king and pawns";
}

TEST(SearchMain, StopRequestAndDeepPliesReturnAtOnceInRange) {
    BoardPtr b = nodeBoard(KING_AND_PAWN);
    b->stopSearch = STOP_PLAY;
    EXPECT_EQ(b->search(40, -32000, 32000, 1, 1), 0);
    EXPECT_EQ(b->search_quiescent(1, -32000, 32000, 1, 1), 0);
    EXPECT_EQ(countNodes, 0u);

    prepareNode(*b);
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 127), 0);
    EXPECT_EQ(b->search_quiescent(127, -32000, 32000, 1, 1), 0);
    b->search(12, -32000, 32000, 1, 120);
    EXPECT_LE(b->node.pvLines[120].count, 7u);
}

}  // namespace
