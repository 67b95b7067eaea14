// The tool's commands, one row each: the plug-in's menu commands, which run in the headless host
// with the plug-in loaded, and the tool's own commands (check, hotspots, html), which count
// through the analysis library as a second client of the same host. One parser reads the
// options of every command from the rows; a new command is one row and its run function.
#pragma once

#include "tool/options.h"

#include <iosfwd>
#include <string>

namespace lxtool {

// The groups of options a command takes; every option belongs to one group.
enum OptionGroup : unsigned {
    kOptionsJson = 1u << 0,       // --json (every command)
    kOptionsFormats = 1u << 1,    // --exclude-format, --include-format
    kOptionsPlugin = 1u << 2,     // --plugin, --install-dir, --message, --show-ids
    kOptionsSave = 1u << 3,       // --out
    kOptionsForce = 1u << 4,      // --force
    kOptionsCsv = 1u << 5,        // --csv
    kOptionsThresholds = 1u << 6, // --config and the thresholds
    kOptionsHotspots = 1u << 7,   // --top, --long
    kOptionsPage = 1u << 8,       // -o, --output
    kOptionsCounting = 1u << 9,   // --counting
    kOptionsRules = 1u << 10,     // --max-sentence-length, --max-paragraph-grade
    kOptionsFindings = 1u << 11,  // --format
};

struct ToolCommand;
using RunCommandFn = int (*)(const ToolCommand& command, const ToolOptions& options,
                             std::ostream& out, std::ostream& err);

struct ToolCommand {
    const char* name;
    const char* summary; // one line, for the list of commands
    const char* label;   // the plug-in's menu label it runs; null for the tool's own commands
    const char* shows;   // what it shows, for its help; may be null
    const char* output;  // what it prints and saves, for its help
    const char* example; // an example with what it prints, for its help
    unsigned options;    // the OptionGroup bits it takes
    bool loadsPlugin;    // runs in the host with the plug-in loaded
    bool takesFiles;     // needs FILE arguments
    bool wordList;       // its output document is a word list
    RunCommandFn run;    // null for help, which the parser answers
};

// Runs the tool with the given arguments (argv[0] is the program). defaultPlugin is the module
// used when --plugin is not given, defaultInstallDir the installation directory used when
// --install-dir is not given; either may be empty.
int RunLexameter(int argc, const char* const* argv, const std::string& defaultPlugin,
                 const std::string& defaultInstallDir, std::ostream& out, std::ostream& err);

// Whether the plug-in's runs that follow leave the documents still open to the end of the process
// instead of freeing them paragraph by paragraph: on for the program, which exits right after
// (a tenth of the run on a large text); off by default, for runs inside a longer-lived process.
void LeaveDocumentsToExit(bool leave);

// The run functions of the commands that load the plug-in (tool/cli.cpp): a menu command on the
// files (or, for "open", only the messages), the About alert, the menus.
int RunPluginCommand(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
                     std::ostream& err);
int RunAbout(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
             std::ostream& err);
int RunMenus(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
             std::ostream& err);

// The run functions of the tool's own commands.
int RunCheck(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
             std::ostream& err);
int RunHotspots(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
                std::ostream& err);
int RunHtml(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
            std::ostream& err);
int RunExplain(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
               std::ostream& err);
// The language server (tool/lsp/): reads standard input, whatever out is.
int RunLsp(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
           std::ostream& err);

} // namespace lxtool
