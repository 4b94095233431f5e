// The game record: start positions, moving through the record, taking moves
// back, and the fixed capacity of the record.
#include <gtest/gtest.h>

#include <memory>

#include "frontend/chessboarduci.h"
#include "search/hashtable.h"

namespace {

const ChessMove E2E4 = ChessMove::make(12, 28, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
const ChessMove E7E5 = ChessMove::make(52, 36, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
const ChessMove G1F3 = ChessMove::make(6, 21, KNIGHT);
const ChessMove B8C6 = ChessMove::make(57, 42, KNIGHT);
const ChessMove F1C4 = ChessMove::make(5, 26, BISHOP);

class BoardGame : public ::testing::Test {
protected:
    static ChessBoardUCI* b;
    static void SetUpTestSuite() {
        b = new ChessBoardUCI();
        b->init(16);
    }
    static void TearDownTestSuite() {
        b->free();
        delete b;
        b = nullptr;
    }
    void SetUp() override { b->newGame(); }
    void play(ChessMove m) {
        b->node.makeMove(m);
        ASSERT_EQ(b->recordMove(m), 1);
    }
};
ChessBoardUCI* BoardGame::b = nullptr;

TEST_F(BoardGame, NewGameSetsTheStartPositionAndDefaults) {
    b->searchMode = SEARCH_DEPTH;
    b->depthLimit = 3;
    b->killerMoves[5][1] = E2E4;
    b->historyTable[1][2][3] = 77;
    b->newGame();
    const ChessBoardNode& n = b->node;
    EXPECT_TRUE(n.checkConsistency(true));
    EXPECT_EQ(n.materialKey, 319030170821160ULL);
    EXPECT_EQ(n.material[WHITE], 4075);
    EXPECT_EQ(n.material[BLACK], 4075);
    EXPECT_EQ(n.phaseMaterial[BLACK], 12);
    EXPECT_EQ(n.gamePhase, 0);
    EXPECT_EQ(n.kingSquare[WHITE], 4u);
    EXPECT_EQ(n.kingSquare[BLACK], 60u);
    EXPECT_EQ(b->countLegalMoves(), 20);
    EXPECT_EQ(b->searchMode, SEARCH_MOVETIME);
    EXPECT_EQ(b->depthLimit, 8);
    EXPECT_EQ(b->killerMoves[5][1], emptyMove);
    EXPECT_EQ(b->historyTable[1][2][3], 0u);
    EXPECT_EQ(b->lastMove, emptyMove);
    char fen[128];
    b->getFENPosition(fen);
    EXPECT_STREQ(fen, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0");
}

TEST_F(BoardGame, NavigatingAndCuttingTheRecord) {
    const uint64_t k0 = b->node.hashKey;
    play(E2E4);
    const uint64_t k1 = b->node.hashKey;
    play(E7E5);
    const uint64_t k2 = b->node.hashKey;
    play(G1F3);
    const uint64_t k3 = b->node.hashKey;
    EXPECT_EQ(b->lastMove, G1F3);

    EXPECT_EQ(b->previousMove(), 1);
    EXPECT_EQ(b->node.hashKey, k2);
    EXPECT_EQ(b->lastMove, E7E5);
    EXPECT_EQ(b->previousMove(), 1);
    EXPECT_EQ(b->node.hashKey, k1);
    EXPECT_EQ(b->nextMove(), 1);
    EXPECT_EQ(b->gameIndex, 2u);
    EXPECT_EQ(b->gameMoveCount, 3u);
    EXPECT_EQ(b->node.hashKey, k2);
    EXPECT_EQ(b->lastMove, E7E5);

    // A new move from the middle of the record replaces the rest.
    play(F1C4);
    EXPECT_EQ(b->gameMoveCount, 3u);
    EXPECT_EQ(b->gameMoves[2].move, F1C4);
    EXPECT_NE(b->node.hashKey, k3);
    EXPECT_EQ(b->nextMove(), 0);

    EXPECT_EQ(b->previousMove(), 1);
    EXPECT_EQ(b->previousMove(), 1);
    EXPECT_EQ(b->previousMove(), 1);
    EXPECT_EQ(b->previousMove(), 0);
    EXPECT_EQ(b->node.hashKey, k0);
    EXPECT_EQ(b->lastMove, emptyMove);
    EXPECT_EQ(b->gameMoveCount, 3u);
    EXPECT_TRUE(b->node.checkConsistency(true));
}

TEST_F(BoardGame, TakeBackDiscardsTheMove) {
    const ChessBoardNode* n = &b->node;
    EXPECT_EQ(b->takeBack(), 0);
    EXPECT_EQ(b->gameMoveCount, 0u);
    EXPECT_EQ(n->ply, 0u);

    play(E2E4);
    play(E7E5);
    EXPECT_EQ(b->takeBack(), 1);
    EXPECT_EQ(b->gameMoveCount, 1u);
    EXPECT_EQ(b->gameIndex, 1u);
    EXPECT_EQ(b->lastMove, E2E4);
    EXPECT_EQ(b->nextMove(), 0);
    EXPECT_EQ(b->takeBack(), 1);
    EXPECT_EQ(b->lastMove, emptyMove);
    EXPECT_EQ(b->gameMoveCount, 0u);
    EXPECT_EQ(n->hashKey, n->createHashKey());
}

TEST_F(BoardGame, RecordRefusesMovesBeyondItsCapacity) {
    // Knights shuffle back and forth: every move is legal and the record fills up.
    ASSERT_TRUE(b->setFENPosition("n3k3/8/8/8/8/8/8/N3K3 w - - 0 1"));
    const ChessMove out[2] = {ChessMove::make(56, 41, KNIGHT), ChessMove::make(0, 17, KNIGHT)};
    const ChessMove back[2] = {ChessMove::make(41, 56, KNIGHT), ChessMove::make(17, 0, KNIGHT)};
    for (int i = 0; i < MAX_GAME_MOVES; i++) {
        const int side = b->node.side;
        play((i / 2) % 2 ? back[side] : out[side]);
    }
    EXPECT_EQ(b->gameMoveCount, (uint32_t)MAX_GAME_MOVES);
    const ChessMove extra = out[b->node.side];
    b->node.makeMove(extra);
    EXPECT_EQ(b->recordMove(extra), 0);
    b->node.unMakeMove(extra);
    EXPECT_EQ(b->gameMoveCount, (uint32_t)MAX_GAME_MOVES);
    EXPECT_EQ(b->gameIndex, (uint32_t)MAX_GAME_MOVES);
    EXPECT_EQ(b->lastMove, b->gameMoves[MAX_GAME_MOVES - 1].move);

    // Going back one move makes room again.
    EXPECT_EQ(b->previousMove(), 1);
    const ChessMove again = b->gameMoves[MAX_GAME_MOVES - 1].move;
    b->node.makeMove(again);
    EXPECT_EQ(b->recordMove(again), 1);
    EXPECT_TRUE(b->node.checkConsistency(true));
    while (b->previousMove()) {
    }
    EXPECT_EQ(b->node.ply, 0u);
    EXPECT_EQ(b->node.hashListCount, 0u);
}

TEST_F(BoardGame, StartPositionKeepsTheHashTableNewGameClearsIt) {
    play(E2E4);
    const uint64_t key = b->node.hashKey;
    hashTable.store(key, E7E5, BOUND_EXACT, 8, 12, 0);
    b->setStartPosition();
    EXPECT_EQ(b->gameMoveCount, 0u);
    EXPECT_EQ(b->lastMove, emptyMove);
    EXPECT_EQ(b->node.ply, 0u);
    ASSERT_NE(hashTable.slot(key), nullptr);
    EXPECT_EQ(hashTable.slot(key)->key, key);
    b->newGame();
    EXPECT_NE(hashTable.slot(key)->key, key);
}

}  // namespace
