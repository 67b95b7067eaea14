// The accounting of task memory that the host's tests rely on, kept on Windows by a spy on the
// system's allocator: without it every "the client released what it was handed" check would
// pass without looking.
#include "platform/com.h"

#include <gtest/gtest.h>

namespace {

TEST(TaskMemory, EveryBlockHandedOutAndReleasedIsCounted) {
    TaskMemStats before = TaskMemGetStats();
    void* a = CoTaskMemAlloc(16);
    void* b = CoTaskMemAlloc(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    TaskMemStats held = TaskMemGetStats();
    EXPECT_EQ(held.allocations - before.allocations, 2u);
    EXPECT_EQ(held.liveBlocks - before.liveBlocks, 2u);
    CoTaskMemFree(a);
    CoTaskMemFree(b);
    CoTaskMemFree(nullptr);
    TaskMemStats after = TaskMemGetStats();
    EXPECT_EQ(after.releases - before.releases, 2u);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    EXPECT_EQ(after.badReleases, before.badReleases);
}

TEST(TaskMemory, AReleaseOfABlockNotHandedOutIsCountedAndHarmless) {
    TaskMemStats before = TaskMemGetStats();
    void* block = CoTaskMemAlloc(8);
    CoTaskMemFree(block);
    CoTaskMemFree(block); // twice: counted, and kept from the allocator
    TaskMemStats after = TaskMemGetStats();
    EXPECT_EQ(after.badReleases - before.badReleases, 1u);
    EXPECT_EQ(after.releases - before.releases, 1u);
    // The heap is still sound.
    void* again = CoTaskMemAlloc(8);
    ASSERT_NE(again, nullptr);
    CoTaskMemFree(again);
}

} // namespace
