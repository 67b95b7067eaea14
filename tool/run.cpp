#include "tool/run.h"

#include "analysis/precise/languages.h"
#include "analysis/precise/precise.h"
#include "analysis/tokenizer.h"
#include "analysis/words.h"
#include "host/api/host.h"
#include "tool/json_output.h"
#include "tool/progress.h"
#include "tool/standard_input.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>

namespace lxtool {

namespace {

// A configuration file is a few lines; anything much larger is not one.
constexpr std::uintmax_t kMaxConfigBytes = 1 << 20;

// Reads a configuration file: a regular file of at most kMaxConfigBytes, checked before it is
// opened, so that a device (/dev/zero) or a FIFO is refused instead of read without end.
bool ReadConfigFile(const std::string& path, std::string* text, std::string* error) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(st)) {
        *error = "cannot read the configuration '" + path + "': no such file";
        return false;
    }
    if (std::filesystem::is_directory(st)) {
        *error = "cannot read the configuration '" + path + "': it is a directory";
        return false;
    }
    if (!std::filesystem::is_regular_file(st)) {
        *error = "cannot read the configuration '" + path + "': not a regular file";
        return false;
    }
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxConfigBytes) {
        *error = "cannot read the configuration '" + path + "': larger than 1 MB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the configuration '" + path + "': no permission";
        return false;
    }
    // Read at most the limit, in case the file grew since it was looked at.
    text->assign(static_cast<std::size_t>(kMaxConfigBytes) + 1, '\0');
    in.read(text->data(), static_cast<std::streamsize>(text->size()));
    text->resize(static_cast<std::size_t>(in.gcount()));
    if (text->size() > kMaxConfigBytes) {
        *error = "cannot read the configuration '" + path + "': larger than 1 MB";
        return false;
    }
    return true;
}

} // namespace

// The listed words, sorted in the list's order (which leaves no two words tied, so the order they
// were found in does not matter), each with its occurrences counted without the paragraph filter.
namespace {

// The first bytes of a word as the list's order compares them first (ASCII capitals as small
// letters), eight in one number, the first byte highest and zeros past the word's end: words
// whose numbers differ are in the order of their numbers, and only words alike in their first
// eight folded bytes are compared whole. Sorting a list of real prose (its words scattered in
// memory) then reads few of them.
std::uint64_t FoldedHead(const char* word) {
    constexpr int kHeadBytes = 8;
    std::uint64_t head = 0;
    int i = 0;
    for (; i < kHeadBytes && word[i] != '\0'; ++i) {
        auto c = static_cast<unsigned char>(word[i]);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c + ('a' - 'A'));
        head = head << 8 | c;
    }
    return i == 0 ? 0 : head << (8 * (kHeadBytes - i)); // i == 8 shifts by 0
}

} // namespace

std::vector<ListedWord> SortedListedWords(const InputFigures& figures) {
    struct Keyed {
        std::uint64_t head;
        ListedWord word;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(figures.occurrences.size());
    // The table's words stay where they are while nothing is added: their bytes end in a
    // terminator, as the list's order reads them.
    figures.occurrences.ForEach([&](std::string_view word, const WordTally& tally) {
        if (tally.listed)
            keyed.push_back({FoldedHead(word.data()), {word.data(), tally.count}});
    });
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.head != b.head)
            return a.head < b.head;
        return CompareWords(&a.word.word, &b.word.word) < 0;
    });
    std::vector<ListedWord> listed;
    listed.reserve(keyed.size());
    for (const Keyed& k : keyed)
        listed.push_back(k.word);
    return listed;
}

std::string MainLanguage(const InputFigures& figures) {
    std::map<std::string, std::int64_t> words;
    for (const FileFigures& f : figures.files)
        words[f.language] += f.totals.words;
    std::string main = "en";
    std::int64_t most = 0;
    for (const auto& [code, n] : words)
        if (n > most && !code.empty()) {
            main = code;
            most = n;
        }
    return main;
}

const lxprecise::Language& LanguageOrEnglish(std::string_view code) {
    const lxprecise::Language* found = lxprecise::FindLanguage(code);
    return found ? *found : lxprecise::English();
}

// The word list with counts, as the plug-in's word list makes it. A word counts as unique, as in
// the plug-in's total, unless it has ASCII capitals and the list also holds it with small
// letters; the table answers that without a second index of the list. Each word's syllables
// are the profile's.
void CollectWordCounts(const InputFigures& figures, Measured* m, Counting counting) {
    const std::vector<ListedWord> listed = SortedListedWords(figures);
    const lxprecise::Language& language = LanguageOrEnglish(MainLanguage(figures));
    m->words.reserve(listed.size());
    m->uniqueWords = 0;
    std::string small;
    for (const ListedWord& l : listed) {
        WordCount w{Utf8OfHostText(l.word), l.count};
        w.syllables = counting == Counting::Precise ? lxprecise::Syllables(w.word, language)
                                                    : CountSyllablesView(l.word);
        m->words.push_back(std::move(w));
        small = l.word;
        bool capitals = false;
        for (char& c : small)
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + ('a' - 'A'));
                capitals = true;
            }
        const WordTally* smallTally = capitals ? figures.occurrences.Find(small) : nullptr;
        if (!smallTally || !smallTally->listed)
            ++m->uniqueWords;
    }
}

Measured MeasureInput(const ToolOptions& options, const std::vector<std::string>& excludeFormats,
                      std::ostream& err, bool words, bool paragraphs, ParagraphSink* sink) {
    Measured m;
    lxhost::Host host;
    host.SetAlertStream(nullptr);
    host.SetConsoleStream(nullptr);
    lxhost::Session& session = host.session();
    session.keepEvents = false; // watched as they come (the progress line), never read back
    SetReaderOptions(options, excludeFormats, &session.readerOptions);

    HostClient client(host);
    if (!client.connected()) {
        m.errors.push_back("cannot connect to the host");
        m.status = kExitPlugin;
        return m;
    }
    std::vector<std::string> files = options.files;
    std::string stdinError;
    if (!ProvideStandardInput(session, &files, &stdinError)) {
        m.errors.push_back(stdinError);
        m.status = kExitFile;
        return m;
    }
    ObjectId input = 0;
    if (files.size() > 1) {
        input = session.NewBookOfFiles(files);
    } else {
        std::vector<lxhost::PropEntry> returned;
        std::string error;
        std::int32_t code = session.Open(files[0], {}, &input, &returned, &error);
        if (code != 0 || input == 0) {
            m.errors.push_back(error.empty() ? "cannot open '" + files[0] + "'" : error);
            m.status = kExitFile;
            return m;
        }
    }
    {
        Progress progress(err, IsTerminal(err));
        ShowProgress shown(session, progress, !options.json);
        m.figures = CollectFigures(host, input, words, options.counting, options.language,
                                   paragraphs, sink);
    }
    m.warnings.insert(m.warnings.end(), m.figures.languageNotes.begin(),
                      m.figures.languageNotes.end());
    // The files the run read: an output of the run never replaces one of them.
    m.inputs = options.files;
    if (const lxhost::Book* book = session.FindBook(input))
        for (const lxhost::Component& c : book->components)
            if (c.kind == lxhost::kComponentFile)
                m.inputs.push_back(c.path);
    for (const std::string& name : excludeFormats)
        if (std::find(session.excludedFormatsFound.begin(), session.excludedFormatsFound.end(),
                      name) == session.excludedFormatsFound.end())
            m.warnings.push_back("--exclude-format '" + name +
                                 "': no examined document defines this paragraph format");
    m.textNotes = host.session().textNotes;
    // Files of a book that did not open: measured as empty, named with the reader's reason.
    for (const lxhost::Host::OpenError& e : host.record().openErrors)
        m.errors.push_back(e.message);
    if (!host.record().openErrors.empty())
        m.status = kExitFile;
    if (words) {
        // The model is let go first: the word list and the table it is made from are the
        // run's largest structures after it, and need nothing of it.
        session.Close(input, 0);
        CollectWordCounts(m.figures, &m, options.counting);
        m.figures.occurrences.clear();
    }
    return m;
}

bool LoadSettings(const ToolOptions& options, ThresholdSettings* file, int* status,
                  std::string* error) {
    std::string path = options.config;
    if (path.empty()) {
        std::error_code ec;
        if (!std::filesystem::exists(kConfigFileName, ec))
            return true;
        path = kConfigFileName;
    }
    return LoadSettingsFile(path, file, status, error);
}

bool LoadSettingsFile(const std::string& path, ThresholdSettings* file, int* status,
                      std::string* error) {
    std::string text;
    if (!ReadConfigFile(path, &text, error)) {
        *status = kExitFile;
        return false;
    }
    if (!ParseConfig(text, path, file, error)) {
        *status = kExitUsage;
        return false;
    }
    return true;
}

bool SettleExclusions(ToolOptions* options, int* status, std::string* error) {
    if (!options->exclude.empty() || !ConfigSupported())
        return true;
    ThresholdSettings file;
    if (!LoadSettings(*options, &file, status, error))
        return false;
    options->exclude = file.exclude.value_or(std::vector<std::string>());
    return true;
}

void SetReaderOptions(const ToolOptions& options, const std::vector<std::string>& excludeFormats,
                      lxhost::ReaderOptions* reader) {
    reader->excludedFormats = excludeFormats;
    reader->includedFormats = options.includeFormats;
    reader->allowOutside = options.allowOutside;
    const auto& what = options.exclude;
    reader->excludeTables = std::find(what.begin(), what.end(), "tables") != what.end();
    reader->excludeHeadings = std::find(what.begin(), what.end(), "headings") != what.end();
}

std::string FindConfigFrom(const std::string& folder) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::absolute(folder, ec);
    if (ec)
        return "";
    dir = dir.lexically_normal();
    while (true) {
        const std::filesystem::path candidate = dir / kConfigFileName;
        if (std::filesystem::exists(candidate, ec))
            return candidate.string();
        if (!dir.has_relative_path() || dir.parent_path() == dir)
            return "";
        dir = dir.parent_path();
    }
}

std::string SettleCounting(ToolOptions* options, int* status, bool* usage) {
    *usage = false;
    std::string profile = options->countingGiven;
    const bool given = !profile.empty();
    std::string language = options->languageGiven;
    std::string languageSource = "--lang";
    // A build that cannot read configuration files counts by the options alone.
    if ((profile.empty() || language.empty()) && ConfigSupported()) {
        ThresholdSettings file;
        std::string error;
        if (!LoadSettings(*options, &file, status, &error))
            return error;
        if (profile.empty())
            profile = file.counting.value_or("");
        if (language.empty() && file.language) {
            language = *file.language;
            languageSource = "lang";
        }
    }
    if (profile.empty())
        profile = "classic";
    // Messages run the plug-in's own commands, and the plug-in counts only by the classic rules:
    // its figures are what the desktop host shows. The option is refused there; the
    // configuration's profile (meant for the tool's commands) gives way, and the run says so.
    const bool messages = options->command == "open" || !options->messages.empty();
    if (profile == "precise" && messages && !given) {
        options->warnings.push_back(
            std::string("counting = \"precise\" of the configuration does not apply: ") +
            (options->command == "open" ? "'open' delivers" : "--message delivers") +
            " messages to the plug-in, which counts by the classic rules");
        profile = "classic";
    }
    options->countingGiven = profile; // named in the JSON document
    options->counting = profile == "precise" ? Counting::Precise : Counting::Classic;
    if (!language.empty()) {
        const lxprecise::Language* known = lxprecise::FindLanguage(language);
        if (!known) {
            *status = kExitUsage;
            *usage = true;
            return languageSource + " '" + language +
                   "': not a language lexameter counts (known: " + lxprecise::LanguageCodes() + ")";
        }
        options->language = known->code;
    }
    if (options->counting == Counting::Classic) {
        if (options->language == lxprecise::kEnglish)
            return "";
        // A team's configuration may name its language for the tool's precise commands; a run
        // that counts by the classic rules (the plug-in's messages among them) counts English.
        if (languageSource == "lang") {
            options->warnings.push_back("lang = \"" + language +
                                        "\" of the configuration does not apply: the classic "
                                        "counting is the plug-in's and counts English only");
            options->language = std::string(lxprecise::kEnglish);
            return "";
        }
        *status = kExitUsage;
        *usage = true;
        return languageSource + " '" + language +
               "': the classic counting is the plug-in's and counts English only; count " +
               "other languages with --counting precise";
    }
    *status = kExitUsage;
    *usage = true;
    if (messages)
        return std::string(options->command == "open" ? "the command 'open'" : "--message") +
               " delivers messages to the plug-in, whose commands count only by the classic "
               "rules (its figures are those of the desktop host); --counting precise is for "
               "the tool's commands: run the command itself, e.g. 'lexameter --counting precise "
               "stats FILE'";
    std::string why;
    if (!lxprecise::Available(&why))
        return "--counting precise is not available: " + why;
    if (const lxprecise::Language* known = lxprecise::FindLanguage(options->language);
        !lxprecise::LanguageAvailable(*known, &why))
        return languageSource + " '" + language + "': " + why;
    return "";
}

bool SettleThresholds(const ToolOptions& options, Thresholds* thresholds, int* status,
                      std::string* error) {
    ThresholdSettings file;
    if (!LoadSettings(options, &file, status, error))
        return false;
    ThresholdSettings given = options.thresholds;
    if (options.excludeFormatsGiven)
        given.excludeFormats = options.excludeFormats;
    *thresholds = ResolveThresholds(file, given);
    return true;
}

nlohmann::json ValueJson(double value) {
    const double shown = ShownValue(value);
    if (!std::isfinite(shown))
        return nullptr;
    return shown;
}

nlohmann::json CountsJson(const ReadabilityCounts& c, std::int32_t longWords, Counting counting) {
    nlohmann::json j = {{"paragraphs", c.paragraphs}, {"sentences", c.sentences},
                        {"words", c.words},           {"characters", c.characters},
                        {"syllables", c.syllables},   {"complexWords", c.complexWords},
                        {"longWords", longWords}};
    if (counting == Counting::Precise)
        j["monosyllables"] = c.monosyllables;
    return j;
}

nlohmann::json MeasuresJson(const MeasureSet& measures, std::string_view language) {
    nlohmann::json j = nlohmann::json::object();
    for (MeasureId id = 0; id < kMeasureRowCount; ++id)
        if (MeasureApplies(id, language))
            j[RowOf(id).jsonKey] = ValueJson(measures[id]);
    return j;
}

namespace {

constexpr const char* kOverall = "Overall";

// Calls add(name, overall, counts, measures) for each file and, for a book, for the whole.
template <typename Add> void ForEachReportRow(const InputFigures& figures, Add add) {
    for (const FileFigures& f : figures.files)
        add(f.name, false, f.totals, f.longWords,
            ComputeMeasures(f.totals, f.longWords, f.fogComplexWords));
    if (figures.isBook)
        add(kOverall, true, figures.totals, figures.longWords,
            ComputeMeasures(figures.totals, figures.longWords, figures.fogComplexWords));
}

} // namespace

nlohmann::json ReportRowsJson(const InputFigures& figures, Counting counting) {
    nlohmann::json rows = nlohmann::json::array();
    ForEachReportRow(figures,
                     [&](const std::string& name, bool overall, const ReadabilityCounts& counts,
                         std::int32_t longWords, const MeasureSet& measures) {
                         rows.push_back({{"file", name},
                                         {"overall", overall},
                                         {"counts", CountsJson(counts, longWords, counting)},
                                         {"measures", MeasuresJson(measures)}});
                     });
    return {{"rows", rows}};
}

void AddMeasureColumns(const InputFigures& figures, std::vector<std::string>* headings,
                       std::vector<std::vector<std::string>>* rows) {
    headings->clear();
    rows->clear();
    // The plug-in's report counts English, and so has English's measures.
    for (MeasureId id = 0; id < kMeasureRowCount; ++id)
        if (!RowOf(id).alertLabel && MeasureApplies(id, lxprecise::kEnglish))
            headings->push_back(RowOf(id).heading);
    ForEachReportRow(figures, [&](const std::string&, bool, const ReadabilityCounts&, std::int32_t,
                                  const MeasureSet& measures) {
        std::vector<std::string> cells;
        for (MeasureId id = 0; id < kMeasureRowCount; ++id)
            if (!RowOf(id).alertLabel && MeasureApplies(id, lxprecise::kEnglish))
                cells.push_back(ValueText(measures[id]));
        rows->push_back(std::move(cells));
    });
}

RunReport ReportOf(const ToolOptions& options, const Measured& m, int status) {
    RunReport report;
    report.command = options.command;
    report.files = options.files;
    report.inputName = InputName(options.files);
    report.errors = m.errors;
    report.warnings = options.warnings;
    report.warnings.insert(report.warnings.end(), m.warnings.begin(), m.warnings.end());
    report.textNotes = m.textNotes;
    report.exitStatus = status;
    return report;
}

} // namespace lxtool
