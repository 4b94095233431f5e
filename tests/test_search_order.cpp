// Move ordering, the staged picker, killers and history, and the
// transposition table's sizing and mate-score conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "search/hashsize.h"
#include "search_test_board.h"

namespace {

ChessMoveSort entry(ChessMove m, int v = 0) { return ChessMoveSort{m, v}; }

TEST(SearchSort, DescendingAndTiesReversedByTheSwapLoop) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard());
    const ChessMove a(1), bm(2), c(3);
    ChessMoveSort list[3] = {entry(a, 5), entry(bm, 5), entry(c, 9)};
    b->sortMoves(list, 3);
    EXPECT_EQ(list[0].move, c);
    EXPECT_EQ(list[1].move, bm);
    EXPECT_EQ(list[2].move, a);

    ChessMoveSort many[6] = {entry(ChessMove(1), -1), entry(ChessMove(2), 7),  entry(ChessMove(3), 0),
                             entry(ChessMove(4), 100), entry(ChessMove(5), 7), entry(ChessMove(6), -50)};
    b->sortMoves(many, 6);
    for (int i = 1; i < 6; i++) EXPECT_GE(many[i - 1].value, many[i].value);
}

struct CaptureCase {
    unsigned piece, captured, promotion;
    int value;
};
class SearchCaptureValue : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(SearchCaptureValue, MostValuableVictimFirst) {
    const CaptureCase& c = GetParam();
    std::unique_ptr<RecordingBoard> b(makeSearchBoard());
    ChessMoveSort list[1] = {entry(ChessMove::make(12, 28, c.piece, c.captured, c.promotion))};
    b->orderMovesCaptures(list, 1);
    EXPECT_EQ(list[0].value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Values, SearchCaptureValue,
                         ::testing::Values(CaptureCase{PAWN, QUEEN, 0, 65500},     // pawn takes queen
                                           CaptureCase{QUEEN, PAWN, 0, 50625},     // queen takes pawn
                                           CaptureCase{PAWN, 0, QUEEN, 65500},     // quiet queen promotion
                                           CaptureCase{PAWN, 0, KNIGHT, 4000},     // quiet under-promotion
                                           CaptureCase{PAWN, ROOK, KNIGHT, 63100},  // capturing under-promotion
                                           CaptureCase{KING, BISHOP, 0, 55200}));

TEST(SearchHistory, KillersShiftAndHistoryStaysBelowTenThousand) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard());
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
    b->updateKillersAndHistory(m1, 8, 3);  // +4 stays below the cap
    EXPECT_EQ(b->historyTable[WHITE][KNIGHT][21], 9994u);

    b->clearKillerMoves();
    EXPECT_TRUE(b->killerMoves[3][0].isEmpty());
    EXPECT_EQ(b->historyTable[WHITE][KNIGHT][21], 0u);
}

// Drains the picker and returns the moves in the order handed out.
std::vector<ChessMoveSort> drain(ChessBoard& b, ChessMove hashMove, int ply = 2) {
    ChessMoveOrder& o = b.moveOrder[ply];
    o.stage = b.node.sideInCheck() ? 9 : 1;
    o.hashMove = hashMove;
    std::vector<ChessMoveSort> out;
    ChessMoveSort m;
    while (b.getNextMove(o, m, ply)) out.push_back(m);
    return out;
}

std::multiset<uint32_t> words(const ChessMoveSort* list, int n) {
    std::multiset<uint32_t> s;
    for (int i = 0; i < n; i++) s.insert(list[i].move.moveInt);
    return s;
}

TEST(SearchPicker, StagesHandEveryMoveOutOnceInTheirOrder) {
    // White: the knight on e5 can take the pawns on f7 and d7 (both defended:
    // losing captures), the bishop on b5 takes the knight on c6 (hash move).
    std::unique_ptr<RecordingBoard> b(makeSearchBoard("r1bqkb1r/pppp1ppp/2n2n2/1B2N3/4P3/8/PPPP1PPP/RNBQK2R w KQkq - 0 1"));
    const ChessMove hash = ChessMove::make(33, 42, BISHOP, KNIGHT);
    const std::set<uint32_t> losing = {ChessMove::make(36, 53, KNIGHT, PAWN).moveInt,
                                       ChessMove::make(36, 51, KNIGHT, PAWN).moveInt};
    const ChessMove killer = ChessMove::make(3, 39, QUEEN);  // Qd1-h5
    const ChessMove invalidKiller = ChessMove::make(0, 8, ROOK);  // a1-a2 is blocked
    b->killerMoves[2][0] = invalidKiller;
    b->killerMoves[2][1] = killer;

    std::vector<ChessMoveSort> out = drain(*b, hash);
    ChessMoveSort all[256];
    const int n = b->node.generateMoves(all, 0);
    std::multiset<uint32_t> handed;
    for (const ChessMoveSort& m : out) handed.insert(m.move.moveInt);
    EXPECT_EQ(handed, words(all, n)) << "each pseudo-legal move exactly once";

    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0].move, hash);
    EXPECT_EQ(out[0].value, 100000);
    ASSERT_GE(out.size(), 2u);
    const std::set<uint32_t> tail = {out[out.size() - 1].move.moveInt, out[out.size() - 2].move.moveInt};
    EXPECT_EQ(tail, losing) << "losing captures come after every quiet move";
    auto killerAt = std::find_if(out.begin(), out.end(), [&](const ChessMoveSort& m) { return m.move == killer; });
    ASSERT_NE(killerAt, out.end());
    EXPECT_EQ(killerAt->value, 45000);
    auto firstQuiet = std::find_if(out.begin(), out.end(), [](const ChessMoveSort& m) {
        return !m.move.isCaptureOrPromotion() && m.value < 45000;
    });
    EXPECT_LT(killerAt, firstQuiet);
}

TEST(SearchPicker, InvalidHashMoveAndKillerEqualToHashMoveAreNotRepeated) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard());
    const ChessMove collision = ChessMove::make(3, 39, QUEEN);  // blocked in the start position
    std::vector<ChessMoveSort> out = drain(*b, collision);
    EXPECT_EQ(out.size(), 20u);
    for (const ChessMoveSort& m : out) EXPECT_NE(m.move, collision);

    const ChessMove e4 = ChessMove::make(12, 28, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
    b->killerMoves[2][0] = e4;
    out = drain(*b, e4);
    ASSERT_EQ(out.size(), 20u);
    EXPECT_EQ(out[0].move, e4);
    EXPECT_EQ(std::count_if(out.begin(), out.end(), [&](const ChessMoveSort& m) { return m.move == e4; }), 1);
}

TEST(SearchPicker, EvasionsOnlyInCheck) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard("4k3/8/8/8/8/8/4r3/R3K3 w Q - 0 1"));
    ChessMoveSort evasions[256];
    const int n = b->node.generateKingEvasion(evasions);
    const ChessMove take = ChessMove::make(4, 12, KING, ROOK);
    std::vector<ChessMoveSort> out = drain(*b, take);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0].move, take);
    std::multiset<uint32_t> handed;
    for (const ChessMoveSort& m : out) handed.insert(m.move.moveInt);
    EXPECT_EQ(handed, words(evasions, n));
}

struct SizeCase {
    unsigned mb;
    uint32_t entries;
};
class SearchHashSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SearchHashSize, PowerOfTwoMegabytesInAWorkingRange) {
    EXPECT_EQ(hashEntriesFor(GetParam().mb), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SearchHashSize,
                         ::testing::Values(SizeCase{0, 65536}, SizeCase{1, 65536}, SizeCase{2, 131072},
                                           SizeCase{3, 262144}, SizeCase{32, 2097152}, SizeCase{100, 8388608},
                                           SizeCase{1024, 67108864}, SizeCase{2048, 134217728},
                                           SizeCase{4096, 134217728}, SizeCase{0xFFFFFFFFu, 134217728}));

TEST(SearchHashTable, MateScoresAreStoredRelativeToTheNode) {
    HashTable t;
    ASSERT_EQ(t.init(1), 1);
    EXPECT_EQ(t.size, 65536u);
    EXPECT_EQ(t.mask, 65535u);
    EXPECT_EQ((uintptr_t)t.entries % 64, 0u);
    const uint64_t key = 0x123456789ABCDEF0ULL;
    t.store(key, ChessMove(77), BOUND_EXACT, 12, 31990, 3);
    HashNode* e = t.slot(key);
    EXPECT_EQ(HashTable::infoScore(e->info), 31993);
    EXPECT_EQ(HashTable::scoreFromHash(HashTable::infoScore(e->info), 5), 31988);
    EXPECT_EQ(HashTable::infoDepth(e->info), 12);
    t.store(key, ChessMove(0), BOUND_UPPER, 4, -31990, 3);
    EXPECT_EQ(HashTable::infoScore(e->info), -31993);

    // Always replace: a shallower entry of another position takes the slot.
    const uint64_t other = key ^ (1ULL << 40);
    t.store(other, ChessMove(5), BOUND_LOWER, 4, 17, 0);
    EXPECT_EQ(e->key, other);
    EXPECT_EQ(HashTable::infoScore(e->info), 17);

    t.clear();
    EXPECT_EQ(e->key, 0u);
    t.release();
    EXPECT_EQ(t.slot(key), nullptr);
    t.store(key, ChessMove(1), BOUND_EXACT, 4, 0, 0);  // skipped, no crash
    EXPECT_EQ(t.size, 0u);
}

TEST(SearchHashTable, SearchWorksWithoutATable) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard(nullptr, 4));
    hashTable.release();
    b->computerPlay(0);
    EXPECT_EQ(b->gameMoveCount, 1u);
    b->init(16);
}

TEST(SearchReports, CalcMateValue) {
    std::unique_ptr<RecordingBoard> b(makeSearchBoard());
    EXPECT_EQ(b->calcMateValue(31999), 1);
    EXPECT_EQ(b->calcMateValue(31997), 2);
    EXPECT_EQ(b->calcMateValue(31744), 129);
    EXPECT_EQ(b->calcMateValue(-31998), 1);
    EXPECT_EQ(b->calcMateValue(-31996), 2);
    EXPECT_EQ(b->calcMateValue(150), 150);
    EXPECT_EQ(b->calcMateValue(-31743), -31743);
}

}  // namespace
