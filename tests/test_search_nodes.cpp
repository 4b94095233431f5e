// Search nodes: stand pat, exchange pruning, mate distances, draws, the
// null-move conditions; move ordering, the staged picker, killers and history;
// the transposition table's sizing, clearing and mate-score conversion.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "search/hashsize.h"
#include "search/moveorder.h"
#include "search_test_board.h"

namespace {

const char* const BACK_RANK_MATED = "3R2k1/5ppp/8/8/8/8/8/6K1 b - - 0 1";  // black to move is mated
const char* const KING_AND_PAWN = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";

TEST(SearchQuiescence, StandPatAndExchangePruning) {
    BoardPtr b = nodeBoard(KING_AND_PAWN);
    const int eval = b->node.evaluate(-32000, 32000, 0);
    EXPECT_EQ(b->search_quiescent(1, -32000, 32000, 1, 1), eval);
    EXPECT_EQ(b->search_quiescent(1, eval - 100, eval - 10, 1, 1), eval) << "fail-soft at the stand-pat cut";
    EXPECT_EQ(b->search_quiescent(1, eval + 10, eval + 100, 1, 1), eval + 10) << "fail-hard below alpha";
    EXPECT_EQ(countNodes, 0u);
    // Nxc6 (defended by b7, nothing else bears on c6) loses 225 and is never made.
    b = nodeBoard("4k3/1p6/2p5/8/3N4/8/8/4K3 w - - 0 1");
    b->search_quiescent(1, -32000, 32000, 1, 1);
    EXPECT_EQ(countNodes, 0u);
    b = nodeBoard("4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1");  // a pawn takes a defended knight: searched
    b->search_quiescent(1, -32000, 32000, 1, 1);
    EXPECT_GE(countNodes, 1u);
}

TEST(SearchMain, MateDistanceAndMatedScores) {
    BoardPtr b = nodeBoard(BACK_RANK_MATED);
    EXPECT_EQ(b->search_quiescent(5, -32000, 32000, 1, 1), -31995);
    EXPECT_EQ(b->node.inCheck, CHECK_MATED);
    prepareNode(*b);
    EXPECT_GT(b->search_quiescent(5, -32000, 32000, 1, 0), -31744) << "after a null move it stands pat";
    prepareNode(*b);
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 3), -31997);
    prepareNode(*b);
    EXPECT_EQ(b->search(8, 31997, 32000, 1, 3), 31997) << "a window beyond any reachable score";
    EXPECT_EQ(countNodes, 0u);
    b = nodeBoard("3R2k1/5ppp/8/8/8/8/8/6K1 b - - 100 80");
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 1), -31999) << "mated at a fifty-move count of 100";
    b = nodeBoard("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(b->search(8, -32000, 32000, 1, 2), 0);
    EXPECT_EQ(b->node.inCheck, CHECK_STALEMATED);
    const int mates[][2] = {{31999, 1}, {31997, 2}, {31744, 129}, {-31998, 1}, {-31996, 2}, {-31743, -31743}};
    for (const auto& s : mates) EXPECT_EQ(b->calcMateValue(s[0]), s[1]) << "mate in moves for " << s[0];
}

TEST(SearchDraws, FiftyMovesRepetitionAndBareMaterial) {
    for (auto [fen, draw] : {std::pair<const char*, int>{"3R2k1/5pp1/8/8/8/8/8/6K1 b - - 100 80", 1},
                             {"6k1/5ppp/8/8/8/8/8/3R2K1 b - - 99 80", 0},
                             {"4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 1},
                             {KING_AND_PAWN, 0}})
        EXPECT_EQ(nodeBoard(fen)->isDrawNode(1), draw) << fen;

    BoardPtr b = makeSearchBoard();
    ASSERT_TRUE(b->setMoveSquareList("g1f3 g8f6 f3g1 f6g8"));
    prepareNode(*b);
    EXPECT_EQ(b->isDrawNode(1), 1);
    EXPECT_EQ(b->search(8, -100, 100, 1, 1), 0);
    b->node.fiftyMove = 3;
    EXPECT_EQ(b->isDrawNode(1), 0) << "no comparison reaches four plies back";
}

// After a search from a null-window node, does its table slot hold a
// null-move cutoff (empty move, lower bound)?
bool nullMoveCut(const char* fen, int depth, int beta) {
    BoardPtr b = nodeBoard(fen, 1);
    const uint64_t key = b->node.hashKey;
    b->search(depth, beta - 1, beta, 1, 1);
    ChessMove move;
    uint32_t info;
    return hashTable.probe(key, move, info) && move.isEmpty() && HashTable::infoBound(info) == BOUND_LOWER;
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

TEST(SearchOrder, KillersShiftAndHistoryStaysBelowTenThousand) {
    BoardPtr b = makeSearchBoard();
    const ChessMove m1 = ChessMove::make(6, 21, KNIGHT), m2 = ChessMove::make(1, 18, KNIGHT);
    b->updateKillersAndHistory(m1, 8, 3);
    b->updateKillersAndHistory(m2, 8, 3);
    b->updateKillersAndHistory(m2, 8, 3);  // already first: nothing moves
    EXPECT_TRUE(b->killerMoves[3][0] == m2 && b->killerMoves[3][1] == m1);
    EXPECT_EQ(b->historyTable[WHITE][KNIGHT][18], 8u);  // (8 / 4)^2 twice
    b->historyTable[WHITE][KNIGHT][21] = 9990;
    b->updateKillersAndHistory(m1, 16, 3);  // +16 would reach 10006
    EXPECT_EQ(b->historyTable[WHITE][KNIGHT][21], 9990u);
}

// Drains the picker at ply 2; checks that it hands out exactly the
// pseudo-legal moves, each once, and returns them in the order handed out.
std::vector<ChessMoveSort> drain(ChessBoard& b, ChessMove hashMove) {
    ChessMoveOrder& o = b.moveOrder[2];
    o.stage = b.node.sideInCheck() ? PICK_EVASION_HASH : PICK_HASH;
    o.hashMove = hashMove;
    std::vector<ChessMoveSort> out;
    std::multiset<uint32_t> expected, handed;
    for (ChessMoveSort m; b.getNextMove(o, m, 2);) out.push_back(m), handed.insert(m.move.moveInt);
    ChessMoveSort all[256];
    const int n = b.node.generateMoves(all, b.node.sideInCheck());
    for (int i = 0; i < n; i++) expected.insert(all[i].move.moveInt);
    EXPECT_EQ(handed, expected);
    return out;
}

TEST(SearchPicker, StagesHandEveryMoveOutOnceInTheirOrder) {
    // The knight on e5 can take the defended pawns on f7 and d7 (losing
    // captures); the bishop on b5 takes the knight on c6 (hash move).
    BoardPtr b = makeSearchBoard("r1bqkb1r/pppp1ppp/2n2n2/1B2N3/4P3/8/PPPP1PPP/RNBQK2R w KQkq - 0 1");
    const ChessMove hash = ChessMove::make(33, 42, BISHOP, KNIGHT), killer = ChessMove::make(3, 39, QUEEN);
    b->killerMoves[2][0] = ChessMove::make(0, 8, ROOK);  // a1-a2 is blocked: skipped
    b->killerMoves[2][1] = killer;                       // Qd1-h5
    std::vector<ChessMoveSort> out = drain(*b, hash);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0].move, hash);
    EXPECT_EQ(out[0].value, 100000);
    const std::set<uint32_t> tail = {out[out.size() - 1].move.moveInt, out[out.size() - 2].move.moveInt};
    const std::set<uint32_t> losing = {ChessMove::make(36, 53, KNIGHT, PAWN).moveInt,
                                       ChessMove::make(36, 51, KNIGHT, PAWN).moveInt};
    EXPECT_EQ(tail, losing) << "losing captures come after every quiet move";
    auto killerAt = std::find_if(out.begin(), out.end(), [&](const auto& m) { return m.move == killer; });
    ASSERT_NE(killerAt, out.end());
    EXPECT_EQ(killerAt->value, 45000);
    auto quiet = [](const ChessMoveSort& m) { return !m.move.isCaptureOrPromotion() && m.value < 45000; };
    EXPECT_LT(killerAt, std::find_if(out.begin(), out.end(), quiet));

    // A hash move that is not playable (a key collision), a killer equal to
    // the hash move, and evasions only when in check.
    b = makeSearchBoard();
    drain(*b, ChessMove::make(3, 39, QUEEN));
    const ChessMove e4 = ChessMove::make(12, 28, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
    b->killerMoves[2][0] = e4;
    EXPECT_EQ(drain(*b, e4)[0].move, e4);
    b = makeSearchBoard("4k3/8/8/8/8/8/4r3/R3K3 w Q - 0 1");
    const ChessMove take = ChessMove::make(4, 12, KING, ROOK);
    EXPECT_EQ(drain(*b, take)[0].move, take);
}

TEST(SearchHashTable, SizeIsClampedToAPowerOfTwoInAWorkingRange) {
    const uint64_t requests[][2] = {
        {0, 65536},        {1, 65536},          {3, 262144},          {2048, 134217728},
        {3000, 268435456}, {65536, 4294967296}, {65537, 4294967296u}, {0xFFFFFFFFu, 4294967296u}};
    for (const auto& r : requests) EXPECT_EQ(hashEntriesFor((unsigned)r[0]), r[1]) << r[0] << " MB";
    // A harness may hold every table smaller.
    maxHashMB = 2;
    EXPECT_EQ(hashEntriesFor(32), 131072u);
    maxHashMB = MAX_HASH_MB;
}

long residentKB() {
    FILE* f = fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (f && fgets(line, sizeof line, f))
        if (!strncmp(line, "VmRSS:", 6)) kb = atol(line + 6);
    if (f) fclose(f);
    return kb;
}

// A table costs memory only where the search writes; clearing zeroes a fully
// written stretch and a barely written one alike, and makes nothing resident.
TEST(SearchHashTable, ClearEmptiesEveryStretchAndTouchesNoFreshMemory) {
    HashTable t;
    const long before = residentKB();
    ASSERT_EQ(t.init(1024), 1);
    t.clear();
    EXPECT_LT(residentKB() - before, 32 * 1024) << "kB resident after sizing and clearing 1024 MB";
    ASSERT_EQ(t.init(4), 1);
    EXPECT_EQ((uintptr_t)t.memory % HashTable::HUGE_PAGE_BYTES, 0u)
        << "a stretch of the clear is one huge page";
    // Cleared in three parts (as three threads would), every stretch is empty.
    for (uint64_t i = 0; i < t.size / 2; i++) t.store(i, ChessMove((uint32_t)i + 1), BOUND_EXACT, 4, 1, 0);
    t.store(t.size - 1, ChessMove(9), BOUND_EXACT, 4, 1, 0);
    for (unsigned part : {2u, 0u, 1u}) t.clearPart(part, 3);
    uint64_t kept = 0;
    for (uint64_t i = 0; i < t.size; i++) kept += t.entries[i].check || t.entries[i].data;
    EXPECT_EQ(kept, 0u);
    // Sized again to the same size, the table stays where it is, emptied.
    const void* at = t.memory;
    t.store(77, ChessMove(5), BOUND_EXACT, 4, 1, 0);
    ASSERT_EQ(t.init(3), 1);
    EXPECT_EQ(t.memory, at);
    EXPECT_EQ(t.entries[77].check | t.entries[77].data, 0u);
    // Emptied, then stored into again, it is emptied again.
    t.clear();
    t.store(78, ChessMove(5), BOUND_EXACT, 4, 1, 0);
    t.clear();
    EXPECT_EQ(t.entries[78].check | t.entries[78].data, 0u);
}

// The largest table, 2^32 entries (64 GB, more than many machines have), is
// granted: it costs only the pages written, at either end.
TEST(SearchHashTable, LargestTableIsGrantedAndAddressedToItsEnd) {
    HashTable t;
    ASSERT_EQ(t.init(65536), 1);
    EXPECT_EQ(t.size, 1ULL << 32);
    const uint64_t last = (1ULL << 32) - 1, key = 0xABCD000000000000ULL | last;
    t.store(key, ChessMove(9), BOUND_EXACT, 4, 1, 0);
    ChessMove move;
    uint32_t info;
    EXPECT_TRUE(t.probe(key, move, info));
    EXPECT_EQ(t.slot(key) - t.entries, (ptrdiff_t)last);
    EXPECT_FALSE(t.probe(key & last, move, info)) << "the key's high bits are checked";
}

TEST(SearchHashTable, MateScoresAlwaysReplaceAndNoTable) {
    HashTable t;
    ASSERT_EQ(t.init(1), 1);
    const uint64_t key = 0x123456789ABCDEF0ULL;
    t.store(key, ChessMove(77), BOUND_EXACT, 12, 31990, 3);
    ChessMove move;
    uint32_t info;
    ASSERT_TRUE(t.probe(key, move, info));
    EXPECT_EQ(move, ChessMove(77));
    EXPECT_EQ(HashTable::infoScore(info), 31993);
    EXPECT_EQ(HashTable::scoreFromHash(HashTable::infoScore(info), 5), 31988);
    t.store(key, ChessMove(0), BOUND_UPPER, 4, -31990, 3);
    ASSERT_TRUE(t.probe(key, move, info));
    EXPECT_EQ(HashTable::infoScore(info), -31993);
    t.store(key ^ (1ULL << 40), ChessMove(5), BOUND_LOWER, 4, 17, 0);  // same slot, another position
    EXPECT_FALSE(t.probe(key, move, info));
    EXPECT_TRUE(t.probe(key ^ (1ULL << 40), move, info));
    HashNode* e = t.slot(key);
    EXPECT_EQ(t.slot(key ^ 1) - e, 1) << "neighbouring keys, neighbouring slots: every entry is used";

    // Two threads storing into one slot at once can leave the data word of
    // one store beside the check word of the other: such an entry is a miss
    // for both keys, never one position's key with another one's move.
    const uint64_t other = key ^ (1ULL << 41);
    t.store(other, ChessMove(6), BOUND_EXACT, 20, 300, 0);
    const uint64_t otherData = e->data;
    t.store(key, ChessMove(7), BOUND_EXACT, 20, -300, 0);
    e->data = otherData;
    EXPECT_FALSE(t.probe(key, move, info));
    EXPECT_FALSE(t.probe(other, move, info));
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

}  // namespace
