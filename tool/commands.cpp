#include "tool/commands.h"

#include "tool/finding_formats.h"
#include "tool/run.h"
#include "tool/run_report.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstring>
#include <ostream>

#ifndef LX_VERSION
#define LX_VERSION "0.0.0"
#endif

namespace lxtool {

namespace {

// The options every command that reads files takes, and those of the plug-in's file commands.
constexpr unsigned kFileCommandOptions = kOptionsJson | kOptionsFormats | kOptionsCounting;
constexpr unsigned kPluginFileOptions =
    kFileCommandOptions | kOptionsPlugin | kOptionsSave | kOptionsForce | kOptionsCsv;

// The commands in the order the help lists them.
constexpr ToolCommand kCommands[] = {
    {"stats", "counts and averages", "Get Statistics", nullptr,
     "An alert with the total paragraphs, sentences, words and characters and the average\n"
     "sentences per paragraph and words per sentence (with --json also syllables and complex\n"
     "words). With --out: <stem>.stats.txt.",
     "lexameter stats samples/article.txt\n"
     "  Total Paragraphs: 10\n  Total Sentences: 47\n  Total Words: 624\n  ...",
     kPluginFileOptions, true, true, false, RunPluginCommand},
    {"flesch", "Flesch Reading Ease and Flesch-Kincaid Grade Level", "Calculate Flesch-Kincaid",
     nullptr,
     "An alert with both measures (\"n/a\" when there is nothing to measure). With --out:\n"
     "<stem>.flesch.txt.",
     "lexameter flesch samples/article.txt\n"
     "  Flesch Reading Ease: 74.9\n  Flesch-Kincaid Grade Level: 6.1",
     kPluginFileOptions, true, true, false, RunPluginCommand},
    {"ari", "Automated Readability Index", "Calculate ARI", nullptr,
     "An alert with the ARI grade level. With --out: <stem>.ari.txt.",
     "lexameter ari samples/manual/ch1-introduction.mif\n  ARI Grade Level: 6.3",
     kPluginFileOptions, true, true, false, RunPluginCommand},
    {"smog", "SMOG grade", "Calculate SMOG", nullptr,
     "An alert with the SMOG grade level. With --out: <stem>.smog.txt.",
     "lexameter smog samples/manual/ch2-installation.mif\n  SMOG Grade Level: 8.0",
     kPluginFileOptions, true, true, false, RunPluginCommand},
    {"fog", "Gunning Fog index", "Calculate Gunning Fog", nullptr,
     "An alert with the Gunning Fog index. With --out: <stem>.fog.txt.",
     "lexameter fog samples/manual/ch3-operation.mif\n  Gunning Fog Index: 7.5", kPluginFileOptions,
     true, true, false, RunPluginCommand},
    {"words", "the sorted list of distinct words", "Get Word List", nullptr,
     "A word-list document: the heading \"Words\", then one word a line. With --out:\n"
     "<stem>.words.mif and <stem>.words.txt.",
     "lexameter --out lists words samples/manual/aquila-manual.book\n"
     "  saves lists/aquila-manual.words.mif and lists/aquila-manual.words.txt",
     kPluginFileOptions, true, true, true, RunPluginCommand},
    {"word-counts", "the word list with the number of occurrences", "Get Word List - With Counts",
     nullptr,
     "A word-list document: each word, four blanks and its count, then the number of unique\n"
     "words. With --out: <stem>.word-counts.mif and <stem>.word-counts.txt.",
     "lexameter --json word-counts samples/article.txt | jq '.documents[0].words[0]'\n"
     "  {\"complex\": false, \"count\": 7, \"syllables\": 1, \"word\": \"A\"}",
     kPluginFileOptions, true, true, true, RunPluginCommand},
    {"report", "the readability report (a table per file for a book)",
     "Generate Readability Report", nullptr,
     "A report document: for a document every measure and count, for a book a table with a\n"
     "row per file and an overall row. With --out: <stem>.report.mif and <stem>.report.txt.",
     "lexameter report samples/manual/aquila-manual.book", kPluginFileOptions, true, true, false,
     RunPluginCommand},
    {"check", "check readability thresholds for every file and the book (exit 4 on a miss)",
     nullptr,
     "Measures every file, and a book as a whole, and compares each measure with the\n"
     "thresholds given as options or in the configuration file (.lexameter.toml in the\n"
     "current directory, or --config FILE); --max-sentence-length and --max-paragraph-grade\n"
     "find each sentence and paragraph over their limits. Without thresholds it shows the\n"
     "table.",
     "A table of the measures per file with the result and the thresholds missed, each\n"
     "finding as path:line:column: message [rule], then a summary line; --format github,\n"
     "sarif or junit writes the findings for a CI system instead. Exit status 4 when a\n"
     "threshold was missed.",
     "lexameter check --max-grade 9 samples/manual/aquila-manual.book\n"
     "  File                  Flesch Reading Ease  ...  Result  Missed\n"
     "  ch1-introduction.mif  67.4                 ...  FAIL    SMOG 10.0 > 9.0; ...",
     kFileCommandOptions | kOptionsCsv | kOptionsThresholds | kOptionsRules | kOptionsFindings,
     false, true, false, RunCheck},
    {"hotspots", "the hardest paragraphs, the longest sentences, the most complex words", nullptr,
     "Where the difficulty is: the paragraphs of three sentences or more with the highest\n"
     "Flesch-Kincaid grade, the sentences of --long words or more, and the paragraphs with\n"
     "the most complex words. Each finding is a line that begins with its place as\n"
     "compilers print theirs (path:line:column:), which editors jump to, then its figures\n"
     "and first words; --json and --csv also give the page and paragraph format.",
     "Three lists of at most --top findings each.",
     "lexameter hotspots --top 3 samples/manual/aquila-manual.book",
     kFileCommandOptions | kOptionsCsv | kOptionsHotspots, false, true, false, RunHotspots},
    {"html", "a self-contained HTML page with charts, hot spots and the word list (-o FILE)",
     nullptr,
     "One page to look at: the summary figures, a chart of the grade per file (with the\n"
     "threshold as a line when one is set), every paragraph coloured by its grade (headings\n"
     "apart; each links to its hot spot or source line), the sentence lengths per file, the\n"
     "measures per file, the hot spots and the word list. It has no script and fetches\n"
     "nothing.",
     "The page, written to -o FILE (an existing file is replaced only with --force).",
     "lexameter html samples/manual/aquila-manual.book -o report.html",
     kFileCommandOptions | kOptionsThresholds | kOptionsHotspots | kOptionsPage | kOptionsForce,
     false, true, false, RunHtml},
    {"explain", "each sentence with its words, their syllables and the complex words", nullptr,
     "Why a text counts as it does: every counted sentence on a line of its own, with its\n"
     "number of words and syllables and each word as word/syllables, a complex word marked\n"
     "'*' ('~' when only SMOG counts it complex), under the profile in force (--counting).",
     "A line a sentence, numbered in each file; a book's files under their names.",
     "lexameter --counting precise explain notes.txt\n"
     "  Counting: precise (word/syllables; * complex; ~ complex for SMOG, not for Gunning Fog)\n"
     "  1. [6 words, 9 syllables] Readability/5* matters/2 ...",
     kFileCommandOptions, false, true, false, RunExplain},
    {"lsp", "a language server for editors: findings as diagnostics, figures on hover", nullptr,
     "Speaks the Language Server Protocol on standard input and output. Each Markdown, HTML,\n"
     "DocBook, DITA or text buffer the editor opens is measured from memory on open, change\n"
     "and save; every finding is published as a warning at its line and column, with the\n"
     "thresholds of the .lexameter.toml in the file's folder or the nearest folder above\n"
     "(--config FILE and threshold options hold for every buffer instead). Hovering a\n"
     "paragraph shows its grade, sentences, words and complex words; the command\n"
     "\"lexameter.documentFigures\" (argument: the buffer's URI) answers the buffer's counts,\n"
     "measures and findings. Messages are at most 64 MB.",
     "Protocol messages on standard output until the editor sends shutdown and exit (exit\n"
     "status 0; 1 when exit or the end of input comes without shutdown).",
     "lexameter lsp --config docs/.lexameter.toml\n"
     "  (started by the editor: in Neovim vim.lsp.start({ name = 'lexameter',\n"
     "  cmd = { 'lexameter', 'lsp' } }); the README shows Neovim and VS Code)",
     kOptionsFormats | kOptionsThresholds | kOptionsRules, false, false, false, RunLsp},
    {"about", "show the plug-in's About alert", nullptr, nullptr,
     "The plug-in's About alert: its name, version and build.", "lexameter about",
     kOptionsJson | kOptionsPlugin, true, false, false, RunAbout},
    {"menus", "print the menu bars with the menus and commands the plug-in installed", nullptr,
     nullptr,
     "Each menu bar with the menus, commands (tag and number) and separators the plug-in\n"
     "added; with --json a tree of objects with their ids.",
     "lexameter --json menus | jq '.menus[0].items[0].label'\n  \"Tools\"",
     kOptionsJson | kOptionsPlugin, true, false, false, RunMenus},
    {"open", "open the files and deliver the --message messages, as the desktop host does", nullptr,
     nullptr,
     "What the messages made: a command tag sent as a message (\"GetStatisticsDoc\") runs that\n"
     "command on the opened document (or the one \"SetDocId N\" names); --show-ids prints the\n"
     "ids the messages take. The plug-in counts by the classic rules only, so --counting\n"
     "precise is refused here.",
     "lexameter --message GetStatisticsDoc open samples/article.txt\n"
     "  Total Paragraphs: 10\n  ...",
     kFileCommandOptions | kOptionsPlugin | kOptionsSave | kOptionsForce, true, true, false,
     RunPluginCommand},
    {"help", "describe a command: lexameter help COMMAND", nullptr, nullptr,
     "The description of the command, its options and its output, with an example (the same\n"
     "as lexameter COMMAND --help).",
     "lexameter help report", kOptionsJson, false, false, false, nullptr},
};

// The width of the command names in the list of commands.
constexpr std::size_t kCommandNameWidth = 13;

const ToolCommand* FindCommand(const std::string& name) {
    for (const ToolCommand& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

// Text whose lines after the first are indented by two blanks.
std::string Indented(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\n')
            out += "  ";
    }
    return out;
}

// Every command with its one line of description, the last line without its line feed.
std::string CommandList() {
    std::string text = "Commands:";
    for (const ToolCommand& c : kCommands) {
        std::string name = c.name;
        text += "\n  " + name +
                std::string(name.size() < kCommandNameWidth ? kCommandNameWidth - name.size() : 1,
                            ' ') +
                c.summary;
    }
    return text;
}

// One option of the tool: its names, the word for its value (empty for a flag) and its help.
struct OptionHelp {
    std::string names;
    std::string value;
    std::string help;
    unsigned group;
};

// Every option of the tool, in the order they were declared.
class OptionTable {
  public:
    explicit OptionTable(CLI::App& app) : app_(app) {}

    template <typename T>
    CLI::Option* Value(const std::string& names, T& target, const std::string& value,
                       const std::string& help, unsigned group) {
        CLI::Option* o = app_.add_option(names, target, help)->type_name(value);
        Remember(o, names, value, help, group);
        return o;
    }
    CLI::Option* Flag(const std::string& names, bool& target, const std::string& help,
                      unsigned group) {
        CLI::Option* o = app_.add_flag(names, target, help);
        Remember(o, names, "", help, group);
        return o;
    }
    // An option declared elsewhere on the same parser (the thresholds).
    void Adopt(CLI::Option* o, const std::string& value, unsigned group) {
        Remember(o, o->get_name(false, true), value, o->get_description(), group);
    }

    const std::vector<std::pair<CLI::Option*, OptionHelp>>& all() const { return options_; }

  private:
    void Remember(CLI::Option* o, const std::string& names, const std::string& value,
                  const std::string& help, unsigned group) {
        std::string shown;
        for (char c : names)
            shown += c == ',' ? std::string(", ") : std::string(1, c);
        options_.push_back({o, {shown, value, help, group}});
    }

    CLI::App& app_;
    std::vector<std::pair<CLI::Option*, OptionHelp>> options_;
};

// Declares every option of every command on the one parser: each works before or after the
// command's name, and a command that does not take one says so after parsing.
void DeclareOptions(OptionTable& t, CLI::App& app, ToolOptions& o) {
    t.Flag("--json", o.json, "print everything as one JSON document", kOptionsJson);
    t.Flag("--csv", o.csv, "print the tables as CSV (snake_case headings, a row a file)",
           kOptionsCsv);
    for (CLI::Option* opt : {
             t.Value("--exclude-format", o.excludeFormats, "NAME",
                     "do not examine paragraphs of this format (repeatable)", kOptionsFormats),
             t.Value("--exclude", o.exclude, "WHAT",
                     "do not examine tables or headings, however named (repeatable)",
                     kOptionsFormats),
             t.Value("--include-format", o.includeFormats, "NAME",
                     "examine a format left out by default, e.g. Code (repeatable)",
                     kOptionsFormats),
             t.Value("--message", o.messages, "TEXT",
                     "a command message, delivered once the files are open (repeatable)",
                     kOptionsPlugin),
         })
        opt->expected(1)->allow_extra_args(false)->multi_option_policy(
            CLI::MultiOptionPolicy::TakeAll);
    t.Value("--counting", o.countingGiven, "PROFILE",
            "count by the classic rules (the plug-in's, the default) or the precise ones",
            kOptionsCounting)
        ->check(CLI::IsMember({"classic", "precise"}));
    t.Value("--lang", o.languageGiven, "CODE",
            "the language of text whose document names none (precise counting; default en)",
            kOptionsCounting);
    t.Flag("--allow-outside", o.allowOutside,
           "let a book read files outside its folder (for trusted trees)", kOptionsFormats);
    t.Flag("--show-ids", o.showIds, "print the ids of the opened document or book", kOptionsPlugin);
    t.Value("--plugin", o.plugin, "PATH", "load this plug-in module instead of the default",
            kOptionsPlugin);
    t.Value("--install-dir", o.installDir, "DIR",
            "the host's installation directory (template, converter data)", kOptionsPlugin);
    t.Value("--out", o.outDir, "DIR", "also save the output in DIR (made when missing)",
            kOptionsSave);
    t.Value("-o,--output", o.output, "FILE", "write the page to FILE", kOptionsPage);
    t.Flag("--force", o.force, "replace output files that exist (never an input of the run)",
           kOptionsForce);
    t.Value("--config", o.config, "FILE",
            std::string("read thresholds from FILE (default: ./") + kConfigFileName + ")",
            kOptionsThresholds);
    // The file thresholds are for every command that takes thresholds; the sentence and
    // paragraph rules only for those that report findings.
    const std::vector<ThresholdOption> thresholds = ThresholdOptions();
    const std::vector<CLI::Option*> declared = AddThresholdOptions(app, o.thresholds);
    for (std::size_t i = 0; i < declared.size(); ++i)
        t.Adopt(declared[i], "N",
                thresholds[i].scope == ThresholdScope::File ? kOptionsThresholds : kOptionsRules);
    t.Value("--format", o.format, "FORMAT", "write the findings as " + FindingFormatHelp(),
            kOptionsFindings)
        ->check(CLI::IsMember(FindingFormatNames()));
    t.Value("--top", o.hotspots.top, "N", "how many hot spots of each kind to show (5)",
            kOptionsHotspots)
        ->check(CLI::Range(0, 1000000));
    t.Value("--long", o.hotspots.longSentenceWords, "N",
            "a long sentence has at least N words (30)", kOptionsHotspots)
        ->check(CLI::Range(1, 1000000));
}

// The options of the given groups as help lines, the help of each in one column.
std::string OptionLines(const OptionTable& t, unsigned groups) {
    std::size_t width = 0;
    for (const auto& [option, h] : t.all())
        if (h.group & groups)
            width = std::max(width, h.names.size() + (h.value.empty() ? 0 : h.value.size() + 1));
    std::string text;
    for (const auto& [option, h] : t.all()) {
        if (!(h.group & groups))
            continue;
        const std::string left = h.names + (h.value.empty() ? "" : " " + h.value);
        text += "  " + left + std::string(width + 1 - left.size(), ' ') + h.help + "\n";
    }
    return text;
}

// The help of one command: its use, what it does, its options, its output and an example.
std::string CommandHelpText(const ToolCommand& c, const OptionTable& t) {
    const std::string name = c.name;
    std::string text = "Usage: " + std::string(kProgram);
    if (name == "help")
        text += " help [COMMAND]\n";
    else
        text += " [options] " + name + (c.takesFiles ? " FILE...\n" : "\n");
    text += "\n  " + std::string(c.summary) + ".\n";
    if (c.label)
        text += "\n  Runs the plug-in's \"" + std::string(c.label) +
                "\" command on the document, or on the book\n  (a book file, a folder or "
                "several files) file by file.\n";
    if (c.shows)
        text += "\n  " + Indented(c.shows) + "\n";
    text += "\nOptions:\n" + OptionLines(t, c.options);
    text += "\nOutput:\n  " + Indented(c.output) + "\n";
    text += "\nExample:\n  $ " + Indented(c.example) + "\n";
    return text;
}

std::string ToolHelpText() {
    std::string text = "Measures the readability of documents and books with the Lexameter "
                       "plug-in.\n\nUsage: " +
                       std::string(kProgram) + " [options] COMMAND [FILE...]\n\n";
    text += CommandList() + "\n";
    text += "\nOptions of every command:\n"
            "  --json      print everything as one JSON document\n"
            "  -h, --help  print this help, or with COMMAND the command's help\n"
            "  --version   print the version\n";
    text += "\nRun '" + std::string(kProgram) +
            " help COMMAND' for a command's options, output and an example.\n";
    text += "\nFILE is a MIF document, a Markdown, HTML, DocBook or DITA file, or a plain-text\n"
            "file ('-' reads standard input); a MIF book file, a folder (its Markdown, HTML,\n"
            "XML and MIF files in path order), or several files make a book, measured file by\n"
            "file. In Markdown, HTML and XML files code blocks (format \"Code\") are not\n"
            "counted; --include-format Code counts them.\n";
    text += "\nParagraph formats (--exclude-format, --include-format): Markdown, HTML, DocBook\n"
            "and DITA files give Heading1 to Heading6, Body, Bulleted, Numbered, Quote, Code,\n"
            "Footnote, TableTitle, CellHeading and CellBody; plain text Body; MIF documents\n"
            "their own. --exclude tables and --exclude headings leave out every table (cells\n"
            "and title) or every heading however its format is named (in MIF, a format whose\n"
            "name begins with Heading, Title or ChapterTitle).\n";
    text += "\nExit status: 0 success, 1 usage error, 2 a file could not be opened, read or "
            "saved,\n3 the plug-in could not be loaded or initialised, 4 a threshold of check "
            "was missed.\n";
    return text;
}

// The tool's help (topic empty) or a command's, printed or as the JSON document's "help".
int ShowHelp(ToolOptions& options, const OptionTable& t, const std::string& topic,
             std::ostream& out, std::ostream& err) {
    std::string text = ToolHelpText();
    if (!topic.empty()) {
        const ToolCommand* command = FindCommand(topic);
        if (!command) {
            options.command = "help";
            return UsageError(options, "unknown command '" + topic + "'\n" + CommandList(), out,
                              err);
        }
        text = CommandHelpText(*command, t);
    }
    if (!options.json) {
        out << text;
        return kExitOk;
    }
    RunReport report;
    report.command = "help";
    report.extra["help"] = text;
    return Finish(options, report, out, err);
}

// The argument parser's message as the tool's: "--message: 1 required TEXT missing".
std::string ParseErrorText(std::string text) {
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// Whether --json is among the arguments (before "--"): known before they are parsed, so that
// a usage error is JSON too.
bool JsonAsked(int argc, const char* const* argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--json") == 0)
            return true;
    return false;
}

// The first option given that the command does not take, or null.
const OptionHelp* OptionNotTaken(const OptionTable& t, const ToolCommand& c) {
    for (const auto& [option, h] : t.all())
        if (option->count() > 0 && !(h.group & c.options))
            return &h;
    return nullptr;
}

// What the arguments ask that no command can do; empty when they make sense.
std::string Contradiction(const ToolOptions& options, const ToolCommand& command) {
    if (!command.takesFiles && !options.files.empty())
        return "the command '" + options.command + "' takes no files";
    if (std::count(options.files.begin(), options.files.end(), kStandardInputName) > 1)
        return "standard input ('-') can be read only once";
    if (command.takesFiles && options.files.empty())
        return "the command '" + options.command + "' needs a FILE";
    if ((command.options & kOptionsPage) && options.output.empty())
        return "the command '" + options.command + "' needs -o FILE, the page to write";
    if (options.csv && options.json)
        return "--json and --csv cannot be given together";
    if (!options.format.empty() && options.format != kDefaultFindingFormat &&
        (options.csv || options.json))
        return "--format " + options.format + " cannot be given with " +
               (options.json ? "--json" : "--csv");
    for (const std::string& name : options.includeFormats)
        if (std::find(options.excludeFormats.begin(), options.excludeFormats.end(), name) !=
            options.excludeFormats.end())
            return "the format '" + name + "' is both included and excluded";
    for (const std::string& what : options.exclude)
        if (std::none_of(std::begin(kExcludeKinds), std::end(kExcludeKinds),
                         [&](const char* k) { return what == k; }))
            return "--exclude takes 'tables' or 'headings', not '" + what + "'";
    return "";
}

} // namespace

int RunLexameter(int argc, const char* const* argv, const std::string& defaultPlugin,
                 const std::string& defaultInstallDir, std::ostream& out, std::ostream& err) {
    ToolOptions options;
    CLI::App app{"", kProgram};
    OptionTable table(app);
    bool help = false, version = false;
    // Help and version are answered after the arguments are read: "COMMAND --help" describes the
    // command, and with --json both are JSON.
    app.set_help_flag();
    app.add_flag("-h,--help", help);
    app.add_flag("--version", version);
    DeclareOptions(table, app, options);
    app.add_option("command", options.command)->type_name("COMMAND");
    app.add_option("files", options.files)->type_name("FILE");
    // Unknown options are left over rather than thrown, to be reported as every usage error is.
    app.allow_extras();
    options.json = JsonAsked(argc, argv);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return UsageError(options, ParseErrorText(e.what()), out, err);
    }
    if (!app.remaining().empty()) {
        const std::string extra = app.remaining().front();
        return UsageError(
            options,
            (extra.size() > 1 && extra[0] == '-' ? "unknown option '" : "unexpected argument '") +
                extra + "'",
            out, err);
    }
    if (version) {
        RunReport report; // the JSON document carries the version as every document does
        if (!options.json)
            out << kProgram << " " << LX_VERSION << "\n";
        return options.json ? Finish(options, report, out, err) : kExitOk;
    }
    if (help)
        return ShowHelp(options, table, options.command, out, err);
    if (options.command == "help") {
        if (options.files.size() > 1)
            return UsageError(options, "help takes one COMMAND", out, err);
        return ShowHelp(options, table, options.files.empty() ? "" : options.files[0], out, err);
    }
    if (options.command.empty())
        return UsageError(options, "no command given\n" + CommandList(), out, err);
    const ToolCommand* command = FindCommand(options.command);
    if (!command) {
        const std::string unknown = options.command;
        options.command.clear();
        return UsageError(options, "unknown command '" + unknown + "'\n" + CommandList(), out, err);
    }
    if (const OptionHelp* h = OptionNotTaken(table, *command)) {
        const std::string name = h->names.substr(h->names.rfind(' ') + 1);
        return UsageError(options, "the command '" + options.command + "' does not take " + name,
                          out, err);
    }
    if (std::string problem = Contradiction(options, *command); !problem.empty())
        return UsageError(options, problem, out, err);
    options.excludeFormatsGiven = !options.excludeFormats.empty();
    for (std::size_t i = 0; i < options.files.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (options.files[i] == options.files[j] && options.files[i] != kStandardInputName) {
                options.warnings.push_back("'" + options.files[i] +
                                           "' is named more than once: it is counted each time");
                break;
            }

    if (command->options & kOptionsCounting) {
        int status = kExitUsage;
        bool usage = false;
        if (std::string problem = SettleCounting(&options, &status, &usage); !problem.empty())
            return usage ? UsageError(options, problem, out, err)
                         : FinishWithError(options, problem, status, out, err);
    }
    if (command->options & kOptionsFormats) {
        int status = kExitUsage;
        std::string problem;
        if (!SettleExclusions(&options, &status, &problem))
            return FinishWithError(options, problem, status, out, err);
    }
    if (command->loadsPlugin) {
        if (options.installDir.empty())
            options.installDir = defaultInstallDir;
        if (options.plugin.empty())
            options.plugin = defaultPlugin;
        if (options.plugin.empty())
            return UsageError(
                options, "no plug-in module is known to this build: pass --plugin PATH", out, err);
    }
    int status = kExitOk;
    try {
        status = command->run(*command, options, out, err);
    } catch (const std::exception& e) {
        // The last resort: the commands that read files report their own failures, naming the
        // file they were reading; what escapes them still ends the run as one error.
        const std::string file = options.files.size() == 1 ? options.files[0] : kProgram;
        status = FinishWithError(options, StoppedRunError(file, e), kExitFile, out, err);
    }
    out.flush();
    return status;
}

} // namespace lxtool
