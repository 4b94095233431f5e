// Quiescence and main-search nodes: stand pat, evasion mates, exchange
// pruning, mate distances, draws and the null-move conditions.
#include <gtest/gtest.h>

#include <memory>

#include "search_test_board.h"

namespace {

// A helper to play moves given as from/to squares, found among the legal moves.
bool play(ChessBoard& b, int from, int to) {
    ChessMoveSort list[256];
    const int n = b.node.generateMoves(list, b.node.sideInCheck());
    for (int i = 0; i < n; i++) {
        if ((int)list[i].move.from() == from && (int)list[i].move.to() == to) {
            b.node.makeMove(list[i].move);
            return true;
        }
    }
    return false;
}

TEST(SearchQuiescence, StandPatInsideAndAboveTheWindow) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    prepareNode(*b);
    const int eval = b->node.evaluate(-32000, 32000, 0);
    EXPECT_EQ(b->search_quiescent(1, -32000, 32000, 1, 1), eval);
    EXPECT_EQ(b->search_quiescent(1, eval - 50, eval + 50, 1, 1), eval);
    EXPECT_EQ(b->search_quiescent(1, eval - 100, eval - 10, 1, 1), eval) << "fail-soft at the stand-pat cut";
    EXPECT_EQ(b->search_quiescent(1, eval + 10, eval + 100, 1, 1), eval + 10) << "fail-hard below alpha";
    EXPECT_EQ(countNodes, 0u);
}

TEST(SearchQuiescence, MatedAfterACaptureOnlyWhenEvasionsAreSearched) {
    // Black to move is checkmated (back rank).
    std::unique_ptr<RecordingBoard> b(makeSearchBoard("3R2k1/5ppp/8/8/8/8/8/6K1 b - - 0 1"));
    prepareNode(*b);
    ASSERT_EQ(b->node.undo[b->node.ply].plyInCheck, 1);
    EXPECT_EQ(b->search_quiescent(5, -32000, 32000, 1, 1), -31995);
    EXPECT_EQ(b->node.inCheck, CHECK_MATED);
    prepareNode(*b);
    EXPECT_GT(b->search_quiescent(5, -32000, 32000, 1, 0), -31744) << "after a null move it stands pat";
}

TEST(SearchQuiescence, LosingCapturesAreSkippedEvenOnesAreSearched) {
    // The knight on d4 can take the pawn on c6, which the pawn on b7 defends;
    // nothing else bears on c6.
    std::unique_ptr<RecordingBoard> b(makeSearchBoard("4k3/1p6/2p5/8/3N4/8/8/4K3 w - - 0 1"));
    prepareNode(*b);
    b->search_quiescent(1, -32000, 32000, 1, 1);
    EXPECT_EQ(countNodes, 0u) << "Nxc6 loses 225 and is never made";

    // A pawn takes a defended knight: searched without an exchange test.
    std::unique_ptr<RecordingBoard> c(makeSearchBoard("4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1"));
    prepareNode(*c);
    c->search_quiescent(1, -32000, 32000, 1, 1);
    EXPECT_GE(countNodes, 1u);
}

TEST(SearchMain, MateDistanceAndMatedScores) {
    // Black to move is mated: at ply 3 that scores -31997.
    std::unique_ptr<RecordingBoard> b(makeSearchBoard("3R2k1/5ppp/8/8/8/8/8/6K1 b - - 0 1"));
    prepareNode(*b);
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 3), -31997);
    EXPECT_EQ(b->node.inCheck, CHECK_MATED);

    // A window already beyond the best reachable score returns alpha at once.
    prepareNode(*b);
    EXPECT_EQ(b->search(8, 31997, 32000, 1, 3), 31997);
    EXPECT_EQ(countNodes, 0u);

    // Stalemate scores the draw value.
    std::unique_ptr<RecordingBoard> s(makeSearchBoard("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    prepareNode(*s);
    EXPECT_EQ(s->search(8, -32000, 32000, 1, 2), 0);
    EXPECT_EQ(s->node.inCheck, CHECK_STALEMATED);
}

TEST(SearchDraws, RepetitionFourPliesBackNeedsFiftyMoveCountOfFour) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard());
    ASSERT_TRUE(play(*b, 6, 21));   // Ng1-f3
    ASSERT_TRUE(play(*b, 62, 45));  // Ng8-f6
    ASSERT_TRUE(play(*b, 21, 6));
    ASSERT_TRUE(play(*b, 45, 62));
    prepareNode(*b);
    EXPECT_EQ(b->node.fiftyMove, 4);
    EXPECT_EQ(b->isDrawNode(1), 1);
    EXPECT_EQ(b->search(8, -100, 100, 1, 1), 0);
    b->node.fiftyMove = 3;
    EXPECT_EQ(b->isDrawNode(1), 0) << "no comparison reaches four plies back";
}

TEST(SearchDraws, FiftyMovesUnlessMatedAndBareMaterial) {
    // Mated at fifty-move count 100 is still mated.
    std::unique_ptr<RecordingBoard> b(makeSearchBoard("3R2k1/5ppp/8/8/8/8/8/6K1 b - - 100 80"));
    prepareNode(*b);
    EXPECT_EQ(b->isDrawNode(1), 0);
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 1), -31999);
    // In check with a way out: a draw.
    std::unique_ptr<RecordingBoard> c(makeSearchBoard("3R2k1/5pp1/8/8/8/8/8/6K1 b - - 100 80"));
    prepareNode(*c);
    EXPECT_EQ(c->isDrawNode(1), 1);
    // Not in check: a draw without further work.
    std::unique_ptr<RecordingBoard> d(makeSearchBoard("6k1/5ppp/8/8/8/8/8/3R2K1 b - - 100 80"));
    prepareNode(*d);
    EXPECT_EQ(d->isDrawNode(1), 1);
    d->node.fiftyMove = 99;
    EXPECT_EQ(d->isDrawNode(1), 0);
    // King and bishop against king cannot mate; king and pawn can.
    std::unique_ptr<RecordingBoard> e(makeSearchBoard("4k3/8/8/8/8/8/8/2B1K3 w - - 0 1"));
    EXPECT_EQ(e->isDrawNode(1), 1);
    std::unique_ptr<RecordingBoard> f(makeSearchBoard("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    EXPECT_EQ(f->isDrawNode(1), 0);
}

// After a search from a null-window node, does its table slot hold a
// null-move cutoff (empty move, lower bound)?
bool nullMoveCut(const char* fen, int depth, int beta) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard(fen));
    prepareNode(*b, 1);
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

TEST(SearchMain, StopRequestUnwindsAtOnce) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard());
    prepareNode(*b);
    b->stopSearch = STOP_PLAY;
    EXPECT_EQ(b->search(40, -32000, 32000, 1, 1), 0);
    EXPECT_EQ(b->search_quiescent(1, -32000, 32000, 1, 1), 0);
    EXPECT_EQ(countNodes, 0u);
}

TEST(SearchMain, DeepLinesStayInRange) {
    // Plies near the limit return the draw value and never index past the arrays.
    std::unique_ptr<RecordingBoard> b(makeSearchBoard("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    prepareNode(*b);
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 127), 0);
    EXPECT_EQ(b->search_quiescent(127, -32000, 32000, 1, 1), 0);
    prepareNode(*b);
    b->search(12, -32000, 32000, 1, 120);
    EXPECT_LE(b->node.pvLines[120].count, 7u);
}

}  // namespace
