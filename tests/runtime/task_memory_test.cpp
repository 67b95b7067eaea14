// The task heap's record of the blocks it handed out, under many blocks at once: every block is
// released once, whatever the order, and a release of a block not live is counted and refused.
#include "platform/com.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <vector>

namespace {

TEST(TaskMemory, ManyBlocksReleasedInAnyOrderAreEachReleasedOnce) {
    struct Case {
        const char* name;
        std::size_t blocks;
        unsigned seed; // 0: released in the order handed out
    };
    const Case cases[] = {
        {"one", 1, 0},
        {"in order", 3000, 0},
        {"scrambled", 3000, 7},
        {"scrambled again", 5000, 12345},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TaskMemStats before = TaskMemGetStats();
        std::vector<void*> blocks;
        for (std::size_t i = 0; i < c.blocks; ++i) {
            blocks.push_back(CoTaskMemAlloc(i % 48));
            ASSERT_NE(blocks.back(), nullptr);
        }
        EXPECT_EQ(TaskMemGetStats().liveBlocks - before.liveBlocks, c.blocks);
        if (c.seed != 0) {
            std::shuffle(blocks.begin(), blocks.end(), std::mt19937(c.seed));
        }
        // Half released, then every block: the second release of the first half is refused.
        for (std::size_t i = 0; i < blocks.size() / 2; ++i) {
            CoTaskMemFree(blocks[i]);
        }
        for (void* block : blocks) {
            CoTaskMemFree(block);
        }
        const TaskMemStats after = TaskMemGetStats();
        EXPECT_EQ(after.releases - before.releases, c.blocks);
        EXPECT_EQ(after.badReleases - before.badReleases, c.blocks / 2);
        EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    }
}

#ifndef _WIN32
// Only the stand-in heap can refuse an address it never gave; the system's would fault.
TEST(TaskMemory, AnAddressNeverHandedOutIsRefused) {
    const TaskMemStats before = TaskMemGetStats();
    void* kept = CoTaskMemAlloc(8);
    int local = 0;
    CoTaskMemFree(&local);
    CoTaskMemFree(static_cast<char*>(kept) + 1);
    EXPECT_EQ(TaskMemGetStats().badReleases - before.badReleases, 2u);
    CoTaskMemFree(kept);
    EXPECT_EQ(TaskMemGetStats().liveBlocks, before.liveBlocks);
}
#endif

} // namespace
