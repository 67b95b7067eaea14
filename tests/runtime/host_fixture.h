// A headless host connected to the runtime in-process, with the task-memory accounting checked
// around every test: the client must release exactly the host blocks it was handed.
#pragma once

#include "host/api/host.h"
#include "runtime/api.h"
#include "runtime/connection.h"

#include <gtest/gtest.h>

class HostFixture : public ::testing::Test {
  public:
    static constexpr ObjectId kObj = 0x0B000001;
    static constexpr ObjectId kDoc = 0x01000001;

  protected:
    void SetUp() override {
        ApiErrno = 0;
        KeepHostMemory = 0;
        baseline_ = TaskMemGetStats();
        host_.SetAlertStream(nullptr);
        host_.SetConsoleStream(nullptr);
    }

    void TearDown() override {
        ClientShutdown();
        KeepHostMemory = 0;
        EXPECT_EQ(host_.OutstandingReferences(), 0) << "the client kept host references";
        host_.memory().ReleaseKept();
        TaskMemStats now = TaskMemGetStats();
        EXPECT_EQ(now.liveBlocks, baseline_.liveBlocks) << "host blocks were not released";
        EXPECT_EQ(now.badReleases, baseline_.badReleases) << "a host block was released twice";
    }

    void Connect() { ASSERT_EQ(ClientConnect(&host_), 0); }

    // Task-memory releases made since the test began.
    std::uint64_t Releases() const { return TaskMemGetStats().releases - baseline_.releases; }
    std::uint64_t Allocations() const {
        return TaskMemGetStats().allocations - baseline_.allocations;
    }

    lxhost::Host host_;
    TaskMemStats baseline_{};
};
