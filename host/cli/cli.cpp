#include "host/cli/cli.h"

#include "host/api/host.h"
#include "host/api/loader.h"
#include "host/cli/run_report.h"
#include "host/files/markup.h"
#include "host/files/mif_writer.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <ostream>

#if !defined(_WIN32)
#include <climits>
#include <unistd.h>
#endif

#ifndef LX_VERSION
#define LX_VERSION "0.0.0"
#endif

namespace lxcli {

namespace {

constexpr const char* kProgram = "lexameter";
// Application property: the host's installation directory.
constexpr std::int32_t kAppInstallDir = 89;
// The document Tools menu and the plug-in's submenu in it, found by label as a user would.
constexpr const char* kToolsMenuTag = "LXTools";
constexpr const char* kReadabilityLabel = "Readability";
constexpr const char* kAboutLabel = "About Lexameter...";

constexpr const char* kBookToolsMenuTag = "LXToolsBook";

// One run of the tool: the host with the plug-in loaded and initialised.
struct Session {
    lxhost::Host& host;
    lxhost::PluginLoader& loader;
    const CliOptions& options;
    std::ostream& out;
    std::ostream& err;
    const char* label; // the menu label of a document or book command
    RunReport& report;
};

int RunAbout(Session& s) {
    auto number = s.host.menus().FindCommandNumber(kToolsMenuTag, {kReadabilityLabel, kAboutLabel});
    if (!number) {
        s.err << kProgram << ": plug-in '" << s.loader.path() << "': no command \"" << kAboutLabel
              << "\" in its \"" << kReadabilityLabel << "\" menu of the Tools menu ("
              << kToolsMenuTag << ")\n";
        return kExitPlugin;
    }
    if (!s.loader.Command(*number)) {
        s.err << kProgram << ": " << s.loader.error() << "\n";
        return kExitPlugin;
    }
    return kExitOk;
}

int RunMenus(Session& s) {
    s.host.menus().Print(s.out);
    return kExitOk;
}

int RunOnFiles(Session& s);

struct CliCommand {
    const char* name;
    const char* description;
    int (*run)(Session&);
    const char* label; // the plug-in's menu label; null for the tool's own commands
};

constexpr CliCommand kCommands[] = {
    {"stats", "counts and averages", RunOnFiles, "Get Statistics"},
    {"flesch", "Flesch Reading Ease and Flesch-Kincaid Grade Level", RunOnFiles,
     "Calculate Flesch-Kincaid"},
    {"ari", "Automated Readability Index", RunOnFiles, "Calculate ARI"},
    {"smog", "SMOG grade", RunOnFiles, "Calculate SMOG"},
    {"fog", "Gunning Fog index", RunOnFiles, "Calculate Gunning Fog"},
    {"words", "the sorted list of distinct words", RunOnFiles, "Get Word List"},
    {"word-counts", "the word list with the number of occurrences", RunOnFiles,
     "Get Word List - With Counts"},
    {"report", "the readability report (a table per file for a book)", RunOnFiles,
     "Generate Readability Report"},
    {"about", "show the plug-in's About alert", RunAbout, nullptr},
    {"menus", "print the menu bars with the menus and commands the plug-in installed", RunMenus,
     nullptr},
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
    text += "\nFILE is a MIF document, a Markdown, HTML, DocBook or DITA file, or a plain-text\n"
            "file; a MIF book file, a folder (its Markdown, HTML, XML and MIF files in path\n"
            "order), or several files make a book, measured file by file.\n"
            "In Markdown, HTML and XML files code blocks (format \"Code\") are not counted;\n"
            "--include-format Code counts them.\n";
    text += "\nExit status: 0 success, 1 usage error, 2 a file could not be opened or read,\n"
            "3 the plug-in could not be loaded or initialised.";
    return text;
}

int UsageError(std::ostream& err, const std::string& message) {
    err << kProgram << ": " << message << "\n"
        << "Run '" << kProgram << " --help' for usage.\n";
    return kExitUsage;
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
        if (drawn_)
            err_ << "\r\033[K" << std::flush;
        drawn_ = false;
        shown_ = 0;
    }

  private:
    std::ostream& err_;
    bool terminal_;
    int files_;
    int shown_ = 0;
    bool drawn_ = false;
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
            else if (lxhost::ListFolderFiles(file, &under, &error))
                paths.insert(paths.end(), under.begin(), under.end());
            else
                s.report.errors.push_back(error);
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

// Saves an output document as MIF and as text in the --out folder, named after its heading.
void SaveOutput(Session& s, lxhost::Document& doc, const OutputDocument& described,
                std::vector<std::string>& usedNames) {
    std::string base = FileNameOfHeading(described.heading);
    std::string name = base;
    for (int n = 2; std::find(usedNames.begin(), usedNames.end(), name) != usedNames.end(); ++n)
        name = base + "-" + std::to_string(n);
    usedNames.push_back(name);
    std::string stem = s.options.outDir + "/" + name;
    std::string error;
    if (!lxhost::SaveMif(doc, stem + ".mif", &error)) {
        s.report.errors.push_back(error);
        return;
    }
    std::ofstream text(stem + ".txt", std::ios::binary);
    text << described.rendered;
    if (!text)
        s.report.errors.push_back("cannot write '" + stem + ".txt'");
}

int RunOnFiles(Session& s) {
    if (s.options.files.empty()) {
        s.err << kProgram << ": the command '" << s.options.command << "' needs a FILE\n"
              << "Run '" << kProgram << " --help' for usage.\n";
        return kExitUsage;
    }
    lxhost::Session& model = s.host.session();
    bool isBook = false;
    ObjectId input = OpenInput(s, &isBook);
    if (input == 0)
        return kExitFile;

    const char* tools = isBook ? kBookToolsMenuTag : kToolsMenuTag;
    auto number = s.host.menus().FindCommandNumber(tools, {kReadabilityLabel, s.label});
    if (!number) {
        s.report.errors.push_back("plug-in '" + s.loader.path() + "': no command \"" + s.label +
                                  "\" in its \"" + kReadabilityLabel + "\" menu (" + tools + ")");
        return kExitPlugin;
    }
    if (isBook)
        model.activeBook = input;
    else
        model.activeDocument = input;

    std::vector<ObjectId> before = model.openDocuments();
    Progress progress(s.err, IsTerminal(s.err),
                      isBook && model.FindBook(input) ? CountBookFiles(*model.FindBook(input)) : 0);
    model.onEvent = [&](const lxhost::HostEvent& e) {
        if (e.type != lxhost::EventType::StatusText)
            return;
        s.report.status.push_back(e.text);
        if (!s.options.json)
            progress.Show(e.text);
    };
    std::size_t openErrorsBefore = s.host.record().openErrors.size();
    bool ran = s.loader.Command(*number);
    model.onEvent = nullptr;
    progress.Clear();
    if (!ran) {
        s.report.errors.push_back(s.loader.error());
        return kExitPlugin;
    }

    // The documents the command made: open now, not before, and not the input.
    std::vector<std::string> usedNames;
    for (ObjectId id : std::vector<ObjectId>(model.openDocuments())) {
        if (std::find(before.begin(), before.end(), id) != before.end())
            continue;
        lxhost::Document* doc = model.FindDocument(id);
        if (!doc)
            continue;
        OutputDocument described = DescribeDocument(*doc);
        if (!s.options.outDir.empty())
            SaveOutput(s, *doc, described, usedNames);
        s.report.documents.push_back(std::move(described));
    }

    // Files of the book that did not open: the plug-in said so on the console and went on; the
    // tool names each with the reader's reason and reports the failure in its exit status.
    const std::vector<std::string>& openErrors = s.host.record().openErrors;
    for (std::size_t i = openErrorsBefore; i < openErrors.size(); ++i)
        s.report.errors.push_back(openErrors[i]);
    return openErrors.size() > openErrorsBefore ? kExitFile : kExitOk;
}

int Run(const CliOptions& options, const CliCommand& command, const std::string& plugin,
        std::ostream& out, std::ostream& err) {
    RunReport report;
    report.command = options.command;
    report.files = options.files;

    lxhost::Host host;
    // With --json everything goes into the one document at the end.
    host.SetAlertStream(options.json ? nullptr : &out);
    host.SetConsoleStream(options.json ? nullptr : &err);
    host.session().installDir = options.installDir;
    host.session().readerOptions.excludedFormats = options.excludeFormats;
    host.session().readerOptions.includedFormats = options.includeFormats;

    int status = kExitOk;
    {
        // Declared after the host so that the module is unloaded while the host still stands.
        lxhost::PluginLoader loader(host);
        if (!loader.Load(plugin) || !loader.Initialize(1)) {
            report.errors.push_back(loader.error());
            status = kExitPlugin;
        } else {
            for (const std::string& message : options.messages)
                if (!loader.SendMessage(message))
                    err << kProgram << ": warning: " << loader.error() << "\n";
            Session session{host, loader, options, out, err, command.label, report};
            status = command.run(session);
        }
    }

    report.alerts = host.record().alerts;
    // The console's pieces, joined and cut into lines.
    std::string console;
    for (const std::string& piece : host.record().console)
        console += piece;
    for (std::size_t start = 0; start < console.size();) {
        std::size_t end = console.find('\n', start);
        if (end == std::string::npos)
            end = console.size();
        report.console.push_back(console.substr(start, end - start));
        start = end + 1;
    }
    report.textNotes = host.session().textNotes;
    report.exitStatus = status;
    if (options.json) {
        out << RunReportJson(report);
    } else {
        for (const OutputDocument& d : report.documents)
            out << d.rendered;
        for (const lxhost::TextNote& n : report.textNotes)
            for (const std::string& line : TextNoteLines(n))
                err << kProgram << ": " << line << "\n";
        for (const std::string& e : report.errors)
            err << kProgram << ": " << e << "\n";
    }
    out.flush();
    return status;
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
    CliOptions options;
    CLI::App app{"Measures the readability of documents and books with the Lexameter plug-in.",
                 kProgram};
    app.set_version_flag("--version", std::string(kProgram) + " " + LX_VERSION);
    app.add_option("--plugin", options.plugin, "the plug-in module to load")->type_name("PATH");
    app.add_option("--message", options.messages,
                   "a command message for the plug-in, delivered before the command (repeatable)")
        ->type_name("TEXT")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--install-dir", options.installDir,
                   "the host's installation directory (templates, converter data)")
        ->type_name("DIR");
    app.add_option("--out", options.outDir,
                   "also save every output document in DIR, as MIF and as text")
        ->type_name("DIR");
    app.add_option("--exclude-format", options.excludeFormats,
                   "do not examine paragraphs of this paragraph format (repeatable)")
        ->type_name("NAME")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--include-format", options.includeFormats,
                   "examine paragraphs of this format although the reader leaves them out by "
                   "default (Code in Markdown, HTML and XML) (repeatable)")
        ->type_name("NAME")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_flag("--json", options.json, "print everything the run produced as one JSON document");
    app.add_option("command", options.command, "the command to run")->type_name("COMMAND");
    app.add_option("files", options.files, "documents or a book")->type_name("FILE");
    app.footer(CommandHelp());

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int status = app.exit(e, out, err);
        return status == 0 ? kExitOk : kExitUsage;
    }

    if (options.command.empty())
        return UsageError(err, "no command given (commands: " + CommandList() + ")");
    const CliCommand* command = FindCommand(options.command);
    if (!command)
        return UsageError(err, "unknown command '" + options.command +
                                   "' (commands: " + CommandList() + ")");
    if (!command->label && !options.files.empty())
        return UsageError(err, "the command '" + options.command + "' takes no files");
    for (const std::string& name : options.includeFormats)
        if (std::find(options.excludeFormats.begin(), options.excludeFormats.end(), name) !=
            options.excludeFormats.end())
            return UsageError(err, "the format '" + name + "' is both included and excluded");

    if (options.installDir.empty())
        options.installDir = defaultInstallDir;
    std::string plugin = options.plugin.empty() ? defaultPlugin : options.plugin;
    if (plugin.empty())
        return UsageError(err, "no plug-in module is known to this build: pass --plugin PATH");
    return Run(options, *command, plugin, out, err);
}

} // namespace lxcli
