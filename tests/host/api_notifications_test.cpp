// The host's side of the client's sink: the reference it holds, command messages delivered only
// when asked for, and alerts and console lines recorded and printed.
#include "host/api/host.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using lxhost::Host;

// An in-process sink that records what the host called.
class RecordingSink final : public IFrameMakerNotifications0 {
  public:
    explicit RecordingSink(bool answersNotifications = true)
        : answersNotifications_(answersNotifications) {}

    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if ((answersNotifications_ && IsEqualGUID(iid, kIidNotifications)) ||
            IsEqualGUID(iid, kIidUnknown))
            *out = static_cast<IFrameMakerNotifications0*>(this);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG LX_STDCALL AddRef() override { return ++count; }
    ULONG LX_STDCALL Release() override { return --count; }
    HRESULT LX_STDCALL Initialize(std::int32_t code) override {
        calls.push_back("Initialize " + std::to_string(code));
        return S_OK;
    }
    HRESULT LX_STDCALL Quit() override { return S_OK; }
    HRESULT LX_STDCALL Command(std::int32_t command) override {
        if (raise)
            RaiseException(1, 0, 0, nullptr);
        calls.push_back("Command " + std::to_string(command));
        return S_OK;
    }
    HRESULT LX_STDCALL Message(std::int32_t, std::int32_t, std::int32_t) override { return S_OK; }
    HRESULT LX_STDCALL DialogEvent(std::int32_t, std::int32_t, std::int32_t) override {
        return S_OK;
    }
    HRESULT LX_STDCALL Notify(std::int32_t notification, ObjectId doc, const char* text,
                              std::int32_t number) override {
        calls.push_back("Notify " + std::to_string(notification) + " " + std::to_string(doc) + " " +
                        text + " " + std::to_string(number));
        return S_OK;
    }
    HRESULT LX_STDCALL GetResource(std::int32_t, const char*, ResourceRecord*) override {
        return E_FAIL;
    }

    ULONG count = 1;
    bool raise = false;
    std::vector<std::string> calls;

  private:
    bool answersNotifications_;
};

class Notifications : public ::testing::Test {
  protected:
    void SetUp() override {
        host_.SetAlertStream(nullptr);
        host_.SetConsoleStream(nullptr);
    }

    std::int32_t Request(std::int32_t notification, std::int32_t state) {
        std::int32_t err = -1;
        EXPECT_EQ(host_.api().Notification(notification, state, &err), S_OK);
        return err;
    }

    RecordingSink sink_;
    Host host_;
};

TEST_F(Notifications, ConnectHoldsOneReferenceUntilReleased) {
    ASSERT_EQ(host_.api().Connect(&sink_, kClientAttachFlags, nullptr), S_OK);
    EXPECT_TRUE(host_.HasSink());
    EXPECT_EQ(sink_.count, 2u);
    // A second attach replaces the first without leaking its reference.
    ASSERT_EQ(host_.api().Connect(&sink_, kClientAttachFlags, nullptr), S_OK);
    EXPECT_EQ(sink_.count, 2u);
    host_.ReleaseSink();
    EXPECT_FALSE(host_.HasSink());
    EXPECT_EQ(sink_.count, 1u);
    EXPECT_EQ(host_.InitializeClient(1), E_FAIL);
}

TEST_F(Notifications, ASinkWithoutTheNotificationInterfaceIsRefused) {
    RecordingSink bare(false);
    EXPECT_EQ(host_.api().Connect(&bare, kClientAttachFlags, nullptr), E_NOINTERFACE);
    EXPECT_EQ(host_.api().Connect(nullptr, kClientAttachFlags, nullptr), E_NOINTERFACE);
    EXPECT_FALSE(host_.HasSink());
    EXPECT_EQ(bare.count, 1u);
}

TEST_F(Notifications, CommandMessagesReachOnlyAClientThatAskedForThem) {
    ASSERT_EQ(host_.api().Connect(&sink_, kClientAttachFlags, nullptr), S_OK);
    struct Step {
        std::int32_t notification; // 0: no request in this step
        std::int32_t state;
        bool delivered;
    };
    const Step steps[] = {
        {0, 0, false},  // nothing asked for yet
        {75, 1, false}, // another notification does not open the door
        {13, 1, true},  //
        {13, 0, false}, // withdrawn
        {13, 1, true},  // asked again
    };
    int n = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(n);
        if (step.notification) {
            EXPECT_EQ(Request(step.notification, step.state), 0);
        }
        sink_.calls.clear();
        std::string text = "GetStatisticsDoc " + std::to_string(n++);
        EXPECT_EQ(host_.SendMessage(text), step.delivered);
        if (step.delivered) {
            EXPECT_EQ(sink_.calls, std::vector<std::string>{"Notify 13 0 " + text + " 0"});
        } else {
            EXPECT_TRUE(sink_.calls.empty());
        }
    }
    EXPECT_EQ(host_.record().notifications.size(), 4u);
    host_.ReleaseSink();
}

TEST_F(Notifications, SinkCallsReachTheClient) {
    ASSERT_EQ(host_.api().Connect(&sink_, kClientAttachFlags, nullptr), S_OK);
    EXPECT_EQ(host_.InitializeClient(1), S_OK);
    EXPECT_EQ(host_.RunCommand(1000), S_OK);
    EXPECT_EQ(sink_.calls, (std::vector<std::string>{"Initialize 1", "Command 1000"}));
    host_.ReleaseSink();
}

TEST_F(Notifications, AnExceptionRaisedInTheClientEndsOnlyThatCall) {
    ASSERT_EQ(host_.api().Connect(&sink_, kClientAttachFlags, nullptr), S_OK);
    sink_.raise = true;
    EXPECT_EQ(host_.RunCommand(3), E_FAIL);
    EXPECT_EQ(host_.record().raised, std::vector<std::uint32_t>{1});
    sink_.raise = false;
    EXPECT_EQ(host_.RunCommand(3), S_OK);
    host_.ReleaseSink();
}

TEST_F(Notifications, HostDestructionReleasesTheSink) {
    {
        Host host;
        ASSERT_EQ(host.api().Connect(&sink_, kClientAttachFlags, nullptr), S_OK);
        EXPECT_EQ(sink_.count, 2u);
    }
    EXPECT_EQ(sink_.count, 1u);
}

TEST_F(Notifications, AlertsAndConsoleLinesAreRecordedAndPrinted) {
    std::ostringstream alerts;
    std::ostringstream console;
    host_.SetAlertStream(&alerts);
    host_.SetConsoleStream(&console);
    host_.SetAlertAnswer(7);
    std::int32_t answer = 0;
    std::int32_t err = -1;
    EXPECT_EQ(host_.api().Alert("Flesch Reading Ease: 61.2", 2, &answer), S_OK);
    EXPECT_EQ(answer, 7);
    EXPECT_EQ(host_.api().Alert("two\nlines\n", 2, &answer), S_OK);
    // The console is a stream: pieces are written as they come.
    EXPECT_EQ(host_.api().PrintConsole("cannot open ", &err), S_OK);
    EXPECT_EQ(host_.api().PrintConsole("a.mif\n", &err), S_OK);
    EXPECT_EQ(err, 0);
    // Each alert a block of its own: a blank line between them, none at the end.
    EXPECT_EQ(alerts.str(), "Flesch Reading Ease: 61.2\n\ntwo\nlines\n");
    EXPECT_EQ(console.str(), "cannot open a.mif\n");

    // Printing off: still recorded, nothing written.
    host_.SetAlertStream(nullptr);
    host_.SetConsoleStream(nullptr);
    EXPECT_EQ(host_.api().Alert("quiet", 2, &answer), S_OK);
    EXPECT_EQ(host_.api().PrintConsole("quiet", &err), S_OK);
    EXPECT_EQ(alerts.str(), "Flesch Reading Ease: 61.2\n\ntwo\nlines\n");
    EXPECT_EQ(host_.record().alerts,
              (std::vector<std::string>{"Flesch Reading Ease: 61.2", "two\nlines\n", "quiet"}));
    EXPECT_EQ(host_.record().console,
              (std::vector<std::string>{"cannot open ", "a.mif\n", "quiet"}));
}

} // namespace
