// The game record: start positions, moving through the record, taking moves
// back, and the fixed capacity of the record.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "frontend/chessboarduci.h"
#include "search/hashtable.h"

namespace {

const ChessMove E2E4 = ChessMove::make(12, 28, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
const ChessMove E7E5 = ChessMove::make(52, 36, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);

class BoardGame : public ::testing::Test {
protected:
    static ChessBoardUCI* b;
    static void SetUpTestSuite() { (b = new ChessBoardUCI())->init(16); }
    static void TearDownTestSuite() {
        b->free();
        delete b;
    }
    void SetUp() override { b->newGame(); }
    void play(ChessMove m) {
        b->node.makeMove(m);
        ASSERT_EQ(b->recordMove(m), 1);
    }
};
ChessBoardUCI* BoardGame::b = nullptr;

// Index, count, last move and key after each step through the record.
#define EXPECT_RECORD(index, count, last, key)                                                       \
    EXPECT_EQ(std::make_tuple(b->gameIndex, b->gameMoveCount, b->lastMove.moveInt, b->node.hashKey), \
              std::make_tuple((uint32_t)(index), (uint32_t)(count), (last).moveInt, (uint64_t)(key)))

// setStartPosition clears the record but keeps the hash table; newGame also
// clears the table, the search settings and the move-ordering tables.
TEST_F(BoardGame, StartPositionAndNewGame) {
    const uint64_t start = b->node.hashKey;
    play(E2E4);
    const uint64_t key = b->node.hashKey;
    hashTable.store(key, E7E5, BOUND_EXACT, 8, 12, 0);
    b->searchMode = SEARCH_DEPTH, b->killerMoves[5][1] = E2E4, b->historyTable[1][2][3] = 77;
    b->setStartPosition();
    EXPECT_RECORD(0, 0, emptyMove, start);
    EXPECT_EQ(b->node.ply + b->node.hashListCount, 0u);
    ChessMove move;
    uint32_t info;
    EXPECT_TRUE(hashTable.probe(key, move, info));
    b->newGame();
    EXPECT_FALSE(hashTable.probe(key, move, info));
    EXPECT_TRUE(b->searchMode == SEARCH_MOVETIME && b->killerMoves[5][1] == emptyMove &&
                !b->historyTable[1][2][3]);
}

TEST_F(BoardGame, NavigatingCuttingAndTakingBack) {
    const ChessMove g1f3 = ChessMove::make(6, 21, KNIGHT), f1c4 = ChessMove::make(5, 26, BISHOP);
    const uint64_t k0 = b->node.hashKey;
    EXPECT_EQ(b->takeBack(), 0);  // nothing to take back: nothing changes
    EXPECT_RECORD(0, 0, emptyMove, k0);
    play(E2E4);
    play(E7E5);
    const uint64_t k2 = b->node.hashKey;
    play(g1f3);
    EXPECT_EQ(std::vector<int>({b->previousMove(), b->previousMove(), b->nextMove()}),
              std::vector<int>({1, 1, 1}));
    EXPECT_RECORD(2, 3, E7E5, k2);

    // A new move from the middle of the record replaces the rest.
    play(f1c4);
    EXPECT_RECORD(3, 3, f1c4, b->node.createHashKey());
    EXPECT_EQ(b->nextMove(), 0);

    // Taking back discards the move; stepping back keeps it for nextMove.
    EXPECT_EQ(b->takeBack(), 1);
    EXPECT_RECORD(2, 2, E7E5, k2);
    EXPECT_EQ(b->previousMove() + b->previousMove() + b->previousMove(), 2);
    EXPECT_RECORD(0, 2, emptyMove, k0);
    EXPECT_EQ(b->nextMove(), 1);
    EXPECT_EQ(b->takeBack(), 1);
    EXPECT_RECORD(0, 0, emptyMove, k0);
    EXPECT_EQ(b->node.ply + b->node.hashListCount, 0u);
}

TEST_F(BoardGame, RecordRefusesMovesBeyondItsCapacity) {
    // Knights shuffle back and forth: every move is legal and the record fills up.
    ASSERT_TRUE(b->setFENPosition("n3k3/8/8/8/8/8/8/N3K3 w - - 0 1"));
    const ChessMove out[2] = {ChessMove::make(56, 41, KNIGHT), ChessMove::make(0, 17, KNIGHT)};
    const ChessMove back[2] = {ChessMove::make(41, 56, KNIGHT), ChessMove::make(17, 0, KNIGHT)};
    for (int i = 0; i < MAX_GAME_MOVES; i++) play((i / 2) % 2 ? back[b->node.side] : out[b->node.side]);
    const uint64_t full = b->node.hashKey;
    const ChessMove extra = out[b->node.side];
    b->node.makeMove(extra);
    EXPECT_EQ(b->recordMove(extra), 0);
    b->node.unMakeMove(extra);
    EXPECT_RECORD(MAX_GAME_MOVES, MAX_GAME_MOVES, b->gameMoves[MAX_GAME_MOVES - 1].move, full);

    // Going back one move makes room again.
    EXPECT_EQ(b->previousMove(), 1);
    play(b->gameMoves[MAX_GAME_MOVES - 1].move);
    EXPECT_TRUE(b->node.checkConsistency(true));
}

}  // namespace
