// Move ordering, the staged picker, killers and history, and the
// transposition table's sizing and mate-score conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "search/hashsize.h"
#include "search_test_board.h"

namespace {

TEST(SearchSort, TiesAreReversedByTheSwapLoop) {
    BoardPtr b = makeSearchBoard();
    ChessMoveSort list[3] = {{ChessMove(1), 5}, {ChessMove(2), 5}, {ChessMove(3), 9}};
    b->sortMoves(list, 3);
    EXPECT_EQ(list[0].move.moveInt, 3u);
    EXPECT_EQ(list[1].move.moveInt, 2u);
    EXPECT_EQ(list[2].move.moveInt, 1u);
}

struct CaptureCase {
    const char* name;
    unsigned piece, captured, promotion;
    int value;
};
void PrintTo(const CaptureCase& c, std::ostream* os) { *os << c.name; }
class SearchCaptureValue : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(SearchCaptureValue, MostValuableVictimFirst) {
    const CaptureCase& c = GetParam();
    BoardPtr b = makeSearchBoard();
    ChessMoveSort list[1] = {{ChessMove::make(12, 28, c.piece, c.captured, c.promotion), 0}};
    b->orderMovesCaptures(list, 1);
    EXPECT_EQ(list[0].value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Moves, SearchCaptureValue,
                         ::testing::Values(CaptureCase{"PawnTakesQueen", PAWN, QUEEN, 0, 65500},
                                           CaptureCase{"QueenTakesPawn", QUEEN, PAWN, 0, 50625},
                                           CaptureCase{"QuietQueenPromotion", PAWN, 0, QUEEN, 65500},
                                           CaptureCase{"QuietUnderPromotion", PAWN, 0, KNIGHT, 4000},
                                           CaptureCase{"KingTakesBishop", KING, BISHOP, 0, 55200}),
                         CaseName());

TEST(SearchHistory, KillersShiftAndHistoryStaysBelowTenThousand) {
    BoardPtr b = makeSearchBoard();
    const ChessMove m1 = ChessMove::make(6, 21, KNIGHT), m2 = ChessMove::make(1, 18, KNIGHT);
    b->updateKillersAndHistory(m1, 8, 3);
    b->updateKillersAndHistory(m2, 8, 3);
    b->updateKillersAndHistory(m2, 8, 3);  // already first: nothing moves
    EXPECT_EQ(b->killerMoves[3][0], m2);
    EXPECT_EQ(b->killerMoves[3][1], m1);
    EXPECT_EQ(b->historyTable[WHITE][KNIGHT][18], 8u);  // (8 / 4)^2 twice

    b->historyTable[WHITE][KNIGHT][21] = 9990;
    b->updateKillersAndHistory(m1, 16, 3);  // +16 would reach 10006
    EXPECT_EQ(b->historyTable[WHITE][KNIGHT][21], 9990u);
}

// Drains the picker at ply 2 and returns the moves in the order handed out.
std::vector<ChessMoveSort> drain(ChessBoard& b, ChessMove hashMove) {
    ChessMoveOrder& o = b.moveOrder[2];
    o.stage = b.node.sideInCheck() ? 9 : 1;
    o.hashMove = hashMove;
    std::vector<ChessMoveSort> out;
    ChessMoveSort m;
    while (b.getNextMove(o, m, 2)) out.push_back(m);
    return out;
}

// Are the moves handed out exactly the pseudo-legal moves, each once?
void expectEveryMoveOnce(ChessBoard& b, const std::vector<ChessMoveSort>& out) {
    ChessMoveSort all[256];
    const int n = b.node.generateMoves(all, b.node.sideInCheck());
    std::multiset<uint32_t> expected, handed;
    for (int i = 0; i < n; i++) expected.insert(all[i].move.moveInt);
    for (const ChessMoveSort& m : out) handed.insert(m.move.moveInt);
    EXPECT_EQ(handed, expected);
}

TEST(SearchPicker, StagesHandEveryMoveOutOnceInTheirOrder) {
    // The knight on e5 can take the defended pawns on f7 and d7 (losing
    // captures); the bishop on b5 takes the knight on c6 (hash move).
    BoardPtr b = makeSearchBoard("r1bqkb1r/pppp1ppp/2n2n2/1B2N3/4P3/8/PPPP1PPP/RNBQK2R w KQkq - 0 1");
    const ChessMove hash = ChessMove::make(33, 42, BISHOP, KNIGHT);
    const ChessMove killer = ChessMove::make(3, 39, QUEEN);   // Qd1-h5
    b->killerMoves[2][0] = ChessMove::make(0, 8, ROOK);       // a1-a2 is blocked: skipped
    b->killerMoves[2][1] = killer;

    const std::vector<ChessMoveSort> out = drain(*b, hash);
    expectEveryMoveOnce(*b, out);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0].move, hash);
    EXPECT_EQ(out[0].value, 100000);
    const std::set<uint32_t> tail = {out[out.size() - 1].move.moveInt, out[out.size() - 2].move.moveInt};
    const std::set<uint32_t> losing = {ChessMove::make(36, 53, KNIGHT, PAWN).moveInt,
                                       ChessMove::make(36, 51, KNIGHT, PAWN).moveInt};
    EXPECT_EQ(tail, losing) << "losing captures come after every quiet move";
    auto killerAt = std::find_if(out.begin(), out.end(), [&](const ChessMoveSort& m) { return m.move == killer; });
    ASSERT_NE(killerAt, out.end());
    EXPECT_EQ(killerAt->value, 45000);
    auto firstQuiet = std::find_if(out.begin(), out.end(), [](const ChessMoveSort& m) {
        return !m.move.isCaptureOrPromotion() && m.value < 45000;
    });
    EXPECT_LT(killerAt, firstQuiet);
}

TEST(SearchPicker, InvalidHashMoveKillerEqualToHashMoveAndEvasions) {
    BoardPtr b = makeSearchBoard();
    const ChessMove collision = ChessMove::make(3, 39, QUEEN);  // blocked in the start position
    expectEveryMoveOnce(*b, drain(*b, collision));

    const ChessMove e4 = ChessMove::make(12, 28, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
    b->killerMoves[2][0] = e4;
    std::vector<ChessMoveSort> out = drain(*b, e4);
    expectEveryMoveOnce(*b, out);
    EXPECT_EQ(out[0].move, e4);

    b = makeSearchBoard("4k3/8/8/8/8/8/4r3/R3K3 w Q - 0 1");  // in check: evasions only
    const ChessMove take = ChessMove::make(4, 12, KING, ROOK);
    out = drain(*b, take);
    expectEveryMoveOnce(*b, out);
    EXPECT_EQ(out[0].move, take);
}

struct SizeCase {
    const char* name;
    unsigned mb;
    uint32_t entries;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }
class SearchHashSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SearchHashSize, PowerOfTwoMegabytesInAWorkingRange) {
    EXPECT_EQ(hashEntriesFor(GetParam().mb), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(Requests, SearchHashSize,
                         ::testing::Values(SizeCase{"Zero", 0, 65536}, SizeCase{"One", 1, 65536},
                                           SizeCase{"Three", 3, 262144}, SizeCase{"ThirtyTwo", 32, 2097152},
                                           SizeCase{"Hundred", 100, 8388608}, SizeCase{"Max", 2048, 134217728},
                                           SizeCase{"Over", 4096, 134217728},
                                           SizeCase{"Huge", 0xFFFFFFFFu, 134217728}),
                         CaseName());

TEST(SearchHashTable, MateScoresAlwaysReplaceAndNoTable) {
    HashTable t;
    ASSERT_EQ(t.init(1), 1);
    EXPECT_EQ((uintptr_t)t.entries % 64, 0u);
    const uint64_t key = 0x123456789ABCDEF0ULL;
    t.store(key, ChessMove(77), BOUND_EXACT, 12, 31990, 3);
    HashNode* e = t.slot(key);
    EXPECT_EQ(HashTable::infoScore(e->info), 31993);
    EXPECT_EQ(HashTable::scoreFromHash(HashTable::infoScore(e->info), 5), 31988);
    EXPECT_EQ(HashTable::infoDepth(e->info), 12);
    t.store(key, ChessMove(0), BOUND_UPPER, 4, -31990, 3);
    EXPECT_EQ(HashTable::infoScore(e->info), -31993);

    const uint64_t other = key ^ (1ULL << 40);  // same slot, another position
    t.store(other, ChessMove(5), BOUND_LOWER, 4, 17, 0);
    EXPECT_EQ(e->key, other);
    t.clear();
    EXPECT_EQ(e->key, 0u);
    t.release();
    EXPECT_EQ(t.slot(key), nullptr);
    t.store(key, ChessMove(1), BOUND_EXACT, 4, 0, 0);  // skipped, no crash
    EXPECT_EQ(t.size, 0u);

    // The state of a failed allocation: every probe misses, the engine still plays.
    BoardPtr b = makeSearchBoard();
    hashTable.release();
    b->computerPlay(0);
    EXPECT_EQ(b->gameMoveCount, 1u);
    b->init(16);
}

TEST(SearchReports, CalcMateValue) {
    BoardPtr b = makeSearchBoard();
    const int scores[][2] = {{31999, 1}, {31997, 2}, {31744, 129}, {-31998, 1}, {-31996, 2}, {150, 150}, {-31743, -31743}};
    for (const auto& s : scores) EXPECT_EQ(b->calcMateValue(s[0]), s[1]) << s[0];
}

}  // namespace
