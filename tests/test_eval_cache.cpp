// Evaluation cache: sizes, always-replace storage, and refused sizes.
#include <gtest/gtest.h>

#include "eval/evalcache.h"

namespace {

// Sizes with no entries are refused and leave no table, so the mask can
// never reach past an array; probing then simply finds nothing.
TEST(EvalCache, SizesFollowTheLowTwelveBitsAndEmptySizesAreRefused) {
    ChessEvalHashTable cache;
    for (unsigned size : {1u, 64u, 4096u + 2u}) {
        ASSERT_EQ(cache.init(size), 1);
        EXPECT_EQ(cache.count, (size & 4095u) * 65536u);
        EXPECT_EQ(cache.mask, cache.count - 1);
    }
    cache.free();
    EXPECT_EQ(cache.table, nullptr);
    EXPECT_EQ(cache.count, 2u * 65536u);  // count and mask are kept
    for (unsigned size : {0u, 4096u, 8192u}) {
        ASSERT_EQ(cache.init(1), 1);
        EXPECT_EQ(cache.init(size), 0);
        EXPECT_EQ(cache.table, nullptr);
        EXPECT_EQ(cache.mask, 0u);
        short score = 5;
        cache.addNode(42, 1);
        EXPECT_EQ(cache.findNode(42, &score), 3);
        cache.clear();
    }
}

TEST(EvalCache, StoresReplacesAndFindsByFullKey) {
    ChessEvalHashTable cache;
    ASSERT_EQ(cache.init(1), 1);
    short score = 77;
    EXPECT_EQ(cache.findNode(0, &score), 0);  // a cleared entry holds key 0
    EXPECT_EQ(score, 0);
    const unsigned long long k = 0x123456789ABCDEF0ULL, sameSlot = k ^ (1ULL << 40);
    cache.addNode(k, -321);
    cache.addNode(sameSlot, 55);
    EXPECT_EQ(cache.findNode(k, &score), 3);
    EXPECT_EQ(score, 0);  // a miss leaves the score alone
    EXPECT_EQ(cache.findNode(sameSlot, &score), 0);
    EXPECT_EQ(score, 55);
    cache.clear();
    EXPECT_EQ(cache.findNode(sameSlot, &score), 3);
}

}  // namespace
