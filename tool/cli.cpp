#include "tool/cli.h"

#include "analysis/measures.h"
#include "host/api/host.h"
#include "host/api/loader.h"
#include "host/formats/frameroman.h"
#include "host/formats/markup.h"
#include "host/formats/mif_writer.h"
#include "output/report.h"
#include "output/word_list.h"
#include "runtime/api.h"
#include "support/enc_convert.h"
#include "tool/commands.h"
#include "tool/figures.h"
#include "tool/json_output.h"
#include "tool/languages.h"
#include "tool/measures.h"
#include "tool/output_files.h"
#include "tool/progress.h"
#include "tool/run.h"
#include "tool/run_report.h"
#include "tool/standard_input.h"
#include "tool/table.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
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

namespace lxtool {

namespace {

// The document Tools menu and the plug-in's submenu in it, found by label as a user would.
constexpr const char* kToolsMenuTag = "LXTools";
constexpr const char* kReadabilityLabel = "Readability";
constexpr const char* kAboutLabel = "About Lexameter...";

constexpr const char* kBookToolsMenuTag = "LXToolsBook";
// The command whose JSON adds every count, and the one whose JSON and CSV add every measure.
constexpr const char* kCountsCommand = "stats";
constexpr const char* kReportCommand = "report";
// The word list with counts, which the precise profile makes as the tool's own.
constexpr const char* kWordCountsCommand = "word-counts";

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
    const ToolOptions& options;
    std::ostream& out;
    std::ostream& err;
    const char* label; // the menu label of a document or book command
    bool wordList;     // the command makes a word list
    RunReport& report;
    Progress& progress;
    // The console pieces the plug-in wrote; what the tool's own walk adds after is not its.
    std::size_t& consolePieces;
    // The files as they are opened: '-' is given to the host as "stdin".
    std::vector<std::string> files;
    // Under --counting precise: the alert the command shows instead of the plug-in's.
    std::vector<std::string>& preciseAlerts;
    // Under --counting precise: the language a word list's syllables are counted in.
    std::string wordListLanguage;
};

int AboutInSession(Session& s) {
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

int MenusInSession(Session& s) {
    if (s.options.json)
        s.report.extra["menus"] = MenusJson(s.host.menus());
    else
        s.host.menus().Print(s.out);
    return kExitOk;
}

// Opens the files named on the command line: one document, one book, or several files that make
// an untitled book. Answers the document or book id, or 0 after reporting why.
ObjectId OpenInput(Session& s, bool* isBook) {
    lxhost::Session& model = s.host.session();
    const std::vector<std::string>& files = s.files;
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
    std::vector<std::string> inputs = s.files;
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
    if (path == kStdinStem)
        return true;
    for (const std::string& in : inputs) {
        if (in == kStdinStem)
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

// Adds what the plug-in does not show: to the statistics' JSON document the counts its alert
// leaves out (syllables, complex words, long words) and every measure; to the report's JSON
// document each row's counts and measures, and to its CSV the measures the plug-in's report does
// not have. Counted by the analysis library as a second client of the host, against the same
// open input the plug-in counted, so that they agree with its figures.
void AddEveryCount(Session& s, ObjectId input) {
    s.consolePieces = s.host.record().console.size();
    // The second walk's console lines (a book's file that does not open) were the plug-in's.
    s.host.SetConsoleStream(nullptr);
    s.host.SetAlertStream(nullptr);
    InputFigures figures;
    {
        HostClient client(s.host);
        if (!client.connected()) {
            s.report.warnings.push_back("cannot count syllables and complex words: the tool "
                                        "could not connect to its host");
            return;
        }
        figures =
            CollectFigures(s.host, input, false, s.options.counting, s.options.language, false);
    }
    if (s.options.command == kCountsCommand) {
        s.report.extra["counts"] =
            CountsJson(figures.totals, figures.longWords, s.options.counting);
        s.report.extra["measures"] =
            MeasuresJson(ComputeMeasures(figures.totals, figures.longWords));
    } else if (s.options.json) {
        s.report.extra["report"] = ReportRowsJson(figures, s.options.counting);
    } else if (!s.report.documents.empty()) {
        OutputDocument& d = s.report.documents.back();
        AddMeasureColumns(figures, &d.addedHeadings, &d.addedRows);
    }
}

// The plug-in's measure of an alert command, for its alert under the precise profile.
std::optional<Measure> AlertMeasureOf(const std::string& command) {
    const std::pair<const char*, Measure> measures[] = {{"stats", MeasureCounts},
                                                        {"flesch", MeasureFlesch},
                                                        {"ari", MeasureAri},
                                                        {"smog", MeasureSmog},
                                                        {"fog", MeasureFog}};
    for (const auto& [name, measure] : measures)
        if (command == name)
            return measure;
    return std::nullopt;
}

// While it stands, the tool's walks over a book name a file that does not open on the console,
// as the plug-in's walk names it.
class ToolConsole {
  public:
    ToolConsole() : saved_(ConsoleCallback) { ConsoleCallback = ApiPrintConsole; }
    ~ToolConsole() { ConsoleCallback = saved_; }
    ToolConsole(const ToolConsole&) = delete;
    ToolConsole& operator=(const ToolConsole&) = delete;

  private:
    ConsoleOutput saved_;
};

// Under --counting precise: counts the opened input with the precise profile and
// makes the alert the plug-in would show for those counts, with its own measure lines (Gunning
// Fog from the profile's own complex words). Returns the alert's text, "" when the tool could
// not connect to its host.
std::string PreciseAlert(Session& s, ObjectId input, Measure measure) {
    InputFigures figures;
    {
        HostClient client(s.host);
        if (!client.connected())
            return "";
        const ToolConsole console;
        figures =
            CollectFigures(s.host, input, false, Counting::Precise, s.options.language, false);
    }
    // The plug-in's measure lines are English's formulas: a file in another language is pointed
    // to the command that shows its own.
    for (const FileFigures& f : figures.files)
        if (f.language != "en")
            s.report.warnings.push_back(f.name + " is in " + LanguageName(f.language) + " (" +
                                        f.language +
                                        "), which these English formulas do not "
                                        "measure; 'lexameter check' shows its own measures");
    s.report.warnings.insert(s.report.warnings.end(), figures.languageNotes.begin(),
                             figures.languageNotes.end());
    const ReadabilityCounts counts =
        measure == MeasureFog ? FogCounts(figures.totals, figures.fogComplexWords) : figures.totals;
    MeasureLine lines[kMeasureMaxLines];
    const int n = MeasureLines(measure, counts, lines);
    std::string text;
    for (int i = 0; i < n; ++i)
        text += std::string(lines[i].label) + lines[i].value +
                (lines[i].alertBreak == kLineBreakDouble ? "\n\n" : "\n");
    if (s.options.json && s.options.command == kCountsCommand) {
        s.report.extra["counts"] =
            CountsJson(figures.totals, figures.longWords, s.options.counting);
        s.report.extra["measures"] = MeasuresJson(
            ComputeMeasures(figures.totals, figures.longWords, figures.fogComplexWords));
    }
    return text;
}

// What a report the tool makes counts with: its host's model and the run's language.
struct ReportCounting {
    lxhost::Session* session;
    std::string language;
};

// Counts one open document with the precise profile for a report the tool makes.
void CountForReport(ObjectId doc, ReportCounts* counts, void* context) {
    const auto* c = static_cast<const ReportCounting*>(context);
    const FileFigures f = CollectDocument(*c->session, doc, Counting::Precise, c->language);
    AddCounts(counts->counts, f.totals);
    AddCounts(counts->fog, FogCounts(f.totals, f.fogComplexWords));
}

// A word list of the figures' words, made with the plug-in's writer: with counts, each word's
// occurrences and the number of unique words.
void WriteWordListOf(const InputFigures& figures, bool withCounts) {
    const std::vector<ListedWord> words = SortedListedWords(figures);
    StrList* list = StrListNew(static_cast<std::uint32_t>(words.size()) + 1, 1);
    if (!list)
        throw std::bad_alloc();
    WordCounts counts = WordCountsNew(static_cast<std::uint32_t>(words.size()));
    for (std::size_t i = 0; i < words.size(); ++i) {
        StrListAppend(list, words[i].word);
        if (i < counts.count)
            counts.items[i] = words[i].count;
    }
    if (withCounts)
        WriteUniqueWordTotal(list, WriteWordList(list, &counts));
    else
        WriteWordList(list, nullptr);
    WordCountsFree(&counts);
    StrListFree(list);
}

// Under --counting precise, the report and the word lists are the tool's: the same documents the
// plug-in's commands make, made by the tool as a client of the host with the plug-in's own
// writers, from the profile's figures. false when the tool could not connect to its host.
bool MakePreciseDocument(Session& s, ObjectId input, bool isBook) {
    HostClient client(s.host);
    if (!client.connected())
        return false;
    const ToolConsole console;
    if (s.options.command == kReportCommand) {
        ReportCounting counting{&s.host.session(), s.options.language};
        if (isBook)
            WriteBookReport(input, CountForReport, &counting);
        else
            WriteDocumentReport(input, CountForReport, &counting);
    } else {
        const InputFigures figures =
            CollectFigures(s.host, input, true, Counting::Precise, s.options.language, false);
        s.wordListLanguage = MainLanguage(figures);
        WriteWordListOf(figures, s.options.command == kWordCountsCommand);
    }
    return true;
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
    std::string stdinError;
    if (!ProvideStandardInput(model, &s.files, &stdinError)) {
        s.report.errors.push_back(stdinError);
        return kExitFile;
    }
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

    std::vector<ObjectId> before = model.openDocuments();
    std::size_t openErrorsBefore = s.host.record().openErrors.size();
    std::size_t alertsBefore = s.host.record().alerts.size();
    // Messages arrive while the files are open, as in the desktop host: "SetDocId N" names a
    // document, and a command's tag acts on it (or on the active document or book).
    bool ran = false;
    // Under the precise profile the command is the tool's: the plug-in counts by the classic
    // rules only. The tool makes the report and the word lists with the plug-in's writers, and
    // the alert with the plug-in's lines, from the profile's figures.
    const bool precise = s.options.counting == Counting::Precise;
    const bool preciseDocument = precise && (s.wordList || s.options.command == kReportCommand);
    const std::optional<Measure> preciseMeasure =
        precise ? AlertMeasureOf(s.options.command) : std::nullopt;
    {
        // The status texts are kept only for the JSON document, which lists them; otherwise a
        // book's walk would keep one per file.
        ShowProgress shown(model, s.progress, !s.options.json,
                           s.options.json ? &s.report.status : nullptr);
        DeliverMessages(s);
        bool connected = true;
        if (preciseDocument)
            connected = MakePreciseDocument(s, input, isBook);
        if (preciseMeasure) {
            const std::string alert = PreciseAlert(s, input, *preciseMeasure);
            connected = !alert.empty();
            s.preciseAlerts.push_back(alert);
        }
        if (!connected) {
            s.report.errors.push_back("cannot count with the precise profile: the tool could not "
                                      "connect to its host");
            return kExitPlugin;
        }
        ran = precise || !number || s.loader.Command(*number);
    }
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
        described.counting = s.options.counting;
        described.language = s.wordListLanguage;
        sources.push_back({doc, described.rendered});
        s.report.documents.push_back(std::move(described));
    }
    if (preciseMeasure)
        sources.push_back({nullptr, AsTextBlock(s.preciseAlerts.back())});
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
    // The inputs are listed only when they are needed, once the walk is done: a book's walk
    // would keep a path for each of its files.
    const std::vector<lxhost::Host::OpenError>& openErrors = s.host.record().openErrors;
    const std::vector<std::string> inputs =
        openErrors.size() > openErrorsBefore || !s.options.outDir.empty()
            ? InputsOf(s, input)
            : std::vector<std::string>();
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

    if (preciseMeasure) {
        // The counts and measures of the JSON document were the profile's.
    } else if ((s.options.json && s.options.command == kCountsCommand) ||
               ((s.options.json || s.options.csv) && s.options.command == kReportCommand))
        AddEveryCount(s, input);

    if (!s.options.outDir.empty() && !SaveOutputs(s, sources, inputs))
        status = kExitFile;
    return status;
}

// A path made absolute and normal, as the host names the files it opens.
std::string AbsoluteName(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

// The file a run was reading when it stopped, by its full path as the readers' errors name it: the
// document opened last and still open (a book's file), else the file being opened, else the one
// input.
std::string FileBeingRead(lxhost::Session& model, const std::vector<std::string>& files) {
    for (auto it = model.openDocuments().rbegin(); it != model.openDocuments().rend(); ++it)
        if (const lxhost::Document* d = model.FindDocument(*it); d && !d->path.empty())
            return d->path;
    if (!model.fileBeingOpened.empty())
        return model.fileBeingOpened;
    if (files.size() == 1)
        return files[0] == "-" ? files[0] : AbsoluteName(files[0]);
    return "the book of " + std::to_string(files.size()) + " files";
}

bool documentsLeftToExit = false;

// Loads the plug-in into a new host, runs the command in it and reports the run.
int RunWithPlugin(const ToolCommand& command, const ToolOptions& options,
                  int (*inSession)(Session&), std::ostream& out, std::ostream& err) {
    RunReport report;
    report.command = options.command;
    report.files = options.files;
    report.inputName = InputName(options.files);
    report.warnings = options.warnings;

    // The folder for --out is made before anything runs: a run that cannot save fails at once.
    if (!options.outDir.empty() && command.takesFiles) {
        std::string error;
        if (!PrepareOutputFolder(options.outDir, &error)) {
            report.errors.push_back(error);
            report.exitStatus = kExitFile;
            return Finish(options, report, out, err);
        }
    }

    Progress progress(err, IsTerminal(err));
    ProgressGuard guardErr(err, progress);
    ProgressGuard guardOut(out, progress);
    std::ostream consoleStream(&guardErr);
    std::ostream alertStream(&guardOut);

    lxhost::Host host;
    // With --json everything goes into the one document at the end.
    // With --csv the alerts become a table at the end.
    // Under the precise profile the plug-in's alert is replaced by the tool's, shown below.
    const bool preciseAlerts = options.counting == Counting::Precise;
    host.SetAlertStream(options.json || options.csv || preciseAlerts ? nullptr : &alertStream);
    host.SetConsoleStream(options.json ? nullptr : &consoleStream);
    host.session().installDir = options.installDir;
    host.session().keepEvents = false; // watched as they come (the progress line), never read back
    SetReaderOptions(options, options.excludeFormats, &host.session().readerOptions);

    int status = kExitOk;
    std::size_t consolePieces = SIZE_MAX;
    std::vector<std::string> alerts;
    {
        // Declared after the host so that the module is unloaded while the host still stands.
        lxhost::PluginLoader loader(host);
        if (!loader.Load(options.plugin) || !loader.Initialize(1)) {
            report.errors.push_back(loader.error());
            status = kExitPlugin;
        } else {
            Session session{host,          loader,           options, out,      err,
                            command.label, command.wordList, report,  progress, consolePieces,
                            options.files, alerts,           "en"};
            // A command without files has nothing to wait for: its messages go first.
            if (!command.takesFiles)
                DeliverMessages(session);
            // Whatever no reader caught (memory, the host's object ids running out while the
            // plug-in works) ends the run with one error, not an abort.
            try {
                status = inSession(session);
            } catch (const std::exception& e) {
                report.errors.push_back(
                    StoppedRunError(FileBeingRead(host.session(), options.files), e));
                status = kExitFile;
            }
        }
    }

    report.alerts = host.record().alerts;
    if (preciseAlerts) {
        report.alerts = alerts;
        if (!options.json && !options.csv)
            for (std::size_t i = 0; i < alerts.size(); ++i)
                alertStream << (i > 0 ? "\n" : "") << AsTextBlock(alerts[i]);
    }
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
    if (documentsLeftToExit)
        host.session().LeaveModelToExit();
    return Finish(options, report, out, err);
}

} // namespace

void LeaveDocumentsToExit(bool leave) {
    documentsLeftToExit = leave;
}

int RunPluginCommand(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
                     std::ostream& err) {
    return RunWithPlugin(command, options, RunOnFiles, out, err);
}

int RunAbout(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
             std::ostream& err) {
    return RunWithPlugin(command, options, AboutInSession, out, err);
}

int RunMenus(const ToolCommand& command, const ToolOptions& options, std::ostream& out,
             std::ostream& err) {
    return RunWithPlugin(command, options, MenusInSession, out, err);
}

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

} // namespace lxtool
