// The record pool gives a large load's slabs back only when every block is back, and never
// hands out a block twice, before or after.

#include "db_blockpool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace {
// Unused where the pool passes blocks through to the general allocator.
[[maybe_unused]] std::vector<void*> TakeMany(xal::db::BlockPool& pool, int n) {
    std::vector<void*> blocks;
    for (int i = 0; i < n; ++i) {
        blocks.push_back(pool.Take());
        std::memset(blocks.back(), 0xA5, 48); // the whole block is the caller's
    }
    return blocks;
}
} // namespace

TEST(BlockPool, trimming_keeps_one_slab_only_when_every_block_is_back_and_blocks_stay_unique) {
#ifdef XAL_BLOCKPOOL_PASS_THROUGH
    GTEST_SKIP() << "blocks come from the general allocator under AddressSanitizer";
#else
    xal::db::BlockPool pool(48);
    std::vector<void*> blocks = TakeMany(pool, 256 * 20);
    EXPECT_EQ(pool.SlabCount(), 20U);
    void* kept = blocks.back();
    blocks.pop_back();
    for (void* block : blocks)
        pool.Give(block);
    EXPECT_EQ(pool.SlabCount(), 20U) << "slabs are kept for the next load";
    EXPECT_FALSE(pool.Trim()) << "one block is still in use";
    EXPECT_EQ(pool.SlabCount(), 20U);
    pool.Give(kept);
    EXPECT_TRUE(pool.Trim());
    EXPECT_EQ(pool.SlabCount(), 1U);

    blocks = TakeMany(pool, 600);
    EXPECT_EQ(pool.SlabCount(), 3U);
    EXPECT_EQ(std::set<void*>(blocks.begin(), blocks.end()).size(), blocks.size());
    EXPECT_FALSE(pool.Trim());
    for (void* block : blocks)
        pool.Give(block);
#endif
}
