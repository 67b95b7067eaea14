#include "tool/cli.h"

#include "host/api/host.h"
#include "host/api/loader.h"
#include "tool/format_options.h"
#include "tool/json_output.h"
#include "tool/output_files.h"
#include "tool/run_report.h"
#include "host/formats/frameroman.h"
#include "host/formats/markup.h"
#include "host/formats/mif_writer.h"
#include "tool/commands.h"
#include "tool/figures.h"
#include "tool/run.h"
#include "tool/table.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <ostream>
#include <string_view>

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <climits>
#include <unistd.h>
#endif

#ifndef LX_VERSION
#define LX_VERSION "0.0.0"
#endif

namespace lxcli {

namespace {

constexpr const char* kProgram = "lexameter";
// The document Tools menu and the plug-in's submenu in it, found by label as a user would.
constexpr const char* kToolsMenuTag = "LXTools";
constexpr const char* kReadabilityLabel = "Readability";
constexpr const char* kAboutLabel = "About Lexameter...";

constexpr const char* kBookToolsMenuTag = "LXToolsBook";
// The command whose output --csv prints as CSV, and the one whose JSON adds every count.
constexpr const char* kCsvCommand = "report";
constexpr const char* kCountsCommand = "stats";
// The FILE that stands for standard input.
constexpr const char* kStandardInputName = "-";

class Progress;

// What one output file is made from: an output document (saved as MIF and as text), or the
// text of the command's alerts (saved as text).
struct OutputFileSource {
    lxhost::Document* doc; // null for alert text
    std::string text;
};

// One run of the tool: the host with the plug-in loaded and initialised.
struct Session {
    lxhost::Host& host;
    lxhost::PluginLoader& loader;
    const CliOptions& options;
    std::ostream& out;
    std::ostream& err;
    const char* label; // the menu label of a document or book command
    bool wordList;     // the command makes a word list
    RunReport& report;
    Progress& progress;
    // The console pieces the plug-in wrote; what the tool's own walk adds after is not its.
    std::size_t& consolePieces;
};

int RunAbout(Session& s) {
    auto number = s.host.menus().FindCommandNumber(kToolsMenuTag, {kReadabilityLabel, kAboutLabel});
    if (!number) {
        s.report.errors.push_back("plug-in '" + s.loader.path() + "': no command \"" + kAboutLabel +
                                  "\" in its \"" + kReadabilityLabel +
                                  "\" menu of the Tools menu (" + kToolsMenuTag + ")");
        return kExitPlugin;
    }
    if (!s.loader.Command(*number)) {
        s.report.errors.push_back(s.loader.error());
        return kExitPlugin;
    }
    return kExitOk;
}

int RunMenus(Session& s) {
    if (s.options.json)
        s.report.extra["menus"] = MenusJson(s.host.menus());
    else
        s.host.menus().Print(s.out);
    return kExitOk;
}

int RunOnFiles(Session& s);

// A command of the tool. The rows below are the tool's commands in the order its help lists
// them; output, example and wordList may be left out of a row.
struct CliCommand {
    const char* name;
    const char* description;
    int (*run)(Session&);
    const char* label;             // the plug-in's menu label; null for the tool's own commands
    const char* output = nullptr;  // what the command prints and saves, for its help
    const char* example = nullptr; // an example, for its help
    bool wordList = false;         // the output document is a word list
    bool opensFiles = false;       // a tool command that takes FILEs (the plug-in's always do)
};

constexpr CliCommand kCommands[] = {
    {"stats", "counts and averages", RunOnFiles, "Get Statistics",
     "An alert with the total paragraphs, sentences, words and characters and the average\n"
     "sentences per paragraph and words per sentence. With --out: <stem>.stats.txt.",
     "lexameter stats samples/article.txt\n"
     "  Total Paragraphs: 10\n  Total Sentences: 47\n  Total Words: 624\n  ..."},
    {"flesch", "Flesch Reading Ease and Flesch-Kincaid Grade Level", RunOnFiles,
     "Calculate Flesch-Kincaid",
     "An alert with both measures (\"n/a\" when there is nothing to measure). With --out:\n"
     "<stem>.flesch.txt.",
     "lexameter flesch samples/article.txt\n"
     "  Flesch Reading Ease: 74.9\n  Flesch-Kincaid Grade Level: 6.1"},
    {"ari", "Automated Readability Index", RunOnFiles, "Calculate ARI",
     "An alert with the ARI grade level. With --out: <stem>.ari.txt.",
     "lexameter ari samples/manual/ch1-introduction.mif\n  ARI Grade Level: 6.3"},
    {"smog", "SMOG grade", RunOnFiles, "Calculate SMOG",
     "An alert with the SMOG grade level. With --out: <stem>.smog.txt.",
     "lexameter smog samples/manual/ch2-installation.mif\n  SMOG Grade Level: 8.0"},
    {"fog", "Gunning Fog index", RunOnFiles, "Calculate Gunning Fog",
     "An alert with the Gunning Fog index. With --out: <stem>.fog.txt.",
     "lexameter fog samples/manual/ch3-operation.mif\n  Gunning Fog Index: 7.5"},
    {"words", "the sorted list of distinct words", RunOnFiles, "Get Word List",
     "A word-list document: the heading \"Words\", then one word a line. With --out:\n"
     "<stem>.words.mif and <stem>.words.txt.",
     "lexameter --out lists words samples/manual/aquila-manual.book\n"
     "  saves lists/aquila-manual.words.mif and lists/aquila-manual.words.txt",
     true},
    {"word-counts", "the word list with the number of occurrences", RunOnFiles,
     "Get Word List - With Counts",
     "A word-list document: each word, four blanks and its count, then the number of unique\n"
     "words. With --out: <stem>.word-counts.mif and <stem>.word-counts.txt.",
     "lexameter --json word-counts samples/article.txt | jq '.documents[0].words[0]'\n"
     "  {\"count\": 7, \"word\": \"A\"}",
     true},
    {"report", "the readability report (a table per file for a book)", RunOnFiles,
     "Generate Readability Report",
     "A report document: for a document every measure and count, for a book a table with a\n"
     "row per file and an overall row. With --out: <stem>.report.mif and <stem>.report.txt.",
     "lexameter report samples/manual/aquila-manual.book"},
    {"about", "show the plug-in's About alert", RunAbout, nullptr,
     "The plug-in's About alert: its name, version and build.", "lexameter about"},
    {"menus", "print the menu bars with the menus and commands the plug-in installed", RunMenus,
     nullptr,
     "Each menu bar with the menus, commands (tag and number) and separators the plug-in\n"
     "added; with --json a tree of objects with their ids.",
     "lexameter --json menus | jq '.menus[0].items[0].label'\n  \"Tools\""},
    {"open", "open the files and deliver the --message messages, as the desktop host does",
     RunOnFiles, nullptr,
     "What the messages made: a command tag sent as a message (\"GetStatisticsDoc\") runs that\n"
     "command on the opened document (or the one \"SetDocId N\" names); --show-ids prints the\n"
     "ids the messages take.",
     "lexameter --message GetStatisticsDoc open samples/article.txt\n"
     "  Total Paragraphs: 10\n  ...",
     false, true},
    // Answered without the plug-in (no run function).
    {"help", "describe a command: lexameter help COMMAND", nullptr, nullptr,
     "The description of the command, its options and its output, with an example (the same\n"
     "as lexameter COMMAND --help).",
     "lexameter help report"},
};

const CliCommand* FindCommand(const std::string& name) {
    for (const CliCommand& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

std::string CommandList() {
    std::string list;
    for (const CliCommand& c : kCommands) {
        if (!list.empty())
            list += ", ";
        list += c.name;
    }
    return list;
}

std::string CommandHelp() {
    std::string text = "Commands:\n";
    for (const CliCommand& c : kCommands) {
        std::string name = c.name;
        text += "  " + name + std::string(name.size() < 13 ? 13 - name.size() : 1, ' ') +
                c.description + "\n";
    }
    text += lxinsight::InsightCommandHelp(13);
    text += "\nFILE is a MIF document, a Markdown, HTML, DocBook or DITA file, or a plain-text\n"
            "file; a MIF book file, a folder (its Markdown, HTML, XML and MIF files in path\n"
            "order), or several files make a book, measured file by file.\n"
            "In Markdown, HTML and XML files code blocks (format \"Code\") are not counted;\n"
            "--include-format Code counts them.\n";
    text +=
        "\nExit status: 0 success, 1 usage error, 2 a file could not be opened, read or saved,\n"
        "3 the plug-in could not be loaded or initialised.";
    return text;
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

// The help of one command: its use, what it does, its options, its output and an example.
std::string CommandHelpText(const CliCommand& c) {
    std::string name = c.name;
    std::string text;
    if (c.label || c.opensFiles) {
        text += "Usage: " + std::string(kProgram) + " [options] " + name + " FILE...\n\n";
        text += "  " + std::string(c.description) + ".\n";
        if (c.label)
            text += "\n  Runs the plug-in's \"" + std::string(c.label) +
                    "\" command on the document, or on the book\n  (a book file, a folder or "
                    "several files) file by file.\n";
        text += "\nOptions:\n"
                "  --out DIR             also save the output in DIR (made when missing)\n"
                "  --force               with --out, replace files that exist (never an input)\n"
                "  --json                print everything as one JSON document\n" +
                std::string(name == kCsvCommand
                                ? "  --csv                 print the figures as CSV, a row for "
                                  "each file\n"
                                : "") +
                "  --exclude-format NAME do not examine paragraphs of this format (repeatable)\n"
                "  --include-format NAME examine a format left out by default, e.g. Code\n"
                "  --allow-outside       let a book read files outside its folder\n"
                "  --message TEXT        a command message, delivered once the files are open\n"
                "  --show-ids            print the ids of the opened document or book\n";
    } else if (name == "help") {
        text += "Usage: " + std::string(kProgram) + " help [COMMAND]\n\n  " + c.description + ".\n";
    } else {
        text += "Usage: " + std::string(kProgram) + " [options] " + name + "\n\n  " +
                c.description + ".\n";
        text += "\nOptions:\n"
                "  --json                print everything as one JSON document\n";
    }
    if (c.output)
        text += "\nOutput:\n  " + Indented(c.output) + "\n";
    if (c.example)
        text += "\nExample:\n  $ " + Indented(c.example) + "\n";
    return text;
}

// A cell as CSV shows it: a number without its thousands separators, "n/a" as an empty cell,
// any other text as it is.
std::string CsvCell(const std::string& text) {
    const nlohmann::json value = JsonValueOf(text);
    if (value.is_null())
        return "";
    return value.is_number() ? value.dump() : text;
}

// An output document's figures as CSV: its tables (a book report's, one row a file, the heading
// row first), or for a document without tables one row of its "Label: value" paragraphs under
// a heading row of their labels, the file's name first.
std::string CsvOf(const OutputDocument& d) {
    std::string csv;
    for (const OutputTable& t : d.tables) {
        if (t.rows.empty())
            continue;
        lxinsight::TextTable table;
        table.headings = t.rows.front();
        for (std::size_t i = 1; i < t.rows.size(); ++i) {
            std::vector<std::string> cells;
            for (const std::string& cell : t.rows[i])
                cells.push_back(CsvCell(cell));
            table.rows.push_back(std::move(cells));
        }
        csv += lxinsight::RenderCsv(table);
    }
    if (!d.tables.empty())
        return csv;
    lxinsight::TextTable table;
    std::vector<std::string> row;
    for (const OutputParagraph& p : d.paragraphs) {
        const std::size_t colon = p.text.find(": ");
        if (colon == std::string::npos || colon == 0)
            continue;
        table.headings.push_back(p.text.substr(0, colon));
        row.push_back(CsvCell(p.text.substr(colon + 2)));
    }
    table.rows.push_back(std::move(row));
    return lxinsight::RenderCsv(table);
}

// Prints what the run produced: one JSON document, or the output documents on standard output
// and the warnings and errors on standard error. Answers the exit status.
int Finish(const CliOptions& options, const RunReport& report, std::ostream& out,
           std::ostream& err) {
    if (options.json) {
        out << JsonText(RunReportToJson(report));
    } else {
        // One blank line separates a document from the alerts and documents before it; CSV
        // is one table after another, without blank lines.
        bool first = report.alerts.empty();
        for (const OutputDocument& d : report.documents) {
            if (options.csv) {
                out << CsvOf(d);
                continue;
            }
            if (d.rendered.empty())
                continue;
            out << (first ? "" : "\n") << d.rendered;
            first = false;
        }
        for (const lxhost::TextNote& n : report.textNotes)
            for (const std::string& line : TextNoteLines(n))
                err << kProgram << ": " << line << "\n";
        for (const std::string& w : report.warnings)
            err << kProgram << ": warning: " << w << "\n";
        // Book components that did not open were reported by the plug-in on the console.
        for (const std::string& e : report.errors)
            err << kProgram << ": " << e << "\n";
    }
    out.flush();
    return report.exitStatus;
}

// A usage error: "lexameter: MESSAGE" and a hint on standard error, or the JSON document.
int UsageError(const CliOptions& options, std::ostream& out, std::ostream& err,
               const std::string& message) {
    if (options.json) {
        RunReport report;
        report.command = options.command;
        report.files = options.files;
        report.errors.push_back(message);
        report.exitStatus = kExitUsage;
        return Finish(options, report, out, err);
    }
    err << kProgram << ": " << message << "\n"
        << "Run '" << kProgram << " --help' for usage.\n";
    return kExitUsage;
}

// The tool's help (topic empty) or a command's, printed or as the JSON document's "help".
int ShowHelp(const CliOptions& options, const std::string& toolHelp, const std::string& topic,
             std::ostream& out, std::ostream& err) {
    std::string text = toolHelp;
    if (!topic.empty()) {
        const CliCommand* command = FindCommand(topic);
        if (!command)
            return UsageError(options, out, err,
                              "unknown command '" + topic + "' (commands: " + CommandList() + ")");
        text = CommandHelpText(*command);
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
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && text.size() > 1 && text[1] >= 'a' &&
        text[1] <= 'z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// Shows the book's status text as a progress line on standard error: "[2/3] Examining: b.mif".
// On a terminal the line is redrawn in place; elsewhere each status is a line of its own.
class Progress {
  public:
    Progress(std::ostream& err, bool terminal, int files)
        : err_(err), terminal_(terminal), files_(files) {}

    void Show(const std::string& status) {
        if (status.empty()) {
            Clear();
            return;
        }
        ++shown_;
        std::string line =
            "[" + std::to_string(shown_) + "/" + std::to_string(files_) + "] " + status;
        if (terminal_) {
            err_ << "\r\033[K" << line << std::flush;
            drawn_ = true;
        } else {
            err_ << line << "\n";
        }
    }
    // Called when a pass over the book ends; a with-counts word list walks the book twice.
    void Clear() {
        Interrupt();
        shown_ = 0;
    }
    // Erases the line drawn in place before another line is written; the count goes on.
    void Interrupt() {
        if (drawn_)
            err_ << "\r\033[K" << std::flush;
        drawn_ = false;
    }
    void SetFiles(int files) { files_ = files; }

  private:
    std::ostream& err_;
    bool terminal_;
    int files_;
    int shown_ = 0;
    bool drawn_ = false;
};

// Passes everything on to a stream, erasing the progress line first, so that no line written
// while a book is walked (a console line, an alert) is ever glued to the progress line.
class ProgressGuard final : public std::streambuf {
  public:
    ProgressGuard(std::ostream& target, Progress& progress)
        : target_(target), progress_(progress) {}

  protected:
    int overflow(int c) override {
        if (c != traits_type::eof()) {
            progress_.Interrupt();
            target_.put(static_cast<char>(c));
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        progress_.Interrupt();
        target_.write(s, n);
        return n;
    }
    int sync() override {
        target_.flush();
        return 0;
    }

  private:
    std::ostream& target_;
    Progress& progress_;
};

bool IsTerminal(std::ostream& stream) {
#if defined(_WIN32)
    (void)stream;
    return false;
#else
    return &stream == &std::cerr && isatty(STDERR_FILENO);
#endif
}

// The file components of a book that the plug-in will examine.
int CountBookFiles(lxhost::Book& book) {
    int n = 0;
    for (const lxhost::Component& c : book.components)
        if (c.kind == lxhost::kComponentFile && c.excluded == 0)
            ++n;
    return n;
}

// Reads all of standard input for the FILE "-"; false after reporting why it could not.
bool ReadStandardInput(Session& s) {
    const std::vector<std::string>& files = s.options.files;
    if (std::find(files.begin(), files.end(), kStandardInputName) == files.end())
        return true;
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY); // the bytes as they are, for MIF and UTF-16 alike
#endif
    std::string data;
    char buffer[65536];
    while (true) {
        std::size_t n = std::fread(buffer, 1, sizeof buffer, stdin);
        data.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    if (std::ferror(stdin)) {
        s.report.errors.push_back("cannot read standard input: " +
                                  std::string(std::strerror(errno)));
        return false;
    }
    s.host.session().providedFiles[kStandardInputName] = std::move(data);
    return true;
}

// Opens the files named on the command line: one document, one book, or several files that make
// an untitled book. Answers the document or book id, or 0 after reporting why.
ObjectId OpenInput(Session& s, bool* isBook) {
    lxhost::Session& model = s.host.session();
    const std::vector<std::string>& files = s.options.files;
    if (files.size() > 1) {
        // A folder among several files stands for the files under it.
        std::vector<std::string> paths;
        for (const std::string& file : files) {
            std::vector<std::string> under;
            std::string error;
            std::error_code ec;
            if (!std::filesystem::is_directory(file, ec))
                paths.push_back(file);
            else if (lxhost::ListFolderFiles(file, &under, &error,
                                             model.readerOptions.allowOutside))
                paths.insert(paths.end(), under.begin(), under.end());
            else {
                s.report.errors.push_back(error);
                paths.insert(paths.end(), under.begin(), under.end()); // the rest is measured
            }
        }
        if (paths.empty()) {
            s.report.errors.push_back("no Markdown, HTML, XML or MIF files in the folders given");
            return 0;
        }
        *isBook = true;
        return model.NewBookOfFiles(paths);
    }
    ObjectId id = 0;
    std::vector<lxhost::PropEntry> returned;
    std::string error;
    std::int32_t code = model.Open(files[0], {}, &id, &returned, &error);
    if (code != 0 || id == 0) {
        s.report.errors.push_back(error.empty() ? "cannot open '" + files[0] + "'" : error);
        return 0;
    }
    *isBook = lxhost::KindOf(id) == lxhost::kKindBook;
    return id;
}

// The inputs of the run: the files named and, for a book, its file components.
std::vector<std::string> InputsOf(Session& s, ObjectId input) {
    std::vector<std::string> inputs = s.options.files;
    if (const lxhost::Book* book = s.host.session().FindBook(input))
        for (const lxhost::Component& c : book->components)
            if (c.kind == lxhost::kComponentFile)
                inputs.push_back(c.path);
    return inputs;
}

// A file that did not open is a file error when it is an input of the run; the plug-in also
// opens files of its own (the optional output template), and falls back silently when they are
// missing.
bool IsInputPath(const std::string& path, const std::vector<std::string>& inputs) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(path, ec).lexically_normal();
    if (path == kStandardInputName)
        return true;
    for (const std::string& in : inputs) {
        if (in == kStandardInputName)
            continue;
        fs::path q = fs::absolute(in, ec).lexically_normal();
        if (p == q)
            return true;
    }
    return false;
}

// Saves what the command made in the --out folder: each output document as MIF and as text,
// and the alerts of a command that shows its result in an alert as text.
bool SaveOutputs(Session& s, const std::vector<OutputFileSource>& sources,
                 const std::vector<std::string>& inputs) {
    std::string stem = OutputStem(s.options.files);
    std::vector<OutputFile> files;
    int n = 0;
    for (const OutputFileSource& source : sources) {
        ++n;
        std::string what = s.options.command + (n > 1 ? "-" + std::to_string(n) : "");
        if (source.doc) {
            files.push_back(
                {OutputPath(s.options.outDir, stem, what, "mif"), lxhost::WriteMif(*source.doc)});
        }
        files.push_back({OutputPath(s.options.outDir, stem, what, "txt"), source.text});
    }
    SavePolicy policy{s.options.force, inputs};
    return SaveOutputFiles(files, policy, &s.report.errors, &s.report.saved);
}

// Adds the counts the statistics alert does not show (syllables, complex words, long words) to
// the JSON document: counted by the analysis library as a second client of the host, against the
// same open input the plug-in counted, so that they agree with its figures.
void AddEveryCount(Session& s, ObjectId input) {
    s.consolePieces = s.host.record().console.size();
    lxinsight::InputFigures figures;
    {
        lxinsight::HostClient client(s.host);
        if (!client.connected()) {
            s.report.warnings.push_back("cannot count syllables and complex words: the tool "
                                        "could not connect to its host");
            return;
        }
        figures = lxinsight::CollectFigures(s.host, input);
    }
    s.report.extra["counts"] = lxinsight::CountsJson(figures.totals, figures.longWords);
}

// Delivers the --message messages in order; one the plug-in does not take is a warning.
void DeliverMessages(Session& s) {
    for (const std::string& message : s.options.messages) {
        bool delivered = s.loader.SendMessage(message);
        if (!delivered)
            s.report.warnings.push_back(s.loader.error());
        s.report.extra["messages"].push_back({{"text", message}, {"delivered", delivered}});
    }
}

// Tells what the input opened as, with the id that "SetDocId" or "SetBookId" takes: always in
// the JSON document, and on standard error with --show-ids.
void ShowOpened(Session& s, ObjectId input, bool isBook) {
    lxhost::Session& model = s.host.session();
    std::string path;
    if (const lxhost::Book* book = model.FindBook(input))
        path = book->path;
    else if (const lxhost::Document* doc = model.FindDocument(input))
        path = doc->path;
    const char* kind = isBook ? "book" : "document";
    s.report.extra["opened"].push_back({{"kind", kind}, {"id", input}, {"path", path}});
    if (s.options.showIds && !s.options.json)
        s.err << kProgram << ": " << kind << " " << input << ": "
              << (path.empty() ? "(untitled)" : path) << " ("
              << (isBook ? "SetBookId " : "SetDocId ") << input << ")\n";
}

int RunOnFiles(Session& s) {
    lxhost::Session& model = s.host.session();
    if (!ReadStandardInput(s))
        return kExitFile;
    bool isBook = false;
    ObjectId input = OpenInput(s, &isBook);
    if (input == 0)
        return kExitFile;
    // A folder among the files that was not listed whole: the rest is measured, the run fails.
    const bool partlyOpened = !s.report.errors.empty();

    // The plug-in's menu command of that label; none for "open", where only messages act.
    std::optional<std::int32_t> number;
    if (s.label) {
        const char* tools = isBook ? kBookToolsMenuTag : kToolsMenuTag;
        number = s.host.menus().FindCommandNumber(tools, {kReadabilityLabel, s.label});
        if (!number) {
            s.report.errors.push_back("plug-in '" + s.loader.path() + "': no command \"" + s.label +
                                      "\" in its \"" + kReadabilityLabel + "\" menu (" + tools +
                                      ")");
            return kExitPlugin;
        }
    }
    ShowOpened(s, input, isBook);
    if (isBook)
        model.activeBook = input;
    else
        model.activeDocument = input;
    std::vector<std::string> inputs = InputsOf(s, input);

    std::vector<ObjectId> before = model.openDocuments();
    if (isBook && model.FindBook(input))
        s.progress.SetFiles(CountBookFiles(*model.FindBook(input)));
    model.onEvent = [&](const lxhost::HostEvent& e) {
        if (e.type != lxhost::EventType::StatusText)
            return;
        // The plug-in writes the status text in the host's encoding, FrameRoman.
        std::string status;
        lxhost::FrameRomanToUtf8(e.text, status);
        if (!s.options.json)
            s.progress.Show(status);
        s.report.status.push_back(std::move(status));
    };
    std::size_t openErrorsBefore = s.host.record().openErrors.size();
    std::size_t alertsBefore = s.host.record().alerts.size();
    // Messages arrive while the files are open, as in the desktop host: "SetDocId N" names a
    // document, and a command's tag acts on it (or on the active document or book).
    DeliverMessages(s);
    bool ran = !number || s.loader.Command(*number);
    model.onEvent = nullptr;
    s.progress.Clear();
    if (!ran) {
        s.report.errors.push_back(s.loader.error());
        return kExitPlugin;
    }

    // The documents the command made: open now, not before, and not the input.
    std::vector<OutputFileSource> sources;
    for (ObjectId id : std::vector<ObjectId>(model.openDocuments())) {
        if (std::find(before.begin(), before.end(), id) != before.end())
            continue;
        lxhost::Document* doc = model.FindDocument(id);
        if (!doc)
            continue;
        OutputDocument described = DescribeDocument(*doc);
        described.wordList = s.wordList;
        sources.push_back({doc, described.rendered});
        s.report.documents.push_back(std::move(described));
    }
    // A command whose result is an alert: its text is the output.
    if (sources.empty()) {
        std::string text;
        const std::vector<std::string>& alerts = s.host.record().alerts;
        // Saved as shown: one blank line between alerts.
        for (std::size_t i = alertsBefore; i < alerts.size(); ++i)
            text += (text.empty() ? "" : "\n") + AsTextBlock(alerts[i]);
        if (!text.empty())
            sources.push_back({nullptr, text});
    }

    int status = partlyOpened ? kExitFile : kExitOk;
    // Files of the book that did not open: the plug-in said so on the console and went on; the
    // run reports the failure in its exit status (and its errors, for JSON).
    const std::vector<lxhost::Host::OpenError>& openErrors = s.host.record().openErrors;
    for (std::size_t i = openErrorsBefore; i < openErrors.size(); ++i) {
        if (!IsInputPath(openErrors[i].path, inputs))
            continue;
        s.report.componentErrors.push_back(openErrors[i].message);
        status = kExitFile;
    }
    for (const std::string& name : s.options.excludeFormats)
        if (std::find(model.excludedFormatsFound.begin(), model.excludedFormatsFound.end(), name) ==
            model.excludedFormatsFound.end())
            s.report.warnings.push_back("--exclude-format '" + name +
                                        "': no examined document defines this paragraph format");

    if (s.options.json && s.options.command == kCountsCommand)
        AddEveryCount(s, input);

    if (!s.options.outDir.empty() && !SaveOutputs(s, sources, inputs))
        status = kExitFile;
    return status;
}

int Run(const CliOptions& options, const CliCommand& command, const std::string& plugin,
        std::ostream& out, std::ostream& err) {
    RunReport report;
    report.command = options.command;
    report.files = options.files;

    // The folder for --out is made before anything runs: a run that cannot save fails at once.
    if (!options.outDir.empty() && command.label) {
        std::string error;
        if (!PrepareOutputFolder(options.outDir, &error)) {
            report.errors.push_back(error);
            report.exitStatus = kExitFile;
            return Finish(options, report, out, err);
        }
    }

    Progress progress(err, IsTerminal(err), 0);
    ProgressGuard guardErr(err, progress);
    ProgressGuard guardOut(out, progress);
    std::ostream consoleStream(&guardErr);
    std::ostream alertStream(&guardOut);

    lxhost::Host host;
    // With --json everything goes into the one document at the end.
    host.SetAlertStream(options.json ? nullptr : &alertStream);
    host.SetConsoleStream(options.json ? nullptr : &consoleStream);
    host.session().installDir = options.installDir;
    host.session().readerOptions.excludedFormats = options.excludeFormats;
    host.session().readerOptions.includedFormats = options.includeFormats;
    host.session().readerOptions.allowOutside = options.allowOutside;

    int status = kExitOk;
    std::size_t consolePieces = SIZE_MAX;
    {
        // Declared after the host so that the module is unloaded while the host still stands.
        lxhost::PluginLoader loader(host);
        if (!loader.Load(plugin) || !loader.Initialize(1)) {
            report.errors.push_back(loader.error());
            status = kExitPlugin;
        } else {
            Session session{host,          loader,           options, out,      err,
                            command.label, command.wordList, report,  progress, consolePieces};
            // A command without files has nothing to wait for: its messages go first.
            if (!command.label && !command.opensFiles)
                DeliverMessages(session);
            status = command.run(session);
        }
    }

    report.alerts = host.record().alerts;
    // The console's pieces, joined and cut into lines.
    std::string console;
    const std::vector<std::string>& pieces = host.record().console;
    for (std::size_t i = 0; i < pieces.size() && i < consolePieces; ++i)
        console += pieces[i];
    for (std::size_t start = 0; start < console.size();) {
        std::size_t end = console.find('\n', start);
        if (end == std::string::npos)
            end = console.size();
        report.console.push_back(console.substr(start, end - start));
        start = end + 1;
    }
    report.textNotes = host.session().textNotes;
    report.exitStatus = status;
    return Finish(options, report, out, err);
}

} // namespace

std::string ExecutableDirectory() {
    std::string path;
#if defined(_WIN32)
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return "";
    path.assign(buffer, n);
    std::size_t slash = path.find_last_of("\\/");
#else
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return "";
    path.assign(buffer, static_cast<std::size_t>(n));
    std::size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

int RunLexameter(int argc, const char* const* argv, const std::string& defaultPlugin,
                 const std::string& defaultInstallDir, std::ostream& out, std::ostream& err) {
    // The insight commands (check, hotspots, html) have options of their own.
    if (int status = 0; lxinsight::RunInsightCommand(argc, argv, out, err, &status))
        return status;
    CliOptions options;
    CLI::App app{"Measures the readability of documents and books with the Lexameter plug-in.",
                 kProgram};
    bool help = false, version = false;
    // Help and version are answered after the arguments are read: "COMMAND --help" describes the
    // command, and with --json both are JSON.
    app.set_help_flag();
    app.add_flag("-h,--help", help, "print this help, or with COMMAND the command's help");
    app.add_flag("--version", version, "print the version");
    app.add_option("--plugin", options.plugin, "the plug-in module to load")->type_name("PATH");
    app.add_option(
           "--message", options.messages,
           "a command message for the plug-in, delivered once the files are open (repeatable)")
        ->type_name("TEXT")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--install-dir", options.installDir,
                   "the host's installation directory (templates, converter data)")
        ->type_name("DIR");
    app.add_option("--out", options.outDir,
                   "also save the output in DIR (made when missing), as MIF and as text")
        ->type_name("DIR");
    app.add_flag("--force", options.force,
                 "with --out, replace output files that exist (never an input of the run)");
    AddFormatOptions(app, options.excludeFormats, options.includeFormats, options.allowOutside);
    app.add_flag("--show-ids", options.showIds,
                 "print the id of the opened document or book, as \"SetDocId\" and \"SetBookId\" "
                 "take it");
    app.add_flag("--json", options.json, "print everything the run produced as one JSON document");
    app.add_flag("--csv", options.csv, "report: print the figures as CSV, a row for each file");
    app.add_option("command", options.command, "the command to run")->type_name("COMMAND");
    app.add_option("files", options.files, "documents or a book")->type_name("FILE");
    app.footer(CommandHelp());

    // Unknown options are left over rather than thrown, to be reported as every usage error is.
    app.allow_extras();
    // --json is known before the arguments are understood: a usage error is then JSON too.
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i)
        if (std::string(argv[i]) == "--json")
            options.json = true;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return UsageError(options, out, err, ParseErrorText(e.what()));
    }
    if (!app.remaining().empty()) {
        const std::string extra = app.remaining().front();
        return UsageError(
            options, out, err,
            (extra.size() > 1 && extra[0] == '-' ? "unknown option '" : "unexpected argument '") +
                extra + "'");
    }

    if (version) {
        RunReport report; // the JSON document carries the version as every document does
        if (!options.json)
            out << kProgram << " " << LX_VERSION << "\n";
        return options.json ? Finish(options, report, out, err) : kExitOk;
    }
    if (help)
        return ShowHelp(options, app.help(), options.command, out, err);
    if (options.command == "help") {
        if (options.files.size() > 1)
            return UsageError(options, out, err, "help takes one COMMAND");
        return ShowHelp(options, app.help(), options.files.empty() ? "" : options.files[0], out,
                        err);
    }

    if (options.command.empty())
        return UsageError(options, out, err, "no command given (commands: " + CommandList() + ")");
    const CliCommand* command = FindCommand(options.command);
    if (!command)
        return UsageError(options, out, err,
                          "unknown command '" + options.command + "' (commands: " + CommandList() +
                              ")");
    const bool takesFiles = command->label || command->opensFiles;
    if (!takesFiles && !options.files.empty())
        return UsageError(options, out, err,
                          "the command '" + options.command + "' takes no files");
    if (std::count(options.files.begin(), options.files.end(), kStandardInputName) > 1)
        return UsageError(options, out, err, "standard input ('-') can be read only once");
    if (takesFiles && options.files.empty())
        return UsageError(options, out, err, "the command '" + options.command + "' needs a FILE");
    if (options.csv && options.command != kCsvCommand)
        return UsageError(options, out, err,
                          std::string("--csv is for the command '") + kCsvCommand + "' only");
    if (options.csv && options.json)
        return UsageError(options, out, err, "--json and --csv cannot be given together");
    for (const std::string& name : options.includeFormats)
        if (std::find(options.excludeFormats.begin(), options.excludeFormats.end(), name) !=
            options.excludeFormats.end())
            return UsageError(options, out, err,
                              "the format '" + name + "' is both included and excluded");

    if (options.installDir.empty())
        options.installDir = defaultInstallDir;
    std::string plugin = options.plugin.empty() ? defaultPlugin : options.plugin;
    if (plugin.empty())
        return UsageError(options, out, err,
                          "no plug-in module is known to this build: pass --plugin PATH");
    return Run(options, *command, plugin, out, err);
}

} // namespace lxcli
