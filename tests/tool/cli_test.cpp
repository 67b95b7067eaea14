// The `lexameter` tool run as a subprocess: its arguments, exit statuses and output, with the
// test client module standing in for the plug-in.
#include "cli_runner.h"

#include "runtime/sink_interfaces.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

Outcome RunCli(const std::vector<std::string>& args) {
    return ::RunCli(LX_CLI_PATH, args);
}

const std::string kPlugin = LX_TEST_PLUGIN_OK;
// The entry as the platform names it ("_F_ApiClientInit@16" on 32-bit Windows).
const std::string kEntryAnswered = std::string(kClientInitEntryName) + " answered -1";

TEST(Cli, ArgumentsExitStatusesAndMessages) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* out; // expected in standard output ("" checks nothing)
        const char* err; // expected in standard error
    };
    const std::vector<Case> cases = {
        {"help", {"--help"}, 0, "Usage: lexameter", ""},
        {"help lists the commands", {"-h"}, 0, "menus", ""},
        {"version", {"--version"}, 0, "lexameter 1.", ""},
        {"no command", {"--plugin", kPlugin}, 1, "", "no command given"},
        {"unknown command",
         {"--plugin", kPlugin, "frobnicate"},
         1,
         "",
         "unknown command 'frobnicate'"},
        {"unknown option", {"--bogus", "about"}, 1, "", "--bogus"},
        {"message without text", {"about", "--message"}, 1, "", "--message"},
        {"files for about", {"--plugin", kPlugin, "about", "a.mif"}, 1, "", "takes no files"},
        {"missing plug-in",
         {"--plugin", "/nonexistent/Lexameter.so", "about"},
         3,
         "",
         "lexameter: plug-in '/nonexistent/Lexameter.so': cannot load"},
        {"plug-in entry fails",
         {"--plugin", LX_TEST_PLUGIN_ENTRY_FAILS, "menus"},
         3,
         "",
         kEntryAnswered.c_str()},
        {"about",
         {"--plugin", kPlugin, "about"},
         0,
         "Initialize 1\n\nAbout the test client\n\nRelease: last\n",
         ""},
        {"install dir",
         {"--install-dir", "/opt/host", "--plugin", kPlugin, "about"},
         0,
         "About the test client",
         ""},
        {"messages before the command",
         {"--message", "SetDocId 5", "--plugin", kPlugin, "--message", "GetStatisticsDoc", "about"},
         0,
         "Initialize 1\n\nNotify 13 SetDocId 5\n\nNotify 13 GetStatisticsDoc\n\nAbout the test "
         "client\n",
         ""},
        {"menus",
         {"--plugin", kPlugin, "menus"},
         0,
         "menu bar !MakerMainMenu\n"
         "  menu \"Tools\" [LXTools]\n"
         "    menu \"Readability\" [TestClient]\n"
         "      command \"Test Command\" [TestCommand] number 7\n"
         "      separator [Separator1]\n"
         "      command \"About Lexameter...\" [TestAbout] number 1000\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o = RunCli(c.args);
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_NE(o.out.find(c.out), std::string::npos) << o.out;
        EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
        // Success is silent on standard error; a failure says what went wrong in a line or two,
        // and a missing or unknown command lists every command, the tool's own among them.
        const bool listsCommands = o.err.find("command") != std::string::npos &&
                                   o.err.find("Commands:\n") != std::string::npos;
        if (c.status == 0)
            EXPECT_EQ(o.err, "");
        else if (!listsCommands)
            EXPECT_LE(std::count(o.err.begin(), o.err.end(), '\n'), 2) << o.err;
        else
            for (const char* name :
                 {"  stats ", "  report ", "  check ", "  hotspots ", "  html ", "  help "})
                EXPECT_NE(o.err.find(name), std::string::npos) << o.err;
    }
}

#if !defined(_WIN32)
// Inputs and outputs that are not plain files end the run with an error, never with a hang or
// a lost output reported as success.
TEST(Cli, APageTheToolWroteIsNoChapterOfAFolderBook) {
    const std::string dir = ::testing::TempDir() + "lexameter_cli_page_" + std::to_string(getpid());
    ASSERT_EQ(
        std::system(("mkdir -p '" + dir + "' && printf '# Chapter\\n\\nSome words here.\\n' > '" +
                     dir + "/ch1.md'")
                        .c_str()),
        0);
    const Outcome page = RunCli({"html", "-o", dir + "/page.html", dir + "/ch1.md"});
    ASSERT_EQ(page.status, 0) << page.err;
    // Its copy under another name is the tool's page still; a page of someone else's is read.
    ASSERT_EQ(std::system(("cp '" + dir + "/page.html' '" + dir + "/copy.html' && " +
                           "printf '<!DOCTYPE html>\\n<p>Their words.</p>\\n' > '" + dir +
                           "/theirs.html'")
                              .c_str()),
              0);
    const Outcome book = RunCli({"--json", "check", dir});
    EXPECT_EQ(book.status, 0) << book.err;
    EXPECT_NE(book.out.find("ch1.md"), std::string::npos) << book.out;
    EXPECT_NE(book.out.find("theirs.html"), std::string::npos) << book.out;
    EXPECT_EQ(book.out.find("page.html"), std::string::npos) << book.out;
    EXPECT_EQ(book.out.find("copy.html"), std::string::npos) << book.out;
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(Cli, DevicesPipesAndFullDisksAreErrors) {
    const std::string fifo =
        ::testing::TempDir() + "lexameter_cli_fifo_" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* name;
        std::string command;
        int status;
    } cases[] = {
        // A FIFO as the configuration would block for ever; a device would be read without end.
        {"config fifo", "check --config '" + fifo + "' /dev/null", 2},
        {"config device", "check --config /dev/zero /dev/null", 2},
        // What cannot be written to standard output is a failure.
        {"full standard output", "--version >/dev/full", 2},
        {"closed standard output", "--version >&-", 2},
        {"standard output written", "--version >/dev/null", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string command =
            "timeout 20 '" + std::string(LX_CLI_PATH) + "' " + c.command + " 2>/dev/null";
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), c.status);
    }
    std::remove(fifo.c_str());
}
#endif

} // namespace
