// The host-fault sweep: for start-up and for every command on a document and on a book, each API
// call of the run is made to fail in turn, as a COM failure, as the busy answer and as a host
// error, and the run must end with nothing crashed, leaked, released twice or left looping.
// The ordinary run samples the calls of each run; LX_FULL_SWEEP=1 (the full_sweep target) fails
// every one.
#include "command_runs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using faults::Outcome;
using faults::Scenario;
using lxhost::Fault;

constexpr std::int32_t kHostErrorCode = 4711;
constexpr HRESULT kBusy = static_cast<HRESULT>(0x8001010Au);
// The limit a faulty run may not reach: a run may take other paths than the clean one, but not
// this many more calls.
constexpr std::int64_t kCallLimitFactor = 4;
constexpr std::int64_t kCallLimitSlack = 1000;
constexpr std::size_t kFailuresShown = 10;

struct FaultKind {
    const char* name;
    Fault fault;
};

const FaultKind kKinds[] = {
    {"COM failure", {Fault::Kind::ComFailure, E_FAIL, 0, 0}},
    {"busy", {Fault::Kind::ComFailure, kBusy, 0, 0}},
    {"host error", {Fault::Kind::HostError, S_OK, kHostErrorCode, 0}},
};

class HostFaultSweep : public ::testing::TestWithParam<Scenario> {};

// Sweeps the calls of one scenario with each kind of fault.
void SweepOne(const Scenario& scenario) {
    const Outcome clean = faults::Run(scenario, 0, [](lxhost::Host&) {});
    ASSERT_TRUE(clean.started);
    ASSERT_TRUE(clean.broken.empty()) << clean.broken.front();
    ASSERT_TRUE(clean.raised.empty());
    ASSERT_GT(clean.calls, 0);
    const std::int64_t limit = clean.calls * kCallLimitFactor + kCallLimitSlack;

    std::vector<std::string> failures;
    std::size_t runs = 0;
    const bool full = faults::FullSweep();
    for (const FaultKind& kind : kKinds) {
        for (std::int64_t n : faults::CallsToFail(clean.calls, full, scenario.command)) {
            const Outcome out = faults::Run(
                scenario, limit, [&](lxhost::Host& host) { host.FailNthCall(n, kind.fault); });
            ++runs;
            std::vector<std::string> broken = out.broken;
            if (!out.raised.empty() || out.entryRaised)
                broken.push_back("the client raised an exception");
            if (out.started && FAILED(out.command))
                broken.push_back("the command did not end normally");
            for (const std::string& b : broken) {
                std::ostringstream line;
                line << kind.name << " at call " << n << " of " << clean.calls << ": " << b;
                failures.push_back(line.str());
            }
        }
    }
    std::ostringstream shown;
    for (std::size_t i = 0; i < failures.size() && i < kFailuresShown; ++i)
        shown << "\n  " << failures[i];
    EXPECT_TRUE(failures.empty()) << scenario.Name() << ": " << failures.size() << " of " << runs
                                  << " runs went wrong" << shown.str();
    ::testing::Test::RecordProperty(scenario.hostKeepsMemory ? "runsHostKeepingBlocks" : "runs",
                                    static_cast<int>(runs));
}

TEST_P(HostFaultSweep, EveryFailingCallEndsTheRunCleanly) {
    for (bool hostKeepsMemory : {false, true}) {
        Scenario scenario = GetParam();
        scenario.hostKeepsMemory = hostKeepsMemory;
        SweepOne(scenario);
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, HostFaultSweep, ::testing::ValuesIn(faults::AllScenarios()),
                         faults::TestName);

// Start-up against a host that refuses each interface query in turn, with each answer of the
// memory interface (the host keeps its blocks, the client releases them, no such interface): the
// client starts without what was refused, or (without the API interface) not at all, and leaves
// nothing behind either way.
TEST(StartUpFaultSweep, EachRefusedInterfaceQueryEndsStartUpCleanly) {
    const Scenario startUp{faults::kStartUpOnly, false};
    const std::optional<HRESULT> memoryAnswers[] = {0, 1, std::nullopt};
    std::vector<std::string> failures;
    std::size_t runs = 0;
    for (const std::optional<HRESULT>& memory : memoryAnswers) {
        const auto refuse = [&](std::int64_t n) {
            return faults::Run(startUp, 0, [&](lxhost::Host& host) {
                host.SetMemoryAnswer(memory);
                host.RefuseNthQuery(n);
            });
        };
        const Outcome clean = refuse(0);
        ASSERT_TRUE(clean.started);
        ASSERT_TRUE(clean.broken.empty()) << clean.broken.front();
        EXPECT_GE(clean.queries, 12) << "the twelve host interfaces are queried at start-up";
        for (std::int64_t n = 1; n <= clean.queries; ++n) {
            const Outcome out = refuse(n);
            ++runs;
            std::vector<std::string> broken = out.broken;
            if (!out.raised.empty() || out.entryRaised)
                broken.push_back("the client raised an exception");
            if (out.started && FAILED(out.command))
                broken.push_back("the start-up did not end normally");
            for (const std::string& b : broken)
                failures.push_back("query " + std::to_string(n) + ": " + b);
        }
    }
    EXPECT_TRUE(failures.empty()) << failures.size() << " of " << runs
                                  << " runs went wrong, first: " << failures.front();
    RecordProperty("runs", static_cast<int>(runs));
}

// The sweep's own guard: a fault armed on the n-th call reaches exactly that call, whatever its
// slot, and the call limit stops a runaway.
TEST(HostFaultInjection, TheNthCallAndOnlyItFailsAndTheLimitStopsTheRest) {
    lxhost::Host host;
    host.SetConsoleStream(nullptr);
    const PropIdent prop{kPropActiveDoc, nullptr};
    struct Case {
        Fault fault;
        HRESULT nth;         // the n-th call's result
        std::int32_t nthErr; // and its error word
    };
    const Case cases[] = {
        {{Fault::Kind::ComFailure, kBusy, 0, 0}, kBusy, -1},
        {{Fault::Kind::HostError, S_OK, kHostErrorCode, 0}, S_OK, kHostErrorCode},
    };
    for (const Case& c : cases) {
        host.FailNthCall(3, c.fault);
        for (int call = 1; call <= 5; ++call) {
            std::int32_t err = -1;
            ObjectId id = 0;
            // Two slots, alternating: the count runs over all of them.
            HRESULT result = call % 2 ? host.api().GetId(0, 0, &prop, &err, &id)
                                      : host.api().PrintConsole("x", &err);
            EXPECT_EQ(result, call == 3 ? c.nth : S_OK) << call;
            EXPECT_EQ(err, call == 3 ? c.nthErr : 0) << call;
        }
        EXPECT_EQ(host.CallsMade(), 5);
    }
    host.SetCallLimit(2);
    std::int32_t err = -1;
    EXPECT_EQ(host.api().PrintConsole("x", &err), S_OK);
    EXPECT_EQ(host.api().PrintConsole("x", &err), S_OK);
    EXPECT_FALSE(host.CallLimitReached());
    EXPECT_EQ(host.api().PrintConsole("x", &err), E_FAIL);
    EXPECT_TRUE(host.CallLimitReached());
}

} // namespace
