// The lexameter tool with the real plug-in module, loaded dynamically as the host loads it,
// against reviewed expected outputs.
#include "cli_runner.h"

#include <string>
#include <vector>

namespace {

std::string Expected(const std::string& name) {
    return ReadFile(std::string(LX_E2E_EXPECTED_DIR) + "/" + name);
}

TEST(EndToEnd, CommandsMatchTheirReviewedOutput) {
    struct Case {
        std::vector<std::string> args;
        const char* expected;
    };
    const Case cases[] = {
        {{"about"}, "about.txt"},
        {{"menus"}, "menus.txt"},
    };
    for (const Case& c : cases) {
        Outcome o = RunCli(LX_CLI_PATH, c.args);
        EXPECT_EQ(o.status, 0) << c.args[0] << ": " << o.err;
        EXPECT_EQ(o.out, Expected(c.expected)) << c.args[0];
    }
}

TEST(EndToEnd, AModuleThatWillNotLoadExitsWithThree) {
    Outcome o = RunCli(LX_CLI_PATH, {"--plugin", "/nonexistent/Lexameter.so", "about"});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("/nonexistent/Lexameter.so"), std::string::npos);
}

} // namespace
