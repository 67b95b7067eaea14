#include "support/mem.h"

#include "platform/com.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

// An allocation no heap can satisfy.
constexpr std::size_t kImpossible = std::numeric_limits<std::size_t>::max() / 2;

int callbackCalls = 0;
void CountingCallback() {
    ++callbackCalls;
}

// Runs an allocation that must raise; returns the exception code seen, or 0.
template <typename F> DWORD RaisedCode(F f) {
    try {
        f();
    } catch (const PlatformException& e) {
        return e.code;
    }
    return 0;
}

TEST(MemAllocation, FailureReturnsNullWithoutTheRaiseFlag) {
    EXPECT_EQ(MemAlloc(kImpossible, 0), nullptr);
    EXPECT_EQ(MemCalloc(kImpossible, 4, 0), nullptr);
    void* block = MemAlloc(16, 0);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MemRealloc(block, kImpossible, 0), nullptr); // the old block stays the caller's
    EXPECT_EQ(MemFree(block), nullptr);
    EXPECT_EQ(MemFree(nullptr), nullptr);
}

TEST(MemAllocation, FailureWithTheRaiseFlagCallsTheHookThenRaisesCodeOne) {
    callbackCalls = 0;
    FailureCallback = CountingCallback;
    EXPECT_EQ(RaisedCode([] { MemAlloc(kImpossible, kMemRaise); }), 1u);
    EXPECT_EQ(RaisedCode([] { MemCalloc(kImpossible, 2, kMemRaise); }), 1u);
    void* block = MemAlloc(8, 0);
    EXPECT_EQ(RaisedCode([block] { MemRealloc(block, kImpossible, kMemRaise); }), 1u);
    MemFree(block);
    EXPECT_EQ(callbackCalls, 3);
    FailureCallback = nullptr;
    EXPECT_EQ(RaisedCode([] { MemAlloc(kImpossible, kMemRaise | 2u); }), 1u);
}

int fatalCalls = 0;
void CountingFatal() {
    ++fatalCalls;
}

TEST(MemFailure, FatalErrorCallsAnInstalledHandlerThenRaises) {
    fatalCalls = 0;
    EXPECT_EQ(RaisedCode([] { FatalError(); }), 1u);
    EXPECT_EQ(fatalCalls, 0);
    FatalHandler = CountingFatal;
    EXPECT_EQ(RaisedCode([] { FatalError(); }), 1u);
    EXPECT_EQ(fatalCalls, 1);
    FatalHandler = DefaultFatalHandler;
}

TEST(MemHelpers, ZeroAndFreeRef) {
    char buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(MemZero(buf, 3), 0);
    EXPECT_EQ(buf[2], 0);
    EXPECT_EQ(buf[3], 4);
    EXPECT_EQ(MemZero(nullptr, 3), 1);
    void* block = MemAlloc(8, 0);
    EXPECT_EQ(MemFreeRef(&block), 0); // frees; the variable is left as it was
    EXPECT_NE(block, nullptr);
    void* none = nullptr;
    EXPECT_EQ(MemFreeRef(&none), 0);
}

} // namespace
