// The `lexameter` command-line tool: loads the plug-in into the headless host, delivers command
// messages, and runs one of the plug-in's menu commands, printing alerts on the output stream
// and console lines and errors on the error stream.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace lxcli {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFile = 2;
constexpr int kExitPlugin = 3;

struct CliOptions {
    std::string plugin;                // the plug-in module; empty: the default
    std::vector<std::string> messages; // command messages, delivered in order once files are open
    std::string installDir;            // the host's installation directory (application 89)
    std::string outDir;                // --out: where output documents are saved
    std::vector<std::string> excludeFormats; // paragraph formats that are not examined
    std::vector<std::string> includeFormats; // formats examined although left out by default
    bool allowOutside = false;               // a book may read files outside its folder
    bool force = false;                      // --out may replace existing files
    bool showIds = false;                    // print the ids of what was opened
    bool json = false;                       // one JSON document instead of text
    bool csv = false;                        // report: the output's figures as CSV
    std::string command;
    std::vector<std::string> files;
};

// Runs the tool with the given arguments (argv[0] is the program). defaultPlugin is the module
// used when --plugin is not given, defaultInstallDir the installation directory used when
// --install-dir is not given; either may be empty.
int RunLexameter(int argc, const char* const* argv, const std::string& defaultPlugin,
                 const std::string& defaultInstallDir, std::ostream& out, std::ostream& err);

// The folder of the running executable, or "" when it cannot be found.
std::string ExecutableDirectory();

} // namespace lxcli
