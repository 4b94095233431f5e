// Evaluation cache: sizes, always-replace storage, and refused sizes.
#include <gtest/gtest.h>

#include "eval/evalcache.h"

namespace {

TEST(EvalCacheTest, SizesFollowTheLowTwelveBitsOfTheRequest) {
    ChessEvalHashTable cache;
    ASSERT_EQ(cache.init(1), 1);
    EXPECT_EQ(cache.count, 65536u);
    EXPECT_EQ(cache.mask, 65535u);
    ASSERT_EQ(cache.init(64), 1);
    EXPECT_EQ(cache.count, 4194304u);
    EXPECT_EQ(cache.mask, 4194303u);
    ASSERT_EQ(cache.init(4096 + 2), 1);
    EXPECT_EQ(cache.count, 2u * 65536u);
}

TEST(EvalCacheTest, StoresReplacesAndFindsByFullKey) {
    ChessEvalHashTable cache;
    ASSERT_EQ(cache.init(1), 1);
    short score = 77;
    EXPECT_EQ(cache.findNode(0, &score), 0);  // a cleared entry holds key 0
    EXPECT_EQ(score, 0);

    const unsigned long long k = 0x123456789ABCDEF0ULL, sameSlot = k ^ (1ULL << 40);
    cache.addNode(k, -321);
    EXPECT_EQ(cache.findNode(k, &score), 0);
    EXPECT_EQ(score, -321);
    cache.addNode(sameSlot, 55);
    score = 9;
    EXPECT_EQ(cache.findNode(k, &score), 3);
    EXPECT_EQ(score, 9);
    EXPECT_EQ(cache.findNode(sameSlot, &score), 0);
    EXPECT_EQ(score, 55);

    cache.clear();
    EXPECT_EQ(cache.findNode(sameSlot, &score), 3);
}

// Sizes with no entries are refused and leave no table, so a probe cannot
// reach past an array; probing then simply finds nothing.
TEST(EvalCacheTest, EmptySizesAreRefused) {
    for (unsigned size : {0u, 4096u, 8192u}) {
        ChessEvalHashTable cache;
        ASSERT_EQ(cache.init(1), 1);
        EXPECT_EQ(cache.init(size), 0);
        EXPECT_EQ(cache.table, nullptr);
        EXPECT_EQ(cache.mask, 0u);
        short score = 5;
        cache.addNode(42, 1);
        EXPECT_EQ(cache.findNode(42, &score), 3);
        cache.clear();
    }
    ChessEvalHashTable cache;
    ASSERT_EQ(cache.init(2), 1);
    cache.free();
    EXPECT_EQ(cache.table, nullptr);
    EXPECT_EQ(cache.count, 2u * 65536u);  // count and mask are kept
}

}  // namespace
