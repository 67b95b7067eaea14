// The allocation-failure loop: for start-up and for every command on a document and with a book,
// the n-th allocation of the run fails, for n = 1, 2, ... until the run makes fewer than n. The
// countdown serves the client's allocators (Mem, Raw) and the host's task memory alike. Every run
// must end with the invariants of the host-fault sweep; an allocation made with the raise flag
// must raise the failure exception (code 1), caught by the host, and nothing else may raise.
// Under LeakSanitizer the runs that did not raise are checked for leaks of the client's heap.
// The ordinary run samples n; LX_FULL_SWEEP=1 (the full_sweep target) tries every n.
#include "command_runs.h"
#include "support/mem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LX_LEAK_CHECKS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define LX_LEAK_CHECKS 1
#endif
#if defined(LX_LEAK_CHECKS)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using faults::Outcome;
using faults::Scenario;

constexpr std::uint32_t kFailureCode = 1;
constexpr std::int64_t kCountAll = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kCallLimitFactor = 4;
constexpr std::int64_t kCallLimitSlack = 1000;
constexpr std::size_t kFailuresShown = 10;

// Raising failures seen since the last reset: the allocator calls FailureCallback just before it
// raises for an allocation made with the raise flag.
int raisingFailures = 0;
void CountRaisingFailure() {
    ++raisingFailures;
}

bool TaskMemoryFailsNow() {
    return AllocFailsNow();
}

// Arms the countdown on the client's allocators and on the host's task memory.
void ArmAllocations(lxhost::Host& host, std::int64_t n) {
    raisingFailures = 0;
    host.memory().SetFailureHook(TaskMemoryFailsNow);
    AllocFailCountdown = n;
}

class AllocationFailureLoop : public ::testing::TestWithParam<Scenario> {
  protected:
    void SetUp() override { FailureCallback = CountRaisingFailure; }
    void TearDown() override {
        FailureCallback = nullptr;
        AllocFailCountdown = 0;
    }
};

TEST_P(AllocationFailureLoop, EveryFailingAllocationEndsTheRunCleanly) {
    const Scenario scenario = GetParam();
    // The clean run counts the allocations: the countdown starts too high to reach 0. The first
    // run of the program also fills what the client keeps for the life of the process, so the
    // counting run is the second.
    faults::Run(scenario, 0, [](lxhost::Host& host) { ArmAllocations(host, kCountAll); });
    const Outcome clean =
        faults::Run(scenario, 0, [](lxhost::Host& host) { ArmAllocations(host, kCountAll); });
    const std::int64_t allocations = kCountAll - AllocFailCountdown;
    AllocFailCountdown = 0;
    ASSERT_TRUE(clean.started);
    ASSERT_TRUE(clean.broken.empty()) << clean.broken.front();
    ASSERT_EQ(raisingFailures, 0);
    const std::int64_t limit = clean.calls * kCallLimitFactor + kCallLimitSlack;

    std::vector<std::string> failures;
    std::size_t runs = 0;
    // The allocations that raised, found in the first pass; the second (leak) pass leaves them
    // out.
    std::vector<std::int64_t> quiet;
    auto runOnce = [&](std::int64_t n, bool record) {
        const Outcome out =
            faults::Run(scenario, limit, [&](lxhost::Host& host) { ArmAllocations(host, n); });
        // A run that took another path may make fewer allocations than the counting run.
        if (AllocFailCountdown == 0 && record)
            ++runs;
        AllocFailCountdown = 0;
        if (raisingFailures == 0)
            quiet.push_back(n);
        std::vector<std::string> broken = out.broken;
        std::vector<std::uint32_t> raised = out.raised;
        if (out.entryRaised)
            raised.push_back(kFailureCode);
        const std::vector<std::uint32_t> expected = raisingFailures
                                                        ? std::vector<std::uint32_t>{kFailureCode}
                                                        : std::vector<std::uint32_t>{};
        if (raised != expected)
            broken.push_back(raisingFailures ? "the raising allocation did not end in one raise"
                                             : "a raise without a raising allocation");
        if (out.started && FAILED(out.command) && raisingFailures == 0)
            broken.push_back("the command did not end normally");
        for (const std::string& b : broken) {
            std::ostringstream line;
            line << "allocation " << n << " of " << allocations << ": " << b;
            failures.push_back(line.str());
        }
    };
    const std::vector<std::int64_t> picks =
        faults::CallsToFail(allocations, faults::FullSweep(), scenario.command + 7);
#if defined(LX_LEAK_CHECKS)
    // A raise abandons the frames between the allocation and the host, as the structured
    // exception does on Windows, and with them whatever those frames held: that memory is the
    // price of the raise, not a leak of the code. So the runs are made twice: first all of them
    // with leak detection off, then those that did not raise with it on, and only those are held
    // to the client's heap.
    __lsan_disable();
    for (const std::int64_t n : picks)
        runOnce(n, true);
    __lsan_enable();
    const std::vector<std::int64_t> again = std::move(quiet);
    quiet.clear();
    for (const std::int64_t n : again)
        runOnce(n, false);
    if (__lsan_do_recoverable_leak_check() != 0)
        failures.push_back("a run without a raise leaked the client's heap (LeakSanitizer's "
                           "report is above)");
#else
    for (const std::int64_t n : picks)
        runOnce(n, true);
#endif
    std::ostringstream shown;
    for (std::size_t i = 0; i < failures.size() && i < kFailuresShown; ++i)
        shown << "\n  " << failures[i];
    EXPECT_TRUE(failures.empty()) << scenario.Name() << ": " << failures.size() << " of " << runs
                                  << " runs went wrong" << shown.str();
    RecordProperty("runs", static_cast<int>(runs));
}

INSTANTIATE_TEST_SUITE_P(Runs, AllocationFailureLoop, ::testing::ValuesIn(faults::AllScenarios()),
                         faults::TestName);

// The loop's own guard: the countdown reaches the host's task memory once its hook is set, and
// counts the client's allocators and the task memory as one sequence.
TEST(AllocationCountdown, ServesTheClientsAllocatorsAndTheHostsTaskMemoryAsOneSequence) {
    lxhost::Host host;
    host.memory().SetFailureHook(TaskMemoryFailsNow);
    AllocFailCountdown = 3;
    void* first = MemAlloc(8, 0);
    void* second = host.memory().Alloc(8);
    void* third = host.memory().Alloc(8);
    void* fourth = MemAlloc(8, 0);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_NE(fourth, nullptr);
    EXPECT_EQ(AllocFailCountdown, 0);
    MemFree(first);
    MemFree(fourth);
    CoTaskMemFree(second);
}

} // namespace
