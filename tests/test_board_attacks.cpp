// Attack tables: magic look-ups against the ray walkers, leaper tables and
// the line relation of two squares.
#include <gtest/gtest.h>

#include <random>

#include "board/bitboard.h"

namespace {

class BoardAttacks : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initBitBoards(); }
};

BitBoard squares(std::initializer_list<int> list) {
    BitBoard b = 0;
    for (int s : list) b |= 1ULL << s;
    return b;
}

TEST_F(BoardAttacks, MagicLookupsEqualRayWalkersOnEverySquare) {
    std::mt19937_64 rng(20240611);
    for (int sq = 0; sq < 64; sq++)
        for (int i = 0; i < 400; i++) {
            // Sparse and dense occupancies; the own square may be set too.
            const BitBoard occ = rng() & (i & 1 ? rng() : ~0ULL) & (i & 2 ? rng() : ~0ULL);
            ASSERT_EQ(rookAttack(sq, occ), RookAttack(sq, occ)) << "rook " << sq << " occ " << occ;
            ASSERT_EQ(bishopAttack(sq, occ), BishopAttack(sq, occ)) << "bishop " << sq << " occ " << occ;
            ASSERT_EQ(queenAttack(sq, occ), RookAttack(sq, occ) | BishopAttack(sq, occ));
        }
}

// The ray walkers and leaper tables by hand at corners, edges and blockers.
// Leaper relations are symmetric, pawn attacks mirror between the colours,
// and two squares share a line exactly when one sees the other on an empty
// board (the named cases tell the two diagonals apart).
TEST_F(BoardAttacks, EdgesBlockersLeapersAndLines) {
    EXPECT_EQ(BishopAttack(0, 0), 0x8040201008040200ULL);
    // Rook d4 blocked on d6 and f4: blockers included, squares behind them not.
    EXPECT_EQ(rookAttack(27, squares({43, 29})), squares({35, 43, 19, 11, 3, 28, 29, 26, 25, 24}));
    EXPECT_EQ(bbPawnAttack[WHITE][8], squares({17}));
    EXPECT_EQ(bbKnightAttack[0], squares({17, 10}));
    EXPECT_EQ(bbKingAttack[7], squares({6, 14, 15}));
    const int lines[][3] = {{0, 63, DIR_DIAG}, {56, 7, DIR_ANTI}, {4, 60, DIR_FILE}, {8, 15, DIR_RANK}};
    for (const auto& c : lines) EXPECT_EQ(direction[c[1]][c[0]], c[2]) << c[1] << " " << c[0];
    for (int a = 0; a < 64; a++)
        for (int b = 0; b < 64; b++) {
            ASSERT_EQ((bbKnightAttack[a] >> b) & 1, (bbKnightAttack[b] >> a) & 1);
            ASSERT_EQ((bbKingAttack[a] >> b) & 1, (bbKingAttack[b] >> a) & 1);
            ASSERT_EQ((bbPawnAttack[WHITE][a] >> b) & 1, (bbPawnAttack[BLACK][b] >> a) & 1);
            const int d = direction[a][b];
            ASSERT_EQ(d == DIR_FILE || d == DIR_RANK, ((RookAttack(a, 0) >> b) & 1) != 0) << a << " " << b;
            ASSERT_EQ(d == DIR_DIAG || d == DIR_ANTI, ((BishopAttack(a, 0) >> b) & 1) != 0) << a << " " << b;
        }
}

}  // namespace
