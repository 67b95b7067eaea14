// What the user asked the tool for: every option of every command, read by one parser, and the
// exit statuses every command answers with.
#pragma once

#include "tool/figures.h"
#include "tool/hotspots.h"
#include "tool/thresholds.h"

#include <string>
#include <vector>

namespace lxtool {

// Exit statuses, the same for every command.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFile = 2;   // a file could not be opened, read or saved
constexpr int kExitPlugin = 3; // the plug-in (or the tool's own host client) could not start
constexpr int kExitThresholdMissed = 4;

constexpr const char* kProgram = "lexameter";
// The FILE that stands for standard input.
constexpr const char* kStandardInputName = "-";

struct ToolOptions {
    std::string command;
    std::vector<std::string> files;
    // The plug-in and its host.
    std::string plugin;                // the plug-in module; empty: the default
    std::vector<std::string> messages; // command messages, delivered in order once files are open
    std::string installDir;            // the host's installation directory (application 89)
    bool showIds = false;              // print the ids of what was opened
    // Where outputs go.
    std::string outDir; // --out: where output documents are saved
    std::string output; // html: the page's file
    bool force = false; // --out and -o may replace existing files
    // What is examined.
    std::vector<std::string> excludeFormats; // paragraph formats that are not examined
    bool excludeFormatsGiven = false;        // given as options (they replace the config's)
    // What is left out whatever its formats are named: "tables", "headings" (--exclude, else the
    // configuration file's exclude list).
    std::vector<std::string> exclude;
    std::vector<std::string> includeFormats; // formats examined although left out by default
    bool allowOutside = false; // a book may read files outside its folder (trusted trees)
    // How results are printed.
    bool json = false;  // one JSON document instead of text
    bool csv = false;   // the tables as CSV
    std::string format; // check --format: how findings are written; empty: text
    // How the files are counted: --counting as given (empty when not given), and the profile in
    // force once the option and the configuration are settled.
    std::string countingGiven;
    Counting counting = Counting::Classic;
    // The language of text whose document says none: --lang as given (empty when not given), and
    // the code in force once the option and the configuration are settled.
    std::string languageGiven;
    std::string language = "en";
    // The tool's own commands.
    std::string config; // --config FILE; empty: .lexameter.toml in the current directory, if any
    ThresholdSettings thresholds;
    HotspotOptions hotspots;
    // What the arguments ask that works but may not be meant (a FILE named twice); every run's
    // report carries them.
    std::vector<std::string> warnings;
};

} // namespace lxtool
