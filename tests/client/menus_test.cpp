// The plug-in's menus, installed through the host's menu operations by HandleInitialize.
#include "client/commands.h"
#include "host/api/host.h"
#include "runtime/api.h"
#include "runtime/client_callbacks.h"
#include "runtime/connection.h"
#include "runtime/sink_interfaces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using lxhost::Host;
using lxhost::MenuObject;

class Menus : public ::testing::Test {
  protected:
    void SetUp() override {
        host_.SetAlertStream(nullptr);
        ASSERT_EQ(ClientConnect(&host_), 0);
    }
    void TearDown() override { ClientShutdown(); }

    ObjectId Named(const char* name) const {
        return host_.menus().FindNamed(lxhost::kNamedMenu, name);
    }
    // The labels of a menu's items, in order.
    std::vector<std::string> Labels(ObjectId menu) const {
        std::vector<std::string> out;
        for (ObjectId item : host_.menus().Get(menu)->items) {
            const MenuObject* o = host_.menus().Get(item);
            out.push_back(o->kind == lxhost::MenuKind::Separator ? "-" : o->label);
        }
        return out;
    }
    Host host_;
};

const std::vector<std::string> kDocumentItems = {"Get Statistics",
                                                 "-",
                                                 "Calculate Flesch-Kincaid",
                                                 "Calculate ARI",
                                                 "Calculate SMOG",
                                                 "Calculate Gunning Fog",
                                                 "-",
                                                 "Generate Readability Report",
                                                 "-",
                                                 "Get Word List",
                                                 "Get Word List - With Counts",
                                                 "-",
                                                 "About Lexameter..."};

TEST_F(Menus, AFreshHostGetsBothToolsMenusWithTheirSubmenus) {
    HandleInitialize(1);
    ObjectId tools = Named("LXTools");
    ObjectId bookTools = Named("LXToolsBook");
    ASSERT_NE(tools, 0u);
    ASSERT_NE(bookTools, 0u);
    EXPECT_EQ(Labels(tools), std::vector<std::string>{"Readability"});
    EXPECT_EQ(Labels(bookTools), std::vector<std::string>{"Readability"});
    EXPECT_EQ(Labels(Named("Lexameter")), kDocumentItems);
    EXPECT_EQ(Labels(Named("LexameterBook")), kDocumentItems); // the same labels for books

    const auto& bar = host_.menus().Get(Named("!MakerMainMenu"))->items;
    const auto& quick = host_.menus().Get(Named("!QuickMakerMainMenu"))->items;
    const auto& bookBar = host_.menus().Get(Named("!BookMainMenu"))->items;
    EXPECT_EQ(std::count(bar.begin(), bar.end(), tools), 1);
    EXPECT_EQ(std::count(quick.begin(), quick.end(), tools), 1);
    EXPECT_EQ(std::count(quick.begin(), quick.end(), bookTools), 1);
    EXPECT_EQ(std::count(bookBar.begin(), bookBar.end(), bookTools), 1);

    // About is one command, in both submenus; the book commands carry their own numbers.
    ObjectId aboutDoc = host_.menus().Get(Named("Lexameter"))->items.back();
    ObjectId aboutBook = host_.menus().Get(Named("LexameterBook"))->items.back();
    EXPECT_EQ(aboutDoc, aboutBook);
    EXPECT_EQ(host_.menus().Get(aboutDoc)->command, kCommandAbout);
    EXPECT_EQ(host_.menus().FindCommandNumber("LXToolsBook", {"Readability", "Get Word List"}), 14);
    EXPECT_EQ(host_.menus().FindCommandNumber("LXTools", {"Readability", "Calculate SMOG"}), 4);
    EXPECT_TRUE(host_.NotificationRequested(kNotifyCommandMessage));
}

TEST_F(Menus, TheSubmenuTakesItsAlphabeticalPlaceInASharedToolsMenu) {
    struct Case {
        std::vector<const char*> existing;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{"Alpha", "Zulu"}, {"Alpha", "Readability", "Zulu"}},
        {{"ALPHA", "readme"}, {"ALPHA", "Readability", "readme"}},
        {{"Alpha", "Beta"}, {"Alpha", "Beta", "Readability"}},
        {{"Zulu"}, {"Readability", "Zulu"}},
        {{"Readability"}, {"Readability", "Readability"}}, // an equal label: placed before it
    };
    for (const Case& c : cases) {
        Host host;
        host.SetAlertStream(nullptr);
        ClientShutdown();
        ASSERT_EQ(ClientConnect(&host), 0);
        ObjectId tools = 0;
        host.menus().DefineAndAddMenu(host.menus().FindNamed(lxhost::kNamedMenu, "!MakerMainMenu"),
                                      "LXTools", "Tools", &tools);
        int n = 500;
        for (const char* label : c.existing) {
            ObjectId command = 0;
            host.menus().DefineAndAddCommand(n, tools, "Other" + std::to_string(n), label, "",
                                             &command);
            ++n;
        }
        HandleInitialize(1);
        std::vector<std::string> labels;
        for (ObjectId item : host.menus().Get(tools)->items)
            labels.push_back(host.menus().Get(item)->label);
        EXPECT_EQ(labels, c.expected) << c.existing.front();
        // The existing menu was used, not a second one made.
        EXPECT_EQ(host.menus().FindNamed(lxhost::kNamedMenu, "LXTools"), tools);
        ClientShutdown();
    }
    ASSERT_EQ(ClientConnect(&host_), 0);
}

TEST_F(Menus, OtherInitialisationCodesOnlyAskForMessages) {
    HandleInitialize(2);
    EXPECT_EQ(Named("LXTools"), 0u);
    EXPECT_EQ(Named("Lexameter"), 0u);
    EXPECT_TRUE(host_.NotificationRequested(kNotifyCommandMessage));
}

} // namespace
