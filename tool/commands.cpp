#include "tool/commands.h"

#include "tool/format_options.h"
#include "tool/run.h"

#include <CLI/CLI.hpp>

#include <cstring>
#include <ostream>

namespace lxinsight {

namespace {

using RunFn = int (*)(const InsightOptions&, std::ostream&, std::ostream&);

struct InsightCommand {
    const char* name;
    const char* description;
    RunFn run;
};

constexpr InsightCommand kInsightCommands[] = {
    {"check", "check readability thresholds for every file and the book (exit 4 on a miss)",
     RunCheck},
    {"hotspots", "the hardest paragraphs, the longest sentences, the most complex words",
     RunHotspots},
    {"html", "a self-contained HTML page with charts, hot spots and the word list (-o FILE)",
     RunHtml},
};

// Options of the tool (and of these commands) that take a value: the word after one of them is
// its value, not the command.
constexpr const char* kValueOptions[] = {
    "--plugin",
    "--message",
    "--install-dir",
    "--out",
    "--exclude-format",
    "--config",
    "--top",
    "--long",
    "-o",
    "--output",
    "--max-grade",
    "--max-fkgl",
    "--max-ari",
    "--max-smog",
    "--max-fog",
    "--min-ease",
    "--max-sentence-words",
};

bool TakesValue(const char* arg) {
    for (const char* option : kValueOptions)
        if (std::strcmp(arg, option) == 0)
            return true;
    return false;
}

// The first argument that is neither an option nor an option's value.
std::string CommandOf(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0)
            return i + 1 < argc ? argv[i + 1] : "";
        if (arg[0] == '-' && arg[1] != '\0') {
            if (TakesValue(arg))
                ++i;
            continue;
        }
        return arg;
    }
    return "";
}

const InsightCommand* Find(const std::string& name) {
    for (const InsightCommand& c : kInsightCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

void AddThresholdOptions(CLI::App& app, ThresholdSettings& t) {
    struct ThresholdOption {
        const char* name;
        std::optional<double> ThresholdSettings::*field;
        const char* help;
    };
    static const ThresholdOption kThresholdOptions[] = {
        {"--max-grade", &ThresholdSettings::maxGrade,
         "highest grade for Flesch-Kincaid, ARI, SMOG and Gunning Fog"},
        {"--max-fkgl", &ThresholdSettings::maxFkgl, "highest Flesch-Kincaid grade"},
        {"--max-ari", &ThresholdSettings::maxAri, "highest ARI grade"},
        {"--max-smog", &ThresholdSettings::maxSmog, "highest SMOG grade"},
        {"--max-fog", &ThresholdSettings::maxFog, "highest Gunning Fog index"},
        {"--min-ease", &ThresholdSettings::minEase, "lowest Flesch Reading Ease"},
        {"--max-sentence-words", &ThresholdSettings::maxSentenceWords,
         "highest average number of words per sentence"},
    };
    for (const ThresholdOption& s : kThresholdOptions) {
        auto field = s.field;
        app.add_option_function<double>(
               s.name, [&t, field](const double& v) { t.*field = v; }, s.help)
            ->type_name("N")
            ->check(CLI::Number);
    }
}

std::string Usage(const InsightCommand& c) {
    return std::string(kProgram) + " " + c.name + ": " + c.description;
}

// A usage error: the message and a hint on standard error, or with --json the tool's document.
int UsageError(const InsightOptions& options, std::ostream& out, std::ostream& err,
               const std::string& message, const std::string& command) {
    if (options.json)
        return FinishWithError(options, message, kExitUsage, out, err);
    err << kProgram << ": " << message << "\n"
        << "Run '" << kProgram << " " << command << " --help' for usage.\n";
    return kExitUsage;
}

// Whether --json is among the arguments (before "--"): known before they are parsed, so that
// a usage error is JSON too.
bool JsonAsked(int argc, const char* const* argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--json") == 0)
            return true;
    return false;
}

} // namespace

std::string InsightCommandHelp(std::size_t nameWidth) {
    std::string text;
    for (const InsightCommand& c : kInsightCommands) {
        std::string name = c.name;
        text += "  " + name +
                std::string(name.size() < nameWidth ? nameWidth - name.size() : 1, ' ') +
                c.description + "\n";
    }
    return text;
}

bool RunInsightCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                       int* status) {
    const InsightCommand* command = Find(CommandOf(argc, argv));
    if (!command)
        return false;
    InsightOptions options;
    CLI::App app{Usage(*command), kProgram};
    lxcli::AddFormatOptions(app, options.excludeFormats, options.includeFormats,
                            options.allowOutside);
    const bool isCheck = std::strcmp(command->name, "check") == 0;
    const bool isHtml = std::strcmp(command->name, "html") == 0;
    app.add_flag("--json", options.json, "print the run and its results as one JSON document");
    if (!isHtml)
        app.add_flag("--csv", options.csv, "print the results as CSV");
    if (isCheck || isHtml) {
        app.add_option("--config", options.config,
                       std::string("read thresholds from FILE (default: ") + kConfigFileName +
                           " in the current directory, when there is one)")
            ->type_name("FILE");
        AddThresholdOptions(app, options.thresholds);
    }
    if (!isCheck) {
        app.add_option("--top", options.hotspots.top, "how many hot spots of each kind to show")
            ->type_name("N")
            ->check(CLI::Range(0, 1000000));
        app.add_option("--long", options.hotspots.longSentenceWords,
                       "a long sentence has at least N words")
            ->type_name("N")
            ->check(CLI::Range(1, 1000000));
    }
    if (isHtml)
        app.add_option("-o,--output", options.output, "write the page to FILE")->type_name("FILE");
    app.add_option("command", options.command, "the command")->type_name("COMMAND");
    app.add_option("files", options.files, "documents or a book")->type_name("FILE");
    app.footer("Exit status: 0 success, 1 usage error, 2 a file could not be opened or read" +
               std::string(isCheck ? ", 4 a threshold was missed." : "."));
    options.command = command->name;
    options.json = JsonAsked(argc, argv);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        if (!options.json) {
            *status = app.exit(e, out, err) == 0 ? kExitOk : kExitUsage;
            return true;
        }
        lxcli::RunReport report;
        report.command = command->name;
        report.extra["help"] = app.help();
        *status = Finish(options, report, out, err);
        return true;
    } catch (const CLI::ParseError& e) {
        *status = UsageError(options, out, err, e.what(), command->name);
        return true;
    }
    if (options.files.empty()) {
        *status = UsageError(options, out, err,
                             "the command '" + options.command + "' needs a FILE", command->name);
        return true;
    }
    if (isHtml && options.output.empty()) {
        *status = UsageError(options, out, err,
                             "the command 'html' needs -o FILE, the page to write", command->name);
        return true;
    }
    if (options.json && options.csv) {
        *status = UsageError(options, out, err, "--json and --csv cannot be given together",
                             command->name);
        return true;
    }
    options.excludeFormatsGiven = !options.excludeFormats.empty();
    *status = command->run(options, out, err);
    out.flush();
    return true;
}

} // namespace lxinsight
