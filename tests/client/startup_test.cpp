// Start-up, the notification sink and the command dispatch, driven through the host object the
// way the host drives a loaded plug-in.
#include "client/commands.h"
#include "host/api/host.h"
#include "runtime/api.h"
#include "runtime/client_init.h"
#include "runtime/connection.h"
#include "runtime/sink.h"
#include "support/prop_list.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

#include <cstring>
#include <string>

namespace {

using lxhost::Fault;
using lxhost::Host;
using lxhost::HostProp;

constexpr ObjectId kActiveDoc = 0x01000007;

class Startup : public ::testing::Test {
  protected:
    void SetUp() override {
        ApiErrno = 0;
        KeepHostMemory = 0;
#if defined(_WIN32)
        self_ = GetModuleHandleA(nullptr); // the test program, which carries the version resource
#else
        self_ = dlopen(nullptr, RTLD_NOW);
#endif
    }
    void TearDown() override {
        ReleaseSink();
        EXPECT_EQ(NotificationSink, nullptr);
        EXPECT_EQ(ApiInterface, nullptr);
        EXPECT_EQ(host_.OutstandingReferences(), 0);
#if !defined(_WIN32)
        if (self_)
            dlclose(self_);
#endif
    }

    // Takes the host's reference on the sink the client attached, as a host does.
    IFrameMakerNotifications0* Attach() {
        EXPECT_EQ(F_ApiClientInit(static_cast<HMODULE>(self_), &host_, nullptr, nullptr), 0);
        return TakeSink();
    }
    IFrameMakerNotifications0* TakeSink() {
        void* out = nullptr;
        if (!host_.record().sink)
            return nullptr;
        // The client released its own reference after attaching: the sink lives on through
        // the host's reference; the test takes one more through QueryInterface.
        EXPECT_EQ(host_.record().sink->QueryInterface(kIidNotifications, &out), S_OK);
        sink_ = static_cast<IFrameMakerNotifications0*>(out);
        return sink_;
    }
    void ReleaseSink() {
        if (sink_)
            sink_->Release();
        sink_ = nullptr;
        host_.ReleaseSink();
    }

    void* self_ = nullptr;
    Host host_;
    IFrameMakerNotifications0* sink_ = nullptr;
};

TEST_F(Startup, NullHostObjectFailsBeforeAnything) {
    EXPECT_EQ(F_ApiClientInit(static_cast<HMODULE>(self_), nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(NotificationSink, nullptr);
    EXPECT_TRUE(host_.record().queried.empty());
}

TEST_F(Startup, HostWithoutTheApiInterfaceFailsWithoutASink) {
    host_.SetSupportsApi(false);
    EXPECT_EQ(F_ApiClientInit(static_cast<HMODULE>(self_), &host_, nullptr, nullptr), -1);
    EXPECT_EQ(NotificationSink, nullptr);
    EXPECT_EQ(host_.record().sink, nullptr);
    EXPECT_EQ(host_.record().queried.size(), 12u); // the twelve were asked for, in order
    EXPECT_TRUE(IsEqualGUID(host_.record().queried[2], kIidHostApi));
    ClientShutdown(); // the host releases the client; here the test plays that part
}

TEST_F(Startup, IdentificationFromTheVersionResourceCarriesPropertiesTwoToFive) {
    ASSERT_NE(Attach(), nullptr);
    const auto& info = host_.record().clientInfo;
    ASSERT_EQ(info.size(), 4u);
    const char* expected[] = {"Lexameter", "Standard", "Lexameter (Frame 2017)", "Maker MakerSGML"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(info[i].num, i + 2);
        EXPECT_EQ(std::get<std::string>(info[i].value.payload), expected[i]);
    }
    EXPECT_EQ(host_.record().connectFlags, kClientAttachFlags);
    EXPECT_EQ(host_.record().module, self_);
}

TEST_F(Startup, ACallersIdentificationIsPassedAndLeftAlone) {
    PropValList mine = {0, nullptr};
    PropValListSetString(&mine, 2, "Other");
    ASSERT_EQ(F_ApiClientInit(static_cast<HMODULE>(self_), &host_, nullptr, &mine), 0);
    TakeSink();
    ASSERT_EQ(host_.record().clientInfo.size(), 1u);
    ASSERT_EQ(mine.count, 1u); // not freed by the client
    EXPECT_STREQ(mine.items[0].value.u.sval, "Other");
    PropValListFree(&mine);
}

TEST_F(Startup, TheHostsLastReleaseTearsTheConnectionDown) {
    ASSERT_NE(Attach(), nullptr);
    EXPECT_NE(ApiInterface, nullptr);
    ReleaseSink();
    EXPECT_EQ(NotificationSink, nullptr);
    ApiErrno = 0;
    EXPECT_EQ(ApiGetId(0, 0, kPropActiveDoc), 0u);
    EXPECT_EQ(ApiErrno, kApiErrNotConnected);
}

// Stands for the extra interface the host may pass; records what the sink's teardown does to it.
struct ExtraInterface final : IUnknown {
    HRESULT LX_STDCALL QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG LX_STDCALL AddRef() override { return static_cast<ULONG>(++references); }
    ULONG LX_STDCALL Release() override {
        ++releases;
        if (sink)
            countDuringTeardown = sink->ReferenceCount();
        return static_cast<ULONG>(--references);
    }
    int references = 0;
    int releases = 0;
    int countDuringTeardown = -1;
    FrameMakerNotificationsC* sink = nullptr;
};

TEST_F(Startup, TheLastReleaseDestroysTheSinkOnceWithItsCountHeldUp) {
    ExtraInterface extra;
    ASSERT_EQ(F_ApiClientInit(static_cast<HMODULE>(self_), &host_, &extra, nullptr), 0);
    EXPECT_EQ(extra.references, 1); // held until the sink is destroyed
    extra.sink = NotificationSink;
    TakeSink();
    ReleaseSink();
    EXPECT_EQ(extra.releases, 1);
    EXPECT_EQ(extra.references, 0);
    EXPECT_EQ(extra.countDuringTeardown, 100);
    EXPECT_EQ(ClientExtraInterface, nullptr);
}

TEST_F(Startup, QueryInterfaceSharesOneCountAcrossTheInterfaces) {
    IFrameMakerNotifications0* sink = Attach();
    ASSERT_NE(sink, nullptr);
    void* cms = nullptr;
    void* unknown = nullptr;
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(kIidCmsNotifications, &cms), S_OK);
    EXPECT_EQ(sink->QueryInterface(kIidUnknown, &unknown), S_OK);
    EXPECT_EQ(sink->QueryInterface(kIidHostApi, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(unknown, static_cast<void*>(host_.record().sink));
    EXPECT_EQ(NotificationSink->ReferenceCount(), 4); // the host's, the test's and two more
    static_cast<IFrameMakerCMSNotifications0*>(cms)->Release();
    EXPECT_EQ(static_cast<IUnknown*>(unknown)->Release(), 2u);
}

TEST_F(Startup, GetResourceGivesThePathWithItsTerminatorOrFails) {
    IFrameMakerNotifications0* sink = Attach();
    ResourceRecord record{0, nullptr};
    ASSERT_EQ(sink->GetResource(0, nullptr, &record), S_OK);
    ASSERT_NE(record.bytes, nullptr);
    const char* path = static_cast<const char*>(record.bytes);
    EXPECT_EQ(static_cast<std::size_t>(record.size), std::strlen(path) + 1);
    EXPECT_NE(std::string(path).find("client_tests"), std::string::npos);
    CoTaskMemFree(record.bytes);

    ResourceRecord version{0, nullptr};
    EXPECT_EQ(sink->GetResource(16, "#1", &version), S_OK);
    EXPECT_GT(version.size, 0);
    CoTaskMemFree(version.bytes);

    ResourceRecord missing{7, nullptr};
    EXPECT_EQ(sink->GetResource(6, "#9", &missing), E_FAIL);
    EXPECT_EQ(missing.size, 7); // left alone
}

TEST_F(Startup, CmsCommandFillsTheHostsRecordFromTheDefaultCallback) {
    Attach();
    void* cms = nullptr;
    ASSERT_EQ(sink_->QueryInterface(kIidCmsNotifications, &cms), S_OK);
    CmsRecord record{5, 5, nullptr, 5, nullptr};
    EXPECT_EQ(static_cast<IFrameMakerCMSNotifications0*>(cms)->CMSCommand(1, 2, 3, 4, &record),
              S_OK);
    EXPECT_EQ(record.word0, 0);
    EXPECT_EQ(record.word1, 0);
    EXPECT_EQ(record.text, nullptr);
    EXPECT_EQ(record.count, 0u);
    RawFree(record.values);
    static_cast<IFrameMakerCMSNotifications0*>(cms)->Release();
}

class Dispatch : public Startup {
  protected:
    void SetUp() override {
        Startup::SetUp();
        host_.SetValue(0, kPropActiveDoc, {std::int32_t{0}});
        host_.SetValue(0, kPropActiveBook, {std::int32_t{0}});
        Attach();
        ASSERT_NE(sink_, nullptr);
    }
    std::vector<std::string> Alerts() const { return host_.record().alerts; }
};

TEST_F(Dispatch, AboutAndTheNoDocumentAlerts) {
    struct Case {
        std::int32_t command;
        const char* alert;
    };
    const Case cases[] = {{kCommandAbout, kAboutText}, {1, kAlertNoDocument}, {7, kAlertNoDocument},
                          {8, kAlertNoDocument},       {9, kAlertNoBook},     {16, kAlertNoBook}};
    for (const Case& c : cases) {
        std::size_t before = Alerts().size();
        sink_->Command(c.command);
        ASSERT_EQ(Alerts().size(), before + 1) << c.command;
        EXPECT_EQ(Alerts().back(), c.alert) << c.command;
    }
    EXPECT_EQ(std::string(kAboutText).rfind("Lexameter \nVersion 1.0 Build 100 \n", 0), 0u);
    sink_->Command(17);
    sink_->Command(0);
    EXPECT_EQ(Alerts().size(), std::size(cases)); // other numbers do nothing
}

TEST_F(Dispatch, MessagesSetIdsForExactlyOneCommand) {
    struct Case {
        const char* message;
        ObjectId doc;
        ObjectId book;
    };
    const Case cases[] = {
        {"SetDocId 4711", 4711, 0}, {"SetDocId   12   ", 12, 0}, {"SetDocIdx 7", 7, 0},
        {"SetDocId abc", 0, 0},     {"SetBookId 9", 0, 9},       {"setdocid 5", 0, 0},
    };
    for (const Case& c : cases) {
        MessageDocId = 0;
        MessageBookId = 0;
        sink_->Notify(kNotifyCommandMessage, 0, c.message, 0);
        EXPECT_EQ(MessageDocId, c.doc) << c.message;
        EXPECT_EQ(MessageBookId, c.book) << c.message;
    }
    MessageDocId = 3;
    sink_->Notify(kNotifyCommandMessage, 0, "SetDocId", 0); // no blank: unchanged
    EXPECT_EQ(MessageDocId, 3u);
    sink_->Notify(12, 0, "SetDocId 8", 0); // not a command message
    EXPECT_EQ(MessageDocId, 3u);

    // A command by message runs with the id, then both ids are cleared, alert paths included.
    MessageBookId = 9;
    MessageDocId = 0;
    sink_->Notify(kNotifyCommandMessage, 0, "GetStatisticsDoc", 0);
    EXPECT_EQ(Alerts().back(), kAlertNoDocument);
    EXPECT_EQ(MessageBookId, 0u);
    std::size_t before = Alerts().size();
    for (const char* ignored : {"getstatisticsdoc", "GetStatisticsDoc ", "LexameterAbout"})
        sink_->Notify(kNotifyCommandMessage, 0, ignored, 0);
    EXPECT_EQ(Alerts().size(), before);
    sink_->Notify(kNotifyCommandMessage, 0, "GetStatisticsBook", 0);
    EXPECT_EQ(Alerts().back(), kAlertNoBook);
}

TEST_F(Dispatch, AMessageIdOverridesTheActiveDocument) {
    host_.SetValue(0, kPropActiveDoc, {static_cast<std::int32_t>(kActiveDoc)});
    sink_->Notify(kNotifyCommandMessage, 0, "SetDocId 0", 0);
    sink_->Command(1); // id 0 means the active document: its statistics, not a refusal
    ASSERT_FALSE(Alerts().empty());
    EXPECT_EQ(Alerts().back().rfind("Total Paragraphs: 0\n", 0), 0u);
}

TEST_F(Dispatch, Notification75ArrivesAsAFieldRecord) {
    // The plug-in acts on command messages only; a split notification must simply pass safely.
    sink_->Notify(75, 0,
                  "a\x1E"
                  "b\x1E"
                  "c",
                  0);
    sink_->Notify(75, 0, nullptr, 0);
    EXPECT_TRUE(Alerts().empty());
}

} // namespace
