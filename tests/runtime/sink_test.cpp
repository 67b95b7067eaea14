// The sink's calls into the client's callbacks, with callbacks of the test's own.
#include "seen_callbacks.h"

#include "runtime/client_callbacks.h"
#include "runtime/sink.h"
#include "support/prop_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

SeenCallbacks seenCallbacks;

namespace {
SeenCallbacks& seen = seenCallbacks;
} // namespace

void HandleInitialize(std::int32_t code) {
    seen.initialized.push_back(code);
}
int HandleCommand(std::int32_t command) {
    seen.commands.push_back(command);
    return 1;
}
int HandleNotify(std::int32_t notification, ObjectId doc, const char* text, std::int32_t number) {
    seen.notification = notification;
    seen.doc = doc;
    seen.number = number;
    seen.fields.clear();
    if (notification == kNotifyFieldRecord) {
        const auto* record = reinterpret_cast<const FieldRecord*>(text);
        for (const char* slot : record->slots)
            seen.fields.push_back(slot ? slot : "(none)");
        for (std::uint32_t i = 0; i < record->more.count; ++i)
            seen.fields.push_back(record->more.items[i]);
    } else {
        seen.text = text ? text : "(null)";
    }
    return 0;
}

namespace {

class Sink : public ::testing::Test {
  protected:
    void SetUp() override {
        seen = {};
        sink_ = new FrameMakerNotificationsC;
    }
    void TearDown() override {
        if (sink_)
            sink_->Release();
    }
    FrameMakerNotificationsC* sink_ = nullptr;
};

TEST_F(Sink, MethodsReachTheCallbacksAndAnswerZero) {
    IFrameMakerNotifications0* n = sink_;
    EXPECT_EQ(n->Initialize(1), S_OK);
    EXPECT_EQ(n->Command(7), S_OK); // the callback's result is not the host's answer
    EXPECT_EQ(n->Quit(), S_OK);
    EXPECT_EQ(n->Message(1, 2, 3), S_OK);
    EXPECT_EQ(n->DialogEvent(1, 2, 3), S_OK);
    EXPECT_EQ(seen.initialized, std::vector<std::int32_t>{1});
    EXPECT_EQ(seen.commands, std::vector<std::int32_t>{7});
}

TEST_F(Sink, Notification75ArrivesSplitIntoFieldsAndOthersUnchanged) {
    IFrameMakerNotifications0* n = sink_;
    n->Notify(kNotifyFieldRecord, 0x01000002,
              "a\x1E"
              "b\x1E"
              "c",
              4);
    EXPECT_EQ(seen.notification, kNotifyFieldRecord);
    EXPECT_EQ(seen.doc, 0x01000002u);
    EXPECT_EQ(seen.number, 4);
    EXPECT_EQ(seen.fields, (std::vector<std::string>{"a", "b", "c", "(none)", "(none)", "(none)"}));

    n->Notify(kNotifyCommandMessage, 0,
              "a\x1E"
              "b",
              0);
    EXPECT_EQ(seen.text, "a\x1E"
                         "b");
    EXPECT_TRUE(seen.fields.empty());
}

} // namespace
