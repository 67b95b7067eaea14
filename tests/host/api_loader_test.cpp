// The loader end to end with the test client module: load, initialise, command, message, and the
// teardown through the sink's last release; and the clear failures of a module that cannot be
// used.
#include "host/api/loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using lxhost::Host;
using lxhost::PluginLoader;

class Loader : public ::testing::Test {
  protected:
    void SetUp() override {
        host_.SetAlertStream(nullptr);
        host_.SetConsoleStream(nullptr);
    }

    const std::vector<std::string>& Alerts() const { return host_.record().alerts; }

    Host host_;
};

TEST_F(Loader, RunsTheClientFromLoadToItsLastRelease) {
    PluginLoader loader(host_);
    ASSERT_TRUE(loader.Load(LX_TEST_PLUGIN_OK)) << loader.error();
    EXPECT_TRUE(loader.loaded());
    EXPECT_TRUE(host_.HasSink());
    // The client's entry dropped its own reference: the host's is the only one on the sink, and
    // the client holds the API interface.
    EXPECT_EQ(host_.OutstandingReferences(), 1);

    ASSERT_TRUE(loader.Initialize(1)) << loader.error();
    EXPECT_EQ(Alerts().back(), "Initialize 1");
    EXPECT_TRUE(host_.NotificationRequested(13));
    EXPECT_EQ(host_.menus().FindCommandNumber("LXTools", {"Readability", "About Lexameter..."}),
              1000);

    ASSERT_TRUE(loader.SendMessage("SetDocId 4711"));
    EXPECT_EQ(Alerts().back(), "Notify 13 SetDocId 4711");
    ASSERT_TRUE(loader.Command(7));
    EXPECT_EQ(Alerts().back(), "Command 7");

    loader.Unload();
    EXPECT_FALSE(loader.loaded());
    EXPECT_FALSE(host_.HasSink());
    EXPECT_EQ(Alerts().back(), "Release: last");
    EXPECT_EQ(host_.OutstandingReferences(), 0);
    // Once unloaded, nothing reaches the client any more.
    EXPECT_FALSE(loader.Command(7));
    EXPECT_EQ(Alerts().back(), "Release: last");
}

TEST_F(Loader, DestructionReleasesTheSinkOnce) {
    {
        PluginLoader loader(host_);
        ASSERT_TRUE(loader.Load(LX_TEST_PLUGIN_OK)) << loader.error();
    }
    EXPECT_EQ(std::count(Alerts().begin(), Alerts().end(), "Release: last"), 1);
    EXPECT_EQ(host_.OutstandingReferences(), 0);
}

TEST_F(Loader, MessagesWaitUntilTheClientAsksForThem) {
    PluginLoader loader(host_);
    ASSERT_TRUE(loader.Load(LX_TEST_PLUGIN_OK)) << loader.error();
    // The test client asks for notification 13 in Initialize only.
    EXPECT_FALSE(loader.SendMessage("GetStatisticsDoc"));
    EXPECT_NE(loader.error().find("did not ask for command messages"), std::string::npos);
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(Loader, LoadingAgainReplacesTheFirstClient) {
    PluginLoader loader(host_);
    ASSERT_TRUE(loader.Load(LX_TEST_PLUGIN_OK));
    ASSERT_TRUE(loader.Load(LX_TEST_PLUGIN_OK));
    EXPECT_EQ(std::count(Alerts().begin(), Alerts().end(), "Release: last"), 1);
    loader.Unload();
    EXPECT_EQ(host_.OutstandingReferences(), 0);
}

TEST_F(Loader, FailuresNameTheModuleAndTheReason) {
    struct Case {
        const char* name;
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {"missing file", "/nonexistent/dir/Lexameter.so", "cannot load: "},
        {"no entry", LX_TEST_PLUGIN_NO_ENTRY, std::string("no entry ") + kClientInitEntryName},
        {"entry fails", LX_TEST_PLUGIN_ENTRY_FAILS,
         std::string(kClientInitEntryName) + " answered -1"},
        {"no sink", LX_TEST_PLUGIN_NO_SINK, "attached no notification sink"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PluginLoader loader(host_);
        EXPECT_FALSE(loader.Load(c.path));
        EXPECT_FALSE(loader.loaded());
        EXPECT_EQ(loader.error().find("plug-in '" + c.path + "': "), 0u) << loader.error();
        EXPECT_NE(loader.error().find(c.reason), std::string::npos) << loader.error();
        EXPECT_FALSE(loader.Initialize(1));
        EXPECT_EQ(host_.OutstandingReferences(), 0);
    }
    // The system's own reason is passed on for a missing file.
    PluginLoader loader(host_);
    loader.Load("/nonexistent/dir/Lexameter.so");
#if defined(_WIN32)
    EXPECT_NE(loader.error().find("not found"), std::string::npos) << loader.error();
#else
    EXPECT_NE(loader.error().find("No such file"), std::string::npos) << loader.error();
#endif
}

} // namespace
